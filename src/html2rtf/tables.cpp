// Table handlers of HTMLRTFConverter: TABLE, TR and TD become RTF rows, and
// tables inside cells become nested rows. An outermost row's definition is
// written when the row starts, a nested row's after its cells, as RTF wants
// them.
#include "html2rtf/tables.hpp"

#include "html2rtf/html_to_rtf.hpp"
#include "text/errors.hpp"
#include "text/numeric.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace skeinlet::detail {
namespace {

constexpr TextView kCrLf = u"\r\n";
constexpr std::int32_t kPageWidth = 600;  // pixels of an outermost table
constexpr double kTwipsPerPixel = 15.0;

constexpr TextView kRowStart = u"\\trowd\\trgaph30\\trleft-30 ";
constexpr TextView kRowStartCentred = u"\\trowd\\trgaph30\\trleft-30\\trqc ";
constexpr TextView kNestedRowStart = u"{\\*\\nesttableprops\\trowd\\trgaph30\\trleft-30 ";
constexpr TextView kNestedRowStartCentred =
    u"{\\*\\nesttableprops\\trowd\\trgaph30\\trleft-30\\trqc ";
constexpr TextView kRowBorders[] = {
    u"\\trbrdrt\\brdrs\\brdrw10 ", u"\\trbrdrl\\brdrs\\brdrw10 ",
    u"\\trbrdrb\\brdrs\\brdrw10 ", u"\\trbrdrr\\brdrs\\brdrw10 "};
constexpr TextView kCellBorders[] = {
    u"\\clbrdrt\\brdrs\\brdrw10 ", u"\\clbrdrl\\brdrs\\brdrw10 ",
    u"\\clbrdrb\\brdrs\\brdrw10 ", u"\\clbrdrr\\brdrs\\brdrw10 "};

// Nested tables deeper than this inside one table are laid out as if they
// were empty: every level of a page of thousands of nested tables would
// otherwise lay out all the levels below it again.
constexpr int kMaxLayoutNesting = 4;

// --- Reading tags ---

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool NameAt(TextView text, std::size_t at, TextView upperName) {
  if (text.size() - at < upperName.size()) return false;
  for (std::size_t i = 0; i < upperName.size(); ++i)
    if (AsciiUpper(text[at + i]) != upperName[i]) return false;
  return true;
}

// Index just past the ">" that ends the tag at `at`; the text's end when
// nothing ends it.
std::size_t TagEnd(TextView text, std::size_t at) {
  const std::size_t e = text.find(u'>', at);
  return e == TextView::npos ? text.size() : e + 1;
}

// Scans the tags after the first one, skipping nested tables, up to the
// first one for which `ends` holds.
template <class Ends>
TextView UpToEnd(TextView text, Ends ends) {
  int depth = 0;
  for (std::size_t i = text.find(u'<', 1); i != TextView::npos; i = text.find(u'<', i + 1)) {
    const Mark m = MarkAt(text, i);
    if (m == Mark::TableOpen) {
      ++depth;
    } else if (m == Mark::TableClose && depth > 0) {
      --depth;
    } else if (depth == 0 && ends(m)) {
      return text.substr(0, i);
    }
  }
  return text;
}

// The value of attribute `name` (with its "=") in an upper-cased tag, up to
// the next blank or ">"; double quotes and apostrophes removed, trimmed.
Text AttributeValue(TextView tag, TextView name, TextView spacedName) {
  Pos a = InStr(1, tag, name, Compare::Binary);
  Pos from = a + Len(name);
  if (a == 0) {
    a = InStr(1, tag, spacedName, Compare::Binary);
    if (a == 0) return Text();
    from = a + Len(spacedName);
  }
  Pos end = InStr(from, tag, u" ", Compare::Binary);
  if (end == 0) end = InStr(from, tag, u">", Compare::Binary);
  Text v = end == 0 ? Mid(tag, from) : Mid(tag, from, end - from);
  ReplaceIn(v, u"\"", u"", Compare::Binary);
  ReplaceIn(v, u"'", u"", Compare::Binary);
  return Trim(v);
}

// COLSPAN of an upper-cased cell tag: the text after "COLSPAN" up to the
// next blank or the tag's end, without double quotes, "=" and ">"; 1 when
// it is absent or not a number.
std::int16_t Colspan(TextView tag) {
  const Pos c = InStr(1, tag, u"COLSPAN", Compare::Binary);
  if (c == 0) return 1;
  const Pos from = c + 7;
  const Pos end = InStr(from, tag, u" ", Compare::Binary);
  Text v = end == 0 ? Mid(tag, from) : Mid(tag, from, end - from);
  for (TextView gone : {u"\"", u"=", u">"}) ReplaceIn(v, gone, u"", Compare::Binary);
  if (!IsNumeric(v)) return 1;
  return ToInt16(v);
}

// Upper-cased tags kept end to end in one text, so that the cells of a row
// or a table cost no allocation each.
class UpperTags {
 public:
  UpperTags() = default;
  // Room for `units` units of tags and `count` tags before any allocation.
  UpperTags(std::size_t units, std::size_t count) {
    text_.reserve(units);
    ends_.reserve(count);
  }
  // Empties the list, keeping its room.
  void Clear() noexcept {
    text_.clear();
    ends_.clear();
  }
  // Adds `tag` upper-cased; returns its index.
  std::size_t Add(TextView tag) {
    UCaseAppend(tag, text_);
    ends_.push_back(text_.size());
    return ends_.size() - 1;
  }
  std::size_t size() const noexcept { return ends_.size(); }
  TextView operator[](std::size_t i) const noexcept {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return TextView(text_).substr(begin, ends_[i] - begin);
  }

