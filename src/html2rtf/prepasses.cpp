// The whole-text passes that run over WorkHtml before the walk: comments and
// style blocks out, divisions inside tables to marked paragraphs, row spans
// to placeholder cells, headings and SMALL to FONT tags.
#include "html2rtf/prepasses.hpp"

#include "html2rtf/html_to_rtf.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace skeinlet::detail {
namespace extent {
namespace {

// Whether `text` holds `mark` (upper case, e.g. u"</TD") at 1-based `p`,
// followed by something that cannot continue a tag name.
bool TagAt(TextView text, Pos p, TextView mark) noexcept {
  const auto i = static_cast<std::size_t>(p - 1);
  if (i + mark.size() > text.size()) return false;
  if (!EqualText(text.substr(i, mark.size()), mark)) return false;
  return i + mark.size() == text.size() || !IsNameUnit(text[i + mark.size()]);
}

Pos FindMark(TextView text, Pos from, const Text& mark) {
  while (from >= 1 && from <= Len(text)) {
    const Pos p = InStr(from, text, mark, Compare::Text);
    if (p == 0) return 0;
    if (TagAt(text, p, mark)) return p;
    from = p + 1;
  }
  return 0;
}

Pos GreaterFrom(TextView text, Pos p) {
  const Pos g = InStr(p, text, u">", Compare::Binary);
  return g == 0 ? Len(text) : g;
}

}  // namespace

Pos FindStartTag(TextView text, Pos from, TextView name) {
  return FindMark(text, from, u"<" + Text(name));
}
Pos FindEndTag(TextView text, Pos from, TextView name) {
  return FindMark(text, from, u"</" + Text(name));
}

Pos ClosingTag(TextView text, Pos start, TextView name) {
  const Pos s = FindStartTag(text, start, name);
  if (s == 0) return 0;
  const Text open = u"<" + Text(name);
  const Text close = u"</" + Text(name);
  Pos depth = 1;
  Pos nextOpen = FindMark(text, s + 1, open);
  Pos nextClose = FindMark(text, s + 1, close);
  while (nextClose != 0) {
    if (nextOpen != 0 && nextOpen < nextClose) {
      ++depth;
      nextOpen = FindMark(text, nextOpen + 1, open);
      continue;
    }
    if (--depth == 0) return nextClose;
    nextClose = FindMark(text, nextClose + 1, close);
  }
  return 0;
}

Pos ElementLength(TextView text, Pos start, TextView name) {
  const Pos s = FindStartTag(text, start, name);
  if (s == 0) return 0;
  const Pos close = ClosingTag(text, s, name);
  if (close == 0) return Len(text) - start + 1;
  return GreaterFrom(text, close) - start + 1;
}

Text ExtractElement(TextView text, TextView name) {
  const Pos n = ElementLength(text, 1, name);
  return n == 0 ? Text() : Text(text.substr(0, static_cast<std::size_t>(n)));
}

namespace {

// Walks a row or a cell from `start` and returns its length: it ends after
// the ">" of `close`, or before any of `before`, or before the end of its
// table, whichever comes first at its own nesting level.
Pos PieceLength(TextView text, Pos start, Pos limit, TextView close,
                std::initializer_list<TextView> before) {
  limit = std::min(limit, Len(text));
  Pos depth = 0;
  for (Pos i = start + 1; i <= limit; ++i) {
    if (text[static_cast<std::size_t>(i - 1)] != u'<') continue;
    if (TagAt(text, i, u"<TABLE")) {
      ++depth;
    } else if (TagAt(text, i, u"</TABLE")) {
      if (depth == 0) return i - start;
      --depth;
    } else if (depth == 0) {
      if (TagAt(text, i, close)) return GreaterFrom(text, i) - start + 1;
      for (TextView b : before)
        if (TagAt(text, i, b)) return i - start;
    }
  }
  return limit - start + 1;
}

}  // namespace

Pos RowLength(TextView text, Pos start, Pos limit) {
  return PieceLength(text, start, limit, u"</TR", {u"<TR"});
}
Pos CellLength(TextView text, Pos start, Pos limit) {
  return PieceLength(text, start, limit, u"</TD", {u"<TD", u"<TR", u"</TR"});
}

TagList ReadTags(const Text& html) {
  TagList list;
  std::vector<TagList::Packed>& tags = list.tags_;
  tags.reserve(static_cast<std::size_t>(CountOccurrences(html, u"<", Compare::Binary)));
  Text name;
  // A tag mostly has the name of the tag before it, or of the last other
  // name before that ("<B>x</B>", "<TD><P>x</P></TD>"): those two are
  // tried before the map, upper-cased unit by unit as they are compared.
  std::uint32_t recent[2] = {0, 0};
  const TextView text(html);
  for (std::size_t at = FindIndex(text, u"<", 0, Compare::Binary); at != TextView::npos;
       at = FindIndex(text, u"<", at + 1, Compare::Binary)) {
    const Pos lt = static_cast<Pos>(at) + 1;
    const bool closing = at + 1 < text.size() && text[at + 1] == u'/';
    const std::size_t from = at + 1 + (closing ? 1 : 0);
    std::size_t n = from;
    while (n < text.size() && IsNameUnit(text[n])) ++n;
    if (n == from || (text[from] >= u'0' && text[from] <= u'9')) continue;
    const std::size_t gtAt = FindIndex(text, u">", at, Compare::Binary);
    if (gtAt == TextView::npos) break;
    const Pos gt = static_cast<Pos>(gtAt) + 1;
    const TextView raw = text.substr(from, n - from);
    std::uint32_t index;
    if (!list.nameViews_.empty() && EqualsUpper(raw, list.nameViews_[recent[0]])) {
      index = recent[0];
    } else if (!list.nameViews_.empty() && EqualsUpper(raw, list.nameViews_[recent[1]])) {
      index = recent[1];
    } else {
      UCaseInto(raw, name);
      const auto [entry, added] =
          list.names_.try_emplace(name, static_cast<std::uint32_t>(list.nameViews_.size()));
      if (added) list.nameViews_.push_back(entry->first);
      index = entry->second;
    }
    if (index != recent[0]) {
      recent[1] = recent[0];
      recent[0] = index;
    }
    tags.push_back({lt, gt, index, closing});
  }
  return list;
}

std::vector<Pos> ElementEnds(const Text& html, const TagList& tags) {
  // Names are told apart by their numbers in the list.
  std::vector<Pos> ends(tags.size(), 0);
  std::vector<std::vector<std::size_t>> open(tags.NameCount());
  for (std::size_t i = 0; i < tags.size(); ++i) {
    std::vector<std::size_t>& stack = open[tags.NameIndex(i)];
    if (!tags[i].Closing) {
      stack.push_back(i);
    } else if (!stack.empty()) {
      ends[stack.back()] = tags[i].Start;
      stack.pop_back();
    }
  }
  const Pos body = InStr(1, html, u"</BODY", Compare::Text);
  std::vector<Pos> nextStart(tags.NameCount(), 0);  // 0: none yet (positions start at 1)
  for (std::size_t i = tags.size(); i-- > 0;) {
    const BodyTag t = tags[i];
    if (t.Closing) continue;
    Pos& next = nextStart[tags.NameIndex(i)];
    if (ends[i] == 0) ends[i] = next != 0 ? next : body > t.End ? body : Len(html) + 1;
    next = t.Start;
  }
  return ends;
}

Text AttributeValue(TextView tag, TextView name, bool apostrophes) {
  // The two forms NAME= and NAME = are put together in a buffer of the
  // call's own: this is asked of every start tag of a long document.
  Text heap;
  char16_t local[32];
  char16_t* joined = local;
  if (name.size() + 2 > std::size(local)) {
    heap.resize(name.size() + 2);
    joined = heap.data();
  }
  std::copy(name.begin(), name.end(), joined);
  for (const TextView ending : {TextView(u"="), TextView(u" =")}) {
    std::copy(ending.begin(), ending.end(), joined + name.size());
    const TextView form(joined, name.size() + ending.size());
    for (Pos p = InStr(1, tag, form, Compare::Binary); p != 0;
         p = InStr(p + 1, tag, form, Compare::Binary)) {
      if (p == 1) continue;
      const char16_t before = tag[static_cast<std::size_t>(p - 2)];
      if (before != u' ' && before != u'\t' && before != u'"' && before != u'\'') continue;
      Pos v = p + Len(form);
      while (v <= Len(tag) && tag[static_cast<std::size_t>(v - 1)] == u' ') ++v;
      if (v <= Len(tag)) {
        const char16_t quote = tag[static_cast<std::size_t>(v - 1)];
        if (quote == u'"' || (apostrophes && quote == u'\'')) {
          const Pos q = InStr(v + 1, tag, TextView(&quote, 1), Compare::Binary);
          return q == 0 ? Text() : Mid(tag, v + 1, q - v - 1);
        }
      }
      Pos e = v;
      while (e <= Len(tag) && tag[static_cast<std::size_t>(e - 1)] != u' ' &&
             tag[static_cast<std::size_t>(e - 1)] != u'>')
        ++e;
      return Mid(tag, v, e - v);
    }
  }
  return {};
}

}  // namespace extent

