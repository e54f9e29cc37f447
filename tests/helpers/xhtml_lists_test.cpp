#include "helpers/xhtml_lists.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

Text Fix(Text text) { return FixXhtmlLists(text); }

TEST(FixXhtmlLists, JoinsWrappedAttributesAndEndsLinesWithCrLf) {
  EXPECT_EQ(Fix(u"<font face=\"Arial\"\ncolor=\"red\">"), u"<font face=\"Arial\" COLOR=\"red\">");
  EXPECT_EQ(Fix(u"<font face=\"Arial\"\nsize=\"2\">"), u"<font face=\"Arial\" SIZE=\"2\">");
  EXPECT_EQ(Fix(u"<img alt=\"\"\nsrc=\"a.png\" />"), u"<img alt=\"\" src=\"a.png\" />");
  EXPECT_EQ(Fix(u"<a\n      href=\"x\">"), u"<a href=\"x\">");
  EXPECT_EQ(Fix(u"<p align=\r\n\"left\">"), u"<p align=\"left\">");
  EXPECT_EQ(Fix(u"a\nb"), u"a\r\nb");
  // An existing CR LF becomes CR CR LF.
  EXPECT_EQ(Fix(u"a\r\nb"), u"a\r\r\nb");
  // Case-sensitive: an upper-case attribute on the next line is not joined.
  EXPECT_EQ(Fix(u"\"\nCOLOR="), u"\"\r\nCOLOR=");
}

TEST(FixXhtmlLists, CollapsesListClosings) {
  EXPECT_EQ(Fix(u"</ul>\n</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul>\r\n</ul>"), u"</ul>\r\r\n</ul>");
  EXPECT_EQ(Fix(u"</ul></ul></ul>"), u"</ul></ul>");
  EXPECT_EQ(Fix(u"</UL></UL>"), u"</UL></UL>");
  EXPECT_EQ(Fix(u"</ul> \n</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul>\r</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul> \r</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul><br /></ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul>\n<br />\n</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul> \n<br />\n</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul>\r<br />\r</ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"</ul> \r<br />\r</ul>"), u"</ul>");
  // Rule 7 runs before rule 14: "</ul></ul><br /></ul>" loses the pair
  // first and then the "<br />" join.
  EXPECT_EQ(Fix(u"</ul></ul><br /></ul>"), u"</ul>");
  EXPECT_EQ(Fix(u"<li style=\"list-style: none\">x</li>"), u"<li>x</li>");
  EXPECT_EQ(Fix(u"<li style=\"list-style:none\">"), u"<li style=\"list-style:none\">");
}

TEST(FixXhtmlLists, RewritesItsArgumentToo) {
  Text text = u"a\nb";
  const Text result = FixXhtmlLists(text);
  EXPECT_EQ(text, u"a\r\nb");
  EXPECT_EQ(result, text);
}

}  // namespace
}  // namespace skeinlet::detail
