#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "engine/state.hpp"
#include "normalise/run_parts.hpp"
#include "text/numeric.hpp"
#include "text/text.hpp"

namespace skeinlet::detail {
namespace {

Pos SwitchEndPlain(TextView t, Pos p) {
  for (TextView stop : {TextView(u" "), TextView(u"\\"), TextView(u"&"), TextView(u"<")}) {
    const Pos e = InStr(p + 1, t, stop, Compare::Binary);
    if (e > 0) return e;
  }
  return 0;
}

// The face pass as it is described: every font number from the highest
// down, every form replaced over the whole text, on every numeric find.
// Gives up, returning false, after mostPasses numeric finds or once the text
// has grown past the size at which the pass fails.
bool FacesByFullLoop(RunParts& r, int mostPasses) {
  ConversionState& st = State();
  Text& t = r.text;
  const std::size_t mostUnits = t.size() * 4 + (std::size_t{1} << 20);
  Pos p = InStr(1, t, u"\\f", Compare::Binary);
  while (p > 0) {
    const Text seven = Mid(t, p, 7);
    if (Len(seven) >= 4 && !IsNumeric(MidView(seven, 3)) && seven[3] >= 128)
      t.replace(static_cast<std::size_t>(p - 1), seven.size(), Left(seven, 3) + u" ");
    const Pos e = SwitchEndPlain(t, p);
    if (e > 0) {
      if (!IsNumeric(Mid(t, p + 2, e - p - 2))) return true;
      if (--mostPasses < 0) return false;
      for (std::int64_t k = st.FontCount; k >= 0; --k) {
        const Text sw = u"\\f" + NumberText(k);
        const Text& name = st.FontNames[k];
        if (TrimView(name).empty()) {
          ReplaceIn(t, sw + u" ", u"");
          ReplaceIn(t, sw + u"&nbsp;", u"");
          continue;
        }
        st.CurrentFace = Trim(name);
        st.CurrentFontNumber = static_cast<std::int16_t>(k);
        r.wroteInlineSize = true;
        if (DropsFontMarkup()) {
          ReplaceIn(t, sw + u"&nbsp;", u"");
          ReplaceIn(t, sw + u" ", u" ");
          ReplaceIn(t, sw, u"");
        } else {
          const Text tag = u"<font FACE=\"" + name + u"\">";
          for (const auto& [find, by] : {std::pair<Text, Text>{sw + u"&nbsp;&nbsp;&#", tag + u"&#"},
                                         {sw + u"&nbsp;", tag}, {sw + u" ", tag}, {sw, tag}}) {
            ReplaceIn(t, find, by);
            if (t.size() > mostUnits) return false;
          }
        }
      }
    }
    p = p + 5 > Len(t) ? 0 : InStr(p + 5, t, u"\\f", Compare::Binary);
  }
  return true;
}

void SetFonts(std::initializer_list<TextView> names) {
  ConversionState& st = State();
  st.FontCount = static_cast<std::int16_t>(names.size() - 1);
  st.FontNames.Redim(0, st.FontCount);
  std::int64_t k = 0;
  for (TextView n : names) st.FontNames[k++] = Text(n);
  st.CurrentFace.clear();
  st.CurrentFontNumber = 0;
}

Text Faces(Text text) {
  RunParts r;
  r.text = std::move(text);
  InlineFaceSwitches(r);
  return r.text;
}

TEST(FaceSwitches, Examples) {
  State().NoFrame = u"no";
  SetFonts({u"Arial", u"", u"Times"});
  // Either case of the switch; the face left is that of font 0.
  EXPECT_EQ(Faces(u"\\f0 a \\f2&nbsp;b \\F0 c"),
            u"<font FACE=\"Arial\">a <font FACE=\"Times\">b <font FACE=\"Arial\">c");
  EXPECT_EQ(State().CurrentFace, u"Arial");
  EXPECT_EQ(State().CurrentFontNumber, 0);
  EXPECT_EQ(Faces(u"\\f1 x\\f1&nbsp;y"), u"xy");
  EXPECT_EQ(Faces(u"\\f2&nbsp;&nbsp;&#233;"), u"<font FACE=\"Times\">&#233;");
  // A non-numeric switch ends the pass before anything is replaced.
  EXPECT_EQ(Faces(u"\\fs20 \\f0 a"), u"\\fs20 \\f0 a");
  // Frameless output without kept fonts drops the switches.
  State().NoFrame = u"yes";
  State().RawKeepFonts = u"no";
  EXPECT_EQ(Faces(u"\\f0 a\\f2&nbsp;b\\f0c"), u" abc");
  State().NoFrame = u"no";
}

TEST(FaceSwitches, SameAsTheFullLoop) {
  std::mt19937 rng(777);
  const TextView pieces[] = {u"\\f", u"\\F", u"0", u"1", u"2", u"3", u"9", u"12", u" ", u"&nbsp;",
                             u"&#", u"x", u"\\", u"<", u"\u00e9", u"s", u"&NBSP;", u"&nbsp",
                             u"\\f1 ", u"\\f\\f", u"105"};
  // Mostly numeric switches, so that long texts run many passes.
  const TextView switchy[] = {u"\\f1 ", u"\\F12 ", u"\\f3&nbsp;", u"\\f105 ", u"\\f0&nbsp;&nbsp;&#",
                              u"\\f2", u" x", u"5 ", u"&nbsp;", u"\\f7\u00e9", u"\\f1", u" "};
  const TextView names[] = {u"Arial", u"", u"  ", u"A Face Name Long Enough To Span",
                            u"A\\f1", u"\\f", u"B\\F0x", u"Times", u"Long \\f1 And \\F0 Face Name \\f2"};
  // Short texts over few fonts, then longer ones over up to 120 fonts,
  // where removals join their neighbours into new switches many times.
  int endlessRounds = 0;
  for (int round = 0; round < 5000; ++round) {
    const bool longer = round >= 4000;
    ConversionState& st = State();
    st.NoFrame = rng() % 4 == 0 ? u"yes" : u"no";
    st.RawKeepFonts = u"no";
    st.FontCount = static_cast<std::int16_t>(rng() % (longer ? 121 : 14));
    st.FontNames.Redim(0, st.FontCount);
    // Names that hold switches only in the short rounds: over long texts
    // their tags can go round without end, which the full loop never leaves.
    const std::size_t nameKinds = longer ? 4 : std::size(names);
    for (std::int64_t k = 0; k <= st.FontCount; ++k) st.FontNames[k] = Text(names[rng() % nameKinds]);
    Text text;
    const std::size_t len = rng() % (longer ? 200 : 30);
    for (std::size_t k = 0; k < len; ++k)
      text += longer ? switchy[rng() % std::size(switchy)] : pieces[rng() % std::size(pieces)];

    RunParts fast, slow;
    fast.text = slow.text = text;
    st.CurrentFace = u"?";
    st.CurrentFontNumber = -1;
    bool endless = false;
    try {
      InlineFaceSwitches(fast);
    } catch (const Error& e) {
      ASSERT_EQ(e.number(), Error::kOutOfMemory) << "round " << round;
      endless = true;
    }
    const Text fastFace = st.CurrentFace;
    const std::int16_t fastNumber = st.CurrentFontNumber;
    st.CurrentFace = u"?";
    st.CurrentFontNumber = -1;
    // A pass that fails for a chain without end: the full loop does not end.
    ASSERT_EQ(!FacesByFullLoop(slow, 200), endless) << "round " << round;
    if (endless) {
      ++endlessRounds;
      continue;
    }
    ASSERT_EQ(fast.text, slow.text) << "round " << round;
    ASSERT_EQ(fastFace, st.CurrentFace) << "round " << round;
    ASSERT_EQ(fastNumber, st.CurrentFontNumber) << "round " << round;
    ASSERT_EQ(fast.wroteInlineSize, slow.wroteInlineSize) << "round " << round;
  }
  // Some short rounds do go round without end.
  EXPECT_GT(endlessRounds, 0);
  State().NoFrame = u"no";
}

TEST(FaceSwitches, ManyFontsAndManySwitchesStayCheap) {
  // 3000 fonts and 20000 switches: the full loop would make 12000 searches
  // of the whole text.
  ConversionState& st = State();
  st.NoFrame = u"no";
  st.FontCount = 3000;
  st.FontNames.Redim(0, st.FontCount);
  for (std::int64_t k = 0; k <= st.FontCount; ++k) st.FontNames[k] = u"F" + NumberText(k);
  Text text;
  for (int k = 0; k < 20000; ++k) text += u"\\f" + NumberText(k % 7) + u" w";
  const Text out = Faces(text);
  EXPECT_EQ(CountOccurrences(out, u"<font FACE=\"F6\">", Compare::Binary), 20000 / 7);
  EXPECT_EQ(InStr(1, out, u"\\f", Compare::Binary), 0);
}

TEST(FaceSwitches, TagsThatHoldSwitches) {
  State().NoFrame = u"no";
  auto expectOutOfMemory = [](Text text) {
    try {
      Faces(std::move(text));
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), Error::kOutOfMemory);
    }
  };
  // A name holding its own switch: every later find lies in the newest tag.
  SetFonts({u"Cali \\f0 \\fs24"});
  expectOutOfMemory(u"\\f0 a \\f0 b");
  // Each tag holds two switches of the font below it: the text doubles
  // with every font, past any measure.
  std::vector<Text> names;
  names.push_back(u"Z");
  for (int k = 1; k <= 40; ++k) names.push_back(u"\\f" + NumberText(k - 1) + u" \\f" + NumberText(k - 1) + u" ");
  ConversionState& st = State();
  st.FontCount = 40;
  st.FontNames.Redim(0, 40);
  for (int k = 0; k <= 40; ++k) st.FontNames[k] = names[static_cast<std::size_t>(k)];
  expectOutOfMemory(u"\\f40 x");
  // A chain that ends is replaced as the full loop replaces it.
  SetFonts({u"Arial", u"X\\f0 y", u"W\\f1 v"});
  RunParts slow;
  slow.text = u"\\f2 a\\f1 b";
  ASSERT_TRUE(FacesByFullLoop(slow, 1000));
  EXPECT_EQ(Faces(u"\\f2 a\\f1 b"), slow.text);
  EXPECT_NE(InStr(1, slow.text, u"FACE=\"W<font FACE=\"X<font FACE=\"Arial\">y\">v\">", Compare::Binary), 0);
}

}  // namespace
}  // namespace skeinlet::detail
