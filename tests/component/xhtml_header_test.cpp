// ConvertRTFXHTML, ConvertNoBody and ConvertRTFHeader end to end.
#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include "method_args.hpp"

#include "text/text.hpp"

namespace skeinlet {
namespace {

using test_support::Args;
using test_support::Rtf;

Text NoBody(TextView body, Text xhtml) {
  Convert conv;
  Args a;
  a.rtf = Rtf(body);
  a.xhtml = std::move(xhtml);
  return conv.ConvertNoBody(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                            a.images, a.folder, a.format, a.clean, a.name, a.xhtml);
}

TEST(ConvertXhtml, WholeDocumentAndBodyOnly) {
  Convert conv;
  Args a;
  a.rtf = Rtf(u"Caf\\'e9 {\\b bold}");
  const Text x = conv.ConvertRTFXHTML(a.rtf, a.title, a.colour, a.generator, a.links,
                                      a.debug, a.images, a.folder, a.format, a.clean, a.name);
  EXPECT_TRUE(x.starts_with(u"<!DOCTYPE html PUBLIC")) << ToUtf8(x);
  EXPECT_NE(x.find(u"<title>T</title>"), Text::npos);
  EXPECT_NE(x.find(u"Caf\u00E9 <b>bold</b>"), Text::npos) << ToUtf8(x);
  EXPECT_TRUE(x.ends_with(u"</body></html>"));
  // The list fix-up ran: no bare line feeds are left.
  for (std::size_t i = 0; i < x.size(); ++i)
    if (x[i] == u'\n') { EXPECT_EQ(x[i - 1], u'\r'); }

  // The HTML branch: the inside of the body, ending with CR LF.
  const Text html = NoBody(u"One paragraph", u"no");
  EXPECT_EQ(html.find(u"<html"), Text::npos);
  EXPECT_EQ(html.find(u"<BODY"), Text::npos);
  EXPECT_EQ(html.find(u"</body"), Text::npos);
  EXPECT_EQ(html.find(u"</html"), Text::npos);
  EXPECT_NE(html.find(u"One paragraph"), Text::npos);
  EXPECT_TRUE(html.ends_with(u"\r\n"));
  // " yes" is not "yes": the HTML branch.
  EXPECT_EQ(NoBody(u"One paragraph", u" yes"), html);

  // The XHTML branch: the lower-case body tag is found; the tail is cut.
  const Text xb = NoBody(u"One paragraph", u"YES");
  EXPECT_NE(xb, html);
  EXPECT_EQ(xb.find(u"<body"), Text::npos) << ToUtf8(xb);
  EXPECT_EQ(xb.find(u"</body"), Text::npos);
  EXPECT_EQ(xb.find(u"</html"), Text::npos);
  EXPECT_EQ(xb.find(u"DOCTYPE"), Text::npos);
  EXPECT_NE(xb.find(u"One paragraph"), Text::npos);
  EXPECT_TRUE(xb.ends_with(u"\r\n"));
}

Text Header(Text rtf) {
  Convert conv;
  Args a;
  a.rtf = std::move(rtf);
  return conv.ConvertRTFHeader(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                               a.images, a.folder, a.format, a.name);
}

TEST(ConvertHeader, CutsTheHeaderOut) {
  const Text doc =
      u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\header \\pard\\plain Top line\\par}"
      u"{\\footer \\pard Bottom\\par}\\pard Body text\\par}";
  const Text html = Header(doc);
  EXPECT_NE(html.find(u"<html>"), Text::npos);
  EXPECT_NE(html.find(u"</html>"), Text::npos);
  EXPECT_NE(html.find(u"Top line"), Text::npos) << ToUtf8(html);
  EXPECT_EQ(html.find(u"Bottom"), Text::npos);
  EXPECT_EQ(html.find(u"Body text"), Text::npos);
  // The cut drops the first character after "{\header ": here the
  // backslash of "\pard", put back by the "pard\" repair.
  EXPECT_EQ(html.find(u"pard"), Text::npos) << ToUtf8(html);

  // No header, a footer before the header, or no footer: nothing.
  EXPECT_EQ(Header(u"{\\rtf1 {\\footer x}body}"), u"");
  EXPECT_EQ(Header(u"{\\rtf1 {\\footer x}{\\header y}}"), u"");
  EXPECT_EQ(Header(u"{\\rtf1 {\\header y}}"), u"");
  // "{\headerf " wins over "{\header ".
  EXPECT_NE(Header(u"{\\rtf1{\\header  Odd page\\par}{\\headerf  First page\\par}{\\footer x}}")
                .find(u"First page"),
            Text::npos);
  // A footer mark fewer than 11 characters after the header mark: error 5.
  try {
    Header(u"{\\header {\\footer x}}");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 5);
  }
}

TEST(ConvertHeader, MarkerWordRules) {
  const Text plain = Header(u"{\\rtf1{\\header  \\pard\\plain MR#: 1 MR#: 2\\par}{\\footer x}}");
  EXPECT_EQ(plain.find(u"<b>MR#:</b>"), Text::npos);
  const Text marked = Header(u"{\\rtf1{\\header  \\pard\\plain Patient MR#: 1 MR#: 2\\par}{\\footer x}}");
  const auto first = marked.find(u"<b>MR#:</b>");
  ASSERT_NE(first, Text::npos) << ToUtf8(marked);
  EXPECT_EQ(marked.find(u"<b>MR#:</b>", first + 1), Text::npos);
  EXPECT_NE(marked.find(u"MR#: 2"), Text::npos);
}

}  // namespace
}  // namespace skeinlet