 private:
  Text text_;
  std::vector<std::size_t> ends_;
};

// The upper-cased tags of the cells of the row at `rowPosition` of WorkHtml:
// every "<TD" of RemoveNestedTables(ExtractRow(...)), found in one pass,
// into `tags`.
void RowCellTags(const Text& html, Pos rowPosition, UpperTags& tags) {
  const TextView row = MidView(html, rowPosition);
  tags.Clear();
  // A row that starts at its first cell (an implied row) counts that cell.
  if (MarkAt(row, 0) == Mark::CellOpen) tags.Add(row.substr(0, TagEnd(row, 0)));
  int depth = 0;
  for (std::size_t i = row.find(u'<', 1); i != TextView::npos; i = row.find(u'<', i + 1)) {
    const Mark m = MarkAt(row, i);
    if (m == Mark::TableOpen) {
      ++depth;
    } else if (m == Mark::TableClose && depth > 0) {
      --depth;
    } else if (depth == 0) {
      if (m == Mark::RowClose || m == Mark::RowOpen || m == Mark::TableClose) break;
      if (m == Mark::CellOpen) tags.Add(row.substr(i, TagEnd(row, i) - i));
    }
  }
}

// Takes the widths of a ColumnWidths list off its front, one at a time:
// each runs to the next blank, the last one is the rest of the list.
class WidthList {
 public:
  explicit WidthList(TextView widths) : rest_(widths) {}
  bool Empty() const { return rest_.empty(); }
  double Take() {
    const std::size_t b = rest_.find(u' ');
    const TextView w = rest_.substr(0, b);
    rest_.remove_prefix(b == TextView::npos ? rest_.size() : b + 1);
    return Val(w);
  }

