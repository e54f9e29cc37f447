#include <gtest/gtest.h>

#include <random>

#include <chrono>

#include "engine/state.hpp"
#include "helpers/font_table.hpp"
#include "normalise/marks.hpp"
#include "normalise/normalise_rtf.hpp"
#include "normalise/run_parts.hpp"

namespace skeinlet::detail {
namespace {

class RunConverter : public ::testing::Test {
 protected:
  void SetUp() override {
    ConversionState& st = State();
    st = ConversionState{};
    BuildFontSizeMap();
    st.FontCount = 2;
    st.FontNames.Redim(0, 2);
    st.FontNames[0] = u"Arial";
    st.FontNames[1] = u"Times New Roman";
    st.FontCharsets.Redim(0, 2);
    st.ColourCount = 2;
    st.ColourList.Redim(0, 2);
    st.ColourList[1] = u"#ff0000";
    st.ColourList[2] = u"#0000ff";
  }
  // Converts one run and returns what it appended.
  static Text Convert(Text run) {
    const std::size_t before = State().HtmlOut.size();
    try {
      ConvertRTFRun(run);
    } catch (const Error&) {
      // The run loop abandons the run; so do the tests.
    }
    return State().HtmlOut.substr(before);
  }
};

TEST_F(RunConverter, BoldRunAndTheFirstRunsExtraBold) {
  EXPECT_EQ(Convert(u"plain\\b Sample"), u"<b>Sample</b></b><b>");
  EXPECT_EQ(State().RunCount, 1);
  // From the second counted run on the extra "<b>" is gone.
  EXPECT_EQ(Convert(u"plain\\b Sample"), u"<b>Sample</b></b>");
  State().RunCount = 0;
  EXPECT_EQ(Convert(u"plain\\b Bold\\b0 x"), u"<b>Bold</b>x</b></b>")
      << "\\b0 takes its blank with it";
}

TEST_F(RunConverter, RunsThatWriteNothing) {
  EXPECT_EQ(Convert(u"plain\\f0 text }"), u"");
  // Without a blank the whole run is the control part.
  EXPECT_EQ(Convert(u"plain\\pard\\f0\\fs20"), u"<font FACE=\"Arial\" SIZE=\"2\" ></font>");
  EXPECT_EQ(Convert(u"plain\\i\\b"), u"") << "no blank and no paragraph start";
  // A font number outside the table abandons the run.
  EXPECT_EQ(Convert(u"plain\\f9 lost"), u"");
  // So do a size, a colour and a highlight outside theirs. What the words
  // before it set stays set; the words after it are not read.
  ConversionState& st = State();
  st.Language.clear();
  st.CurrentFace = u"kept";
  EXPECT_EQ(Convert(u"plain\\lang1032\\fs999\\f1 lost"), u"");
  EXPECT_EQ(st.Language, u"greek");
  EXPECT_EQ(st.CurrentFace, u"kept");
  EXPECT_EQ(Convert(u"plain\\fs-4 lost"), u"");
  st.CurrentColour = u"kept";
  EXPECT_EQ(Convert(u"plain\\cf9\\f1 lost"), u"");
  EXPECT_EQ(st.CurrentColour, u"kept");
  EXPECT_EQ(Convert(u"plain\\i\\highlight3 lost"), u"");
  EXPECT_EQ(st.CurrentFace, u"kept");
}

TEST_F(RunConverter, FontAttributesAndTheCarriedFont) {
  EXPECT_EQ(Convert(u"plain\\f1\\fs24 Hello"),
            u"<font FACE=\"Times New Roman\" SIZE=\"3\" >Hello</font>");
  EXPECT_EQ(State().CurrentFace, u"Times New Roman");
  EXPECT_EQ(State().CurrentSize, u"3");
  EXPECT_EQ(State().CurrentFontNumber, 1);
  // A colour switch of the control part moves to the text; the text pass
  // turns it into a font tag.
  EXPECT_EQ(Convert(u"plain\\f0\\cf1 red"),
            u"<font FACE=\"Arial\" SIZE=\"3\" ><font COLOR=\"#ff0000\">red</font>");
  // Carried red becomes black.
  State().CurrentColour = u"#ff0000";
  EXPECT_EQ(Convert(u"plain\\f0\\b x"),
            u"<b><font FACE=\"Arial\" SIZE=\"3\" COLOR=\"#000000\" >x</font></b></b>");
  EXPECT_EQ(State().CurrentColour, u"#000000");
}

TEST_F(RunConverter, IndentsAndTheirClosing) {
  // 360 lies in 251..399: two spaces.
  EXPECT_EQ(Convert(u"plain\\fi-360 x"), u"&nbsp;&nbsp;x");
  EXPECT_EQ(State().IndentOpen, u"yes");
  EXPECT_EQ(Convert(u"plain\\pard\\f0 y"),
            u"</ul></ul></ul></ul><font FACE=\"Arial\" >y</font>");
  EXPECT_EQ(State().IndentOpen, u"no");
  EXPECT_EQ(Convert(u"plain\\fi250 z"), u"<font FACE=\"Arial\" >z</font>")
      << "the face is carried once a run had several words";
  EXPECT_EQ(State().IndentOpen, u"yes");
  // "\li" collects into Indent, written before the next run's text.
  EXPECT_EQ(Convert(u"plain\\li720 a"), u"<font FACE=\"Arial\" >a</font>");
  EXPECT_EQ(State().PendingIndent, u"&nbsp;&nbsp;&nbsp;&nbsp;");
  EXPECT_EQ(Convert(u"plain\\i b"),
            u"<i><font FACE=\"Arial\" >&nbsp;&nbsp;&nbsp;&nbsp;b</font></i></i>");
}

TEST_F(RunConverter, CentreAndRightAlignment) {
  EXPECT_EQ(Convert(u"plain\\qc Title"), u"<CENTER>Title");
  EXPECT_EQ(State().CentreOpen, u"yes");
  EXPECT_EQ(Convert(u"plain\\pard\\i x"), u"</CENTER><i>x</i></i>");
  EXPECT_EQ(State().CentreOpen, u"no");
  EXPECT_EQ(Convert(u"plain\\qr Right"), u"<p align=\"right\">Right");
  EXPECT_EQ(State().ParagraphOpen, u"yes");
  EXPECT_EQ(Convert(u"plain\\pard\\i x"), u"</p><i>x</i></i>");
  EXPECT_EQ(State().ParagraphOpen, u"no");
}

TEST_F(RunConverter, TabStops) {
  EXPECT_EQ(Convert(u"plain\\tx3000 a\\tab b"), u"a" + Repeat(u"&nbsp;", 20) + u" b");
  EXPECT_EQ(Convert(u"plain\\tx720 a\\tab b"), u"a&nbsp;&nbsp;&nbsp; b");
  EXPECT_EQ(Convert(u"plain\\i a\\tab b"), u"<i>a&nbsp;&nbsp;&nbsp; b</i></i>");
}

TEST_F(RunConverter, TextPassesCharactersAndWords) {
  EXPECT_EQ(Convert(u"plain\\i caf\\'e9 \\emdash  x\\emdash y"),
            u"<i>caf\u00e9 &mdash; x&mdash;y</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a \\\\b c"), u"<i>a \\b c</i></i>")
      << "an escaped backslash before b is no bold";
  EXPECT_EQ(Convert(u"plain\\i x \\u8364?y z"), u"<i>x &#8364;y z</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a <b> & c"), u"<i>a &lt;b&gt; & c</i></i>");
  EXPECT_EQ(Convert(u"plain\\i one\\line two"), u"<i>one<br> two</i></i>");
  EXPECT_EQ(Convert(u"plain\\i \\'93Hi\\'94 \\'85"), u"<i>\"Hi\" ...</i></i>");
  State().Language = u"greek";
  EXPECT_EQ(Convert(u"plain\\i \\'e1\\'e2 \\'c1"), u"<i>&#945;&#946; \u00c1</i></i>");
}

