#include "tables/table_repair.hpp"

#include "text/array.hpp"
#include "text/errors.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace skeinlet::detail {
namespace {

constexpr long kEndRowNotFound = Error::kObjectErrorBase + 201;

// Whether the letters right after the "<" at p are `name`, in any case.
bool NameAfter(TextView text, Pos p, TextView name) {
  return Equal(MidView(text, p + 1, Len(name)), name, Compare::Text);
}

// Whether the "<" at p can open one of the table's tags: each of their
// names starts with "T" or "/T", in any case, and only "t" and "T" lower-case
// to "t". Most tags of a document are passed over here, before the names
// are compared.
bool MayBeTableTag(TextView text, Pos p) {
  const auto at = static_cast<std::size_t>(p);  // the unit after the "<"
  if (at >= text.size()) return false;
  const char16_t first = text[at] == u'/' && at + 1 < text.size() ? text[at + 1] : text[at];
  return first == u't' || first == u'T';
}

TagInfo MakeTag(TextView text, Pos p, TextView name) {
  TagInfo tag;
  tag.Name = Text(name);
  tag.StartPos = static_cast<std::int32_t>(p);
  tag.EndPos = static_cast<std::int32_t>(InStr(p + 1, text, u">", Compare::Binary));
  return tag;
}

// Walks the "<" from `start`; the next "<" is searched from three
// characters after the current one, so a "<" right behind another is
// passed over.
template <class Test>
TagInfo WalkTags(TextView text, Pos start, Test&& test) {
  if (start < 1) return {};
  UnitCursor lt(text, u'<');
  for (std::size_t at = lt.Next(static_cast<std::size_t>(start - 1)); at != TextView::npos;
       at = lt.Next(at + 3)) {
    const Pos p = static_cast<Pos>(at) + 1;
    if (const TextView name = test(text, p); !name.empty()) return MakeTag(text, p, name);
  }
  return {};
}

bool IsBlank(TextView gap) {
  for (char16_t ch : gap)
    if (ch >= 33) return false;
  return true;
}

Text Slice(const Text& text, Pos from, Pos to) {  // from .. to - 1
  return to > from ? Mid(text, from, to - from) : Text();
}

std::vector<TextView> SplitNames(TextView names) {
  std::vector<TextView> list;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = names.find(u';', from);
    list.push_back(names.substr(from, at == TextView::npos ? TextView::npos : at - from));
    if (at == TextView::npos) break;
    from = at + 1;
  }
  return list;
}

}  // namespace

// The names differ in the letter after their "T" ("R", "D" or "A"), and
// only those letters lower-case to theirs, so at most one of them can
// follow a "<": that letter says which one to compare.
TagInfo NextTableTag(TextView text, Pos start) {
  return WalkTags(text, start, [](TextView t, Pos p) -> TextView {
    if (!MayBeTableTag(t, p)) return {};
    const bool end = t[static_cast<std::size_t>(p)] == u'/';
    const TextView name = end ? TextView(u"/TABLE") : TextView(u"TABLE");
    return NameAfter(t, p, name) ? name : TextView();
  });
}

TagInfo NextStructureTag(TextView text, Pos start) {
  return WalkTags(text, start, [](TextView t, Pos p) -> TextView {
    if (!MayBeTableTag(t, p)) return {};
    const bool end = t[static_cast<std::size_t>(p)] == u'/';
    // MayBeTableTag has seen the "T"; the letter after it, if any.
    const std::size_t at = static_cast<std::size_t>(p) + (end ? 2 : 1);
    if (at >= t.size()) return {};
    TextView name;
    switch (LowerUnit(t[at])) {
      case u'r': name = end ? TextView(u"/TR") : TextView(u"TR"); break;
      case u'd': name = end ? TextView(u"/TD") : TextView(u"TD"); break;
      case u'a': name = end ? TextView(u"/TABLE") : TextView(u"TABLE"); break;
      default: return {};
    }
    return NameAfter(t, p, name) ? name : TextView();
  });
}

