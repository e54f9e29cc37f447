#include "html2rtf/converter_state.hpp"

#include "text/errors.hpp"

namespace skeinlet::detail {
namespace {

constexpr TextView kStartFonts[] = {u"Times New Roman", u"MS Sans Serif"};
constexpr TextView kStartColours[] = {u"000000", u"ff0000", u"00ff00",
                                      u"0000ff", u"ffffff"};

}  // namespace

void RebuildIndex(const BoundedArray<Text>& list, EntryIndex& index) {
  index.clear();
  if (!list.Dimensioned()) return;
  for (std::int64_t i = list.UBound(); i >= list.LBound(); --i) index[list[i]] = i;
}

void FormatRecords::Reset(const FormatRecord& base) {
  slots_.assign(1, Slot{base});
  fonts_.clear();
  spans_.clear();
  live_ = 1;
}

const FormatRecord& FormatRecords::operator[](std::int64_t index) const {
  if (index < 0 || index >= live_) RaiseError(Error::kSubscript);
  for (const Slot& slot : slots_)
    if (!slot.Removed && index-- == 0) return slot.Record;
  RaiseError(Error::kSubscript);
}

void FormatRecords::Push(const FormatRecord& record) {
  (record.FromSpan ? spans_ : fonts_).push_back(slots_.size());
  slots_.push_back(Slot{record});
  ++live_;
}

bool FormatRecords::RemoveTopmost(bool fromSpan, FormatRecord& removed) {
  std::vector<std::size_t>& kind = fromSpan ? spans_ : fonts_;
  if (kind.empty()) return false;
  const std::size_t slot = kind.back();
  kind.pop_back();
  removed = slots_[slot].Record;
  slots_[slot].Removed = true;
  --live_;
  while (slots_.back().Removed) slots_.pop_back();
  if (static_cast<std::int64_t>(slots_.size()) > 2 * live_ + 64) Sweep();
  return true;
}

void FormatRecords::Sweep() {
  std::vector<Slot> kept;
  kept.reserve(static_cast<std::size_t>(live_));
  fonts_.clear();
  spans_.clear();
  for (const Slot& slot : slots_) {
    if (slot.Removed) continue;
    if (!kept.empty()) (slot.Record.FromSpan ? spans_ : fonts_).push_back(kept.size());
    kept.push_back(slot);
  }
  slots_ = std::move(kept);
}

HtmlRtfState& HtmlRtf() noexcept {
  thread_local HtmlRtfState state;
  return state;
}

void ResetForConversion(HtmlRtfState& s) {
  s.OutputRtf.clear();
  s.WorkHtml.clear();
  s.CurrentFont = 0;
  s.RtfFontCount = 0;
  s.RtfColourCount = 0;
  s.LanguageDepth = 0;
  s.TextInParagraph = false;
  s.RtfColours.Redim(0, 0);
  s.RtfFonts.Redim(0, 0);
  s.LanguageStack.Redim(0, 0);
  RebuildIndex(s.RtfFonts, s.RtfFontIndex);
  RebuildIndex(s.RtfColours, s.RtfColourIndex);
  s.BackgroundColour = 5;
  s.BlockquoteIndent = 0;
  // No conversion begins inside a link, a cell or a list item of the one
  // before it.
  s.InLink = false;
  s.PendingParagraph = false;
  s.TextInCell = false;
  s.InListItem = false;
  s.OrderedList = false;
  s.ItemNumber = 0;
}

void SetUpFormatStack(HtmlRtfState& s) {
  s.FormatStack.Reset(FormatRecord{0, 24, 1});
}

void SetUpTables(HtmlRtfState& s, std::int16_t drawBorders) {
  SetUpFormatStack(s);
  s.RtfFonts.Redim(0, 1);
  for (std::size_t i = 0; i < std::size(kStartFonts); ++i)
    s.RtfFonts[static_cast<std::int64_t>(i)] = Text(kStartFonts[i]);
  s.RtfFontCount = 2;
  s.RtfColours.Redim(0, 4);
  for (std::size_t i = 0; i < std::size(kStartColours); ++i)
    s.RtfColours[static_cast<std::int64_t>(i)] = Text(kStartColours[i]);
  s.RtfColourCount = 5;
  RebuildIndex(s.RtfFonts, s.RtfFontIndex);
  RebuildIndex(s.RtfColours, s.RtfColourIndex);
  s.ListItemClosed = true;
  s.TableStack.Redim(1, 1);
  s.TableDepth = 0;
  s.TextSeen = false;
  s.TableBeforeText = false;
  s.ParagraphsInItem = 0;
  s.SpanBackground = 0;
  s.DrawBorders = drawBorders;
}

}  // namespace skeinlet::detail
