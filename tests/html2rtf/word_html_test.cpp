#include "fresh_state.hpp"
#include "html2rtf/word_html.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

const Text kHead =
    u"<html><head><meta name=Generator content=\"Microsoft Word 9\"><style><!--\r\n"
    u" /* Style Definitions */\r\n"
    u"p.MsoNormal, li.MsoNormal, div.MsoNormal\r\n"
    u"\t{margin:0in; font-size:12.0pt; font-family:\"Times New Roman\"; mso-fareast-font-family:Arial;}\r\n"
    u"p.Body\r\n\t{mso-ascii-font-family:Tahoma; font-family:Verdana; font-size:10.0pt}\r\n"
    u"div.Section1\r\n\t{page:Section1;}\r\n"
    u" /* List Definitions */\r\n"
    u"@list l0\r\n\t{mso-list-id:-119;}\r\n"
    u"@list l0:level1\r\n\t{mso-level-number-format:bullet;\r\n\tmso-level-text:\\F0B7;\r\n"
    u"\tfont-family:Symbol;}\r\n"
    u"@list l1:level1 lfo2\r\n\t{mso-level-text:\"o\";}\r\n"
    u"-->\r\n</style></head>";

TEST(WordHtml, HeadDefinitions) {
  const Pos b = InStr(1, kHead, u"</head>", Compare::Text);
  const WordClasses classes = ReadParagraphClasses(MidView(kHead, 1, b));
  ASSERT_EQ(classes.count(u"MSONORMAL"), 1u);
  EXPECT_EQ(classes.at(u"MSONORMAL").Family, u"Times New Roman");
  EXPECT_EQ(classes.at(u"MSONORMAL").Size, u"12.0");
  EXPECT_EQ(classes.at(u"BODY").Family, u"Verdana");
  EXPECT_EQ(classes.at(u"SECTION1").Family, u"");
  const WordLevels levels = ReadListLevels(MidView(kHead, 1, b));
  ASSERT_EQ(levels.count(u"L0 LEVEL1"), 1u);
  EXPECT_EQ(levels.at(u"L0 LEVEL1").Marker, u"&#XF0B7;");
  EXPECT_EQ(levels.at(u"L0 LEVEL1").Face, u"Symbol");
  EXPECT_EQ(levels.at(u"L1 LEVEL1 LFO2").Marker, u"o");
  EXPECT_EQ(levels.at(u"L1 LEVEL1 LFO2").Face, u"Times New Roman");
  EXPECT_EQ(levels.at(u"L0").Marker, u"");
}

Text Cleaned(TextView body) {
  Text html = kHead + Text(body);
  CleanWordHtml(html);
  return html;
}

TEST(WordHtml, ParagraphClassesAndMarkerSpans) {
  EXPECT_EQ(Cleaned(u"<body><p class=MsoNormal>a</p><P CLASS=\"body\" align=center>b<p class=Other>c"
                    u"<li class=MsoNormal>d</li><div class=Section1>e</div></body>"),
            u"<html><head><meta name=Generator content=\"Microsoft Word 9\"></head>"
            u"<body><p class=MsoNormal><FONT FACE=\"Times New Roman\">a</FONT></p>"
            u"<P CLASS=\"body\" align=center><FONT FACE=\"Verdana\">b</FONT><p class=Other>c"
            u"<li class=MsoNormal><FONT FACE=\"Times New Roman\">d</FONT></li>"
            u"<div class=Section1>e</div></body>");
  // Marker spans go, their content stays; other spans stay.
  const Text cleaned = Cleaned(
      u"<body><p><span style='mso-list:Ignore'>1.<span style='font:7.0pt \"Times New Roman\"'>"
      u"&nbsp; </span></span><span style=\"color:red\">x</span></p></body>");
  EXPECT_TRUE(cleaned.ends_with(u"<body><p>1.&nbsp; <span style=\"color:red\">x</span></p></body>"))
      << std::string(cleaned.begin(), cleaned.end());
  // No BODY: nothing at all happens, not even the comments go.
  Text bare = u"<p class=MsoNormal>a</p><!-- c --><ol><li>x</ol>";
  CleanWordHtml(bare);
  EXPECT_EQ(bare, u"<p class=MsoNormal>a</p><!-- c --><ol><li>x</ol>");
}

TEST(WordHtml, ListsBecomeTextMarkers) {
  Text out = Cleaned(
      u"<body><ul><li style='mso-list:l0 level1 lfo1'>one</li>"
      u"<p style=\"text-indent:-.25in;mso-list:l1 level1 lfo2\">two</p><li>plain</li></ul>"
      u"<OL><LI>a<LI>b<ol start=4><li>c</li></ol></LI></OL><ol><p style='mso-list:l9 level1'>z</p></ol></body>");
  EXPECT_EQ(out.substr(out.find(u"<body>")),
            u"<body><ul><P><FONT FACE=\"Symbol\">&#XF0B7; </FONT>one</P>"
            u"<P><FONT FACE=\"Times New Roman\">o </FONT>two</P><li>plain</li></ul>"
            u"<UL><P>1. a</P><P>2. b<ul start=4><P>4. c</P></ul></P></UL><ul><P>1. z</P></ul></body>");
  // An unknown level gives the paragraph alone.
  out = Cleaned(u"<body><ul><li style='mso-list:l7 level3 lfo1'>q</li></ul></body>");
  EXPECT_TRUE(out.ends_with(u"<body><ul><P>q</P></ul></body>"));
}

TEST(WordHtml, DeepListsStayBounded) {
  Text body = u"<body>";
  for (int i = 0; i < 50; ++i) body += u"<ol><li style='mso-list:l0 level1 lfo1'>x";
  for (int i = 0; i < 50; ++i) body += u"</li></ol>";
  body += u"</body>";
  const Text out = Cleaned(body);
  EXPECT_EQ(CountOccurrences(out, u"<P>1. x", Compare::Binary), 50);
  EXPECT_EQ(CountOccurrences(out, u"</P></ul>", Compare::Binary), 50);
  EXPECT_EQ(CountOccurrences(out, u"<ol", Compare::Text), 0);
}

TEST(WordHtml, ThroughTheConverter) {
  Text html = kHead + u"<body><p class=Body>Hi</p></body></html>";
  Text folder;
  std::int16_t borders = 0;
  const Text rtf = ConvertHtmlToRtf(html, folder, folder, borders);
  EXPECT_NE(rtf.find(u"{\\f2\\fnil\\fcharset0 VERDANA;}"), Text::npos) << std::string(rtf.begin(), rtf.end());
  EXPECT_NE(rtf.find(u"\\f2\\lang1033\\fs24\\cf1 Hi"), Text::npos);
}

}  // namespace
}  // namespace skeinlet::detail
