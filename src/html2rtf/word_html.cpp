// CleanWordHtml: the HTML that Microsoft Word saves, reduced to the P, FONT,
// UL and LI markup that the walk understands, in nine stages.
//
// How Word's list paragraphs are matched (stages 6 to 8):
// - stage 6 takes a SPAN as list marker styling when its STYLE (in double
//   quotes or apostrophes) holds "MSO-LIST:" (Word's mso-list:Ignore marker
//   span) or starts with "FONT:7.0PT" (the span of blanks after a marker);
//   the span's start tag and the end tag paired with it go, its content
//   stays;
// - stages 7 and 8 read the tags once, keeping a stack of the open UL and
//   OL elements; an item belongs to the innermost list open at its tag, so
//   fifty nested lists cost one reading;
// - inside a UL, a P or LI start tag whose STYLE holds "MSO-LIST:" is an
//   item: its value (for example "l0 level1 lfo1") names the level of
//   stage 2, looked up with all its words ("L0 LEVEL1 LFO1"), then with its
//   first two ("L0 LEVEL1"); the tag becomes "<P>" and a FONT element with
//   the level's marker, in the level's font family (else Symbol for a
//   symbol-font bullet, else Times New Roman); a level not found gives
//   "<P>" alone;
// - inside an OL, every LI start tag, and every P start tag with
//   "MSO-LIST:", is an item: it becomes "<P>" and its number, counted from
//   the list's START (1 when it has none), with ". ";
// - the item's end tag (the one paired with it) becomes "</P>"; an item
//   never closed is closed with "</P>" before the next item of its list or
//   before the end of the list.
#include "html2rtf/html_to_rtf.hpp"
#include "html2rtf/prepasses.hpp"
#include "html2rtf/word_html.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace skeinlet::detail {
namespace {

using extent::BodyTag;

constexpr Rule kListsToBullets[] = {
    {u"</OL>", u"</UL>", kAll, kExact},
    {u"</ol>", u"</ul>", kAll, kExact},
    {u"<OL", u"<UL", kAll, kExact},
    {u"<ol", u"<ul", kAll, kExact},
};

void RemoveAll(Text& s, TextView what) { ReplaceIn(s, what, u"", Compare::Binary); }

// A property of the declarations that is not the end of a longer name
// (FONT-FAMILY, not MSO-ASCII-FONT-FAMILY): its value up to ";".
Text Property(TextView declarations, TextView name) {
  for (Pos p = InStr(1, declarations, name, Compare::Text); p != 0;
       p = InStr(p + 1, declarations, name, Compare::Text)) {
    if (p > 1 && declarations[static_cast<std::size_t>(p - 2)] == u'-') continue;
    const Pos from = p + Len(name);
    const Pos end = InStr(from, declarations, u";", Compare::Binary);
    return end == 0 ? Mid(declarations, from) : Mid(declarations, from, end - from);
  }
  return {};
}

// Blanks, TABs and line breaks off both ends.
Text TrimSpace(TextView s) {
  auto space = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  std::size_t a = 0, b = s.size();
  while (a < b && space(s[a])) ++a;
  while (b > a && space(s[b - 1])) --b;
  return Text(s.substr(a, b - a));
}

// Calls rule(selector, declarations) for each rule of the style text that
// starts at `from` and ends before `to`.
template <class F>
void EachRule(TextView css, Pos from, Pos to, F&& rule) {
  while (from < to) {
    const Pos open = InStr(from, css, u"{", Compare::Binary);
    if (open == 0 || open >= to) return;
    const Pos close = InStr(open, css, u"}", Compare::Binary);
    if (close == 0) return;
    rule(MidView(css, from, open - from), MidView(css, open + 1, close - open - 1));
    from = close + 1;
  }
}

// The end of the style region that starts at `at` in the head.
Pos RegionEnd(TextView head, Pos at) {
  const Pos end = InStr(at, head, u"</STYLE", Compare::Text);
  return end == 0 ? Len(head) + 1 : end;
}

// One edit of a batch: the text from `From` of length `Length` becomes `With`.
struct Edit {
  Pos From;
  Pos Length;
  Text With;
  int Order = 0;  // among edits at one position
};

void ApplyEdits(Text& html, std::vector<Edit>& edits) {
  if (edits.empty()) return;
  std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    if (a.From != b.From) return a.From < b.From;
    return a.Order < b.Order;
  });
  Text out;
  out.reserve(html.size() + edits.size() * 8);
  Pos copied = 1;
  for (const Edit& e : edits) {
    if (e.From < copied) continue;  // overlaps an edit already made
    out.append(html, static_cast<std::size_t>(copied - 1), static_cast<std::size_t>(e.From - copied));
    out += e.With;
    copied = e.From + e.Length;
  }
  if (copied <= Len(html)) out.append(html, static_cast<std::size_t>(copied - 1));
  html = std::move(out);
}

