// The list, bullet and heading-number blocks of NormaliseRTF: L1 to L13,
// H1 and H2. NormaliseRTF calls each at its place; within a block the rules
// run in the order written here. Between them they bring every bullet item
// start to BulletItemMark or BulletParagraphMark, drop the number texts a
// word processor repeats after its list number group, drop heading numbers,
// and cut out the "{\*\pn\pnlvlblt" list definitions the run converter
// cannot use.
//
// Most blocks are guarded: a document without lists pays one search per
// guard instead of a scan per rule.
#include "normalise/marks.hpp"
#include "normalise/normalise_rtf.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <vector>

namespace skeinlet::detail {
namespace {

// The bullet list definition that several producers write after the
// paragraph's own number text.
#define SKEINLET_F2_BULLET_GROUP \
  u"{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}"
#define SKEINLET_F2_BULLET_PARD \
  u"\\pard{\\pntext\\f2\\'B7\\tab}" SKEINLET_F2_BULLET_GROUP

// `tmpl` with every `slot` replaced by `value`.
Text Fill(TextView tmpl, TextView slot, TextView value) {
  Text out(tmpl);
  ReplaceIn(out, slot, value, Compare::Binary);
  return out;
}

// A family in two numbers: for each F, for each N (in the orders given),
// one rule with {F} and {N} filled in both templates.
void AddFamily2(RuleTable& t, TextView find, TextView replace,
                const std::vector<int>& fonts, const std::vector<int>& numbers) {
  for (const int f : fonts) {
    const Text fontText = NumberText(f);
    t.AddFamily(Fill(find, u"{F}", fontText), Fill(replace, u"{F}", fontText),
                numbers);
  }
}

// Block L12 step 3. Cuts each list definition from "{\*\pn\pnlvlblt\pnf1\"
// through the first "{\pntxtb\'b7}}" after it, case-sensitively, the first
// remaining start each time. The text before a cut never holds a whole start
// (it was the first), so a later start either lies wholly after the cut or
// is formed across the join; only the last few kept characters need looking
// at again, which keeps one pass linear however many groups a document has.
// Returns whether it removed anything; `joins` receives where the kept
// pieces meet in the new text, in order.
bool RemoveListDefinitions(Text& rtf, std::vector<std::size_t>& joins) {
  constexpr TextView kStart = u"{\\*\\pn\\pnlvlblt\\pnf1\\";
  constexpr TextView kEnd = u"{\\pntxtb\\'b7}}";
  const std::size_t firstStart = FindIndex(rtf, kStart, 0, Compare::Binary);
  if (firstStart == Text::npos) return false;
  const std::size_t firstEnd = FindIndex(rtf, kEnd, 0, Compare::Binary);
  if (firstEnd == Text::npos || firstStart >= firstEnd) return false;

  const Text& src = rtf;
  Text out;
  out.reserve(src.size());
  std::size_t cursor = 0;  // src[cursor..] is not yet copied to out
  for (;;) {
    // A start formed across the join: it begins in the kept tail of out.
    const std::size_t keep = std::min(out.size(), kStart.size() - 1);
    Text probe = out.substr(out.size() - keep);
    probe.append(src, cursor, kStart.size() - 1);
    const std::size_t across = probe.find(kStart);
    std::size_t startInOut;   // where the start begins, counted in out
    std::size_t searchFrom;   // in src, just past the start
    if (across != Text::npos && across < keep) {
      startInOut = out.size() - keep + across;
      searchFrom = cursor + (kStart.size() - (keep - across));
    } else {
      const std::size_t s = FindIndex(src, kStart, cursor, Compare::Binary);
      if (s == Text::npos) break;
      out.append(src, cursor, s - cursor);
      cursor = s;
      startInOut = out.size();
      searchFrom = s + kStart.size();
    }
    const std::size_t e = FindIndex(src, kEnd, searchFrom, Compare::Binary);
    if (e == Text::npos) break;
    out.resize(startInOut);
    // A cut that starts in the kept tail swallows the joins made there.
    while (!joins.empty() && joins.back() >= startInOut) joins.pop_back();
    joins.push_back(startInOut);
    cursor = e + kEnd.size();
  }
  out.append(src, cursor, Text::npos);
  rtf = std::move(out);
  return true;
}

}  // namespace

void BlockL1(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"\\par {\\pntext\\f0 {N})\\tab}\\b ",
                u"\\par \\b{\\pntext\\f0 {N})\\tab}\\b ", Range(1, 9));
    t.AddFamily(u"\\par {\\pntext\\f0 {N})\\tab}\\b0 ",
                u"\\par \\b0{\\pntext\\f0 {N})\\tab}", Range(1, 9));
    // Item 1 keeps its number text.
    t.AddFamily(u"\\par {\\pntext\\f0 {N})\\tab}\\pard ", u"\\par \\pard ", Range(2, 9));
    return t;
  }();
  ApplyGuarded(rtf, u"\\par {\\pntext\\f0 ", kRules);
}

