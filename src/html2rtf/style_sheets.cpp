#include "html2rtf/style_sheets.hpp"

#include "html2rtf/html_to_rtf.hpp"
#include "html2rtf/prepasses.hpp"
#include "platform/style_sheet_files.hpp"
#include "text/numeric.hpp"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace skeinlet::detail {
namespace {

void RemoveAll(Text& s, TextView what) { ReplaceIn(s, what, u"", Compare::Binary); }

// The value of the declaration whose name is found at `at`: from after its
// ":" up to the first ";" (or the end).
Text ValueAfter(const Text& declarations, Pos at) {
  const Pos colon = InStr(at, declarations, u":", Compare::Binary);
  if (colon == 0) return {};
  const Pos end = InStr(colon, declarations, u";", Compare::Binary);
  return end == 0 ? Mid(declarations, colon + 1) : Mid(declarations, colon + 1, end - colon - 1);
}

Text FirstFamily(Text value) {
  const Pos comma = InStr(1, value, u",", Compare::Binary);
  if (comma > 0) value = Left(value, comma - 1);
  RemoveAll(value, u"\"");
  return Trim(value);
}

// The number in front of the first "pt" of a value, in half-points; 0 when
// the value has no "pt".
std::int16_t PointsBefore(TextView value) {
  const Pos pt = InStr(1, value, u"pt", Compare::Text);
  if (pt == 0) return 0;
  Pos from = pt;
  while (from > 1) {
    const char16_t c = value[static_cast<std::size_t>(from - 2)];
    if (!((c >= u'0' && c <= u'9') || c == u'.')) break;
    --from;
  }
  return RoundToInt16(Val(MidView(value, from, pt - from)) * 2);
}

// The face of the FONT shorthand: the last double-quoted name, else the
// last word.
Text ShorthandFace(const Text& value) {
  const Pos close = LastPosition(value, u"\"", Compare::Binary);
  if (close > 1) {
    const Pos open = LastPosition(Left(value, close - 1), u"\"", Compare::Binary);
    if (open > 0) return Mid(value, open + 1, close - open - 1);
  }
  const Text v = Trim(value);
  const Pos blank = LastPosition(v, u" ", Compare::Binary);
  return blank == 0 ? v : Mid(v, blank + 1);
}

// Position of "COLOR" as a property of its own, not the end of another
// name such as BACKGROUND-COLOR.
Pos ColourProperty(const Text& declarations) {
  for (Pos p = InStr(1, declarations, u"COLOR", Compare::Text); p != 0;
       p = InStr(p + 1, declarations, u"COLOR", Compare::Text))
    if (p == 1 || declarations[static_cast<std::size_t>(p - 2)] != u'-') return p;
  return 0;
}

void AppendRule(BoundedArray<StyleRule>& rules, StyleRule rule) {
  if (!rules.Dimensioned()) rules.Redim(0, 0);
  rules.RedimPreserve(rules.UBound() + 1);
  rules[rules.UBound()] = std::move(rule);
}

}  // namespace

Text ReadTextFile(const Text& path) { return ReadStyleSheetFile(path); }

void AddStyleRule(const Text& selector, const Text& declarations) {
  HtmlRtfState& s = HtmlRtf();
  StyleRule rule;
  rule.Selector = Trim(selector);
  if (Contains(rule.Selector, u":", Compare::Binary)) return;
  enum class Kind { Element, Class, Id } kind = Kind::Element;
  if (rule.Selector.starts_with(u".")) kind = Kind::Class;
  if (rule.Selector.starts_with(u"#")) kind = Kind::Id;
  if (kind != Kind::Element) rule.Selector.erase(0, 1);

  if (const Pos f = InStr(1, declarations, u"FONT-FAMILY", Compare::Text); f != 0)
    rule.Face = FirstFamily(ValueAfter(declarations, f + 11));
  if (const Pos z = InStr(1, declarations, u"FONT-SIZE", Compare::Text); z != 0) {
    const Text value = ValueAfter(declarations, z + 9);
    if (Contains(value, u"pt", Compare::Text)) rule.Size = RoundToInt16(Val(value) * 2);
  }
  if (const Pos f = InStr(1, declarations, u"FONT:", Compare::Text); f != 0) {
    const Text value = ValueAfter(declarations, f + 4);
    const Text face = FirstFamily(ShorthandFace(value));
    if (!face.empty()) rule.Face = face;
    if (const std::int16_t size = PointsBefore(value); size != 0) rule.Size = size;
  }
  if (const Pos c = ColourProperty(declarations); c != 0) {
    Text value = Trim(ValueAfter(declarations, c + 5));
    if (Contains(value, u"RGB", Compare::Text))
      ConvertRgbForm(value);
    else
      RemoveAll(value, u"#");
    rule.Colour = NormaliseColour(value);
  }

  StyleSheetRecord& sheet = s.StyleRules[s.StyleRules.UBound()];
  AppendRule(kind == Kind::Class ? sheet.ClassRules
             : kind == Kind::Id  ? sheet.IdRules
                                 : sheet.ElementRules,
             std::move(rule));
}