 private:
  TextView rest_;
};

void AppendCellBoundary(Text& to, double x, double scale) {
  to += u"\\cellx";
  AppendNumber(to, RoundToInt32(x * kTwipsPerPixel * scale));
}

// --- Layout ---

struct ColumnWidth {
  enum Kind : std::uint8_t { None, Pixels, Percent } Kind = None;
  double Value = 0;
  double InPixels(double available) const {
    return Kind == Percent ? available * Value / 100.0 : Value;
  }
};

struct LayoutCell {
  std::size_t Tag;                   // in the table's UpperTags
  std::vector<TextView> Nested;      // the tables directly inside the cell
};
// The cells of all rows in one list, each row a stretch of it.
struct LayoutTable {
  UpperTags Tags{128, 8};
  std::vector<LayoutCell> Cells;
  std::vector<std::size_t> RowStarts;  // where each row's cells start
  LayoutTable() {
    Cells.reserve(8);
    RowStarts.reserve(4);
  }
  std::size_t RowCount() const noexcept { return RowStarts.size(); }
  std::span<const LayoutCell> Row(std::size_t r) const noexcept {
    const std::size_t end = r + 1 < RowStarts.size() ? RowStarts[r + 1] : Cells.size();
    return std::span<const LayoutCell>(Cells).subspan(RowStarts[r], end - RowStarts[r]);
  }
};

// The rows of a table text and their cells, nested tables excluded. Cells
// before any TR form a row of their own, as StartCell makes them.
LayoutTable TableRows(TextView table) {
  LayoutTable out;
  bool inRow = false;
  bool inCell = false;
  for (std::size_t i = table.find(u'<', 1); i != TextView::npos; i = table.find(u'<', i + 1)) {
    switch (MarkAt(table, i)) {
      case Mark::TableOpen: {
        const TextView nested = ExtractElement(table.substr(i), u"TABLE");
        if (inCell) out.Cells.back().Nested.push_back(nested);
        i += nested.size() - 1;
        break;
      }
      case Mark::TableClose:
        return out;
      case Mark::RowOpen:
        out.RowStarts.push_back(out.Cells.size());
        inRow = true;
        inCell = false;
        break;
      case Mark::RowClose:
        inRow = false;
        inCell = false;
        break;
      case Mark::CellOpen: {
        if (!inRow) {
          out.RowStarts.push_back(out.Cells.size());
          inRow = true;
        }
        const std::size_t e = TagEnd(table, i);
        out.Cells.push_back({out.Tags.Add(table.substr(i, e - i)), {}});
        inCell = true;
        break;
      }
      case Mark::CellClose:
        inCell = false;
        break;
      case Mark::Other:
        break;
    }
  }
  return out;
}

std::int64_t Round(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 1e15) RaiseError(Error::kOverflow);
  return static_cast<std::int64_t>(std::nearbyint(v));
}

std::vector<std::int64_t> LayoutColumns(TextView table, double available, int level);

std::int64_t NestedWidth(TextView table, double available, int level) {
  if (level >= kMaxLayoutNesting) return 0;
  std::int64_t sum = 0;
  for (const std::int64_t w : LayoutColumns(table, available, level + 1)) sum += w;
  return sum;
}

std::vector<std::int64_t> LayoutColumns(TextView table, double available, int level) {
  // Table width.
  const Text tableTag = UCase(table.substr(0, TagEnd(table, 0)));
  if (Contains(tableTag, u"WIDTH=", Compare::Binary) || Contains(tableTag, u"WIDTH =", Compare::Binary)) {
    const Text v = AttributeValue(tableTag, u"WIDTH=", u"WIDTH =");
    available = static_cast<double>(
        Contains(v, u"%", Compare::Binary) ? Round(available * Val(v) / 100.0) : Round(Val(v)));
  }

  // Columns: the widest row, each cell counting its COLSPAN.
  const LayoutTable layout = TableRows(table);
  std::int64_t columns = 0;
  for (std::size_t r = 0; r < layout.RowCount(); ++r) {
    std::int64_t n = 0;
    for (const LayoutCell& cell : layout.Row(r)) n += std::max<std::int64_t>(1, Colspan(layout.Tags[cell.Tag]));
    columns = std::max(columns, std::int64_t{CheckedInt16(n)});
  }

  // The widths of each row, merged into the table's columns after the row.
  // Within a cell the nested table's width replaces the cell's own share
  // when it is wider (or the cell has none) before the merge, so a spanning
  // cell's columns all carry their part of the nested table.
  std::vector<ColumnWidth> widths(static_cast<std::size_t>(columns));
  std::vector<ColumnWidth> rowWidths;
  for (std::size_t r = 0; r < layout.RowCount(); ++r) {
    rowWidths.assign(widths.size(), ColumnWidth{});
    std::size_t c = 0;
    for (const LayoutCell& cell : layout.Row(r)) {
      const TextView tag = layout.Tags[cell.Tag];
      const std::int64_t k = std::max<std::int64_t>(1, Colspan(tag));
      const Text v = AttributeValue(tag, u"WIDTH=", u"WIDTH =");
      ColumnWidth share;
      double own = 0;  // the cell's own width in pixels, 0 when it has none
      if (Contains(v, u"%", Compare::Binary)) {
        if (Val(v) > 0) {
          share = {ColumnWidth::Percent, Val(v) / static_cast<double>(k)};
          own = available * Val(v) / 100.0;
        }
      } else if (const double w = Val(v); w >= 1) {
        share = {ColumnWidth::Pixels, static_cast<double>(Round(w / static_cast<double>(k)))};
        own = w;
      }
      if (!cell.Nested.empty()) {
        const double room =
            own > 0 ? own : available * static_cast<double>(k) / static_cast<double>(columns);
        std::int64_t nested = 0;
        for (const TextView t : cell.Nested) nested = std::max(nested, NestedWidth(t, room, level));
        if (static_cast<double>(nested) > own || own == 0)
          share = {ColumnWidth::Pixels,
                   static_cast<double>(Round(static_cast<double>(nested) / static_cast<double>(k)))};
      }
      for (std::int64_t j = 0; j < k && c < rowWidths.size(); ++j, ++c) rowWidths[c] = share;
    }
    for (std::size_t j = 0; j < widths.size(); ++j) {
      const ColumnWidth& r = rowWidths[j];
      if (r.Kind == ColumnWidth::None) continue;
      ColumnWidth& t = widths[j];
      if (t.Kind == ColumnWidth::None) {
        t = r;
      } else if (t.Kind == r.Kind) {
        t.Value = std::max(t.Value, r.Value);
      } else if (r.InPixels(available) > t.InPixels(available)) {
        t = r;
      }
    }
  }

  // Percentages to pixels, then the columns still without a width.
  std::vector<std::int64_t> out(widths.size(), 0);
  std::int64_t known = 0;
  std::int64_t unknown = 0;
  for (std::size_t j = 0; j < widths.size(); ++j) {
    if (widths[j].Kind == ColumnWidth::None) {
      ++unknown;
      continue;
    }
    out[j] = Round(widths[j].InPixels(available));
    known += out[j];
  }
  if (unknown > 0) {
    const double left = available - static_cast<double>(known);
    if (left > 0) {
      const std::int64_t each = Round(left / static_cast<double>(unknown));
      for (std::size_t j = 0; j < widths.size(); ++j)
        if (widths[j].Kind == ColumnWidth::None) out[j] = each;
    } else {
      std::fill(out.begin(), out.end(), Round(available / static_cast<double>(columns)));
    }
  }
  return out;
}