namespace {

using namespace extent;

// The next "<" + name of the table that `from` lies in, tables nested in
// its cells stepped over; 0 when the table ends first.
Pos NextAtLevel(TextView text, Pos from, TextView mark) {
  Pos depth = 0;
  for (Pos i = from; i <= Len(text); ++i) {
    if (text[static_cast<std::size_t>(i - 1)] != u'<') continue;
    if (TagAt(text, i, u"<TABLE")) {
      ++depth;
    } else if (TagAt(text, i, u"</TABLE")) {
      if (depth == 0) return 0;
      --depth;
    } else if (depth == 0 && TagAt(text, i, mark)) {
      return i;
    }
  }
  return 0;
}

// The "<TR" of the row that holds position p, and the "<TD" of its cell
// there (0 when p lies before the row's first cell); the row is 0 when p
// is in no row of a table.
struct RowAndCell {
  Pos Row = 0;
  Pos Cell = 0;
};
RowAndCell EnclosingRow(TextView text, Pos p) {
  RowAndCell found;
  Pos depth = 0;
  for (Pos i = p; i >= 1; --i) {
    if (text[static_cast<std::size_t>(i - 1)] != u'<') continue;
    if (TagAt(text, i, u"</TABLE")) {
      ++depth;
    } else if (TagAt(text, i, u"<TABLE")) {
      if (depth == 0) return {};
      --depth;
    } else if (depth == 0) {
      if (found.Cell == 0 && TagAt(text, i, u"<TD")) found.Cell = i;
      if (TagAt(text, i, u"<TR")) {
        found.Row = i;
        return found;
      }
    }
  }
  return {};
}

// The number after the "=" of an attribute at `at` (its name's first
// character), up to the next blank or the end of the tag.
double AttributeNumber(TextView text, Pos at) {
  const Pos eq = InStr(at, text, u"=", Compare::Binary);
  if (eq == 0) return 0;
  Pos end = InStr(eq, text, u" ", Compare::Binary);
  const Pos gt = InStr(eq, text, u">", Compare::Binary);
  if (end == 0 || (gt != 0 && gt < end)) end = gt;
  Text v = end == 0 ? Mid(text, eq + 1) : Mid(text, eq + 1, end - eq - 1);
  ReplaceIn(v, u"\"", u"", Compare::Binary);
  ReplaceIn(v, u">", u"", Compare::Binary);
  return Val(v);
}

// The COLSPAN of the cell tag at `cell`, 1 when it has none.
double ColumnSpan(TextView text, Pos cell) {
  const Pos gt = InStr(cell, text, u">", Compare::Binary);
  const TextView tag = gt == 0 ? text.substr(static_cast<std::size_t>(cell - 1))
                               : MidView(text, cell, gt - cell + 1);
  const Pos c = InStr(1, tag, u"COLSPAN", Compare::Text);
  return c == 0 ? 1 : AttributeNumber(tag, c);
}

constexpr TextView kRowMergeCell = u"<TD ROWMERGE=TRUE></TD>";

// Gives each of the `rows` rows below the row at `row` a placeholder cell
// in column `column`.
void InsertMergeCells(Text& html, Pos row, double rows, double column) {
  for (double k = 1; k < rows; ++k) {
    const Pos next = NextAtLevel(html, row + RowLength(html, row, Len(html)), u"<TR");
    if (next == 0) return;
    row = next;
    Pos cell = NextAtLevel(html, row + 1, u"<TD");
    if (cell == 0) return;
    const Pos rowEnd = row + RowLength(html, row, Len(html));
    Pos at = cell;
    for (double c = 1; c < column; ++c) {
      at = cell + CellLength(html, cell, Len(html));
      if (c + 1 >= column) break;
      const Pos following = NextAtLevel(html, at, u"<TD");
      if (following == 0 || following >= rowEnd) break;
      cell = following;
    }
    html.insert(static_cast<std::size_t>(at - 1), kRowMergeCell);
  }
}

constexpr Rule kHeadings[] = {
    {u"<h1", u"<FONT SIZE=\"6\"><P"},
    {u"<h2", u"<FONT SIZE=\"5\"><P"},
    {u"<h3", u"<FONT SIZE=\"4\"><P"},
    {u"<h4", u"<FONT SIZE=\"3\"><P"},
    {u"<h5", u"<FONT SIZE=\"2\"><P"},
    {u"<h6", u"<FONT SIZE=\"1\"><P"},
    {u"</H1>", u"</P></FONT><BR>"},
    {u"</H2>", u"</P></FONT><BR>"},
    {u"</H3>", u"</P></FONT><BR>"},
    {u"</H4>", u"</P></FONT><BR>"},
    {u"</H5>", u"</P></FONT><BR>"},
    {u"</H6>", u"</P></FONT><BR>"},
};

constexpr Rule kSmall[] = {
    {u"<SMALL>", u"<FONT SIZE=\"2\">"},
    {u"</SMALL>", u"</FONT>"},
};

// Removes every piece from `open` through the next `close`, first one
// first. A removal can join the text around it into a new `open` no earlier
// than open's length before the cut, so the search restarts there rather
// than at the start: the result is the same, without going over the text
// once per piece.
void RemovePieces(Text& html, TextView open, TextView close) {
  Pos p = InStr(1, html, open, Compare::Text);
  while (p > 0) {
    const Pos q = InStr(p, html, close, Compare::Text);
    if (q == 0) return;
    html.erase(static_cast<std::size_t>(p - 1),
               static_cast<std::size_t>(q + Len(close) - p));
    p = InStr(std::max<Pos>(1, p - Len(open) + 1), html, open, Compare::Text);
  }
}

}  // namespace