void BlockL2(IndexedText& rtf) {
  // Rules 6 and 10 are the same rule, and so are 8 and 13: the rules in
  // between make more of their text.
  static constexpr Rule kRules[] = {
      {u"\\par \\pard\\fi-2627\\li2627\\b0 ", u"\\par \\pard\\b0 "},
      {u"\\par \\pard\\fi-360\\li360\\tx360\\tx720\\f1\\'b7\\tab", u"\\par {\\pntext\\f1\\'B7\\tab}"},
      {u"\\par \\pard\\fi-360\\li360\\f1\\'b7\\tab", u"\\par {\\pntext\\f1\\'B7\\tab}"},
      {u"\\par \\f1\\'b7\\tab", u"\\par {\\pntext\\f1\\'B7\\tab}"},
      {u"\\par {\\pntext\\f1\\'B7\\tab}\\pard\\tx360 \r\n\\par ", u"\\par \r\n\\par "},
      {u"\\par " SKEINLET_F2_BULLET_PARD u"\\fi-355\\li355\\tx360 ", u"\\par {\\pntext\\f2\\'B7\\tab}"},
      {u"\\par " SKEINLET_F2_BULLET_PARD u"\\fi-355\\li710\\tx720 ", u"\\par {\\pntext\\f2\\'B7\\tab}"},
      {u"\\par \\pard\\fi-2124\\li2124\\", u"\\par \\pard\\"},
      {u"\\par \\pard{\\pntext\\f0 1)\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta)}}"
       u"\r\n\\fi-360\\li360\\b0 ",
       u"\\par \\b0{\\pntext\\f0 1)\\tab}"},
      {u"\\par " SKEINLET_F2_BULLET_PARD u"\\fi-355\\li355\\tx360 ", u"\\par {\\pntext\\f2\\'B7\\tab}"},
      {u"\\par {\\pntext\\f1\\'B7\\tab}\\pard ", u"\\par \\pard "},
      {u"\\par {\\pntext\\f2\\'B7\\tab}\\pard ", u"\\par \\pard "},
      {u"\\par \\pard\\fi-2124\\li2124\\", u"\\par \\pard\\"},
      {u"pr{pe\\f1\\'b7\\tab}", u"\\par {\\pntext\\f1\\'b7\\tab}"},
      {u"\\par \\pard\\fi-360\\li720\\tx720\\f1\\fs24 -\\tab\\", u"\\par \\f1\\fs24 -\\tab\\"},
      {u"\\par \\pard\\fi-360\\li720\\tx720\\f2\\fs24 -\\tab\\", u"\\par \\f2\\fs24 -\\tab\\"},
      {u"\\par \\pard\\fi-360\\li720\\f1\\fs24 -\\tab\\", u"\\par \\f1\\fs24 -\\tab\\"},
      {u"\\par \\pard\\fi-360\\li720\\f2\\fs24 -\\tab\\", u"\\par \\f2\\fs24 -\\tab\\"},
  };
  rtf.Apply(kRules);
}