// The pixels of the parent's current cell: its columns, counted back from
// the parent's CellCount, taken from the parent's ColumnWidths.
std::int32_t ParentCellWidth(const TableRecord& parent) {
  const std::int64_t last = parent.CellCount;
  const std::int64_t first = last - std::max<std::int64_t>(1, parent.CellColumns) + 1;
  WidthList widths(parent.ColumnWidths);
  double sum = 0;
  for (std::int64_t column = 1; column <= last && !widths.Empty(); ++column) {
    const double w = widths.Take();
    if (column >= first) sum += w;
  }
  return RoundToInt32(sum);
}

TableRecord& Innermost(HtmlRtfState& s) { return s.TableStack[s.TableDepth]; }

}  // namespace

Mark MarkAt(TextView text, std::size_t at) {
  // The six names differ in their first two units after "<" or "</": those
  // decide, and only TABLE has more to compare.
  const std::size_t n = text.size();
  if (at >= n || text[at] != u'<') return Mark::Other;
  std::size_t k = at + 1;
  const bool closing = k < n && text[k] == u'/';
  if (closing) ++k;
  if (k + 1 >= n || AsciiUpper(text[k]) != u'T') return Mark::Other;
  switch (AsciiUpper(text[k + 1])) {
    case u'R':
      return closing ? Mark::RowClose : Mark::RowOpen;
    case u'D':
      return closing ? Mark::CellClose : Mark::CellOpen;
    case u'A':
      if (NameAt(text, k + 2, u"BLE")) return closing ? Mark::TableClose : Mark::TableOpen;
      return Mark::Other;
    default:
      return Mark::Other;
  }
}

TextView ExtractElement(TextView text, TextView name) {
  const Text open = u"<" + Text(name);
  const Text close = u"</" + Text(name);
  std::int64_t depth = 0;
  for (std::size_t i = text.find(u'<'); i != TextView::npos; i = text.find(u'<', i + 1)) {
    if (NameAt(text, i, close)) {
      if (--depth <= 0) return text.substr(0, TagEnd(text, i));
    } else if (NameAt(text, i, open)) {
      ++depth;
    }
  }
  return text;
}

TextView ExtractRow(TextView text) {
  return UpToEnd(text, [](Mark m) {
    return m == Mark::RowClose || m == Mark::RowOpen || m == Mark::TableClose;
  });
}