TEST_F(RunConverter, ListItemMarks) {
  EXPECT_EQ(Convert(u"plain\\i a" + Text(BulletItemMark) + u"b"), u"<i>a<li>b</li></i></i>");
  EXPECT_EQ(Convert(u"plain\\i a" + Text(BulletParagraphMark) + u"b"), u"<i>a</li><br>b</i></i>");
}

TEST_F(RunConverter, ParagraphEndsHiddenGroupsAndNestedGroups) {
  EXPECT_EQ(Convert(u"plain\\i one\\par\r\ntwo"), u"<i>one<br>two</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a{\\par }}b"), u"<i>a<br>b</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a{\\*\\lchars ([\\'a1}b"), u"<i>ab</i></i>");
  // A group with one brace pair keeps its text and closes the formatting.
  EXPECT_EQ(Convert(u"plain\\i a {\\ul x} b"), u"<i>a <u>x</b></i></u> b</i></i>");
  // Nested, a font table entry and a starred group go entirely.
  EXPECT_EQ(Convert(u"plain\\i a {\\b {\\ul x}} b"), u"<i>a&nbsp;&nbsp;b</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a {\\f0 Arial;} b"), u"<i>a&nbsp;&nbsp;b</i></i>");
}

// The searches of steps 2 to 6 go through one index of the run; each edit
// among them must leave the later searches finding what it made: here each
// removal joins the two halves of the next find text.
TEST_F(RunConverter, SearchesAfterTheRunsOwnEdits) {
  // A following-characters group goes, and the picture it split goes.
  EXPECT_EQ(Convert(u"plain\\i a {\\pi{\\*\\fchars x}ct\\wmetafile8 0a} b"),
            u"<i>a&nbsp;&nbsp;b</i></i>");
  // A picture goes, and the escape it split splits the run.
  EXPECT_EQ(Convert(u"plain\\i\\{\\pict\\wmetafile8 0a}'e9z w"), u"<i>\u00e9z w</i></i>");
  // Upper case finds the same.
  EXPECT_EQ(Convert(u"plain\\i a {\\PI{\\*\\FCHARS x}CT\\wmetafile8 0a} b"),
            u"<i>a&nbsp;&nbsp;b</i></i>");
}

