#include "engine/rtf_to_html.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "engine/state.hpp"

namespace skeinlet::detail {
namespace {

struct Call {
  Text rtf = u"{\\rtf1\\ansi\\pard Hello\\par}";
  Text title = u"Title";
  Text colour = u"white";
  Text generator;
  Text links = u"no";
  Text debug = u"no";
  Text images = u"no";
  Text folder;
  Text format = u"png";
  Text name = u"image";
  Text mode = u"no";

  Text Run() {
    return RtfToHtml(rtf, title, colour, generator, links, debug, images,
                     folder, format, name, mode);
  }
};

Text Normalised(Text colour) {
  NormaliseBackgroundColour(colour);
  return colour;
}

TEST(RtfToHtml, CompleteDocumentFrame) {
  Call call;
  call.title = u"A <b>&</b> title";
  const Text html = call.Run();
  EXPECT_TRUE(html.starts_with(
      u"<html>\r\n<head>\r\n<title>A <b>&</b> title</title>\r\n"
      u"<meta name=\"GENERATOR\" content=\"Tarnwick Skeinlet Control\">\r\n"
      u"</head>\r\n<BODY BGCOLOR=\"#FFFFFF\">"));
  EXPECT_TRUE(html.ends_with(u"\r\n</body>\r\n</html>\r\n"));
  EXPECT_TRUE(call.rtf.empty());
  EXPECT_EQ(call.colour, u"FFFFFF");
  EXPECT_EQ(call.mode, u"no");

  Call own;
  own.generator = u"My \"Editor\"";
  EXPECT_NE(own.Run().find(u"<meta name=\"GENERATOR\" content=\"My \"Editor\"\">"),
            Text::npos);
}

TEST(RtfToHtml, ModesAndTheModeArgument) {
  Call raw;
  raw.mode = u"YES";
  const Text html = raw.Run();
  EXPECT_TRUE(html.starts_with(u"\r\n<BODY BGCOLOR=\"#FFFFFF\">"));
  EXPECT_EQ(html.find(u"<head>"), Text::npos);
  EXPECT_EQ(html.find(u"</body>"), Text::npos);
  EXPECT_EQ(html.find(u"</html>"), Text::npos);
  EXPECT_EQ(raw.mode, u"YES");
  EXPECT_EQ(State().NoFrame, u"yes");
  EXPECT_EQ(State().RawKeepFonts, u"no");

  Call keep;
  keep.mode = u"Yes2";
  keep.Run();
  EXPECT_EQ(keep.mode, u"Yes2");
  EXPECT_EQ(State().NoFrame, u"yes");
  EXPECT_EQ(State().RawKeepFonts, u"yes");

  for (const Text garbage : {u"", u" yes", u"yes3", u"\u00ff\u0000x"}) {
    Call call;
    call.mode = garbage;
    const Text out = call.Run();
    EXPECT_EQ(call.mode, u"no");
    EXPECT_TRUE(out.starts_with(u"<html>"));
    EXPECT_EQ(State().NoFrame, u"no");
  }
}

TEST(RtfToHtml, ResetsTheStateOfThePreviousCall) {
  ConversionState& state = State();
  state.Language = u"greek";
  state.CentreOpen = u"yes";
  state.RunCount = 9;
  state.CurrentFace = u"Arial";
  state.NonWesternFonts = u"yes";
  Call call;
  call.images = u"YES";
  call.folder = u"/tmp/pictures";
  call.rtf = u"{\\rtf1 x}";
  const Text source = call.rtf;
  call.Run();
  EXPECT_EQ(state.Language, u"english");
  EXPECT_EQ(state.NonWesternFonts, u"no");
  EXPECT_EQ(state.SourceRtf, source);
  EXPECT_EQ(state.ImageOptions.ConvertImages, u"YES");
  EXPECT_EQ(state.ImageOptions.ImageFolder, u"/tmp/pictures");
  EXPECT_EQ(state.ImageOptions.ImageFormat, u"png");
  EXPECT_EQ(state.ImageOptions.ImageName, u"image");
  EXPECT_EQ(state.FontSizeMap[12], u"3");
  // The CENTER block of the previous call is not closed in this one.
  EXPECT_EQ(state.HtmlOut.find(u"</CENTER>"), Text::npos);
}

TEST(RtfToHtml, TablesAreReadFromTheFirst20000Characters) {
  Call first;
  first.rtf = u"{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\pard x}";
  first.Run();
  EXPECT_EQ(State().ColourCount, 1);
  EXPECT_EQ(State().ColourList[1], u"#ff0000");

  Call late;
  late.rtf = u"{\\rtf1" + Text(20000, u' ') +
             u"{\\colortbl;\\red0\\green0\\blue255;\\red1\\green1\\blue1;}}";
  late.Run();
  EXPECT_EQ(State().ColourCount, 1) << "the earlier list stays";
  EXPECT_EQ(State().ColourList[1], u"#ff0000");
}

TEST(NormaliseBackgroundColour, NamesNumbersAndSystemColours) {
  EXPECT_EQ(Normalised(u"Cyan "), u"FFFFFF");
  EXPECT_EQ(Normalised(u"  light green"), u"90EE90");
  EXPECT_EQ(Normalised(u"ORANGE"), u"FF8C00");
  EXPECT_EQ(Normalised(u"0xFF0000"), u"FF0000");
  EXPECT_EQ(Normalised(u"0XFF0000"), u"0XFF0000");  // "0x" is exact
  EXPECT_EQ(Normalised(u"0xF0"), u"00F00x") << "four characters keep 0x";
  EXPECT_EQ(Normalised(u"FF"), u"0000FF");
  EXPECT_EQ(Normalised(u"ABC"), u"00C0AB");
  EXPECT_EQ(Normalised(u"255"), u"0000FF");
  EXPECT_EQ(Normalised(u"16711680"), u"0000FF");
  EXPECT_EQ(Normalised(u"008000"), u"00401F");
  EXPECT_EQ(Normalised(u"000000"), u"000000");
  EXPECT_EQ(Normalised(u"2.5"), u"000020") << "rounds half to even";
  EXPECT_EQ(Normalised(u"80000005"), u"FFFFFF");
  EXPECT_EQ(Normalised(u" 80000005"), u"4C4B405") << "not exact: a decimal";
  EXPECT_EQ(Normalised(u"-2147483624"), u"FFFFE1");
  EXPECT_EQ(Normalised(u"-2147483646"), u"000080");
  EXPECT_EQ(Normalised(u"-2147483633"), u"C0C0C0");
  EXPECT_EQ(Normalised(u"-5"), u"FFFFFF");
  EXPECT_EQ(Normalised(u" -2147483624"), u"FFFFFF");
  EXPECT_EQ(Normalised(u""), u"FFFFFF");
  EXPECT_EQ(Normalised(u"   "), u"");
  EXPECT_EQ(Normalised(u"12345678"), u"4E61BC") << "BC614E, pairs reversed";
  EXPECT_EQ(Normalised(u"#FF0000"), u"#FF0000");
}

TEST(NormaliseBackgroundColour, OutOfRangeNumberIsOverflow) {
  try {
    Normalised(u"99999999999");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

TEST(RtfToHtml, BodyTagForBlankColour) {
  Call call;
  call.colour = u"   ";
  const Text html = call.Run();
  EXPECT_NE(html.find(u"</head>\r\n<body>"), Text::npos);
  EXPECT_EQ(html.find(u"BGCOLOR"), Text::npos);
  EXPECT_EQ(call.colour, u"");
}

TEST(BalanceClosingTags, ClosersAndFrameEnd) {
  ConversionState& state = State();
  state.NoFrame = u"no";
  state.ParagraphOpen = u"no";

  state.CentreOpen = u"yes";
  state.HtmlOut = u"<CENTER><table><TABLE><table></table>";
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut,
            u"<CENTER><table><TABLE><table></table></CENTER>\r\n"
            u"</table></table>\r\n</body>\r\n</html>\r\n");
  EXPECT_EQ(state.CentreOpen, u"no");

  state.HtmlOut = Repeat(u"<table>", 5);
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut, Repeat(u"<table>", 5) + u"\r\n</body>\r\n</html>\r\n");

  state.HtmlOut = Repeat(u"<font>", 8);
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut, Repeat(u"<font>", 8) + u"\r\n" +
                               Repeat(u"</font>", 8) + u"\r\n</body>\r\n</html>\r\n");
  state.HtmlOut = Repeat(u"<font>", 9);
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut, Repeat(u"<font>", 9) + u"\r\n</body>\r\n</html>\r\n");

  state.ParagraphOpen = u"yes";
  state.HtmlOut = u"<p align=right>x";
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut, u"<p align=right>x</p>\r\n</body>\r\n</html>\r\n");
  EXPECT_EQ(state.ParagraphOpen, u"no");

  state.NoFrame = u"yes";
  state.ParagraphOpen = u"yes";
  state.HtmlOut = u"<table>";
  BalanceClosingTags(state);
  EXPECT_EQ(state.HtmlOut, u"<table>\r\n</table>");
  EXPECT_EQ(state.ParagraphOpen, u"yes");
}

TEST(RtfToHtml, EachThreadHasItsOwnState) {
  Call red;
  red.rtf = u"{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\pard x}";
  red.Run();
  Text seen;
  std::thread other([&] {
    Call blue;
    blue.rtf = u"{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\pard x}";
    blue.Run();
    seen = State().ColourList[1];
  });
  other.join();
  EXPECT_EQ(seen, u"#0000ff");
  EXPECT_EQ(State().ColourList[1], u"#ff0000");
}

}  // namespace
}  // namespace skeinlet::detail