void StripCommentsAndStyles(Text& html) {
  RemovePieces(html, u"<!--", u"-->");
  RemovePieces(html, u"<STYLE", u"</STYLE>");
}

void MarkTableParagraphs(Text& html) {
  constexpr TextView kMarked = u"<P NOPARAGRAPH ";
  // The first "<DIV" at or after a position: a search that found nothing,
  // or found a division past the next table, holds for every later table
  // until the text changes, so a page of many tables and no divisions is
  // searched once, not once per table.
  Pos searchedFrom = 0, found = -1;  // -1: nothing remembered
  auto nextDivision = [&](Pos from) {
    if (found >= 0 && from >= searchedFrom && (found == 0 || found >= from)) return found;
    searchedFrom = from;
    found = InStr(from, html, u"<DIV", Compare::Text);
    return found;
  };
  Pos t = InStr(1, html, u"<TABLE", Compare::Text);
  while (t > 0) {
    Pos length = ElementLength(html, t, u"TABLE");
    if (length == 0) length = Len(html) - t + 1;
    Pos d = nextDivision(t);
    while (d >= 1 && d < t + length) {
      const Pos division = ElementLength(html, d, u"DIV");
      const Pos c = d - 1 + LastPosition(MidView(html, d, division), u"<", Compare::Binary);
      if (c > d) {
        html.insert(static_cast<std::size_t>(c - 1), u"</P>");
        if (c < t + length) length += 4;
      }
      html.replace(static_cast<std::size_t>(d - 1), 4, kMarked);
      length += Len(kMarked) - 4;
      found = -1;
      d = nextDivision(d);
    }
    t = t + length > Len(html) ? 0 : InStr(t + length, html, u"<TABLE", Compare::Text);
  }
}

