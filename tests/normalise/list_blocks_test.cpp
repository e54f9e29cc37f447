#include "normalise/normalise_rtf.hpp"

#include "engine/state.hpp"
#include "normalise/marks.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace skeinlet::detail {
namespace {

Text Apply(void (*block)(IndexedText&), Text rtf) {
  IndexedText indexed(rtf);
  block(indexed);
  return rtf;
}

Text Num(int n) { return NumberText(n); }

// How many of the given texts a block rewrites, each tried on its own.
int Rewritten(void (*block)(IndexedText&), const std::vector<Text>& texts) {
  int n = 0;
  for (const Text& t : texts) n += Apply(block, t) != t;
  return n;
}

// `make(v)` for v from `first` to `last`.
template <typename F>
std::vector<Text> Each(int first, int last, F make) {
  std::vector<Text> out;
  for (int v = first; v <= last; ++v) out.push_back(make(v));
  return out;
}

const Text kItem(BulletItemMark);
const Text kParagraph(BulletParagraphMark);

TEST(ListBlocks, FamiliesCountedMemberByMember) {
  // Each family tried one past either end: nine, nine and eight members in
  // L1, ten in L6, nineteen in L7, twenty in L13.
  EXPECT_EQ(Rewritten(BlockL1, Each(0, 10, [](int n) {
              return u"\\par {\\pntext\\f0 " + Num(n) + u")\\tab}\\b y"; })), 9);
  EXPECT_EQ(Rewritten(BlockL1, Each(0, 10, [](int n) {
              return u"\\par {\\pntext\\f0 " + Num(n) + u")\\tab}\\b0 y"; })), 9);
  EXPECT_EQ(Rewritten(BlockL1, Each(0, 10, [](int n) {
              return u"\\par {\\pntext\\f0 " + Num(n) + u")\\tab}\\pard y"; })), 8);
  EXPECT_EQ(Rewritten(BlockL6, Each(0, 11, [](int f) {
              return u"\\par {\\pntext\\f" + Num(f) + u"\\'B7\\tab}}\r\n"; })), 10);
  EXPECT_EQ(Rewritten(BlockL7, Each(0, 20, [](int f) {
              return u"\\par \\pard{\\pntext\\f" + Num(f) + u"\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + Num(f) +
                     u"\\pnindent0{\\pntxtb\\'B7}}x"; })), 19);
  EXPECT_EQ(Rewritten(BlockL13, Each(0, 21, [](int f) {
              return u"{\\pntext\\f" + Num(f) + u"\\'b7\\tab}}"; })), 20);
  // First and last members.
  EXPECT_EQ(Apply(BlockL1, u"\\par {\\pntext\\f0 1)\\tab}\\b x"), u"\\par \\b{\\pntext\\f0 1)\\tab}\\b x");
  EXPECT_EQ(Apply(BlockL1, u"\\par {\\pntext\\f0 9)\\tab}\\b0 x"), u"\\par \\b0{\\pntext\\f0 9)\\tab}x");
  EXPECT_EQ(Apply(BlockL1, u"\\par {\\pntext\\f0 2)\\tab}\\pard x"), u"\\par \\pard x");
  EXPECT_EQ(Apply(BlockL6, u"\\par {\\pntext\\f10\\'b7\\tab}}\r\nx"), u"\\par \r\nx");
  EXPECT_EQ(Apply(BlockL7, u"\\par \\pard{\\pntext\\f19\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf19\\pnindent0"
                           u"{\\pntxtb\\'B7}}x"),
            u"\\par {\\pntext\\f19\\'B7\\tab}x");
  EXPECT_EQ(Apply(BlockL13, u"a{\\pntext\\f20\\'B7\\tab}}b{\\pntext\\f1\\'b7\\tab}c"),
            u"a" + kItem + u"b" + kItem + u"c");
}

TEST(ListBlocks, RulesRunInTheirOrder) {
  // L2: rule 4 writes the upper-case bullet that rule 11 drops; rule 14
  // comes after rule 11, so its lower-case bullet stays.
  EXPECT_EQ(Apply(BlockL2, u"\\par \\f1\\'b7\\tab\\pard x"), u"\\par \\pard x");
  EXPECT_EQ(Apply(BlockL2, u"pr{pe\\f1\\'b7\\tab}\\pard x"), u"\\par {\\pntext\\f1\\'b7\\tab}\\pard x");
  EXPECT_EQ(Apply(BlockL2, u"\\par \\pard{\\pntext\\f0 1)\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0"
                           u"\\pnstart1\\pndec{\\pntxta)}}\r\n\\fi-360\\li360\\b0 x"),
            u"\\par \\b0{\\pntext\\f0 1)\\tab}x");
  // L3: rule 12 before rule 13.
  EXPECT_EQ(Apply(BlockL3, u"\\par \\fs24\\u9679? \\fs15 x"), u"\\par \\fs24{\\pntext\\f2\\'B7\\tab} \\fs15 x");
  EXPECT_EQ(Apply(BlockL3, u"\\par \\fs24\\u9679? x"), u"\\fs24{\\pntext\\f2\\'B7\\tab} \\fs15x");
  // L5: rule 5 shortens what rule 26 turns into a bullet.
  EXPECT_EQ(Apply(BlockL5, u"\\par \\pard\\fi720\\tx0\\u9679? x"), u"\\par \\fi-720{\\pntext\\f1\\'B7\\tab} x");
  // L8: the colour moves to the next paragraph only under its guard.
  EXPECT_EQ(Apply(BlockL8, u"\\par \\pard\\fi720\\cf1\\u \r\n\\par x"), u"\\par \\pard\\fi720\\u \r\n\\par \\cf0 x");
  EXPECT_EQ(Apply(BlockL8, u"\\par \\pard\\li720\\cf3 \r\n\\par \\pard"), u"\\par \\pard\\li720\\cf0 \r\n\\par \\pard");
}

TEST(ListBlocks, L4EscapedBrace) {
  const Text group = u"{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}";
  EXPECT_EQ(Apply(BlockL4, u"\\par \\pard{\\pntext\\f2\\'B7\\tab}" + group + u"x"),
            u"\\pard{\\pntext\\f2\\'B7\\tab}" + group + u"x");
  EXPECT_EQ(Apply(BlockL4, u"\\par \\par \\pard\\fi-360\\li360\\tx360\\f1\\'b7\\tab\\f0 x"),
            u"\\par \\pard\\{\\pntext\\f2\\'B7\\tab}\\fi-360\\li360 x");
  // Rule 1 leaves a doubled "\par " in front of its result too.
  EXPECT_EQ(Apply(BlockL4, u"\\par \\par \\pard{\\pntext\\f2\\'B7\\tab}" + group + u"x"),
            u"\\par \\pard\\{\\pntext\\f2\\'B7\\tab}x");
}

TEST(ListBlocks, L5SubBlocksNeedTheirOwnGuard) {
  const Text bullet = u"\\par {\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}";
  const Text second = u"\\par \\pard\\fi-360\\li720\\f1\\'b7\\tab\\b\\f0 x";
  EXPECT_EQ(Apply(BlockL5, second), second);
  EXPECT_EQ(Apply(BlockL5, u"\\par \\pard\\fi-360\\li720\\tx720\\f1\\'b7\\tab\\b\\f0 a" + second),
            bullet + u"\\fi-360\\li720\\b a" + bullet + u"\\fi-360\\li720\\b x");
  EXPECT_EQ(Apply(BlockL5, u"\\par \\pard\\fi-360\\li818\\tx818\\tx818\\f1\\'b7\\tab\\i\\f0 a"
                           u"\\par \\f1\\'b7\\tab\\i\\f0 b"),
            bullet + u"\\fi-360\\li818\\i a" + bullet + u"\\fi-360\\li818\\i b");
}

TEST(ListBlocks, H1HeadingNumbers) {
  std::vector<Text> style2, style3;
  for (int f = 0; f <= 8; ++f)
    for (int n = 0; n <= 20; ++n) {
      style2.push_back(u"\\keepn\\s2\\fi-720\\li720\\sb240\\sa60\\b\\i\\f" + Num(f) + u"\\fs24 " + Num(n) +
                       u"\\tab x");
      style3.push_back(u"y \\keepn\\s3\\fi-720\\li720\\sb240\\sa60\\b\\f" + Num(f) + u" " + Num(n) + u"\\tab x");
    }
  EXPECT_EQ(Rewritten(BlockH1, style2), 5 * 19);
  EXPECT_EQ(Rewritten(BlockH1, style3), 7 * 19);
  EXPECT_EQ(Rewritten(BlockH1, Each(0, 20, [](int n) {
              return u"{\\pntext\\f1 " + Num(n) + u"\\tab}\\pard\\li1440\\sa240\\tx1440 " + Num(n) + u"\\tab x";
            })), 19);
  EXPECT_EQ(Apply(BlockH1, u"\\keepn\\s2\\fi-720\\li720\\sb240\\sa60\\b\\i\\f5\\fs24 19\\tab x"), u"\\b\\i\\f5\\fs24 x");
  EXPECT_EQ(Apply(BlockH1, u"y \\keepn\\s3\\fi-720\\li720\\sb240\\sa60\\b\\f7 1\\tab x"), u"y \\b\\f7 x");
  EXPECT_EQ(Apply(BlockH1, u"{\\pntext\\f1 7\\tab}\\pard\\shading500\\keepn\\s1 x"), u"\\pard\\shading500\\keepn\\s1 x");
}

TEST(ListBlocks, L10RepeatedNumberTexts) {
  EXPECT_EQ(Apply(BlockL10, u"\\par {\\pntext\\f20\\'B7\\tab}\\pard\\'b7\\tab x"), u"\\par x");
  EXPECT_EQ(Apply(BlockL10, u"\\par {\\pntext\\f21\\'B7\\tab}\\pard\\'b7\\tab x"),
            u"\\par {\\pntext\\f21\\'B7\\tab}\\pard\\'b7\\tab x");
  EXPECT_EQ(Apply(BlockL10, u"\\par {\\pntext\\f0 3)\\tab}\\pard 3)\\tab Third"), u"\\par Third");
  // Labels typed out: 1 to 20, a to t, i to x; then some beyond each.
  const std::vector<Text> labels = {
      u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10", u"11", u"12", u"13",
      u"14", u"15", u"16", u"17", u"18", u"19", u"20", u"a", u"b", u"c", u"d", u"e",
      u"f", u"g", u"h", u"i", u"j", u"k", u"l", u"m", u"n", u"o", u"p", u"q", u"r",
      u"s", u"t", u"i", u"ii", u"iii", u"iv", u"v", u"vi", u"vii", u"viii", u"ix", u"x"};
  const std::vector<Text> beyond = {u"0", u"21", u"u", u"z", u"xi", u"xx", u"A"};
  for (const TextView font : {u"0", u"1", u"2"}) {
    auto item = [&](const Text& label) {
      return u"\\par {\\pntext\\f" + Text(font) + u" " + label + u")\\tab}\\pard " + label +
             u")\\tab x";
    };
    for (const Text& l : labels) EXPECT_EQ(Apply(BlockL10, item(l)), u"\\par x") << ToUtf8(l);
    for (const Text& l : beyond) {
      // "A" is "a" to a case-insensitive rule.
      if (l == u"A") EXPECT_EQ(Apply(BlockL10, item(l)), u"\\par x");
      else EXPECT_EQ(Apply(BlockL10, item(l)), item(l)) << ToUtf8(l);
    }
  }
  EXPECT_EQ(Apply(BlockL10, u"\\par {\\pntext\\f3 1)\\tab}\\pard 1)\\tab x"),
            u"\\par {\\pntext\\f3 1)\\tab}\\pard 1)\\tab x");
}

TEST(ListBlocks, H2HeadingStyles) {
  EXPECT_EQ(Apply(BlockH2, u"a\\pard\\keepn\\s5 b"), u"ab");
  EXPECT_EQ(Apply(BlockH2, u"a\\pard\\keepn\\s0\\fi b"), u"a\\fi b");
  EXPECT_EQ(Apply(BlockH2, u"a\\pard\\keepn\\s6 b"), u"a\\pard\\keepn\\s6 b");
  // Style 12 loses "\pard\keepn\s1" to the blank-less family.
  EXPECT_EQ(Apply(BlockH2, u"a\\pard\\keepn\\s12 b"), u"a2 b");
}

TEST(ListBlocks, L11IndentedBullets) {
  const Text find = u"{\\pntext\\f1\\'B7\\tab}\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"
                    u"\\pnindent0{\\pntxtb\\'B7}}\\fi-195\\li";
  auto replaced = [](TextView li) {
    return u"\\pard\\li" + Text(li) +
           u"\\fi-195{\\*\\pn\\pnlvlblt\\pnf1\\pnindent195{\\pntxtb\\'b7}}\\plain\\lang1033 "
           u"{\\pntext\\f1\\'b7\\tab}";
  };
  for (const TextView li : {u"195", u"795", u"1395", u"1995", u"1800"})
    EXPECT_EQ(Apply(BlockL11, find + Text(li) + u" x"), replaced(li) + u" x") << ToUtf8(li);
  EXPECT_EQ(Apply(BlockL11, find + u"720 x"), find + u"720 x");
  // Rule 7 drops the view kind.
  EXPECT_EQ(Apply(BlockL11, u"\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"
                            u"\\pnindent0{\\pntxtb\\'B7}}\\fi-195\\li195 x"),
            u"\\pard\\li195\\fi-195{\\*\\pn\\pnlvlblt\\pnf1\\pnindent195{\\pntxtb\\'b7}}\\plain "
            u"{\\pntext\\f1\\'b7\\tab} x");
  EXPECT_EQ(Apply(BlockL11, u"\\par {\\pntext\\f1\\'B7\\tab}}\r\n"), u"\\par }\r\n");
}

// Step 3 of block L12 as its steps read, cutting and searching again from
// the start each time.
Text CutDefinitionsPlainly(Text t) {
  const Text start = u"{\\*\\pn\\pnlvlblt\\pnf1\\";
  const Text end = u"{\\pntxtb\\'b7}}";
  const auto s0 = t.find(start);
  const auto e0 = t.find(end);
  if (s0 == Text::npos || e0 == Text::npos || s0 > e0) return t;
  for (;;) {
    const auto s = t.find(start);
    if (s == Text::npos) break;
    const auto e = t.find(end, s);
    if (e == Text::npos) break;
    t.erase(s, e + end.size() - s);
  }
  return t;
}

TEST(ListBlocks, L12BulletMarksAndListDefinitions) {
  EXPECT_EQ(Apply(BlockL12, u"\\pard{\\pntext\\f1\\'B7\\tab}Item"), kItem + u"\\plain\\pardItem");
  EXPECT_EQ(Apply(BlockL12, u"\\pard{\\pntext\\f20\\'B7\\tab}Item"), kItem + u"\\plain\\pardItem");
  EXPECT_EQ(Apply(BlockL12, u"{\\pntext\\f3\\'B7\\tab}\\pard x"), kParagraph + u"\\pard x");
  EXPECT_EQ(Apply(BlockL12, u"{\\pntext\\f21\\'B7\\tab}\\pard x"), u"{\\pntext\\f21\\'B7\\tab}\\pard x");

  // Any font of a bullet definition becomes font 1; with a lower-case
  // bullet the whole definition is then cut out.
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf20\\pnindent0\\pnhang{\\pntxtb\\'b7}}b"), u"ab");
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf0\\pnhang{\\pntxtb\\'b7}}b"), u"ab");
  // Upper case is not cut; steps 6 then remove or blank it.
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf1\\pnhang{\\pntxtb\\'B7}}b"),
            u"a{\\*\\pn\\pnlvlblt\\pnf1\\pnhang{\\pntxtb\\'B7}}b");
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf7\\pnindent0{\\pntxtb\\'B7}}b"), u"a b");
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf20\\pnindent360{\\pntxtb\\'B7}}b"), u"ab");
  // A lone group end before the first group start: nothing is cut.
  const Text lone = u"{\\pntxtb\\'b7}}x{\\*\\pn\\pnlvlblt\\pnf1\\pnhang{\\pntxtb\\'b7}}y";
  EXPECT_EQ(Apply(BlockL12, lone), lone);
  // A start formed where a cut joins the text is cut next.
  EXPECT_EQ(Apply(BlockL12, u"{\\*\\pn\\pnlvl{\\*\\pn\\pnlvlblt\\pnf1\\x{\\pntxtb\\'b7}}"
                            u"blt\\pnf1\\y{\\pntxtb\\'b7}}z"),
            u"z");
  EXPECT_EQ(Apply(BlockL12, u"a{\\*\\pn\\pnlvlblt\\pnf1\\x{\\pntxtb\\'b7}}b{\\*\\pn\\pnlvlblt\\pnf1\\y"),
            u"ab{\\*\\pn\\pnlvlblt\\pnf1\\y");

  EXPECT_EQ(Apply(BlockL12, u"\\pard\\li360\\fi-360\\qr\\tx360 x"), u"\\pard\\qr x");
  EXPECT_EQ(Apply(BlockL12, u"\\pard\\li360\\fi-360\\tx360\\x"), u"\\pard\\x");
  EXPECT_EQ(Apply(BlockL12, u"\\pard\\fi-360\\li360\\qj\\tx360 x"), u"\\pard x");
}

TEST(ListBlocks, L12CutMatchesTheStepByStepCut) {
  // Fragments that make starts, ends and starts split across cuts.
  const std::vector<Text> pieces = {
      u"{\\*\\pn\\pnlvlblt\\pnf1\\", u"{\\pntxtb\\'b7}}", u"{\\*\\pn\\pnlvl", u"blt\\pnf1\\",
      u"{\\pntxtb\\'b", u"7}}", u"x", u"{\\*", u"\\pn\\pnlvlblt\\pnf1\\", u"{\\pntxtb\\'B7}}"};
  std::mt19937 rng(6);
  for (int round = 0; round < 3000; ++round) {
    // Every tenth text is long, so that the runs of four index it.
    Text t(round % 10 == 0 ? 70000 : 0, u'x');
    const std::size_t tail = t.size();
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) t += pieces[rng() % pieces.size()];
    // Only the cut of step 3 can change such a text.
    Text viaBlock = t;
    IndexedText indexed(viaBlock);
    BlockL12(indexed);
    ASSERT_EQ(viaBlock, CutDefinitionsPlainly(t)) << ToUtf8(t.substr(tail));
    // The index still finds what the joins of the cut made.
    const TextView cut(viaBlock);
    for (std::size_t at = tail > 8 ? tail - 8 : 0; at + 2 <= cut.size(); ++at) {
      for (const std::size_t length : {2, 5}) {
        if (at + length > cut.size()) continue;
        ASSERT_TRUE(indexed.Has(cut.substr(at, length))) << ToUtf8(cut.substr(at, length));
      }
    }
  }
}

TEST(ListBlocks, BulletParagraphReachesTheRunConverterAsAnItem) {
  ConversionState& state = State();
  state = ConversionState{};
  state.ImageOptions.ConvertImages = u"no";
  state.ColourTableEnd = 1;
  Text rtf = u"{\\rtf1\\ansi\\viewkind4\\uc1\\pard One\\par\r\n"
             u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
             u"\\fi-360\\li720 Bullet\\par\r\n}";
  NormaliseRTF(rtf);
  EXPECT_NE(state.HtmlOut.find(u"<li>"), Text::npos) << ToUtf8(state.HtmlOut);
  EXPECT_EQ(state.HtmlOut.find(BulletItemMark), Text::npos);
  EXPECT_EQ(state.HtmlOut.find(u"pntext"), Text::npos);
}

}  // namespace
}  // namespace skeinlet::detail