TEST_F(RunConverter, InlineSwitchesOfTheTextPart) {
  EXPECT_EQ(Convert(u"plain\\i a \\highlight1 b\\highlight0 c"),
            u"<i>a </span><span style=\"background-color: #ff0000\"> b</span> c</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a \\strike b\\strike0 c"), u"<i>a <strike> b</strike> c</i></i>");
  EXPECT_EQ(Convert(u"plain\\i x\\super 2\\nosupersub  y"),
            u"<i>x</sub><sup>2</sup></sub>&nbsp;&nbsp;y</i></i>");
  EXPECT_EQ(Convert(u"plain\\i x\\up6 2\\up0  y"), u"<i>x<sup> 2</sup></sub>&nbsp;&nbsp;y</i></i>");
  EXPECT_EQ(Convert(u"plain\\i a\\expndtw-20 b\\expndtw15 c"), u"<i>a0 b c</i></i>")
      << "the single-digit negative family runs first";
  EXPECT_EQ(Convert(u"plain\\i a \\fs28 big"), u"<i>a <font SIZE=\"4\">big</i></i>");
  EXPECT_EQ(State().CurrentSize, u"4");
  EXPECT_EQ(Convert(u"plain\\i a \\qc b"), u"<i>a <center> b</i></i></CENTER>");
}

TEST_F(RunConverter, TablesInTheTextPart) {
  EXPECT_EQ(Convert(u"plain\\i a\\cell b\\cell\\row c"), u"<i>a</td><td> b</td></tr> c</i></i>");
  EXPECT_EQ(Convert(u"plain\\b x \\trowd y"),
            u"<b>x<table BORDER=\"1\" CELLSPACING=\"0\" WIDTH=\"590\" "
            u"bordercolorlight=\"#000000\" bordercolordark=\"#000000\" "
            u"bordercolor=\"#000000\"><tr><td> y</b></b>");
}

TEST_F(RunConverter, MultiByteEscapesThroughTheFontsCodePage) {
  ConversionState& st = State();
  st.NonWesternFonts = u"yes";
  st.FontCharsets[1] = 128;
  EXPECT_EQ(Convert(u"plain\\i x \\f1\\'82\\'a0\\'82\\'a2 y"),
            u"<i>x <font FACE=\"Times New Roman\">\u3042\u3044 y</i></i>");
  // After "\f1 " the blank put before the decoded text makes two, which
  // become non-breaking spaces; the face pass then cannot read the switch
  // and the last pass removes it together with the text up to the blank.
  EXPECT_EQ(Convert(u"plain\\i x \\f1 \\'82\\'a0\\'82\\'a2 y"), u"<i>x y</i></i>");
  // A single escape goes through the Western table.
  EXPECT_EQ(Convert(u"plain\\i x \\f1 \\'e9 y"),
            u"<i>x <font FACE=\"Times New Roman\">\u00e9 y</i></i>");
}

TEST_F(RunConverter, HostileRunsStayBounded) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  Convert(u"plain\\f" + Text(100000, u'9') + u" x");
  Convert(u"plain\\fs" + Text(100000, u'9') + u" x");
  Convert(u"plain\\i x {\\*\\lchars ([\\'a1" + Text(5000, u'a'));
  Convert(u"plain\\i" + Text(200000, u'x'));
  Convert(u"plain\\i x " + Repeat(u"{\\b ", 3000) + u"y" + Repeat(u"}", 10));
  Convert(u"plain\\cf99 x");
  Convert(u"plain\\highlight99 x");
  const Text split = u"plain\\i" + Text(40000, u'x') + u" after";
  EXPECT_EQ(Convert(split), u"") << "a split point beyond 16 bits overflows";
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace skeinlet::detail

