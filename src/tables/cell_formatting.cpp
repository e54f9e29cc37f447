#include "tables/cell_formatting.hpp"

#include "text/errors.hpp"

#include <algorithm>

namespace skeinlet::detail {
namespace {

constexpr std::int32_t kPieceBlock = 256;

thread_local CellFormattingState g_cells;

bool HasTag(TextView upper, TextView tag) {
  return InStr(1, upper, tag, Compare::Binary) > 0;
}

// The font tags of t, each from its "<FONT" through the next ">", joined;
// `upper` is t upper-cased.
Text CollectFontTags(TextView t, TextView upper) {
  Text f;
  Pos from = 1;
  for (;;) {
    const Pos open = InStr(from, upper, u"<FONT", Compare::Binary);
    if (open == 0) break;
    const Pos close = InStr(open, t, u">", Compare::Binary);
    if (close == 0) break;
    f += MidView(t, open, close - open + 1);
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

  Text t(body);
  Text upper = UCase(t);
  Text f;
  SkipOnError([&] { f = CollectFontTags(t, upper); });
  if (!f.empty()) {
    st.LastFontTags = f;
  } else {
    t = st.LastFontTags + t;
    upper = UCase(st.LastFontTags) + upper;
  }

  if (HasTag(upper, u"<B>")) st.BoldOpen = true;
  if (HasTag(upper, u"<I>")) st.ItalicOpen = true;
  if (HasTag(upper, u"<U>")) st.UnderlineOpen = true;

  // Each tag put in front goes in front of the upper-cased copy too.
  if (st.BoldOpen && !HasTag(upper, u"<B>")) {
    t.insert(0, u"<b>");
    upper.insert(0, u"<B>");
  }
  if (st.ItalicOpen && !HasTag(upper, u"<I>")) {
    t.insert(0, u"<i>");
    upper.insert(0, u"<I>");
  }
  if (st.UnderlineOpen && !HasTag(upper, u"<U>")) {
    t.insert(0, u"<u>");
    upper.insert(0, u"<U>");
  }

  if (HasTag(upper, u"<B>") && !HasTag(upper, u"</B>")) t += u"</b>";
  if (HasTag(upper, u"<I>") && !HasTag(upper, u"</I>")) t += u"</i>";
  if (HasTag(upper, u"<U>") && !HasTag(upper, u"</U>")) t += u"</u>";
  if (HasTag(upper, u"<FONT") && !HasTag(upper, u"</FONT>")) t += u"</font>";

  Text out;
  out.reserve(open.size() + t.size() + close.size());
  out.append(open).append(t).append(close);
  piece.Text = std::move(out);
}

void FormatBetweenCells(CellFormattingState& st, const CellPiece& piece) {
  const Text upper = UCase(piece.Text);
  if (HasTag(upper, u"</TR>")) st.BoldOpen = st.ItalicOpen = st.UnderlineOpen = false;
  if (HasTag(upper, u"</TABLE>")) st.BoldOpen = st.ItalicOpen = st.UnderlineOpen = false;
  if (HasTag(upper, u"<B>")) st.BoldOpen = true;
  if (HasTag(upper, u"<I>")) st.ItalicOpen = true;
  if (HasTag(upper, u"<U>")) st.UnderlineOpen = true;
}

}  // namespace

CellFormattingState& CellFormatting() { return g_cells; }

void ResetCellPieces() {
  CellFormattingState& st = g_cells;
  st.CellPieceCapacity = kPieceBlock;
  st.CellPieces.Redim(1, st.CellPieceCapacity);
  st.CellPieceCount = 0;
  st.LastFontTags.clear();
  st.BoldOpen = st.ItalicOpen = st.UnderlineOpen = false;
}

void AddCellPiece(const Text& text, bool isCell) {
  CellFormattingState& st = g_cells;
  if (!st.CellPieces.Dimensioned()) ResetCellPieces();
  if (st.CellPieceCount + 1 > st.CellPieceCapacity) {
    st.CellPieceCapacity += kPieceBlock;
    st.CellPieces.RedimPreserve(st.CellPieceCapacity);
  }
  ++st.CellPieceCount;
  CellPiece& piece = st.CellPieces[st.CellPieceCount];
  piece.Text = text;
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
  const Text upper = UCase(s);
  if (s.empty()) return u"";

  ResetCellPieces();
  CellFormattingState& st = g_cells;
  const Pos n = Len(s);
  Text buffer;
  Pos i = 1;
  while (i <= n) {
    // Everything up to the next "<" is between cells; a "<" that does not
    // open a cell is too.
    const std::size_t lt = FindIndex(upper, u"<", static_cast<std::size_t>(i - 1), Compare::Binary);
    if (lt == TextView::npos) {
      buffer.append(TextView(s).substr(static_cast<std::size_t>(i - 1)));
      break;
    }
    const TextView three = TextView(upper).substr(lt, 3);
    const bool td = three == u"<TD";
    if (!td && three != u"<TH") {
      buffer.append(TextView(s).substr(static_cast<std::size_t>(i - 1), lt + 2 - static_cast<std::size_t>(i)));
      i = static_cast<Pos>(lt) + 2;
      continue;
    }
    buffer.append(TextView(s).substr(static_cast<std::size_t>(i - 1), lt + 1 - static_cast<std::size_t>(i)));
    i = static_cast<Pos>(lt) + 1;
    if (!buffer.empty()) {
      AddCellPiece(buffer, false);
      buffer.clear();
    }
    Pos c = InStr(i + 4, upper, td ? u"</TD>" : u"</TH>", Compare::Binary);
    if (c == 0) c = n;
    AddCellPiece(Mid(s, i, c + 4 - i + 1), true);
    i = c + 5;
  }
  if (!buffer.empty()) AddCellPiece(buffer, false);

  st.LastFontTags.clear();
  if (st.CellPieceCount == 0) return u"";
  for (std::int32_t k = 1; k <= st.CellPieceCount; ++k) FormatCellPiece(k);
  Text out;
  out.reserve(s.size() + s.size() / 4);
  for (std::int32_t k = 1; k <= st.CellPieceCount; ++k) out += st.CellPieces[k].Text;
  return out;
}

}  // namespace skeinlet::detail