void BlockL3(IndexedText& rtf) {
  // The bullet written as the Unicode escape "\u9679?".
  static constexpr Rule kRules[] = {
      {u"\\par \\pard\\fi720\\tx0\\fs24\\u9679? \\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\par \\pard\\fi720\\tx0\\cf1\\fs24\\u9679? \\fs15 ", u"\\par \\u9679? \\fs15\\cf1 "},
      {u"\\par \\pard\\fi720\\fs24\\u9679? \\fs15 ", u"\\par \\u9679? \\fs15 "},
      {u"\\par \\pard\\fi720\\tx0\\u9679? \\f0\\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\par \\highlight0\\u9679? \\f0\\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\par \\pard\\fi720\\highlight0\\u9679? \\f0\\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\par \\u9679? \\f0\\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\par \\u9679? \\fs15 ", u"\\par \\u9679? \\fs15 "},
      {u"\\par \\highlight0\\u9679? \\fs15 ", u"\\par \\u9679? \\fs15\\f0 "},
      {u"\\pard\\fi720\\tx0\\cf1\\u9679? \\fs15", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720\\fs15"},
      {u"\\pard\\fi720\\fs24\\u9679? \\fs15", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720\\fs15"},
      {u"\\fs24\\u9679? \\fs15", u"\\fs24{\\pntext\\f2\\'B7\\tab} \\fs15"},
      {u"\\par \\fs24\\u9679? ", u"\\fs24{\\pntext\\f2\\'B7\\tab} \\fs15"},
      {u"\\par \\pard\\fi720\\tx0  \\cf1\\u9679? ", u"\\par {\\pntext\\f1\\'B7\\tab}\\cf1 "},
      {u"\\par \\pard\\fi720\\tx0  \\u9679? ", u"\\par {\\pntext\\f1\\'B7\\tab} "},
      {u"\\par \\pard\\fi720  \\u9679? ", u"\\par {\\pntext\\f1\\'B7\\tab} "},
      {u"\\par  \\u9679? ", u"\\par {\\pntext\\f1\\'B7\\tab} "},
      {u"\\par \\pard\\fi720\\fs24\\u9679? ", u"\\par \\u9679? \\fs15 "},
      {u"\\par \\pard\\fi720\\tx0\\fs24\\u9679? ", u"\\par \\u9679? \\fs15 "},
  };
  ApplyGuarded(rtf, u"\\u9679?", kRules);
}

void BlockL4(IndexedText& rtf) {
  // Rule 10 finds rule 1's text again wherever a further "\par " stood in
  // front of a result of rules 1 to 9, and writes an escaped brace there.
  static constexpr Rule kRules[] = {
      {u"\\par " SKEINLET_F2_BULLET_PARD, SKEINLET_F2_BULLET_PARD},
      {u"\\par \\pard\\fi-360\\li360\\tx360\\f1\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-360\\li360"},
      {u"\\par \\pard\\fi-360\\li360\\f1\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-360\\li360"},
      {u"\\par \\pard\\fi-360\\li360\\tx360\\f2\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-360\\li360"},
      {u"\\par \\pard\\fi-360\\li360\\f2\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-360\\li360"},
      {u"\\par \\pard\\fi-720\\li720\\tx720\\f1\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720"},
      {u"\\par \\pard\\fi-720\\li720\\f1\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720"},
      {u"\\par \\pard\\fi-720\\li720\\tx720\\f2\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720"},
      {u"\\par \\pard\\fi-720\\li720\\f2\\'b7\\tab\\f0", SKEINLET_F2_BULLET_PARD u"\\fi-720\\li720"},
      {u"\\par " SKEINLET_F2_BULLET_PARD, u"\\par \\pard\\{\\pntext\\f2\\'B7\\tab}"},
      {u"\\par \\highlight1\\lang3079{\\pntext\\f2\\'B7\\tab}", u"\\par {\\pntext\\f2\\'B7\\tab}\\highlight1\\lang3079 "},
      {u"\\fs2  \\fs21  \\b0 ", u"\\fs2\\fs21\\b0  "},
  };
  rtf.Apply(kRules);
}

void BlockL5(IndexedText& rtf) {
  static constexpr Rule kFirst[] = {
      {u"\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}",
       u"\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\f1\\'B7}}"},
      {u">\\cf0\\ulnone \r\n\\par", u">\\cf0\\ulnone  \r\n\\par"},
      {u" \\bullet  \\tab ", u" {\\pntext\\f2\\'B7\\tab} "},
      {u"\\bullet  \\tab ", u" {\\pntext\\f2\\'B7\\tab} "},
      {u"\\pard\\fi720\\tx0\\u9679? ", u"\\pard\\fi720\\u9679? "},
      {u"\\par \r\n\\par \\pard\\fi720\\tx0  \\cf1\\f1\\u9679? ", u"\\par \\cf1\\f1 \r\n\\par \\pard\\fi720\\u9679? "},
      {u"\\par \\pard\\li360 \r\n\\par ", u"\\par \\pard\r\n\\par "},
      {u"\\par \\pard\\li360  \r\n\\par ", u"\\par \\pard\r\n\\par "},
      {u"\\par \\pard\\li360   \r\n\\par ", u"\\par \\pard\r\n\\par "},
  };
  // Rules 10 to 24: five sub-blocks of three, each guarded by its first
  // find text; all three finds of a sub-block get the same replacement.
  struct SubBlock {
    TextView finds[3];
    TextView replace;
  };
#define SKEINLET_F1_BULLET_F2_GROUP \
  u"\\par {\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}"
  static constexpr SubBlock kSubBlocks[] = {
      {{u"\\par \\pard\\fi-360\\li720\\tx720\\f1\\'b7\\tab\\b\\f0 ",
        u"\\par \\pard\\fi-360\\li720\\f1\\'b7\\tab\\b\\f0 ", u"\\par \\f1\\'b7\\tab\\b\\f0 "},
       SKEINLET_F1_BULLET_F2_GROUP u"\\fi-360\\li720\\b "},
      {{u"\\par \\pard\\fi-360\\li818\\tx818\\tx818\\f1\\'b7\\tab\\b\\f0 ",
        u"\\par \\pard\\fi-360\\li818\\f1\\'b7\\tab\\b\\f0 ", u"\\par \\f1\\'b7\\tab\\b\\f0 "},
       SKEINLET_F1_BULLET_F2_GROUP u"\\fi-360\\li818\\b "},
      {{u"\\par \\pard\\fi-360\\li818\\tx818\\tx818\\f1\\'b7\\tab\\i\\f0 ",
        u"\\par \\pard\\fi-360\\li818\\f1\\'b7\\tab\\i\\f0 ", u"\\par \\f1\\'b7\\tab\\i\\f0 "},
       SKEINLET_F1_BULLET_F2_GROUP u"\\fi-360\\li818\\i "},
      {{u"\\par \\pard\\fi-360\\li720\\tx720\\tx720\\f1\\'b7\\tab\\f0 ",
        u"\\par \\pard\\fi-360\\li720\\f1\\'b7\\tab\\f0 ", u"\\par \\f1\\'b7\\tab\\f0 "},
       SKEINLET_F1_BULLET_F2_GROUP u"\\fi-360\\li720 "},
      {{u"\\par \\pard\\fi-360\\li720\\tx720\\f1\\'b7\\tab\\f0 ",
        u"\\par \\pard\\fi-360\\li720\\f1\\'b7\\tab\\f0 ", u"\\par \\f1\\'b7\\tab\\f0 "},
       SKEINLET_F1_BULLET_F2_GROUP u"\\fi-360\\li720 "},
  };
#undef SKEINLET_F1_BULLET_F2_GROUP
  static constexpr Rule kLast[] = {
      {u"\\par \\pard\\fi720\\tx0\\cf1\\u9679? ", u"\\par \\fi-720{\\pntext\\f1\\'B7\\tab} "},
      {u"\\par \\pard\\fi720\\u9679? ", u"\\par \\fi-720{\\pntext\\f1\\'B7\\tab} "},
      {u"\\par \\u9679? ", u"\\par \\fi-720{\\pntext\\f1\\'B7\\tab} "},
      {u"\\par \\pard \r\n\\par ", u"\\par \r\n\\par "},
  };
  rtf.Apply(kFirst);
  for (const SubBlock& sub : kSubBlocks) {
    const Rule rules[] = {{sub.finds[0], sub.replace},
                          {sub.finds[1], sub.replace},
                          {sub.finds[2], sub.replace}};
    ApplyGuarded(rtf, sub.finds[0], rules);
  }
  rtf.Apply(kLast);
}

void BlockL6(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"\\par {\\pntext\\f{N}\\'B7\\tab}}\r\n", u"\\par \r\n", Range(1, 10));
    return t;
  }();
  ApplyGuarded(rtf, u"\\par {\\pntext\\f", kRules);
}

