#include "tables/cell_formatting.hpp"

#include "text/errors.hpp"

#include <algorithm>
#include <utility>

namespace skeinlet::detail {
namespace {

constexpr std::int32_t kPieceBlock = 256;

thread_local CellFormattingState g_cells;

// The tags the cell pass tests for, each found in any letter case: a unit
// matches a pattern letter when it upper-cases to it, as in the upper-cased
// copy of the text (so U+0131 counts as an "I"). Every pattern starts with
// "<", so only the units after a "<" are compared.
struct CellTags {
  bool Bold = false, Italic = false, Underline = false;              // "<B>" "<I>" "<U>"
  bool BoldEnd = false, ItalicEnd = false, UnderlineEnd = false;     // "</B>" "</I>" "</U>"
  bool Font = false, FontEnd = false;                                // "<FONT" "</FONT>"
  bool RowEnd = false, TableEnd = false;                             // "</TR>" "</TABLE>"

  CellTags& operator|=(const CellTags& o) {
    Bold |= o.Bold, Italic |= o.Italic, Underline |= o.Underline;
    BoldEnd |= o.BoldEnd, ItalicEnd |= o.ItalicEnd, UnderlineEnd |= o.UnderlineEnd;
    Font |= o.Font, FontEnd |= o.FontEnd, RowEnd |= o.RowEnd, TableEnd |= o.TableEnd;
    return *this;
  }
};

// Whether s holds `upperTag` (upper case) at `at`, compared in upper case.
bool TagAt(TextView s, std::size_t at, TextView upperTag) noexcept {
  return at <= s.size() && EqualsUpper(s.substr(at, upperTag.size()), upperTag);
}

CellTags FindCellTags(TextView s) {
  CellTags tags;
  UnitCursor lt(s, u'<');
  for (std::size_t at = lt.Next(0); at != TextView::npos; at = lt.Next(at + 1)) {
    const std::size_t next = at + 1;
    tags.Bold |= TagAt(s, next, u"B>");
    tags.Italic |= TagAt(s, next, u"I>");
    tags.Underline |= TagAt(s, next, u"U>");
    tags.Font |= TagAt(s, next, u"FONT");
    if (next < s.size() && s[next] == u'/') {
      tags.BoldEnd |= TagAt(s, next + 1, u"B>");
      tags.ItalicEnd |= TagAt(s, next + 1, u"I>");
      tags.UnderlineEnd |= TagAt(s, next + 1, u"U>");
      tags.FontEnd |= TagAt(s, next + 1, u"FONT>");
      tags.RowEnd |= TagAt(s, next + 1, u"TR>");
      tags.TableEnd |= TagAt(s, next + 1, u"TABLE>");
    }
  }
  return tags;
}

// The font tags of t, each from its "<FONT" through the next ">", joined;
// the search for the next "<FONT" starts after that ">".
Text CollectFontTags(TextView t) {
  Text f;
  std::size_t from = 0;
  UnitCursor lt(t, u'<');
  for (;;) {
    std::size_t open = lt.Next(from);
    while (open != TextView::npos && !TagAt(t, open + 1, u"FONT")) open = lt.Next(open + 1);
    if (open == TextView::npos) break;
    const std::size_t close = t.find(u'>', open);
    if (close == TextView::npos) break;
    f.append(t.substr(open, close - open + 1));
    from = close + 1;
  }
  return Trim(f);
}

void FormatCell(CellFormattingState& st, CellPiece& piece) {
  // The opening tag (through the first ">"), the last five characters as
  // the closing tag, and the text between; a text of fewer than five
  // characters after the opening tag is kept whole.
  const TextView whole = TrimView(piece.Text);
  const std::size_t gt = whole.find(u'>');
  const TextView open = gt == TextView::npos ? TextView() : whole.substr(0, gt + 1);
  const TextView close = whole.substr(whole.size() - std::min<std::size_t>(5, whole.size()));
  TextView body = whole.substr(open.size());
  if (body.size() >= 5) body.remove_suffix(5);

  // Without font tags of its own the cell's text starts with the last
  // ones. No tag tested for can run from those into the text: they end
  // with ">", which ends every tag tested for and is inside none.
  Text f = CollectFontTags(body);
  const bool ownFonts = !f.empty();
  if (ownFonts) st.LastFontTags = std::move(f);
  const TextView fonts = ownFonts ? TextView() : TextView(st.LastFontTags);
  CellTags tags = FindCellTags(body);
  if (!fonts.empty()) tags |= FindCellTags(fonts);

  if (tags.Bold) st.BoldOpen = true;
  if (tags.Italic) st.ItalicOpen = true;
  if (tags.Underline) st.UnderlineOpen = true;

  // What is open and not in the text goes in front of it (bold first, so
  // underline ends up outermost); what the text then opens and does not
  // close is closed after it.
  const bool addBold = st.BoldOpen && !tags.Bold;
  const bool addItalic = st.ItalicOpen && !tags.Italic;
  const bool addUnderline = st.UnderlineOpen && !tags.Underline;
  Text out;
  out.reserve(open.size() + 9 + fonts.size() + body.size() + 19 + close.size());
  out.append(open);
  if (addUnderline) out.append(u"<u>");
  if (addItalic) out.append(u"<i>");
  if (addBold) out.append(u"<b>");
  out.append(fonts).append(body);
  if ((tags.Bold || addBold) && !tags.BoldEnd) out.append(u"</b>");
  if ((tags.Italic || addItalic) && !tags.ItalicEnd) out.append(u"</i>");
  if ((tags.Underline || addUnderline) && !tags.UnderlineEnd) out.append(u"</u>");
  if (tags.Font && !tags.FontEnd) out.append(u"</font>");
  out.append(close);
  piece.Text = std::move(out);
}

void FormatBetweenCells(CellFormattingState& st, const CellPiece& piece) {
  const CellTags tags = FindCellTags(piece.Text);
  if (tags.RowEnd || tags.TableEnd) st.BoldOpen = st.ItalicOpen = st.UnderlineOpen = false;
  if (tags.Bold) st.BoldOpen = true;
  if (tags.Italic) st.ItalicOpen = true;
  if (tags.Underline) st.UnderlineOpen = true;
}

}  // namespace

CellFormattingState& CellFormatting() { return g_cells; }

void ResetCellPieces() {
  CellFormattingState& st = g_cells;
  // Only the pieces up to the count were ever set: a list of one block is
  // emptied where it was used instead of made anew.
  if (st.CellPieces.Dimensioned() && st.CellPieceCapacity == kPieceBlock) {
    for (std::int32_t k = 1; k <= st.CellPieceCount; ++k) st.CellPieces[k] = CellPiece{};
  } else {
    st.CellPieceCapacity = kPieceBlock;
    st.CellPieces.Redim(1, st.CellPieceCapacity);
  }
  st.CellPieceCount = 0;
  st.LastFontTags.clear();
  st.BoldOpen = st.ItalicOpen = st.UnderlineOpen = false;
}

void AddCellPiece(Text text, bool isCell) {
  CellFormattingState& st = g_cells;
  if (!st.CellPieces.Dimensioned()) ResetCellPieces();
  if (st.CellPieceCount + 1 > st.CellPieceCapacity) {
    st.CellPieceCapacity += kPieceBlock;
    st.CellPieces.RedimPreserve(st.CellPieceCapacity);
  }
  ++st.CellPieceCount;
  CellPiece& piece = st.CellPieces[st.CellPieceCount];
  piece.Text = std::move(text);
  piece.IsCell = isCell;
}

void FormatCellPiece(std::int32_t index) {
  CellFormattingState& st = g_cells;
  if (index > st.CellPieceCount) return;
  SkipOnError([&] {
    CellPiece& piece = st.CellPieces[index];
    if (piece.IsCell)
      FormatCell(st, piece);
    else
      FormatBetweenCells(st, piece);
  });
}

Text CarryCellFormatting(const Text& tableHtml) {
  Text s = Replace(tableHtml, u"< ", u"<", Compare::Binary);
  ReplaceIn(s, u" >", u">", Compare::Binary);
  if (s.empty()) return u"";

  ResetCellPieces();
  CellFormattingState& st = g_cells;
  // The tags are compared in upper case where they stand, as in an
  // upper-cased copy of the text; every one starts with "<".
  const TextView v(s);
  const std::size_t n = v.size();
  UnitCursor lt(v, u'<');
  Text buffer;
  std::size_t i = 0;
  while (i < n) {
    // Everything up to the next "<" is between cells; a "<" that does not
    // open a cell is too.
    const std::size_t at = lt.Next(i);
    if (at == TextView::npos) {
      buffer.append(v.substr(i));
      break;
    }
    const TextView three = v.substr(at, 3);
    const bool td = EqualsUpper(three, u"<TD");
    if (!td && !EqualsUpper(three, u"<TH")) {
      buffer.append(v.substr(i, at + 1 - i));
      i = at + 1;
      continue;
    }
    buffer.append(v.substr(i, at - i));
    if (!buffer.empty()) {
      AddCellPiece(std::move(buffer), false);
      buffer.clear();
    }
    // The cell runs through its "</TD>" ("</TH>"), sought from four units
    // after its "<", or to the end of the text.
    const TextView close = td ? u"</TD>" : u"</TH>";
    std::size_t c = lt.Next(at + 4);
    while (c != TextView::npos && !EqualsUpper(v.substr(c, close.size()), close)) c = lt.Next(c + 1);
    const std::size_t end = c == TextView::npos ? n : c + close.size();
    AddCellPiece(Text(v.substr(at, end - at)), true);
    i = end;
  }
  if (!buffer.empty()) AddCellPiece(std::move(buffer), false);

  st.LastFontTags.clear();
  if (st.CellPieceCount == 0) return u"";
  for (std::int32_t k = 1; k <= st.CellPieceCount; ++k) FormatCellPiece(k);
  Text out;
  out.reserve(s.size() + s.size() / 4);
  for (std::int32_t k = 1; k <= st.CellPieceCount; ++k) out += st.CellPieces[k].Text;
  return out;
}

}  // namespace skeinlet::detail
