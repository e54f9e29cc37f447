#include "engine/rtf_to_html.hpp"
#include "stage_run.hpp"

#include "engine/state.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace skeinlet::detail {
namespace {

using testing::StageRun;
using testing::Nbsp;

Text Num(int n) { return NumberText(n); }
// "<br> N.&nbsp;&nbsp;&nbsp; ", the run converter's numbered paragraph.
Text Numbered(int n) { return u"<br> " + Num(n) + u"." + Nbsp(3) + u" "; }

TEST(ListStages, NumberedIndentationFirstOccurrencePerBlock) {
  StageRun r;
  const Text block1 = u"&nbsp;&nbsp;<font SIZE=\"1\" FACE=\"Arial\" COLOR=\"#000000\" >1." + Nbsp(3) + u" ";
  const Text indented2 = u"<br>&nbsp;&nbsp;2." + Nbsp(3) + u" ";
  // Only the first of three items 2 is indented.
  EXPECT_EQ(r.Run(Stage15NumberedIndentation, block1 + Numbered(2) + u"a" + Numbered(2) + u"b" + Numbered(2)),
            block1 + indented2 + u"a" + Numbered(2) + u"b" + Numbered(2));
  // A second marker present: the next block takes the next item.
  const Text block7 = u"<br> </font>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" >&nbsp;&nbsp;&nbsp;&nbsp;1." +
                      Nbsp(3) + u" ";
  EXPECT_EQ(r.Run(Stage15NumberedIndentation, block1 + block7 + Numbered(2) + u"a" + Numbered(2) + u"b" + Numbered(2)),
            block1 + block7 + indented2 + u"a<br>" + Nbsp(5) + u"2." + Nbsp(3) + u" b" + Numbered(2));
  // Digits 2 to 9, one each; 1 and two-digit numbers are never matched.
  Text items;
  for (int n = 1; n <= 12; ++n) items += Numbered(n);
  const Text out = r.Run(Stage15NumberedIndentation,
                         u"&nbsp;&nbsp;<font SIZE=\"5\" FACE=\"Arial\" COLOR=\"#000000\" >1." + Nbsp(3) + u" " + items);
  Text expected = u"&nbsp;&nbsp;<font SIZE=\"5\" FACE=\"Arial\" COLOR=\"#000000\" >1." + Nbsp(3) + u" " + Numbered(1);
  for (int n = 2; n <= 9; ++n) expected += u"<br>&nbsp;&nbsp;" + Num(n) + u"." + Nbsp(3) + u" ";
  for (int n = 10; n <= 12; ++n) expected += Numbered(n);
  EXPECT_EQ(out, expected);
  // No marker (size 6 is none of the blocks): nothing changes.
  const Text size6 = u"&nbsp;&nbsp;<font SIZE=\"6\" FACE=\"Arial\" COLOR=\"#000000\" >1." + Nbsp(3) + u" " + Numbered(2);
  EXPECT_EQ(r.Run(Stage15NumberedIndentation, size6), size6);
  // Ten blocks: with every marker present, the first ten items 2 are taken.
  Text markers, twos;
  for (int s = 1; s <= 5; ++s)
    markers += u"&nbsp;&nbsp;<font SIZE=\"" + Num(s) + u"\" FACE=\"Arial\" COLOR=\"#000000\" >1." + Nbsp(3) + u" ";
  for (int s = 1; s <= 5; ++s)
    markers += u"<br> </font>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"" + Num(s) + u"\" >&nbsp;&nbsp;&nbsp;&nbsp;1." +
               Nbsp(3) + u" ";
  for (int i = 0; i < 11; ++i) twos += Numbered(2);
  const Text all = r.Run(Stage15NumberedIndentation, markers + twos);
  EXPECT_EQ(CountOccurrences(all, indented2, Compare::Binary), 5);
  EXPECT_EQ(CountOccurrences(all, u"<br>" + Nbsp(5) + u"2.", Compare::Binary), 5);
  EXPECT_EQ(CountOccurrences(all, Numbered(2), Compare::Binary), 1);
}

TEST(ListStages, BulletFixupsAndFirstSeries) {
  StageRun r;
  EXPECT_EQ(r.Run(Stage16BulletFixups, u"x></li><li>}}<font a"), u"x></li><li><font a");
  EXPECT_EQ(r.Run(Stage19ListCleanupFirst, u"<br> </CENTER> <br>"), u"</ul></li></li><br> </CENTER> <br>");
  // Longest run of spaces first: each section sign keeps one.
  for (int n = 1; n <= 5; ++n)
    EXPECT_EQ(r.Run(Stage19ListCleanupFirst, u">§" + Nbsp(n) + u"<"), u">§&nbsp;<") << n;
  EXPECT_EQ(r.Run(Stage19ListCleanupFirst, u">§" + Nbsp(6) + u"<"), u">§" + Nbsp(6) + u"<");
}

TEST(ListStages, SectionSignsOnlyWithTheirMarker) {
  StageRun r;
  const Text nested = u"&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" ><ul></li></li><font x";
  EXPECT_EQ(r.Run(Stage20SectionSignBullets, nested), nested);
  EXPECT_EQ(r.Run(Stage20SectionSignBullets, u">§&nbsp;<" + nested),
            u">§&nbsp;<<font FACE=\"Symbol\" SIZE=\"3\" ><ul><li><font x");
  EXPECT_EQ(r.Run(Stage20SectionSignBullets,
                  u"§&nbsp;<br> </font>&nbsp;&nbsp;<u><font FACE=\"Arial\" SIZE=\"3\" >" + Nbsp(6) +
                      u"<br> <br> x"),
            u"§&nbsp;</li></li></li></ul></ul></ul></ul><br> </font><font FACE=\"Arial\" SIZE=\"3\" >"
            u"<br> <br><u> x");
  // Stage 19 still narrows the sign where stage 20 finds no marker.
  EXPECT_EQ(r.Run(Stage19ListCleanupFirst, u">§&nbsp;&nbsp;<"), u">§&nbsp;<");
}

TEST(ListStages, SecondSeries) {
  StageRun r;
  // Rule 4 before rule 5.
  EXPECT_EQ(r.Run(Stage21ListCleanupSecond,
                  u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" ></li></li><font x"),
            u"<br> <br></font><font FACE=\"Symbol\" SIZE=\"3\" ></li></li><li><font x");
  EXPECT_EQ(r.Run(Stage21ListCleanupSecond, u"<br> </font>&nbsp;&nbsp;<font x"), u"<br></font><font x");
}

TEST(ListStages, BoldNumberedLists) {
  StageRun r;
  const Text gap = u"&nbsp;<br> </font></b></b>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" >&nbsp;";
  EXPECT_EQ(r.Run(Stage22BoldNumberedLists, gap), gap);
  EXPECT_EQ(r.Run(Stage22BoldNumberedLists, u"&nbsp;<b><font FACE=\"Arial\" SIZE=\"1\" >1.&nbsp;" + gap),
            u"&nbsp;<b><font FACE=\"Arial\" SIZE=\"1\" >1.&nbsp;"
            u"&nbsp;<br> </font></b></b><b>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" >&nbsp;");

  auto item = [](int size, int n) {
    return u"&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"" + Num(size) + u"\" >&nbsp;&nbsp;&nbsp;&nbsp;" +
           Num(n) + u".";
  };
  auto moved = [](int size, int n) {
    return u"<font FACE=\"Arial\" SIZE=\"" + Num(size) + u"\" >&nbsp;&nbsp; " + Num(n) + u".";
  };
  for (const int size : {1, 2}) {
    const Text marker = u">&nbsp;&nbsp;<b><font FACE=\"Arial\" SIZE=\"" + Num(size) + u"\" >1.";
    Text in = marker, expected = marker;
    for (int n = 1; n <= 9; ++n) {
      in += item(size, n) + u"<br> " + Num(n) + u".&nbsp;&nbsp;";
      expected += n == 1 ? item(size, n) + u"<br> 1.&nbsp;&nbsp;"
                         : moved(size, n) + u"<br>&nbsp;&nbsp; " + Num(n) + u".&nbsp;&nbsp;";
    }
    EXPECT_EQ(r.Run(Stage22BoldNumberedLists, in), expected) << size;
    // The other size's items are left alone by this size's first family.
    const Text other = item(3 - size, 4);
    EXPECT_EQ(r.Run(Stage22BoldNumberedLists, marker + other), marker + other);
  }
  // No marker: the numbered paragraphs stay.
  EXPECT_EQ(r.Run(Stage22BoldNumberedLists, u"<br> 2.&nbsp;&nbsp;"), u"<br> 2.&nbsp;&nbsp;");
}

TEST(ListStages, ThirdSeriesGuardedMiddle) {
  StageRun r;
  // Rules 2 to 5 need their marker; rule 1 and rules 6 on do not.
  EXPECT_EQ(r.Run(Stage23ListCleanupThird, u"<br> <li>x"), u"<br> <li>x");
  EXPECT_EQ(r.Run(Stage23ListCleanupThird, u"<br> <li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font a<br> <li>x"),
            u"<br> </li><li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font a<br> <li>&nbsp;&nbsp;&nbsp;&nbsp;x");
  // Rule 1 then rule 5 of the guarded block.
  EXPECT_EQ(r.Run(Stage23ListCleanupThird,
                  u"<br> <li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font a"
                  u"<br> </li><br></CENTER> <br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font b"),
            u"<br> </li><li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font a"
            u"<br> </li></CENTER> <br> </li></li><li>&nbsp;&nbsp;&nbsp;&nbsp;<font b");
  for (int s = 1; s <= 7; ++s) {
    const Text in = u"<br> <li></li></span><font FACE=\"Arial\" SIZE=\"" + Num(s) + u"\" ><li>";
    EXPECT_EQ(r.Run(Stage23ListCleanupThird, in),
              s <= 6 ? u"<br> </span><font FACE=\"ARIAL\" SIZE=\"" + Num(s) + u"\" ><li>" : in)
        << s;
  }
}

TEST(ListStages, LastNumberingIndentationLeavesItemTwo) {
  StageRun r;
  const Text marker = u">" + Nbsp(4) + u"2." + Nbsp(3) + u" ";
  Text in = marker, expected = marker;
  for (int n = 1; n <= 9; ++n) {
    in += u">" + Num(n) + u"." + Nbsp(3) + u" " + Numbered(n);
    expected += n == 2 ? u">2." + Nbsp(3) + u" " + Numbered(2)
                       : u">" + Nbsp(4) + Num(n) + u"." + Nbsp(3) + u" <br>" + Nbsp(4) + Num(n) + u"." +
                             Nbsp(3) + u" ";
  }
  EXPECT_EQ(r.Run(Stage24NumberedIndentationLast, in), expected);
  EXPECT_EQ(r.Run(Stage24NumberedIndentationLast, marker + u"<br> </font></u></u>&nbsp;&nbsp;<b>"),
            marker + u"<br> </font></u></u><b>");
  // Without the marker nothing moves, not even the underline gap.
  const Text plain = u">1." + Nbsp(3) + u" <br> </font></u></u>&nbsp;&nbsp;<b>";
  EXPECT_EQ(r.Run(Stage24NumberedIndentationLast, plain), plain);
  // Two-digit numbers are not single digits.
  EXPECT_EQ(r.Run(Stage24NumberedIndentationLast, marker + u">13." + Nbsp(3) + u" "),
            marker + u">13." + Nbsp(3) + u" ");
}

TEST(ListStages, WordPadListThroughTheEngine) {
  Text rtf = u"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
             u"\\viewkind4\\uc1\\pard\\f0\\fs20 Intro\\par\r\n"
             u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
             u"\\fi-360\\li720 One\\par\r\n"
             u"{\\pntext\\f1\\'B7\\tab}Two\\par\r\n"
             u"\\pard After\\par\r\n}";
  Text title, colour, generator, links, debug, images, folder, format, name, mode = u"no";
  const Text html = RtfToHtml(rtf, title, colour, generator, links, debug, images, folder,
                              format, name, mode);
  EXPECT_EQ(CountOccurrences(html, u"<li>", Compare::Text), 2) << ToUtf8(html);
  EXPECT_NE(html.find(u"<li>Two"), Text::npos) << ToUtf8(html);
  EXPECT_EQ(html.find(u"pntext"), Text::npos);
  EXPECT_EQ(html.find(u"pnlvlblt"), Text::npos);
}

}  // namespace
}  // namespace skeinlet::detail
