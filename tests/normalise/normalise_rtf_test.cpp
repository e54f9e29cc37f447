#include "normalise/normalise_rtf.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/state.hpp"
#include "normalise/marks.hpp"

namespace skeinlet::detail {
namespace {

std::vector<Text> Runs(const Text& rtf, Pos start) {
  std::vector<Text> runs;
  CutRuns(rtf, start, [&](Text& run) { runs.push_back(run); });
  return runs;
}

Text Boundaries(Text rtf) {
  IndexedText indexed(rtf);
  MarkRunBoundaries(indexed);
  return rtf;
}

TEST(ExpandCaps, UpperCasesSpansAndDropsMarkers) {
  EXPECT_EQ(ExpandCaps(u"{a \\caps Sample\\caps0 b}"), u"{a SAMPLEb}");
  EXPECT_EQ(ExpandCaps(u"{\\caps one\\caps0 , \\caps two\\b0 x\\caps0 !}"),
            u"{ONE, TWO\\B0 X!}");
  // A closing marker before the next opening one ends the pass unchanged.
  EXPECT_EQ(ExpandCaps(u"{x\\caps0 y\\caps z}"), u"{x\\caps0 y\\caps z}");
  EXPECT_EQ(ExpandCaps(u"{\\caps a\\caps0 b\\caps0 c}"), u"{Ab\\caps0 c}");
  EXPECT_EQ(ExpandCaps(u"{no markers\\caps0 }"), u"{no markers\\caps0 }");
  // The markers are exact: "\CAPS " opens nothing.
  EXPECT_EQ(ExpandCaps(u"{\\CAPS a\\caps0 }"), u"{\\CAPS a\\caps0 }");
  EXPECT_EQ(ExpandCaps(u"\\caps a\\caps0 "), u"\\caps a\\caps0 ")
      << "an opening marker at position 1 stops the pass";
  EXPECT_EQ(ExpandCaps(u"{\\caps \u00e9t\u00e9\\caps0 }"), u"{\u00c9T\u00c9}");
}

TEST(MarkRunBoundaries, ParagraphsStartRunsAndLiteralsAreProtected) {
  EXPECT_EQ(Boundaries(u"a\\pard\\f1 b"), u"a\\plain\\pard\\f1 b");
  EXPECT_EQ(Boundaries(u"a\\pard\\plain\\f1 b"), u"a\\plain\\pard\\f1 b");
  EXPECT_EQ(Boundaries(u"a\\pard\\qc\\plain\\f1 b"), u"a\\plain\\pard\\qc\\f1 b");
  EXPECT_EQ(Boundaries(u"a\\pard\\qr\\plain\\f1 b"), u"a\\plain\\pard\\qr\\f1 b");
  EXPECT_EQ(Boundaries(u"a\\PARD\\f1 b"), u"a\\plain\\pard\\f1 b");
  EXPECT_EQ(Boundaries(u"x\\\\plain\\\\y"), u"x" + Text(EscapedPlainMark) + u"y");
  EXPECT_EQ(Boundaries(u"x\\\\pard\\\\y"), u"x" + Text(EscapedPardMark) + u"y");
  EXPECT_EQ(Boundaries(u"\\viewkind4\\uc1\\plain\\f0 x"), u"\\plain\\pard\\f0 x");
  EXPECT_EQ(Boundaries(u"\\viewkind1\\uc1\\plain\\f0 x"), u"\\plain\\pard\\f0 x");
  EXPECT_EQ(Boundaries(u"\\viewkind3\\uc2\\plain\\f0 x"), u"\\plain\\pard\\f0 x");
  EXPECT_EQ(Boundaries(u"\\viewkind5\\uc1\\plain\\f0 x"), u"\\viewkind5\\uc1\\plain\\f0 x");
  // \viewkind4\uc1\pard\ gains its boundary from rule 3, then rule 8 folds
  // the head into it.
  EXPECT_EQ(Boundaries(u"\\viewkind4\\uc1\\pard\\f0 x"), u"\\plain\\pard\\pard\\f0 x");
}

TEST(CutRuns, CutsAtEveryPlainBoundary) {
  const Text rtf = u"{\\rtf1 head\\plain\\f1 one\\plain\\f2 two}";
  // The backslash that opens a boundary belongs to neither run: a run
  // ends before it and the next one starts after it.
  EXPECT_EQ(Runs(rtf, 1), (std::vector<Text>{u"{\\rtf1 head", u"plain\\f1 one",
                                             u"plain\\f2 two}"}));
  EXPECT_EQ(Runs(rtf, 0), Runs(rtf, 1));
  EXPECT_EQ(Runs(rtf, 8), (std::vector<Text>{u"head", u"plain\\f1 one",
                                             u"plain\\f2 two}"}));
  EXPECT_EQ(Runs(u"{no boundary}", 3), (std::vector<Text>{u"o boundary}"}));
  EXPECT_EQ(Runs(u"{short}", 50), (std::vector<Text>{u""}));
  // The boundary is exact.
  EXPECT_EQ(Runs(u"a\\PLAIN\\b", 1).size(), 1u);
  // A boundary at the start position itself gives an empty first run.
  EXPECT_EQ(Runs(u"\\plain\\x", 1), (std::vector<Text>{u"", u"plain\\x"}));
}

TEST(CutRuns, ProtectsEscapedTabAndPardInsideARun) {
  const auto runs = Runs(u"a\\\\tab b\\\\PARD\\\\c", 1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], u"a" + Text(EscapedTabMark) + u" b" + Text(RunPardMark) + u"c");
}

TEST(CutRuns, AnErrorAbandonsOnlyItsRun) {
  std::vector<Text> runs;
  CutRuns(u"one\\plain\\two\\plain\\three", 1, [&](Text& run) {
    if (run.starts_with(u"plain\\two")) throw Error(5, "x", "y");
    runs.push_back(run);
  });
  EXPECT_EQ(runs, (std::vector<Text>{u"one", u"plain\\three"}));
}

TEST(NormaliseRTF, DriverStateAndTheCallersText) {
  ConversionState& state = State();
  state.ImageOptions.ConvertImages = u"no";
  state.EquationSeen = u"yes";
  state.ParagraphOpen = u"yes";
  state.ColourTableEnd = 0;
  state.HtmlOut.clear();
  state.FontNames.Redim(0, 0);
  state.FontNames[0] = u"Arial";
  Text rtf = u"{\\rtf1\\pard\\f0 one\\par\r\n\\pard\\f0 two\\par\r\n}\r\n";
  NormaliseRTF(rtf);
  EXPECT_EQ(state.EquationSeen, u"no");
  EXPECT_EQ(state.ParagraphOpen, u"no");
  EXPECT_NE(state.HtmlOut.find(u"one"), Text::npos);
  EXPECT_NE(state.HtmlOut.find(u"two"), Text::npos);
  EXPECT_NE(rtf.find(u"\\plain\\pard\\"), Text::npos) << "rewritten in place";
}

}  // namespace
}  // namespace skeinlet::detail