TextView ExtractCell(TextView text) {
  return UpToEnd(text, [](Mark m) {
    return m == Mark::CellClose || m == Mark::CellOpen || m == Mark::RowClose ||
           m == Mark::RowOpen || m == Mark::TableClose;
  });
}

Text RemoveNestedTables(TextView text) {
  Text out;
  std::size_t kept = 0;
  for (std::size_t i = text.find(u'<'); i != TextView::npos; i = text.find(u'<', i)) {
    if (MarkAt(text, i) != Mark::TableOpen) {
      ++i;
      continue;
    }
    out.append(text.substr(kept, i - kept));
    kept = i + ExtractElement(text.substr(i), u"TABLE").size();
    i = kept;
    if (i >= text.size()) break;
  }
  if (kept < text.size()) out.append(text.substr(kept));
  return out;
}

std::int16_t ComputeTableLayout(const Text& html, Pos position, std::int32_t availableWidth) {
  HtmlRtfState& s = HtmlRtf();
  TableRecord& t = Innermost(s);
  const TextView table = ExtractElement(MidView(html, position), u"TABLE");
  // The border option decides for every table; BORDER attributes do not.
  t.Bordered = s.DrawBorders == 1;
  const std::vector<std::int64_t> widths = LayoutColumns(table, availableWidth, 0);
  Text list;
  std::int64_t sum = 0;
  for (const std::int64_t w : widths) {
    list += NumberText(w);
    list += u' ';
    sum += w;
  }
  t.ColumnWidths = std::move(list);
  return CheckedInt16(sum);
}

void StartTable(const Text& tag, Pos position) {
  HtmlRtfState& s = HtmlRtf();
  if (s.PendingParagraph) {
    BreakParagraph();
    s.PendingParagraph = false;
    s.TextInCell = false;
  }
  if (s.TextInCell) {
    BreakParagraph();
    s.TextInCell = false;
  }
  s.TableDepth = CheckedInt16(std::int64_t{s.TableDepth} + 1);
  s.TableStack.RedimPreserve(s.TableDepth);
  s.TableStack[s.TableDepth] = TableRecord{};

  if (s.TextSeen)
    Emit(s.TableDepth == 1 ? u"\r\n\\par\\pard\\plain" : u"\r\n\\pard\\plain");
  else
    s.TableBeforeText = true;

  const std::int32_t available =
      s.TableDepth == 1 ? kPageWidth : ParentCellWidth(s.TableStack[s.TableDepth - 1]);
  const std::int16_t width = ComputeTableLayout(s.WorkHtml, position, available);
  Innermost(s).TableWidth = width;

  if (const Pos a = InStr(1, tag, u"ALIGN", Compare::Binary); a > 0)
    if (Contains(Mid(tag, a + 5, 11), u"CENTER", Compare::Binary)) Innermost(s).Centred = true;
}

void StartRow(const Text&, Pos position) {
  HtmlRtfState& s = HtmlRtf();
  TableRecord& t = Innermost(s);
  // A row still open is closed as if its "</TR>" had been there, before the
  // new row counts as seen: marking it first would let the closing clear the
  // mark, and every cell of the new row would open a row of its own.
  if (t.CellOpen) EndCell();
  if (t.RowOpen) EndRow();
  t.RowSeen = true;
  t.RowOpen = true;
  t.RowPosition = CheckedInt32(position);

  if (s.TableDepth == 1) {
    // The row's words, in the thread's buffer kept from row to row.
    thread_local Text d;
    d.assign(t.Centred ? kRowStartCentred : kRowStart);
    if (t.Bordered) {
      for (const TextView b : kRowBorders) d += b;
      d += kCrLf;
    }
    s.TableScale = 1;
    if (t.TableWidth > kPageWidth) s.TableScale = double{kPageWidth} / t.TableWidth;
    double x = 0;
    WidthList w(t.ColumnWidths);
    // The thread's list, kept from row to row.
    thread_local UpperTags cells;
    RowCellTags(s.WorkHtml, t.RowPosition, cells);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const TextView cell = cells[c];
      const std::int16_t span = Colspan(cell);
      for (std::int16_t i = 0; i < span; ++i) x += w.Take();
      if (t.Bordered) {
        for (const TextView b : kCellBorders) d += b;
        d += kCrLf;
      }
      AppendCellBoundary(d, x, s.TableScale);
    }
    d += kCrLf;
    Emit(d);
  }
  t.CellCount = 0;
}