Text UpperTag(const Text& html, const BodyTag& t) {
  return UCase(MidView(html, t.Start, t.End - t.Start + 1));
}

// Stages 4 and 5: the class's family around the content of each element
// `name` whose CLASS names a paragraph class.
void WrapClassElements(Text& html, TextView name, const WordClasses& classes) {
  const extent::TagList tags = extent::ReadTags(html);
  const std::vector<Pos> ends = extent::ElementEnds(html, tags);
  std::vector<Edit> edits;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const BodyTag t = tags[i];
    if (t.Closing || t.Name != name) continue;
    const auto c = classes.find(extent::AttributeValue(UpperTag(html, t), u"CLASS"));
    if (c == classes.end() || c->second.Family.empty()) continue;
    edits.push_back({t.End + 1, 0, u"<FONT FACE=\"" + c->second.Family + u"\">", 0});
    edits.push_back({ends[i], 0, u"</FONT>", 1});
  }
  ApplyEdits(html, edits);
}

Text StyleOf(const Text& upperTag) { return extent::AttributeValue(upperTag, u"STYLE", true); }

// The value of MSO-LIST: in a style, upper case, blanks trimmed.
Text ListValue(const Text& style) {
  const Pos p = InStr(1, style, u"MSO-LIST:", Compare::Binary);
  if (p == 0) return {};
  const Pos end = InStr(p, style, u";", Compare::Binary);
  return Trim(end == 0 ? Mid(style, p + 9) : Mid(style, p + 9, end - p - 9));
}

// Stage 6.
void ReduceMarkerSpans(Text& html) {
  const extent::TagList tags = extent::ReadTags(html);
  const std::vector<Pos> ends = extent::ElementEnds(html, tags);
  std::unordered_map<Pos, std::size_t> endTagAt;
  for (std::size_t i = 0; i < tags.size(); ++i)
    if (tags[i].Closing && tags[i].Name == u"SPAN") endTagAt.emplace(tags[i].Start, i);
  std::vector<Edit> edits;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const BodyTag t = tags[i];
    if (t.Closing || t.Name != u"SPAN") continue;
    const Text style = TrimSpace(StyleOf(UpperTag(html, t)));
    if (!Contains(style, u"MSO-LIST:", Compare::Binary) && !style.starts_with(u"FONT:7.0PT"))
      continue;
    edits.push_back({t.Start, t.End - t.Start + 1, {}, 0});
    if (const auto e = endTagAt.find(ends[i]); e != endTagAt.end())
      edits.push_back({tags[e->second].Start, tags[e->second].End - tags[e->second].Start + 1, {}, 0});
  }
  ApplyEdits(html, edits);
}

// Stages 7 and 8.
void ListParagraphs(Text& html, const WordLevels& levels) {
  const extent::TagList tags = extent::ReadTags(html);
  const std::vector<Pos> ends = extent::ElementEnds(html, tags);
  struct List {
    bool Ordered;
    double Number;
    bool ItemOpen = false;
    Pos ItemEnd = 0;  // the "<" of the open item's end tag
  };
  std::vector<List> lists;
  std::vector<Edit> edits;
  auto closeOpenItem = [&](List& l, Pos before) {
    if (l.ItemOpen) edits.push_back({before, 0, u"</P>", 0});
    l.ItemOpen = false;
  };
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const BodyTag t = tags[i];
    const bool list = t.Name == u"UL" || t.Name == u"OL";
    if (list && !t.Closing) {
      const Text start = extent::AttributeValue(UpperTag(html, t), u"START");
      lists.push_back({t.Name == u"OL", start.empty() ? 0 : Val(start) - 1});
      continue;
    }
    if (list) {
      if (!lists.empty()) {
        closeOpenItem(lists.back(), t.Start);
        lists.pop_back();
      }
      continue;
    }
    if (lists.empty() || (t.Name != u"P" && t.Name != u"LI")) continue;
    List& l = lists.back();
    if (t.Closing) {
      if (l.ItemOpen && t.Start == l.ItemEnd) {
        edits.push_back({t.Start, t.End - t.Start + 1, u"</P>", 1});
        l.ItemOpen = false;
      }
      continue;
    }
    const Text value = ListValue(StyleOf(UpperTag(html, t)));
    Text opening;
    if (l.Ordered) {
      if (t.Name != u"LI" && value.empty()) continue;
      l.Number += 1;
      opening = u"<P>" + NumberText(static_cast<std::int64_t>(l.Number)) + u". ";
    } else {
      if (value.empty()) continue;
      opening = u"<P>";
      auto level = levels.find(value);
      if (level == levels.end()) {
        const Pos second = InStr(InStr(1, value, u" ", Compare::Binary) + 1, value, u" ", Compare::Binary);
        if (second != 0) level = levels.find(Left(value, second - 1));
      }
      if (level != levels.end())
        opening += u"<FONT FACE=\"" + level->second.Face + u"\">" + level->second.Marker + u" </FONT>";
    }
    closeOpenItem(l, t.Start);
    edits.push_back({t.Start, t.End - t.Start + 1, std::move(opening), 1});
    l.ItemOpen = true;
    l.ItemEnd = ends[i];
  }
  for (List& l : lists) closeOpenItem(l, Len(html) + 1);
  ApplyEdits(html, edits);
}

}  // namespace

