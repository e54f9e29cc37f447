#include "platform/tidy_xhtml.hpp"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <string>

namespace skeinlet::detail {
namespace {

const Text kEngineLike =
    u"<html>\r\n<head>\r\n<title>T</title>\r\n</head>\r\n"
    u"<BODY BGCOLOR=\"#FFFFFF\"><font FACE=\"Arial\" SIZE=\"2\" >caf\u00E9 \u20AC "
    u"\u65E5\u672C&nbsp;x<br>\r\n</font>\r\n</body>\r\n</html>\r\n";

TEST(TidyXhtml, GivesAnXhtmlDocumentWithAFixedTail) {
  const Text x = TidyDLL_ToXHTML(kEngineLike);
  EXPECT_TRUE(x.starts_with(u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\""));
  EXPECT_NE(x.find(u"<html xmlns=\"http://www.w3.org/1999/xhtml\""), Text::npos);
  EXPECT_NE(x.find(u"<body"), Text::npos);
  EXPECT_TRUE(x.ends_with(kXhtmlClosingTail));
  EXPECT_EQ(kXhtmlClosingTail.size(), 14u);
  // Every character survives; named entities become numeric references;
  // empty elements are closed.
  EXPECT_NE(x.find(u"caf\u00E9 \u20AC \u65E5\u672C&#160;x<br />"), Text::npos);
  EXPECT_EQ(x.find(u"&nbsp;"), Text::npos);
}

TEST(TidyXhtml, LeavesTheHostsLocaleAlone) {
  // libtidy would switch the process to the environment's locale.
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  TidyDLL_ToXHTML(u"<p>x</p>");
  ::unsetenv("LC_ALL");
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST(TidyXhtml, BadInputStillGivesAWellShapedDocument) {
  for (const Text& html : {Text(), Text(u"<"), Text(u"<p><b>unclosed"),
                           Text(u"a\0b\x1B" u"c", 6), Text(u"</body></html>junk"),
                           Text(20000, u'<')}) {
    const Text x = TidyDLL_ToXHTML(html);
    EXPECT_TRUE(x.ends_with(kXhtmlClosingTail));
    for (char16_t c : x) EXPECT_FALSE(c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r');
  }
  const Text x = TidyDLL_ToXHTML(Text(u"<p>a\0b\x1B" u"c</p>", 12));
  EXPECT_NE(x.find(u"a\uFFFDb\uFFFDc"), Text::npos);
  // Deeply nested markup is repaired, not recursed into without bound.
  Text deep;
  for (int i = 0; i < 5000; ++i) deep += u"<font size=\"2\">";
  EXPECT_TRUE(TidyDLL_ToXHTML(deep + u"x").ends_with(kXhtmlClosingTail));
}

}  // namespace
}  // namespace skeinlet::detail