namespace {

// The result of the table walk, built from parts of the text walked and
// from repaired tables, and where it is not that text: a part that does
// not follow on from the last part taken from the text makes a join, and a
// repaired table is compared with what it stands for, its common start and
// end taken as copied.
class RepairOutput {
 public:
  RepairOutput(const Text& html, std::vector<Written>* written) : html_(html), written_(written) {
    out_.reserve(html.size() + html.size() / 8);
  }
  // html[from - 1, to - 1).
  void Copy(Pos from, Pos to) {
    if (to <= from) return;
    Follow(static_cast<std::size_t>(from - 1));
    out_.append(TextView(html_).substr(static_cast<std::size_t>(from - 1),
                                       static_cast<std::size_t>(to - from)));
    next_ = static_cast<std::size_t>(to - 1);
  }
  // `made`, standing for html[from - 1, to - 1) (to past the end: the rest).
  void Put(const Text& made, Pos from, Pos to) {
    const std::size_t b = static_cast<std::size_t>(from - 1);
    const TextView was = TextView(html_).substr(std::min(b, html_.size()),
                                                static_cast<std::size_t>(std::max<Pos>(to - from, 0)));
    if (written_ != nullptr) {
      const TextView now(made);
      const std::size_t most = std::min(was.size(), now.size());
      const std::size_t head = CommonStart(was, now);
      const std::size_t tail = std::min(CommonEnd(was, now), most - head);
      Follow(b);
      if (head < now.size() - tail || head < was.size() - tail)
        written_->push_back({out_.size() + head, now.size() - tail - head});
    }
    out_.append(made);
    next_ = b + was.size();
  }
  Text Take() { return std::move(out_); }

 private:
  void Follow(std::size_t from) {
    if (written_ != nullptr && from != next_) written_->push_back({out_.size(), 0});
  }
  const Text& html_;
  std::vector<Written>* written_;
  Text out_;
  std::size_t next_ = 0;  // where the text goes on from the last part taken
};

}  // namespace

Text RepairHTMLTables(const Text& html, std::int32_t options, std::vector<Written>* written) {
  RepairOutput out(html, written);
  Pos c = 1;
  Pos s = 1;
  bool open = false;
  for (;;) {
    const TagInfo tag = NextTableTag(html, s);
    // A tag without a ">" after it ends the walk: there is no tag end to
    // carry on from.
    if (tag.Name.empty() || tag.EndPos == 0) break;
    if (tag.Name == u"TABLE") {
      if (!open) {
        out.Copy(s, tag.StartPos);
        open = true;
      } else {
        out.Put(RepairTable(Slice(html, c, tag.StartPos) + u"</TABLE>", options), c, tag.StartPos);
      }
      c = tag.StartPos;
    } else if (open) {
      out.Put(RepairTable(Slice(html, c, tag.EndPos + 1), options), c, tag.EndPos + 1);
      open = false;
      c = tag.EndPos + 1;
    } else {
      if (c != tag.StartPos) {
        const Text piece = Slice(html, c, tag.EndPos + 1);
        const TagInfo first = NextStructureTag(piece, 1);
        if (first.Name == u"/TABLE" && first.StartPos == tag.StartPos - c + 1)
          out.Copy(c, tag.StartPos);
        else
          out.Put(RepairTable(u"<TABLE>" + piece, options), c, tag.EndPos + 1);
      }
      c = tag.EndPos + 1;
    }
    s = tag.EndPos + 1;
  }
  if (open)
    out.Put(RepairTable(Mid(html, c) + u"</TABLE>", options), c, Len(html) + 1);
  else
    out.Copy(s, Len(html) + 1);
  return out.Take();
}

Text RepairTable(const Text& tableText, std::int32_t options) {
  Text t = FixTableStructure(tableText);
  if (options & kRepairFillEmptyCells) t = FillEmptyCells(t);
  return BalanceRows(t);
}

namespace {

// The longest tag name that InsertAfterLastTag is given ("<TABLE").
constexpr std::size_t kLongestName = 6;

// InsertAfterLastTag on the text itself. The rightmost start of any name is
// found scanning back from the end: the same as the greatest of the names'
// last positions, at the cost of the distance from the end only. `floor`
// (0-based) says that no name starts at an index from 1 up to it, so the
// scan stops there; a scan that finds nothing raises it to the end of the
// text, and the caller lowers it again around every insertion. Returns the
// index where the insertion went, or npos when the text is unchanged.
std::size_t InsertAfterLastTagInPlace(Text& text, const std::vector<TextView>& names,
                                      TextView insertion, std::size_t& floor) {
  const TextView view(text);
  std::size_t found = TextView::npos;
  const std::size_t lowest = std::max<std::size_t>(floor, 1);
  for (std::size_t at = view.size(); at-- > lowest && found == TextView::npos;) {
    for (TextView name : names) {
      if (!name.empty() && at + name.size() <= view.size() &&
          Equal(view.substr(at, name.size()), name, Compare::Text)) {
        found = at;
        break;
      }
    }
  }
  // Nothing found, or found only at position 1: the text stays as it is.
  if (found == TextView::npos) {
    floor = view.size() > kLongestName ? view.size() - (kLongestName - 1) : 1;
    return TextView::npos;
  }
  const Pos p = static_cast<Pos>(found) + 1;
  const Pos q = InStr(p + 2, text, u">", Compare::Binary);
  text.insert(static_cast<std::size_t>(q), insertion);
  return static_cast<std::size_t>(q);
}

// What FixTableStructure knows about the parts of its result that hold none
// of the names of each InsertAfterLastTag call it makes.
struct NameFloors {
  std::size_t rowStart = 0;   // "</TR;<TABLE"
  std::size_t cellStart = 0;  // "</TD;<TR"
  std::size_t cellEnd = 0;    // "</TD"