void ExpandRowSpans(Text& html) {
  Pos p = InStr(1, html, u"ROWSPAN", Compare::Text);
  while (p >= 1) {
    const double rows = AttributeNumber(html, p);
    const RowAndCell at = EnclosingRow(html, p);
    if (at.Row == 0) return;
    double column = 1;
    for (Pos cell = NextAtLevel(html, at.Row + 1, u"<TD");
         cell != 0 && cell < at.Cell; cell = NextAtLevel(html, cell + 1, u"<TD"))
      column += ColumnSpan(html, cell);
    InsertMergeCells(html, at.Row, rows, column);
    p = InStr(p + 1, html, u"ROWSPAN", Compare::Text);
  }
}

namespace {

// Every find of kHeadings is "<h" or "</H", in any case, and a digit from
// 1 to 6. A text without one of those is left as it is by the table, so it
// is not indexed for it: two searches of the text cost less than building
// its index.
constexpr bool EveryFindIsAHeadingTag() {
  for (const Rule& r : kHeadings) {
    const TextView f = r.find;
    const std::size_t name = f.starts_with(u"</") ? 2 : 1;
    if (f.size() < name + 2 || f[0] != u'<' || (f[name] != u'h' && f[name] != u'H') ||
        f[name + 1] < u'1' || f[name + 1] > u'6')
      return false;
  }
  return true;
}
static_assert(EveryFindIsAHeadingTag());

bool MayHoldHeading(TextView html) {
  for (const TextView open : {TextView(u"<H"), TextView(u"</H")}) {
    for (std::size_t at = FindIndex(html, open, 0, Compare::Text); at != TextView::npos;
         at = FindIndex(html, open, at + 1, Compare::Text)) {
      const std::size_t digit = at + open.size();
      if (digit < html.size() && html[digit] >= u'1' && html[digit] <= u'6') return true;
    }
  }
  return false;
}

}  // namespace

void ConvertHeadings(Text& html) {
  if (MayHoldHeading(html)) ApplyRules(html, kHeadings);
}

void ConvertSmall(Text& html) { ApplyRules(html, kSmall); }

}  // namespace skeinlet::detail
