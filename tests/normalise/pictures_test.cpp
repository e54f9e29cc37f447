#include "normalise/normalise_rtf.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"
#include "normalise/marks.hpp"

namespace skeinlet::detail {
namespace {

// The marks as they are written, typed afresh.
constexpr TextView kOpen = u" ¢iûJjK9±Í";
constexpr TextView kClose = u"K9iûJ±¢jÍ ";
constexpr TextView kSep = u"¤þÞÚ§";

Text P1(Text rtf) {
  StageP1(rtf);
  return rtf;
}

// Extraction and marking, as NormaliseRTF runs them with pictures on.
Text Mark(Text rtf, Text folder, Text name, Text format) {
  ConversionState& state = State();
  state.ImageOptions = {u"yes", std::move(folder), std::move(format), std::move(name)};
  StageP2(rtf);
  StageP3(rtf);
  return rtf;
}

Pos Count(TextView text, TextView find) {
  return CountOccurrences(text, find, Compare::Binary);
}

Text Pictures(int n) {
  Text t = u"{";
  for (int i = 0; i < n; ++i) t += u"{\\pict\\wmetafile8 0102}";
  return t + u"}";
}

TEST(StageP1, RemovesPicturesAndObjects) {
  EXPECT_EQ(P1(u"{a{\\pict\\wmetafile8\\picw2 0102}b}"), u"{ab}");
  // The first "}" ends the cut, even when it closes a nested group.
  EXPECT_EQ(P1(u"x{\\pict\\pngblip{\\*\\blipuid 12}abcd}y"), u"xabcd}y");
  // An object loses everything up to the first brace of its first "}}".
  EXPECT_EQ(P1(u"a{\\object\\objemb{\\*\\objclass Word}{\\result{X}}}Z"), u"a}}Z");
  EXPECT_EQ(P1(u"{\\pict\\a}{\\object\\objemb{\\*\\objdata 01}}{\\pict\\b}."), u"}.");
  // The exact forms only.
  EXPECT_EQ(P1(u"{\\PICT\\x}{\\pict x}{\\object\\objemb x}}"), u"{\\PICT\\x}{\\pict x}{\\object\\objemb x}}");
}

TEST(StageP1, LoopLimitsAreShared) {
  // 65 rounds remove 65 groups; the counter is then spent and the object
  // loop does not run.
  const Text object = u"{\\object\\objemb{\\*\\objclass W}}";
  const Text seventy = P1(Pictures(70) + object);
  EXPECT_EQ(Count(seventy, u"{\\pict\\"), 5);
  EXPECT_EQ(Count(seventy, u"{\\object\\objemb{"), 1);
  const Text sixtyFive = P1(Pictures(65) + object);
  EXPECT_EQ(Count(sixtyFive, u"{\\pict\\"), 0);
  EXPECT_EQ(Count(sixtyFive, u"{\\object\\objemb{"), 0) << "the counter is reset to 1";
  // A picture with no "}" after it spends the counter without a change.
  const Text stuck = u"{\\object\\objemb{x}}y{\\pict\\abc";
  EXPECT_EQ(P1(stuck), stuck);
  // 65 objects: the object loop stops at the counter's limit.
  Text objects;
  for (int i = 0; i < 67; ++i) objects += u"{\\object\\objemb{a}}";
  EXPECT_EQ(Count(P1(objects), u"{\\object\\objemb{"), 2);
}

TEST(StageP2P3, FolderNameAndFormat) {
  const Text expected = Text(kOpen) + u"c:" + Text(kSep) + u"img" + Text(kSep) +
                        u"object000.png" + Text(kClose);
  EXPECT_EQ(Mark(u"{\\pict\\pngblip 00}", u"c:\\img", u"", u"PNG "), expected);
  EXPECT_EQ(State().ImageOptions.ImageFolder, u"c:\\img\\");
  EXPECT_EQ(State().ImageOptions.ImageName, u"object");
  // A trailing backslash is not doubled.
  EXPECT_EQ(Mark(u"{\\pict\\pngblip 00}", u"c:\\img\\", u"", u"png"), expected);
  EXPECT_EQ(Mark(u"a{\\pict\\x}b", u"d:", u"a/b\\c", u"gif"),
            u"a" + Text(kOpen) + u"d:" + Text(kSep) + u"abc000.jpg" + Text(kClose) + u"b");
  EXPECT_EQ(State().ImageOptions.ImageName, u"abc");
  EXPECT_EQ(Mark(u"{\\pict\\x}", u"", u"   ", u" Png"),
            Text(kOpen) + Text(kSep) + u"object000.png" + Text(kClose));
  // Folded backslashes in the path: "\\\\" in the folder becomes one mark.
  EXPECT_EQ(Mark(u"{\\pict\\x}", u"\\\\\\\\srv\\\\p", u"n", u"png"),
            Text(kOpen) + Text(kSep) + u"srv" + Text(kSep) + u"p" + Text(kSep) + u"n000.png" +
                Text(kClose));
}

TEST(StageP3, SixtyFourPicturesAreMarked) {
  const Text rtf = Mark(Pictures(66), u"f", u"p", u"png");
  EXPECT_EQ(Count(rtf, u"{\\pict\\"), 2) << "the 65th and 66th stay as RTF";
  EXPECT_EQ(Count(rtf, kClose), 64);
  EXPECT_GT(InStr(rtf, u"p000.png"), 0);
  EXPECT_GT(InStr(rtf, u"p009.png"), 0);
  EXPECT_GT(InStr(rtf, u"p010.png"), 0);
  EXPECT_GT(InStr(rtf, u"p063.png"), 0);
  EXPECT_EQ(InStr(rtf, u"p064"), 0);
  // A picture with no "}" after it ends the marking.
  EXPECT_EQ(Mark(u"{\\pict\\x", u"f", u"p", u"png"), u"{\\pict\\x");
}

TEST(StageP4P5, ObjectsAreUnwrapped) {
  State().EquationSeen = u"no";
  Text rtf = Mark(
      u"a{\\object\\objemb{\\*\\objclass Equation.3}{\\*\\objdata 01}{\\result {\\pict\\wmetafile8 00}}}b",
      u"f", u"p", u"png");
  StageP4(rtf);
  EXPECT_EQ(State().EquationSeen, u"yes");
  const Text path = u"f" + Text(kSep) + u"p000.png";
  EXPECT_EQ(rtf, u"a ¢iûJjK9±Í" + path + u"K9iûJ±¢jÍ }}b");
  IndexedText indexed(rtf);
  StageP5(indexed);
  EXPECT_EQ(rtf, u"a ¢iûJjK9±Í" + path + u"K9iûJ±¢jÍ b");

  // An equation object without a placeholder still sets the flag and
  // stays in the text; an object of another class does not set it.
  State().EquationSeen = u"no";
  Text word = u"{\\object\\objemb{\\*\\objclass Word.Document}{\\result x}}";
  StageP4(word);
  EXPECT_EQ(State().EquationSeen, u"no");
  Text eq = u"{\\object\\objemb{\\*\\objclass Equation.3}}";
  StageP4(eq);
  EXPECT_EQ(State().EquationSeen, u"yes");
  EXPECT_EQ(eq, u"{\\object\\objemb{\\*\\objclass Equation.3}}");
}

TEST(StageP5, BracesAfterThePlaceholder) {
  auto p5 = [](Text t) {
    IndexedText indexed(t);
    StageP5(indexed);
    return t;
  };
  EXPECT_EQ(p5(u"xK9iûJ±¢jÍ}}y"), u"xK9iûJ±¢jÍ y");
  // Five go at once; the sixth goes with rule 10 after the blank rule 1
  // wrote.
  EXPECT_EQ(p5(u"K9iûJ±¢jÍ}}}}}}y"), u"K9iûJ±¢jÍ y");
  EXPECT_EQ(p5(u"K9iûJ±¢jÍ }}}}y"), u"K9iûJ±¢jÍ y");
  EXPECT_EQ(p5(u"k9iûj±¢jí }z"), u"K9iûJ±¢jÍ z") << "text comparison";
  EXPECT_EQ(p5(u"K9iûJ±¢jÍ  }"), u"K9iûJ±¢jÍ  }");
}

}  // namespace
}  // namespace skeinlet::detail
