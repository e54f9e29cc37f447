#include "normalise/normalise_rtf.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

Text Apply(void (*block)(IndexedText&), Text rtf) {
  IndexedText indexed(rtf);
  block(indexed);
  return rtf;
}

TEST(TableBlocks, GeneratorGroups) {
  EXPECT_EQ(Apply(BlockG1, u"{\\rtf1{\\*\\generator Riched20 10.0.1;}\\pard"), u"{\\rtf1\\pard");
  // ";}" 80 characters or more from the start: the group stays.
  const Text longGroup = u"{\\*\\generator Riched" + Text(60, u'x') + u";}";
  EXPECT_EQ(Apply(BlockG1, u"a" + longGroup), u"a" + longGroup);
  const Text nearly = u"{\\*\\generator Riched" + Text(58, u'x') + u";}";  // q = p + 78
  EXPECT_EQ(Apply(BlockG1, u"a" + nearly + u"b"), u"ab");

  // Every copy of a short Msftedit group goes; a long one stays.
  EXPECT_EQ(Apply(BlockG1, u"{\\*\\generator Msftedit 5.41;}x{\\*\\GENERATOR msftedit 5.41;}"),
            u"x");
  const Text msLong = u"{\\*\\generator Msftedit " + Text(30, u'9') + u";}";
  EXPECT_EQ(Apply(BlockG1, msLong), msLong);

  EXPECT_EQ(Apply(BlockG2, u"a{\\*\\generator Riched20 5.40.11.2210;}b"), u"ab");
}

TEST(TableBlocks, RowEndsAndRowLayout) {
  EXPECT_EQ(Apply(BlockT1, u"\\cell\\row\r\n\\pard\\ql"), u"\\cell\\row \\endtable\r\n\\pard\\ql");
  EXPECT_EQ(Apply(BlockT1, u"\\cell \\row \r\n\\protect\\pard\\"),
            u"\\cell \\row \\endtable\r\n\\pard\\");
  EXPECT_EQ(Apply(BlockT1, u"\\cell\\row\\protect0\\pard\\"),
            u"\\cell\\row \\endtable\r\n\\pard\\");
  EXPECT_EQ(Apply(BlockT1, u"\\cell\\row\r\n\\pard x"), u"\\cell\\row\r\n\\pard x");

  const Text row = u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188";
  EXPECT_EQ(Apply(BlockT2, row + u"\\pard\\intbl\\ul x"), row + u"\\intbl\\ul x");
  EXPECT_EQ(Apply(BlockT2, row + u"\\pard\\intbl\\u x"), row + u"\\pard\\intbl\\u x");

  EXPECT_EQ(Apply(BlockT3, u"\\row\r\n\\pard\\"), u"\\row\r\n\\par \\pard\\");
}

TEST(TableBlocks, FontSizesLanguagesAndSwitches) {
  EXPECT_EQ(Apply(BlockF1, u"\\fs24\"a\\fs1\"b\\fs30\"\\fs31\""),
            u"\\fs24 \"a\\fs1 \"b\\fs30 \"\\fs31\"");
  EXPECT_EQ(Apply(BlockS1, u"\\par \\lang2057 x>\\cf1\\ulnone y>\\ulnone "),
            u"\\par x> \\cf1\\ulnone y> \\ulnone ");
  EXPECT_EQ(Apply(BlockD1, u" \\deflang2057\\plain\\pard\\"), u" \\plain\\pard\\deflang2057\\");

  EXPECT_EQ(Apply(BlockF2, u"\\f0  \\b\\f1 x\\i0\\f1  \\f0 y"), u"\\b\\f1  x\\i0\\f0  y");
  Text big = u"\\f0  \\f1 " + Text(10000, u'x');
  EXPECT_EQ(Apply(BlockF2, big), big);
  Text under = u"\\f0  \\f1 " + Text(9990, u'x');  // 9999 characters
  EXPECT_EQ(Apply(BlockF2, under), u"\\f1  " + Text(9990, u'x'));
}

TEST(TableBlocks, Borders) {
  // Sub-block 1 only with its guard.
  EXPECT_EQ(Apply(BlockB1, u"{\\pntext\\f1 7\\tab}\\pard\\brdrt\\brdrs x"), u" x");
  EXPECT_EQ(Apply(BlockB1, u"{\\pntext\\f1 20\\tab}\\pard\\brdrt\\brdrs x"),
            u"{\\pntext\\f1 20\\tab}\\pard\\brdrt\\brdrs x");
  EXPECT_EQ(Apply(BlockB1, u"{\\pntext\\f1 3\\tab}\\pard\\shading500\\keepn x"), u" x");
  // Widths become 20 and the pair goes.
  EXPECT_EQ(Apply(BlockB1, u"\\tab}\\pard\\brdrt\\brdrw30\\brsp40 |\\brsp20 \\brdrw90\\q"),
            u"\\tab}\\pard\\brdrt|\\brsp20 \\brdrw20\\q");
  EXPECT_EQ(Apply(BlockB1, u"\\brdrw30\\brsp40 "), u"\\brdrw30\\brsp40 ");

  EXPECT_EQ(Apply(BlockB2, u"\\brdrl\\brdrs\\brdrw50\\brsp70 x"), u"x");
  EXPECT_EQ(Apply(BlockB2, u"\\brdrl\\brdrs\\brdrw20\\brsp20 x\\brdrl\\brdrs\\brdrw15\\brsp20 "),
            u"x\\brdrl\\brdrs\\brdrw15\\brsp20 ");
  EXPECT_EQ(Apply(BlockB2, u"\\brsp10 "), u"\\brsp10 ");
}

}  // namespace
}  // namespace skeinlet::detail