  void InsertedAt(std::size_t x) {
    const std::size_t low = x > kLongestName ? x - (kLongestName - 1) : 0;
    rowStart = std::min(rowStart, low);
    cellStart = std::min(cellStart, low);
    cellEnd = std::min(cellEnd, low);
  }
};

void InsertAfter(Text& text, const std::vector<TextView>& names, TextView insertion,
                 std::size_t& floor, NameFloors& floors) {
  const std::size_t at = InsertAfterLastTagInPlace(text, names, insertion, floor);
  if (at != TextView::npos) floors.InsertedAt(at);
}

}  // namespace

Text InsertAfterLastTag(const Text& text, TextView names, TextView insertion) {
  Text out = text;
  std::size_t floor = 0;
  InsertAfterLastTagInPlace(out, SplitNames(names), insertion, floor);
  return out;
}

Text FixTableStructure(const Text& tableText) {
  Text result;
  result.reserve(tableText.size() + tableText.size() / 8);
  bool rowOpen = false;
  bool cellOpen = false;
  Text pending;
  Pos c = 1;
  Pos s = 1;
  static const std::vector<TextView> kRowStarts = SplitNames(u"</TR;<TABLE");
  static const std::vector<TextView> kCellStarts = SplitNames(u"</TD;<TR");
  static const std::vector<TextView> kCellEnds = SplitNames(u"</TD");
  NameFloors floors;
  for (;;) {
    const TagInfo tag = NextStructureTag(tableText, s);
    if (tag.Name.empty() || tag.EndPos == 0) break;
    const Text gap = Slice(tableText, c, tag.StartPos);
    const TextView tagText = MidView(tableText, tag.StartPos, tag.EndPos - tag.StartPos + 1);
    const TextView name = tag.Name;
    if (name == u"TR") {
      Text insertion;
      if (cellOpen) {
        insertion += u"</TD>";
        cellOpen = false;
      }
      if (rowOpen) insertion += u"</TR>";
      if (!insertion.empty()) {
        result += gap;
        result += insertion;
      } else if (!IsBlank(gap)) {
        pending = gap;
      } else {
        result += gap;
      }
      result += tagText;
      rowOpen = true;
    } else if (name == u"TD") {
      Text insertion;
      if (!rowOpen) {
        insertion += u"<TR>";
        rowOpen = true;
      }
      if (cellOpen) insertion += u"</TD>";
      if (!insertion.empty()) {
        result += gap;
        result += insertion;
      } else if (!IsBlank(gap)) {
        pending += gap;
      } else {
        result += gap;
      }
      result += tagText;
      result += pending;
      pending.clear();
      cellOpen = true;
    } else if (name == u"/TD") {
      if (!rowOpen) {
        InsertAfter(result, kRowStarts, u"<TR>", floors.rowStart, floors);
        rowOpen = true;
      }
      if (!cellOpen) {
        InsertAfter(result, kCellStarts, u"<TD>" + pending, floors.cellStart, floors);
        pending.clear();
      }
      result += gap;
      result += tagText;
      cellOpen = false;
    } else if (name == u"/TR") {
      if (cellOpen) {
        result += gap;
        result += u"</TD>";
        cellOpen = false;
      } else if (!IsBlank(gap)) {
        InsertAfter(result, kCellEnds, gap, floors.cellEnd, floors);
      } else {
        result += gap;
      }
      result += tagText;
      rowOpen = false;
    } else if (name == u"TABLE") {
      result += gap;
      result += tagText;
    } else {  // "/TABLE": the end of the walk
      Text insertion;
      if (cellOpen) insertion += u"</TD>";
      if (rowOpen) insertion += u"</TR>";
      if (!insertion.empty()) {
        result += gap;
        result += insertion;
      } else if (!IsBlank(gap)) {
        const Pos last = LastPosition(result, u"</TD>", Compare::Text);
        if (last > 0)
          result.insert(static_cast<std::size_t>(last - 1), gap);
        else
          result += u"<TR><TD>" + gap + u"</TD></TR>";
      } else {
        result += gap;
      }
      result += MidView(tableText, tag.StartPos);
      return result;
    }
    c = tag.EndPos + 1;
    s = tag.EndPos + 1;
  }
  result += MidView(tableText, c);
  return result;
}