void BlockL7(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(
        u"\\par \\pard{\\pntext\\f{N}\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf{N}\\pnindent0{\\pntxtb\\'B7}}",
        u"\\par {\\pntext\\f{N}\\'B7\\tab}", Range(19, 1));
    return t;
  }();
  ApplyGuarded(rtf, u"\\par \\pard{\\pntext\\f", kRules);
}

void BlockL8(IndexedText& rtf) {
  static constexpr Rule kColourReset[] = {
      {u"\\par \\pard\\cf1 \r\n\\par \\pard", u"\\par \\pard\\cf0 \r\n\\par \\pard"},
      {u"\\par \\pard\\li720\\cf1 \r\n\\par \\pard", u"\\par \\pard\\li720\\cf0 \r\n\\par \\pard"},
      {u"\\par \\pard\\li720\\cf2 \r\n\\par \\pard", u"\\par \\pard\\li720\\cf0 \r\n\\par \\pard"},
      {u"\\par \\pard\\li720\\cf3 \r\n\\par \\pard", u"\\par \\pard\\li720\\cf0 \r\n\\par \\pard"},
  };
  // The colour moves from the list paragraph to the next paragraph as an
  // explicit reset.
  static constexpr Rule kColourMove[] = {
      {u"\\par \\pard\\fi720\\cf1\\b0 \r\n\\par", u"\\par \\pard\\fi720\\b0 \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\b1 \r\n\\par", u"\\par \\pard\\fi720\\b1 \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\b \r\n\\par", u"\\par \\pard\\fi720\\b \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\i0 \r\n\\par", u"\\par \\pard\\fi720\\i0 \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\i \r\n\\par", u"\\par \\pard\\fi720\\i \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\ul \r\n\\par", u"\\par \\pard\\fi720\\ul \r\n\\par \\cf0"},
      {u"\\par \\pard\\fi720\\cf1\\u \r\n\\par", u"\\par \\pard\\fi720\\u \r\n\\par \\cf0"},
  };
  rtf.Apply(kColourReset);
  ApplyGuarded(rtf, u"\\par \\pard\\fi720\\cf1\\", kColourMove);
}