WordClasses ReadParagraphClasses(TextView head) {
  WordClasses classes;
  const Pos d = InStr(1, head, u"/* STYLE DEFINITIONS */", Compare::Text);
  if (d == 0) return classes;
  EachRule(head, d + 23, RegionEnd(head, d), [&](TextView selector, TextView declarations) {
    const Pos dot = InStr(1, selector, u".", Compare::Binary);
    if (dot == 0) return;
    Text name = Mid(selector, dot + 1);
    if (const Pos comma = InStr(1, name, u",", Compare::Binary); comma != 0) name = Left(name, comma - 1);
    WordClass c;
    c.Family = Property(declarations, u"FONT-FAMILY:");
    RemoveAll(c.Family, u"\"");
    c.Family = TrimSpace(c.Family);
    c.Size = Property(declarations, u"FONT-SIZE:");
    ReplaceIn(c.Size, u"PT", u"", Compare::Text);
    c.Size = TrimSpace(c.Size);
    classes.emplace(UCase(TrimSpace(name)), std::move(c));
  });
  return classes;
}

WordLevels ReadListLevels(TextView head) {
  WordLevels levels;
  const Pos d = InStr(1, head, u"/* LIST DEFINITIONS */", Compare::Text);
  if (d == 0) return levels;
  EachRule(head, d + 22, RegionEnd(head, d), [&](TextView selector, TextView declarations) {
    Text name = TrimSpace(selector);
    if (!name.starts_with(u"@")) return;
    for (TextView gone : {u"\t", u"\r\n", u"\r", u"\n"}) RemoveAll(name, gone);
    ReplaceIn(name, u":", u" ", Compare::Binary);
    name = UCase(name);
    ReplaceIn(name, u"LIST ", u"", Compare::Binary);
    name = Trim(name.substr(1));
    WordLevel level;
    Text marker = Property(declarations, u"MSO-LEVEL-TEXT:");
    const bool symbol = EqualText(Left(marker, 3), u"\\F0");
    if (symbol)
      level.Marker = u"&#X" + Mid(marker, 2) + u";";
    else
      level.Marker = (RemoveAll(marker, u"\""), marker);
    level.Face = Property(declarations, u"FONT-FAMILY:");
    RemoveAll(level.Face, u"\"");
    level.Face = TrimSpace(level.Face);
    if (level.Face.empty()) level.Face = symbol ? u"Symbol" : u"Times New Roman";
    levels.emplace(std::move(name), std::move(level));
  });
  return levels;
}

void CleanWordHtml(Text& html) {
  const Pos b = InStr(1, html, u"<BODY", Compare::Text);
  if (b == 0) return;
  const TextView head = MidView(html, 1, b - 1);
  const WordClasses classes = ReadParagraphClasses(head);  // stage 1
  const WordLevels levels = ReadListLevels(head);          // stage 2
  StripCommentsAndStyles(html);                            // stage 3
  WrapClassElements(html, u"P", classes);                  // stage 4
  WrapClassElements(html, u"LI", classes);                 // stage 5
  ReduceMarkerSpans(html);                                 // stage 6
  ListParagraphs(html, levels);                            // stages 7 and 8
  ApplyRules(html, kListsToBullets);                       // stage 9
}

}  // namespace skeinlet::detail