void ParseStyleSheet(const Text& css) {
  Text t = css;
  for (Pos p = InStr(1, t, u"/*", Compare::Binary); p != 0;
       p = InStr(p, t, u"/*", Compare::Binary)) {
    const Pos q = InStr(p + 2, t, u"*/", Compare::Binary);
    if (q == 0) break;
    t.erase(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(q + 2 - p));
  }
  ReplaceIn(t, u"\r\n", u" ", Compare::Binary);
  Pos from = 1;
  while (true) {
    const Pos open = InStr(from, t, u"{", Compare::Binary);
    if (open == 0) return;
    const Pos close = InStr(open, t, u"}", Compare::Binary);
    if (close == 0) return;
    const Text selectors = Trim(Mid(t, from, open - from));
    const Text declarations = Trim(Mid(t, open + 1, close - open - 1));
    from = close + 1;
    Pos start = 1;
    while (start <= Len(selectors) + 1) {
      Pos comma = InStr(start, selectors, u",", Compare::Binary);
      if (comma == 0) comma = Len(selectors) + 1;
      AddStyleRule(Mid(selectors, start, comma - start), declarations);
      start = comma + 1;
    }
    if (from > Len(t)) return;
  }
}

void ReadStyleSheets(Text& html, const Text& styleFolder) {
  HtmlRtfState& s = HtmlRtf();
  if (const Pos style = InStr(1, html, u"<STYLE", Compare::Text); style != 0) {
    const Pos gt = InStr(style, html, u">", Compare::Binary);
    const Pos end = gt == 0 ? 0 : InStr(gt, html, u"</STYLE>", Compare::Text);
    if (end != 0) {
      Text css = Mid(html, gt + 1, end - gt - 1);
      RemoveAll(css, u"<!--");
      RemoveAll(css, u"-->");
      s.StyleRules[0].Source = u"HTML";
      ParseStyleSheet(css);
    }
  }

  for (Pos link = InStr(1, html, u"<LINK", Compare::Text); link != 0;
       link = InStr(link + 1, html, u"<LINK", Compare::Text)) {
    const Pos gt = InStr(link, html, u">", Compare::Binary);
    if (gt == 0) return;
    const Text tag = Mid(html, link, gt - link + 1);
    const Text upper = UCase(tag);
    if (!Contains(upper, u"STYLESHEET", Compare::Binary) ||
        !Contains(upper, u"TEXT/CSS", Compare::Binary))
      continue;
    const Pos href = InStr(1, upper, u"HREF", Compare::Binary);
    if (href == 0) continue;
    const Pos eq = InStr(href, tag, u"=", Compare::Binary);
    if (eq == 0) continue;
    Text path = LTrim(Mid(tag, eq + 1));
    if (const Pos blank = InStr(1, path, u" ", Compare::Binary); blank != 0)
      path = Left(path, blank - 1);
    else
      RemoveAll(path, u">");
    RemoveAll(path, u"\"");
    if (!Contains(path, u":", Compare::Binary)) path = styleFolder + u"\\" + path;

    if (!s.StyleRules[s.StyleRules.UBound()].Source.empty())
      s.StyleRules.RedimPreserve(s.StyleRules.UBound() + 1);
    s.StyleRules[s.StyleRules.UBound()].Source = path;
    ParseStyleSheet(ReadTextFile(path));
  }
}