void BlockL9(IndexedText& rtf) {
  static constexpr Rule kBulletGroup[] = {
      {u"tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\", u"tab}\\"},
  };
  // Every find text of these rules begins with the guard, so the guard
  // decides for all four as it does for the first.
  static constexpr Rule kUnderlineFirst[] = {
      {u"\\par \\pard\\li360\\ulnone\\", u"\\par \\pard\\ulnone\\li360\\"},
      {u"\\par \\pard\\li1440\\ulnone\\", u"\\par \\pard\\ulnone\\li1440\\"},
      {u"\\par \\pard\\li720\\ulnone\\", u"\\par \\pard\\ulnone\\li720\\"},
      {u"\\par \\pard\\li460\\ulnone\\", u"\\par \\pard\\ulnone\\li460\\"},
  };
  rtf.Apply(kBulletGroup);
  ApplyGuarded(rtf, u"\\par \\pard\\li", kUnderlineFirst);
}

void BlockH1(IndexedText& rtf) {
  static const RuleTable kIndented = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f1 {N}\\tab}\\pard\\li1440\\sa240\\tx1440 {N}\\tab ", u"",
                Range(1, 19));
    return t;
  }();
  static const RuleTable kShaded = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f1 {N}\\tab}\\pard\\shading500\\keepn\\s",
                u"\\pard\\shading500\\keepn\\s", Range(1, 19));
    return t;
  }();
  static const RuleTable kStyle2 = [] {
    RuleTable t;
    AddFamily2(t, u"\\keepn\\s2\\fi-720\\li720\\sb240\\sa60\\b\\i\\f{F}\\fs24 {N}\\tab ",
               u"\\b\\i\\f{F}\\fs24 ", Range(1, 5), Range(1, 19));
    return t;
  }();
  static const RuleTable kStyle3 = [] {
    RuleTable t;
    AddFamily2(t, u" \\keepn\\s3\\fi-720\\li720\\sb240\\sa60\\b\\f{F} {N}\\tab ",
               u" \\b\\f{F} ", Range(7, 1), Range(1, 19));
    return t;
  }();
  ApplyGuarded(rtf, u"\\tab}\\pard\\li1440\\sa240\\tx1440 ", kIndented);
  ApplyGuarded(rtf, u"\\tab}\\pard\\shading500\\keepn\\s", kShaded);
  ApplyGuarded(rtf, u"\\keepn\\s2\\fi-720\\li720\\sb240\\sa60\\b\\i\\", kStyle2);
  ApplyGuarded(rtf, u"\\keepn\\s3\\fi-720\\li720\\sb240\\sa60\\b\\f", kStyle3);
}

