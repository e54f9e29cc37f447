#include <gtest/gtest.h>

#include <random>

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
void FacesByFullLoop(RunParts& r) {
  ConversionState& st = State();
  Text& t = r.text;
  Pos p = InStr(1, t, u"\\f", Compare::Binary);
  while (p > 0) {
    const Text seven = Mid(t, p, 7);
    if (Len(seven) >= 4 && !IsNumeric(MidView(seven, 3)) && seven[3] >= 128)
      t.replace(static_cast<std::size_t>(p - 1), seven.size(), Left(seven, 3) + u" ");
    const Pos e = SwitchEndPlain(t, p);
    if (e > 0) {
      if (!IsNumeric(Mid(t, p + 2, e - p - 2))) return;
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
          ReplaceIn(t, sw + u"&nbsp;&nbsp;&#", tag + u"&#");
          ReplaceIn(t, sw + u"&nbsp;", tag);
          ReplaceIn(t, sw + u" ", tag);
          ReplaceIn(t, sw, tag);
        }
      }
    }
    p = p + 5 > Len(t) ? 0 : InStr(p + 5, t, u"\\f", Compare::Binary);
  }
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
                             u"&#", u"x", u"\\", u"<", u"\u00e9", u"s"};
  const TextView names[] = {u"Arial", u"", u"  ", u"A\\f1", u"\\f", u"B\\F0x", u"Times"};
  for (int round = 0; round < 4000; ++round) {
    ConversionState& st = State();
    st.NoFrame = rng() % 4 == 0 ? u"yes" : u"no";
    st.RawKeepFonts = u"no";
    st.FontCount = static_cast<std::int16_t>(rng() % 14);
    st.FontNames.Redim(0, st.FontCount);
    for (std::int64_t k = 0; k <= st.FontCount; ++k) st.FontNames[k] = Text(names[rng() % std::size(names)]);
    Text text;
    const std::size_t len = rng() % 30;
    for (std::size_t k = 0; k < len; ++k) text += pieces[rng() % std::size(pieces)];

    RunParts fast, slow;
    fast.text = slow.text = text;
    st.CurrentFace = u"?";
    st.CurrentFontNumber = -1;
    InlineFaceSwitches(fast);
    const Text fastFace = st.CurrentFace;
    const std::int16_t fastNumber = st.CurrentFontNumber;
    st.CurrentFace = u"?";
    st.CurrentFontNumber = -1;
    FacesByFullLoop(slow);
    ASSERT_EQ(fast.text, slow.text) << "round " << round;
    ASSERT_EQ(fastFace, st.CurrentFace) << "round " << round;
    ASSERT_EQ(fastNumber, st.CurrentFontNumber) << "round " << round;
    ASSERT_EQ(fast.wroteInlineSize, slow.wroteInlineSize) << "round " << round;
  }
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

}  // namespace
}  // namespace skeinlet::detail
