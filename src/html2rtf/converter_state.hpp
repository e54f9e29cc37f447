// The module state of HTMLRTFConverter: everything one HTML-to-RTF
// conversion works on. One copy per calling thread (thread_local), so
// conversions on different threads share nothing and take no locks.
// ConvertHtmlToRtf resets it at the start of every call (ResetForConversion
// and SetUpTables, at the places the driver sets them); nothing of one
// conversion is used by the next.
#pragma once

#include "platform/image_creator.hpp"
#include "text/array.hpp"
#include "text/text.hpp"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace skeinlet::detail {

// One entry of FormatStack. FromSpan is false for a record that a FONT tag
// pushed (and for the base record); the four switches say which properties
// this SPAN record turned on, so that its end turns them off again.
struct FormatRecord {
  std::int16_t Font = 0;
  std::int16_t Size = 0;
  std::int16_t Colour = 0;
  bool FromSpan = false;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strike = false;
};

// FormatStack: the base record first, the current record last. "</FONT>"
// and "</SPAN>" remove the topmost record of their own kind wherever it
// sits; such a record is marked removed instead of moving every record
// above it down, and the marks are swept out once they outnumber the
// records, so a page that buries thousands of FONT records under SPAN
// records (or the other way round) costs no more than one that nests them.
class FormatRecords {
 public:
  // The base record alone.
  void Reset(const FormatRecord& base);
  // Index of the current record; 0 when only the base record is left.
  std::int64_t UBound() const noexcept { return live_ - 1; }
  FormatRecord& Current() { return slots_.back().Record; }
  const FormatRecord& Current() const { return slots_.back().Record; }
  // The record at `index` counted from the base; error 9 outside the stack.
  // Walks the stack: for reading it in tests.
  const FormatRecord& operator[](std::int64_t index) const;
  void Push(const FormatRecord& record);
  // Removes the topmost record above the base whose FromSpan is `fromSpan`
  // and returns it; false when there is none.
  bool RemoveTopmost(bool fromSpan, FormatRecord& removed);

 private:
  struct Slot {
    FormatRecord Record;
    bool Removed = false;
  };
  void Sweep();

  std::vector<Slot> slots_;
  // The slots of the live records of each kind above the base, in order.
  std::vector<std::size_t> fonts_;
  std::vector<std::size_t> spans_;
  std::int64_t live_ = 0;
};

// One open table; index = nesting level.
struct TableRecord {
  Text ColumnWidths;  // pixels, each followed by one blank
  std::int16_t TableWidth = 0;
  std::int16_t CellCount = 0;
  bool Bordered = false;
  bool CellOpen = false;
  bool RowOpen = false;
  std::int32_t RowPosition = 0;
  bool RowHighlight = false;
  bool CellHighlight = false;
  bool Centred = false;
  bool RowSeen = false;
  // How many columns the current cell spans, so that a table nested in it
  // knows which of this table's columns it may fill.
  std::int16_t CellColumns = 0;
};

struct StyleRule {
  Text Selector;
  Text Face;
  Text Colour;
  std::int16_t Size = 0;
};

// The rules read from one style sheet: the document's own STYLE block
// (Source "HTML") or one linked file (Source = its path).
struct StyleSheetRecord {
  Text Source;
  BoundedArray<StyleRule> ElementRules;
  BoundedArray<StyleRule> ClassRules;
  BoundedArray<StyleRule> IdRules;
};

// The first index of every entry of a face or colour list.
using EntryIndex = std::unordered_map<Text, std::int64_t>;

struct HtmlRtfState {
  Text OutputRtf;
  Text WorkHtml;

  BoundedArray<Text> RtfFonts;
  std::int16_t RtfFontCount = 0;
  BoundedArray<Text> RtfColours;
  std::int16_t RtfColourCount = 0;
  // Kept beside the two lists by RegisterEntry, so that a page with
  // thousands of faces or colours does not scan the list at every tag.
  EntryIndex RtfFontIndex;
  EntryIndex RtfColourIndex;

  BoundedArray<Text> LanguageStack;
  std::int16_t LanguageDepth = 0;

  FormatRecords FormatStack;
  std::int16_t CurrentFont = 0;

  BoundedArray<TableRecord> TableStack;
  std::int16_t TableDepth = 0;
  double TableScale = 1.0;

  BoundedArray<StyleSheetRecord> StyleRules;
  std::int16_t Charset = 0;
  std::int16_t DrawBorders = 0;
  std::int16_t BackgroundColour = 5;
  std::int16_t BlockquoteIndent = 0;

  bool TextInParagraph = false;
  bool PendingParagraph = false;
  bool TextInCell = false;
  bool TextSeen = false;
  bool TableBeforeText = false;
  bool InLink = false;

  bool InListItem = false;
  bool ListItemClosed = true;
  std::int16_t ParagraphsInItem = 0;
  bool OrderedList = false;
  std::int16_t ItemNumber = 0;

  std::int16_t SpanBackground = 0;

  std::unique_ptr<ImageCreator> Images;  // the module's ImageCreator
};

// Builds the index of a list that was just re-dimensioned or filled.
void RebuildIndex(const BoundedArray<Text>& list, EntryIndex& index);

// The calling thread's state.
HtmlRtfState& HtmlRtf() noexcept;

// The values the driver gives the state when a conversion starts, in the
// driver's order; the image component is created by the driver itself.
void ResetForConversion(HtmlRtfState& s);
// The tables and values set up just before the walk: the base format
// record, the two start fonts, the five start colours, the table stack and
// the flags of the walk. `drawBorders` is the caller's border option.
void SetUpTables(HtmlRtfState& s, std::int16_t drawBorders);
// The base format record alone (font 0, size 24, colour 1).
void SetUpFormatStack(HtmlRtfState& s);

}  // namespace skeinlet::detail