const std::vector<Text>& ListLabels() {
  // 1 to 20, a to t, i to x.
  static const std::vector<Text> labels = [] {
    std::vector<Text> l;
    for (const int n : Range(1, 20)) l.push_back(NumberText(n));
    for (char16_t c = u'a'; c <= u't'; ++c) l.push_back(Text(1, c));
    for (const TextView r : {u"i", u"ii", u"iii", u"iv", u"v", u"vi", u"vii", u"viii", u"ix", u"x"})
      l.push_back(Text(r));
    return l;
  }();
  return labels;
}

void BlockL10(IndexedText& rtf) {
  static const RuleTable kBulletRepeat = [] {
    RuleTable t;
    t.AddFamily(u"\\par {\\pntext\\f{N}\\'B7\\tab}\\pard\\'b7\\tab ", u"\\par ", Range(1, 20));
    return t;
  }();
  struct Numbered {
    Text guard;
    RuleTable rules;
  };
  // The numbered families in fonts 0, 1 and 2, each with its own guard.
  static const std::vector<Numbered> kNumbered = [] {
    std::vector<Numbered> blocks;
    for (const int font : Range(0, 2)) {
      const Text f = NumberText(font);
      Numbered b{u"\\par {\\pntext\\f" + f + u" ", {}};
      for (const Text& label : ListLabels())
        b.rules.Add(u"\\par {\\pntext\\f" + f + u" " + label + u")\\tab}\\pard " + label +
                        u")\\tab ",
                    u"\\par ");
      blocks.push_back(std::move(b));
    }
    return blocks;
  }();
  ApplyGuarded(rtf, u"\\par {\\pntext\\f", kBulletRepeat);
  for (const Numbered& b : kNumbered) {
    if (rtf.Has(b.guard, Compare::Text) && rtf.Has(u")\\tab}\\pard ", Compare::Text))
      rtf.Apply(b.rules);
  }
}

void BlockH2(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"\\pard\\keepn\\s{N} ", u"", Range(0, 5));
    t.AddFamily(u"\\pard\\keepn\\s{N}", u"", Range(0, 5));
    return t;
  }();
  ApplyGuarded(rtf, u"\\pard\\keepn\\s", kRules);
}