Text FillEmptyCells(const Text& tableText) {
  try {
    Text out;
    out.reserve(tableText.size() + tableText.size() / 8);
    Pos copied = 1;
    Pos from = 1;
    for (;;) {
      const Pos open = InStr(from, tableText, u"<TD", Compare::Text);
      if (open == 0) break;
      const Pos openEnd = InStr(open, tableText, u">", Compare::Text);
      if (openEnd == 0) break;
      const Pos close = InStr(openEnd + 1, tableText, u"</TD", Compare::Text);
      if (close == 0) break;
      // The content less its tags: empty when nothing of code 33 or more
      // stands outside a "<" ... ">".
      bool empty = true;
      bool inTag = false;
      for (Pos k = openEnd + 1; k < close && empty; ++k) {
        const char16_t ch = tableText[static_cast<std::size_t>(k - 1)];
        if (inTag) {
          if (ch == u'>') inTag = false;
        } else if (ch == u'<') {
          inTag = true;
        } else if (ch >= 33) {
          empty = false;
        }
      }
      if (empty) {
        out += Slice(tableText, copied, openEnd + 1);
        out += u"&nbsp;";
        copied = openEnd + 1;
      }
      from = close + 4;
    }
    out += MidView(tableText, copied);
    return out;
  } catch (const Error&) {
    return tableText;
  }
}

Text BalanceRows(const Text& tableText) {
  struct RowInfo {
    Pos LastCellPos = 0;
    std::int16_t CellCount = 0;
  };
  Pos offset = 0;
  std::int32_t rowCount = 0;
  try {
    BoundedArray<RowInfo> rows;
    rows.Redim(1, 11);
    std::int16_t widest = 0;
    offset = InStr(1, tableText, u"<TR", Compare::Text);
    while (offset > 0) {
      const Pos rowEnd = InStr(offset + 4, tableText, u"</TR", Compare::Text);
      if (rowEnd == 0) RaiseError(kEndRowNotFound, "", "End row not found");
      RowInfo row;
      row.LastCellPos = offset + 4;
      std::int32_t cells = 0;
      // Searched within the row only, so that a row without cells does not
      // scan on to the next cell of a later row.
      const TextView row_text = TextView(tableText).substr(0, static_cast<std::size_t>(rowEnd - 1));
      for (Pos td = InStr(offset, row_text, u"<TD", Compare::Text); td > 0;
           td = InStr(td + 1, row_text, u"<TD", Compare::Text)) {
        if (++cells > 32767) RaiseError(Error::kOverflow);
        row.LastCellPos = td + 3;
      }
      row.CellCount = static_cast<std::int16_t>(cells);
      if (row.CellCount > widest) widest = row.CellCount;
      if (rowCount + 1 > rows.UBound()) rows.RedimPreserve(rows.UBound() + 10);
      rows[++rowCount] = row;
      offset = InStr(rowEnd + 4, tableText, u"<TR", Compare::Text);
    }

    Text out;
    out.reserve(tableText.size() + static_cast<std::size_t>(rowCount) * 12);
    Pos copied = 1;
    for (std::int32_t r = 1; r <= rowCount; ++r) {
      const RowInfo& row = rows[r];
      out += Slice(tableText, copied, row.LastCellPos);
      copied = row.LastCellPos;
      if (row.CellCount < widest) {
        if (row.CellCount > 0)
          out += u" colspan=" + NumberText(widest - row.CellCount + 1);
        else
          out += u"<TD colspan=" + NumberText(widest) + u"></TD>";
      }
    }
    out += MidView(tableText, copied);
    return out;
  } catch (const Error& e) {
    throw Error(e.number(), "HTMLParser::repairTable",
                e.description() + " offset=" + std::to_string(offset) +
                    ",row=" + std::to_string(rowCount + 1));
  }
}

}  // namespace skeinlet::detail
