// Style sheets of HTMLRTFConverter: the document's own STYLE block and its
// linked sheets are read into StyleRules, and ApplyStyleRules carries them
// into the body as FONT tags that the walk's FONT handler understands.
//
//   <style>p { color: red; font-size: 12pt }</style> ... <p>Hi</p>
//   // the body becomes <p><FONT COLOR="ff0000" SIZEPT="24">Hi</FONT></p>
//
// How the FONT tags are placed: each start tag that one or more rules match
// is followed by one FONT start tag per rule, the rule applied last first
// (nearest the start tag, so outermost); the element's end tag is preceded
// by as many "</FONT>". The end tag is the one that closes the element,
// start and end tags of its name paired as nested brackets. An element that
// is never closed ends before the next start tag of its name, else before
// "</BODY", else at the end of the text. So every FONT start tag inserted
// has exactly one "</FONT>", and FONT tags of nested elements nest. Only
// the tags of the text as given are matched: a FONT tag that a rule
// inserted is never matched by another.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

// The whole file as text, one character per byte; "" when it cannot be
// read (see ReadStyleSheetFile for what is refused).
Text ReadTextFile(const Text& path);
void ParseStyleSheet(const Text& css);
void AddStyleRule(const Text& selector, const Text& declarations);

}  // namespace skeinlet::detail