namespace {

bool IsSelectorUnit(char16_t c) noexcept { return IsNameUnit(c) || c == u'-' || c == u'_'; }

std::vector<Text> Words(const Text& value) {
  std::vector<Text> words;
  Pos from = 1;
  while (from <= Len(value)) {
    Pos blank = InStr(from, value, u" ", Compare::Binary);
    if (blank == 0) blank = Len(value) + 1;
    if (blank > from) words.push_back(Mid(value, from, blank - from));
    from = blank + 1;
  }
  return words;
}

Text FontTag(const StyleRule& rule) {
  Text tag = u"<FONT";
  if (!rule.Face.empty()) tag += u" FACE=\"" + rule.Face + u"\"";
  if (!rule.Colour.empty()) tag += u" COLOR=\"" + rule.Colour + u"\"";
  if (rule.Size > 0) tag += u" SIZEPT=\"" + NumberText(rule.Size) + u"\"";
  return tag + u">";
}

// The rules in the order they are applied, keyed for matching.
struct ElementRule {
  std::size_t Order;
  enum class Qualifier { None, Class, Id } By;
  Text Name;  // of the class or id
};
constexpr TextView kFontClose = u"</FONT>";

struct RuleIndex {
  std::vector<Text> Tags;  // FONT start tag of each applied rule, by order
  std::unordered_map<Text, std::vector<std::size_t>> Classes, Ids;
  std::unordered_map<Text, std::vector<ElementRule>> Elements;
  // Whether any rule reads a tag's CLASS, or its ID: a tag's attribute
  // that no rule reads is not looked for.
  bool ReadsClass = false, ReadsId = false;
};

bool Applies(const StyleRule& rule) {
  return !rule.Face.empty() || !rule.Colour.empty() || rule.Size > 0;
}

RuleIndex IndexRules(const BoundedArray<StyleSheetRecord>& sheets) {
  RuleIndex index;
  auto each = [&](const BoundedArray<StyleRule>& rules, auto&& add) {
    if (!rules.Dimensioned()) return;
    for (std::int64_t i = rules.LBound() + 1; i <= rules.UBound(); ++i) {
      if (!Applies(rules[i])) continue;
      index.Tags.push_back(FontTag(rules[i]));
      add(UCase(rules[i].Selector), index.Tags.size() - 1);
    }
  };
  for (std::int64_t r = sheets.LBound(); r <= sheets.UBound(); ++r) {
    each(sheets[r].ClassRules, [&](Text sel, std::size_t order) { index.Classes[sel].push_back(order); });
    each(sheets[r].IdRules, [&](Text sel, std::size_t order) { index.Ids[sel].push_back(order); });
    each(sheets[r].ElementRules, [&](Text sel, std::size_t order) {
      std::size_t n = 0;
      while (n < sel.size() && IsNameUnit(sel[n])) ++n;
      if (n == 0) return;
      ElementRule rule{order, ElementRule::Qualifier::None, {}};
      if (n < sel.size()) {
        rule.By = sel[n] == u'.' ? ElementRule::Qualifier::Class
                  : sel[n] == u'#' ? ElementRule::Qualifier::Id
                                   : ElementRule::Qualifier::None;
        rule.Name = sel.substr(n + 1);
        // Descendant and other compound selectors match nothing.
        if (rule.By == ElementRule::Qualifier::None || rule.Name.empty() ||
            !std::all_of(rule.Name.begin(), rule.Name.end(), IsSelectorUnit))
          return;
      }
      index.ReadsClass |= rule.By == ElementRule::Qualifier::Class;
      index.ReadsId |= rule.By == ElementRule::Qualifier::Id;
      index.Elements[sel.substr(0, n)].push_back(std::move(rule));
    });
  }
  index.ReadsClass |= !index.Classes.empty();
  index.ReadsId |= !index.Ids.empty();
  return index;
}

}  // namespace