void StartCell(const Text& tag, Pos position) {
  HtmlRtfState& s = HtmlRtf();
  if (!Innermost(s).RowSeen) {
    // The row is implied: it ends before the nearest row start, row end or
    // table end, where the walk will now meet a "</TR>".
    const TextView w = s.WorkHtml;
    for (std::size_t i = w.find(u'<', static_cast<std::size_t>(position));
         i != TextView::npos; i = w.find(u'<', i + 1)) {
      const Mark m = MarkAt(w, i);
      if (m == Mark::RowClose || m == Mark::RowOpen || m == Mark::TableClose) {
        s.WorkHtml.insert(i, u"</TR>");
        break;
      }
    }
    StartRow(u"<TR>", position);
  }
  TableRecord& t = Innermost(s);
  if (t.CellOpen) EndCell();
  t.CellOpen = true;
  EmitTableSuffix();
  const std::int16_t span = Colspan(tag);
  t.CellColumns = span;
  t.CellCount = CheckedInt16(std::int64_t{t.CellCount} + span);
}

void EndCell() {
  HtmlRtfState& s = HtmlRtf();
  TableRecord& t = Innermost(s);
  const bool outermost = s.TableDepth == 1;
  if (t.CellHighlight) {
    Emit(outermost ? u"\\cell}" : u"\\nestcell}");
    t.CellHighlight = false;
  } else {
    Emit(outermost ? u"\\cell" : u"\\nestcell");
  }
  t.CellOpen = false;
  s.PendingParagraph = false;
  s.TextInCell = false;
  s.BackgroundColour = 5;
}

void EndRow() {
  HtmlRtfState& s = HtmlRtf();
  s.BackgroundColour = 5;
  s.PendingParagraph = false;
  s.TextInCell = false;
  TableRecord& t = Innermost(s);
  if (t.CellOpen) EndCell();
  if (s.TableDepth == 1) {
    Emit(t.RowHighlight ? u"\\row}\r\n" : u"\\row\r\n");
  } else {
    thread_local Text d;  // kept from row to row
    d.clear();
    AppendTableSuffix(d);
    d += t.Centred ? kNestedRowStartCentred : kNestedRowStart;
    if (t.Bordered)
      for (const TextView b : kRowBorders) d += b;
    if (t.Bordered) d += kCrLf;
    double x = 0;
    WidthList w(t.ColumnWidths);
    // The thread's list, kept from row to row.
    thread_local UpperTags cells;
    RowCellTags(s.WorkHtml, t.RowPosition, cells);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const TextView cell = cells[c];
      const std::int16_t span = Colspan(cell);
      for (std::int16_t i = 0; i < span; ++i) x += w.Take();
      if (t.Bordered) {
        for (const TextView b : kCellBorders) d += b;
        d += kCrLf;
      }
      if (Contains(cell, u"ROWSPAN", Compare::Binary)) d += u"\\clvmgf";
      if (Contains(cell, u"ROWMERGE=TRUE", Compare::Binary)) d += u"\\clvmrg";
      AppendCellBoundary(d, x, s.TableScale);
    }
    d += t.RowHighlight ? u"\\nestrow}}\\intbl\\itap" : u"\\nestrow}\\intbl\\itap";
    AppendNumber(d, s.TableDepth);
    d += kCrLf;
    Emit(d);
  }
  t.RowHighlight = false;
  t.RowOpen = false;
  t.RowSeen = false;
}

void EndTable() {
  HtmlRtfState& s = HtmlRtf();
  s.PendingParagraph = false;
  s.TextInCell = false;
  {
    const TableRecord& t = Innermost(s);
    if (t.CellOpen) EndCell();
  }
  if (Innermost(s).RowOpen) EndRow();
  s.TableDepth = CheckedInt16(std::int64_t{s.TableDepth} - 1);
  if (s.TableDepth == 0)
    s.TableStack[1] = TableRecord{};
  else
    s.TableStack.RedimPreserve(s.TableDepth);
  if (s.TableDepth == 0) Emit(u"\\itap0\r\n\\pard");
}

}  // namespace skeinlet::detail