void BlockL11(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.Add(u"\\par {\\pntext\\f1\\'B7\\tab}}\r\n", u"\\par }\r\n");
    // Rules 2 to 6: only the left indent varies, the same in both texts.
    t.AddFamily(
        u"{\\pntext\\f1\\'B7\\tab}\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0"
        u"{\\pntxtb\\'B7}}\\fi-195\\li{N}",
        u"\\pard\\li{N}\\fi-195{\\*\\pn\\pnlvlblt\\pnf1\\pnindent195{\\pntxtb\\'b7}}\\plain\\lang1033 "
        u"{\\pntext\\f1\\'b7\\tab}",
        {195, 795, 1395, 1995, 1800});
    t.Add(u"\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0"
          u"{\\pntxtb\\'B7}}\\fi-195\\li195",
          u"\\pard\\li195\\fi-195{\\*\\pn\\pnlvlblt\\pnf1\\pnindent195{\\pntxtb\\'b7}}\\plain "
          u"{\\pntext\\f1\\'b7\\tab}");
    return t;
  }();
  rtf.Apply(kRules);
}

void BlockL12(IndexedText& rtf) {
  static const Text kItemPard = Text(BulletItemMark) + u"\\plain\\pard";
  static const Text kParagraphPard = Text(BulletParagraphMark) + u"\\pard";
  static const RuleTable kItems = [] {
    RuleTable t;
    t.AddFamily(u"\\pard{\\pntext\\f{N}\\'B7\\tab}", kItemPard, Range(1, 20));
    return t;
  }();
  // Every bullet definition into font 1, the one form step 3 cuts out.
  static const RuleTable kFonts = [] {
    RuleTable t;
    t.AddFamily(u"{\\*\\pn\\pnlvlblt\\pnf{N}\\", u"{\\*\\pn\\pnlvlblt\\pnf1\\", Range(20, 0));
    return t;
  }();
  static const RuleTable kParagraphs = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f{N}\\'B7\\tab}\\pard", kParagraphPard, Range(1, 20));
    return t;
  }();
  static constexpr Rule kIndents[] = {
      {u"li360\\fi-360\\tx360\\", u""},
      {u"li360\\fi-360\\qr\\tx360", u"qr"},
      {u"li360\\fi-360\\qc\\tx360", u"qc"},
      {u"\\fi-360\\li360\\qj\\tx360", u""},
  };
  static const RuleTable kDefinitions = [] {
    RuleTable t;
    t.AddFamily(u"{\\*\\pn\\pnlvlblt\\pnf{N}\\pnindent360{\\pntxtb\\'B7}}", u"", Range(1, 20));
    t.AddFamily(u"{\\*\\pn\\pnlvlblt\\pnf{N}\\pnindent0{\\pntxtb\\'B7}}", u" ", Range(1, 20));
    return t;
  }();
  ApplyGuarded(rtf, u"\\pard{\\pntext\\f", kItems);
  ApplyGuarded(rtf, u"{\\*\\pn\\pnlvlblt", kFonts);
  std::vector<std::size_t> joins;
  if (RemoveListDefinitions(rtf.text(), joins)) rtf.Replaced(joins, 0);
  ApplyGuarded(rtf, u"{\\pntext\\f", kParagraphs);
  rtf.Apply(kIndents);
  ApplyGuarded(rtf, u"{\\*\\pn\\pnlvlblt\\pn", kDefinitions);
}

void BlockL13(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f{N}\\'B7\\tab}}", BulletItemMark, Range(1, 20));
    t.AddFamily(u"{\\pntext\\f{N}\\'b7\\tab}", BulletItemMark, Range(1, 20));
    return t;
  }();
  ApplyGuarded(rtf, u"{\\pntext\\f", kRules);
}

#undef SKEINLET_F2_BULLET_PARD
#undef SKEINLET_F2_BULLET_GROUP

}  // namespace skeinlet::detail