void ApplyStyleRules(Text& html) {
  const RuleIndex index = IndexRules(HtmlRtf().StyleRules);
  if (index.Tags.empty()) return;
  extent::TagList tags = extent::ReadTags(html);
  std::vector<Pos> ends = extent::ElementEnds(html, tags);

  // What goes in where: after a start tag, the FONT start tags of the
  // rules it matched (last rule first); where its element ends, as many
  // "</FONT>"s. The rules of each tag are kept once in `orders`, and the
  // insertions only point at them, so that a document with a million
  // styled tags does not hold a million small texts.
  struct Insertion {
    Pos At;
    std::uint32_t First;  // the tag's rules: orders[First, First + Count)
    std::uint32_t Count : 31;
    std::uint32_t Closers : 1;  // "</FONT>"s rather than FONT start tags
  };
  std::vector<Insertion> insertions;
  std::vector<std::uint32_t> orders;
  std::size_t added = 0;
  std::vector<std::size_t> matched;
  // The element rules of each tag name, looked up once per name.
  std::vector<const std::vector<ElementRule>*> elementRules(tags.NameCount(), nullptr);
  std::vector<bool> lookedUp(tags.NameCount(), false);
  Text tag;  // each start tag upper-cased in turn
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const extent::BodyTag t = tags[i];
    if (t.Closing) continue;
    matched.clear();
    // A tag without "=" has no attribute to look for, and is not
    // upper-cased.
    const TextView raw = MidView(html, t.Start, t.End - t.Start + 1);
    const bool attributes = raw.find(u'=') != TextView::npos;
    if (attributes) UCaseInto(raw, tag);
    const Text classValue =
        attributes && index.ReadsClass ? extent::AttributeValue(tag, u"CLASS") : Text();
    const Text id = attributes && index.ReadsId ? extent::AttributeValue(tag, u"ID") : Text();
    const std::vector<Text> classes = Words(classValue);
    for (const Text& c : classes)
      if (auto f = index.Classes.find(c); f != index.Classes.end())
        matched.insert(matched.end(), f->second.begin(), f->second.end());
    if (!id.empty())
      if (auto f = index.Ids.find(id); f != index.Ids.end())
        matched.insert(matched.end(), f->second.begin(), f->second.end());
    const std::uint32_t name = tags.NameIndex(i);
    if (!lookedUp[name]) {
      lookedUp[name] = true;
      if (auto f = index.Elements.find(Text(t.Name)); f != index.Elements.end())
        elementRules[name] = &f->second;
    }
    if (elementRules[name] != nullptr) {
      for (const ElementRule& r : *elementRules[name]) {
        const bool named =
            r.By == ElementRule::Qualifier::None ||
            (r.By == ElementRule::Qualifier::Class &&
             std::find(classes.begin(), classes.end(), r.Name) != classes.end()) ||
            (r.By == ElementRule::Qualifier::Id && id == r.Name);
        if (named) matched.push_back(r.Order);
      }
    }
    if (matched.empty()) continue;
    std::sort(matched.begin(), matched.end());
    matched.erase(std::unique(matched.begin(), matched.end()), matched.end());
    const auto first = static_cast<std::uint32_t>(orders.size());
    const auto count = static_cast<std::uint32_t>(matched.size());
    for (auto m = matched.rbegin(); m != matched.rend(); ++m) {
      orders.push_back(static_cast<std::uint32_t>(*m));
      added += index.Tags[*m].size();
    }
    added += kFontClose.size() * matched.size();
    insertions.push_back({t.End + 1, first, count, 0});
    insertions.push_back({ends[i], first, count, 1});
  }
  if (insertions.empty()) return;
  // The tags are let go before the text is rebuilt, which is when the text
  // is held twice.
  tags = {};
  std::vector<Pos>().swap(ends);
  // Where several insertions fall at one place, start tags come before
  // closers, each kind in the order of its tags.
  std::stable_sort(insertions.begin(), insertions.end(), [](const Insertion& a, const Insertion& b) {
    return a.At != b.At ? a.At < b.At : a.Closers < b.Closers;
  });
  Text out;
  out.reserve(html.size() + added);
  Pos copied = 1;
  for (const Insertion& ins : insertions) {
    out.append(html, static_cast<std::size_t>(copied - 1), static_cast<std::size_t>(ins.At - copied));
    for (std::uint32_t k = 0; k < ins.Count; ++k)
      out += ins.Closers ? kFontClose : TextView(index.Tags[orders[ins.First + k]]);
    copied = ins.At;
  }
  out.append(html, static_cast<std::size_t>(copied - 1));
  html = std::move(out);
}

}  // namespace skeinlet::detail
