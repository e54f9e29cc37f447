// The working values of one run while ConvertRTFRun converts it.
#pragma once

#include "platform/code_page_converter.hpp"
#include "text/rules.hpp"
#include "text/text.hpp"

#include <memory>

namespace skeinlet::detail {

struct RunParts {
  Text run;         // the whole run, as the run rules left it
  Text control;     // the control words before the split point
  Text text;        // the text after it
  Text open;        // opening markup
  Text close;       // closing markup
  Text attributes;  // font tag attributes, each NAME="value" and a blank
  bool wroteInlineSize = false;  // a size or face tag was written inline
  // Created for the first escape run that needs a code page, released
  // with the run.
  std::unique_ptr<CodePageConverter> codePages;
  // The index of the text part, shared by the two groups of text passes
  // and the steps between them, which make their replacements through it.
  IndexedText textIndex{text};

  // Empties every part, keeping the room of its texts.
  void Reset() noexcept {
    for (Text* t : {&run, &control, &text, &open, &close, &attributes}) t->clear();
    wroteInlineSize = false;
    codePages.reset();
    textIndex.Edited();
  }
  // Gives back the room of any text longer than a run mostly is.
  void ReleaseLong() noexcept {
    constexpr std::size_t kKeptRoom = 1 << 14;
    for (Text* t : {&run, &control, &text, &open, &close, &attributes})
      if (t->capacity() > kKeptRoom) Text().swap(*t);
  }
};

// The text passes: the first group runs before the control words are read
// (character escapes, code pages, special characters, line breaks, inline
// underline, bold and italic, blanks and tabs), the second after them
// (indentation, restorations, inline sizes, faces, colours and the other
// switches, tables, and the removal of every control word left).
void TextPassesFirst(RunParts& r);
void TextPassesSecond(RunParts& r);

// Whether font faces and sizes are left out: frameless output that does
// not keep them.
bool DropsFontMarkup();

// The font face pass of the second group on its own (for its tests).
void InlineFaceSwitches(RunParts& r);

// Step 5's removal of language words on its own (for its tests): while
// `probe` occurs (exact), the first `word` goes with what follows it up to
// the next backslash or blank.
void RemoveLanguageWordsFrom(Text& text, TextView probe, TextView word);

// Step 7 of the run converter: nested groups of the text part flattened.
void FlattenNestedGroups(Text& text);

}  // namespace skeinlet::detail