namespace skeinlet::detail {
namespace {

TEST_F(RunConverter, CarriedFontIsReadFromTheLastMarksOfTheOutput) {
  // A face switch in the text part writes a face tag inline, after which
  // the carried colour, size and face are read back from the output's last
  // " COLOR=", " SIZE=" and " FACE=" marks, wherever they are.
  ConversionState& st = State();
  st.HtmlOut = Text(5000, u'x') + u"<font COLOR=\"#00ff00\" SIZE=\"5\">";
  Convert(u"plain\\b a \\f1 b");
  EXPECT_EQ(st.CurrentColour, u"#00ff00");
  st.HtmlOut += Text(3000, u'x') + u"<font COLOR=\"#123456\">";
  Convert(u"plain\\b a \\f1 b");
  EXPECT_EQ(st.CurrentColour, u"#123456");
  EXPECT_EQ(st.CurrentFace, u"Times New Roman");
  // Output replaced rather than appended to: a mark found before no longer
  // counts.
  st.HtmlOut = Text(9000, u'y') + u"<font COLOR=\"#abcdef\">";
  Convert(u"plain\\b a \\f1 b");
  EXPECT_EQ(st.CurrentColour, u"#abcdef");
  st.HtmlOut = Text(12000, u'z');
  st.CurrentColour = u"kept";
  Convert(u"plain\\b a \\f1 b");
  EXPECT_EQ(st.CurrentColour, u"kept");
}

TEST(LanguageWords, RemovedAsTheWholeTextLoopRemovesThem) {
  // The loop as it reads: while the probe occurs anywhere, the first word
  // goes. Removals can join what was around them into a new probe or word,
  // before or after the place where the last one was found.
  auto wholeTextLoop = [](Text t, TextView probe, TextView word) {
    while (t.find(probe) != Text::npos) {
      const std::size_t at = t.find(word);
      if (at == Text::npos) break;
      std::size_t end = at + word.size();
      while (end < t.size() && t[end] != u'\\' && t[end] != u' ') ++end;
      t.erase(at, end - at);
    }
    return t;
  };
  auto removed = [](Text t, TextView probe, TextView word) {
    RemoveLanguageWordsFrom(t, probe, word);
    return t;
  };
  EXPECT_EQ(removed(u"a\\par \\lang1033 b \\lang7\\par \\lang9 c", u"\\par \\lang", u" \\lang"),
            u"a\\par b\\par c");
  EXPECT_EQ(removed(u"\\la\\lang12ng3\\b x", u"\\lang", u"\\lang"), u"\\la\\b x");
  std::mt19937 rng(7);
  const TextView pieces[] = {u"\\", u"\\par", u" ", u"\\lang", u"\\la", u"ng", u"1", u"x", u"\\par \\la"};
  const std::pair<TextView, TextView> calls[] = {{u"\\par \\lang", u" \\lang"}, {u"\\lang", u"\\lang"}};
  for (int round = 0; round < 3000; ++round) {
    Text t;
    const std::size_t n = rng() % 16;
    for (std::size_t k = 0; k < n; ++k) t += pieces[rng() % std::size(pieces)];
    for (const auto& [probe, word] : calls)
      ASSERT_EQ(removed(t, probe, word), wholeTextLoop(t, probe, word)) << round;
  }
}

}  // namespace
}  // namespace skeinlet::detail

namespace skeinlet::detail {
namespace {

// The run converter keeps one RunParts a thread; each run starts it afresh.
TEST(RunPartsReuse, ResetEmptiesEveryPartAndForgetsTheIndex) {
  RunParts r;
  r.run = u"plain\\b x";
  r.control = u"\\b";
  r.text = u"abc";
  r.open = u"<b>";
  r.close = u"</b>";
  r.attributes = u"SIZE=\"3\" ";
  r.wroteInlineSize = true;
  r.codePages = std::make_unique<CodePageConverter>();
  EXPECT_FALSE(r.textIndex.Has(u"zq"));  // the pairs of "abc" are built
  r.Reset();
  for (const Text* t : {&r.run, &r.control, &r.text, &r.open, &r.close, &r.attributes})
    EXPECT_TRUE(t->empty());
  EXPECT_FALSE(r.wroteInlineSize);
  EXPECT_EQ(r.codePages, nullptr);
  // The next run's text is searched through its own pairs, not the last's.
  r.text = u"zq";
  EXPECT_TRUE(r.textIndex.Has(u"zq"));
  EXPECT_EQ(r.textIndex.Replace(u"zq", u"ok"), 1u);
  EXPECT_EQ(r.text, u"ok");

  // The room of a long text is given back; a short one's is kept.
  r.text.assign(100000, u'x');
  r.control.reserve(100);
  r.ReleaseLong();
  EXPECT_LT(r.text.capacity(), 100000u);
  EXPECT_GE(r.control.capacity(), 100u);
}

}  // namespace
}  // namespace skeinlet::detail
