#include "engine/rtf_to_html.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"

namespace skeinlet::detail {
namespace {

// One set of arguments for calling a stage directly on HtmlOut.
struct Call {
  Text rtf, title, colour = u"FFFFFF", generator, links = u"no", debug, images, folder,
      format, name, mode = u"no";
  EngineCall Make() {
    return {rtf, title, colour, generator, links, debug, images, folder, format, name, mode,
            State()};
  }
};

Text Apply(void (*stage)(EngineCall&), Text html, Call c = {}) {
  State().HtmlOut = std::move(html);
  EngineCall call = c.Make();
  stage(call);
  return State().HtmlOut;
}

TEST(Stage05FirstCleanup, EmptyItemsAndFaceZero) {
  EXPECT_EQ(Apply(Stage05FirstCleanup, u"a<li></li>b<LI></Li>c<font face=\"0 Arial\">"),
            u"abc<font FACE=\"Arial\">");
  EXPECT_EQ(Apply(Stage05FirstCleanup, u"<font FACE=\"0Arial\">"), u"<font FACE=\"0Arial\">");
}

TEST(Stage07Placeholders, PictureReferences) {
  const Text ref = u" ¢iûJjK9±Íc:¤þÞÚ§img¤þÞÚ§object000.pngK9iûJ±¢jÍ ";
  State().EquationSeen = u"no";
  EXPECT_EQ(Apply(Stage07Placeholders, ref),
            u" <img border=\"0\" src=\"file:///c:\\img\\object000.png\"> ");
  State().EquationSeen = u"yes";
  EXPECT_EQ(Apply(Stage07Placeholders, ref),
            u" <img border=\"0\" src=\"file:///c:\\img\\object000.png\"></center> ");
  // A right-aligned picture: the trade mark sign after the close mark.
  State().EquationSeen = u"no";
  EXPECT_EQ(Apply(Stage07Placeholders, u"¢iûJjK9±Íp.jpgK9iûJ±¢jÍ ™x"),
            u"<img border=\"0\" src=\"file:///p.jpg\"><p align=\"left\">x");
  EXPECT_EQ(Apply(Stage07Placeholders, u"¢IÛJJK9±ÍaK9IÛJ±¢JÍ"),
            u"<img border=\"0\" src=\"file:///a\">")
      << "text comparison";
}

TEST(Stage06Links, TheLinksArgumentChoosesTheBranch) {
  Call yes;
  yes.links = u"YeS";
  EXPECT_NE(Apply(Stage06Links, u"see http://example.com/a now", yes).find(u"<a href="),
            Text::npos);
  EXPECT_EQ(State().LinkPrefixes.UBound(), 37);
  Call blank;
  blank.links = u" yes";
  EXPECT_EQ(Apply(Stage06Links, u"see http://example.com/a now", blank),
            u"see http://example.com/a now");
  EXPECT_EQ(State().LinkPrefixes.UBound(), 3);
}

TEST(Stage18DefaultFont, WrapsTheBodyInFontZero) {
  ConversionState& state = State();
  state.FontCount = 2;
  state.FontNames.Redim(0, 1);
  state.FontNames[0] = u" Times New Roman ";
  const Text body = u"<BODY BGCOLOR=\"#FFFFFF\">x</body>y</body>";
  EXPECT_EQ(Apply(Stage18DefaultFont, body),
            u"<BODY BGCOLOR=\"#FFFFFF\"><font face=\"Times New Roman\">x</font>\r\n</body>y</body>");
  // Any face markup already there, in any letter case, keeps the body as
  // it is.
  const Text faced = u"<BODY BGCOLOR=\"#FFFFFF\"><font FACE=\"Arial\">x</body>";
  EXPECT_EQ(Apply(Stage18DefaultFont, faced), faced);
  // A blank colour: no body tag to follow, but "</body>" is still wrapped.
  Call noColour;
  noColour.colour = u"";
  EXPECT_EQ(Apply(Stage18DefaultFont, u"<body>x</body>", noColour),
            u"<body>x</font>\r\n</body>");
  // Frameless output has no "</body>".
  EXPECT_EQ(Apply(Stage18DefaultFont, u"<BODY BGCOLOR=\"#FFFFFF\">x"),
            u"<BODY BGCOLOR=\"#FFFFFF\"><font face=\"Times New Roman\">x");
  state.FontNames[0] = u"  ";
  EXPECT_EQ(Apply(Stage18DefaultFont, body), body);
  state.FontNames[0] = u"Arial";
  state.FontCount = 0;
  EXPECT_EQ(Apply(Stage18DefaultFont, body), body);
}

TEST(RtfToHtml, PicturesEndToEnd) {
  // No file is written: the folder does not exist.
  const Text doc =
      u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\plain Hello "
      u"{\\pict\\pngblip\\picw1\\pich1 89504e47}"
      u"{\\object\\objemb{\\*\\objclass Equation.3}{\\*\\objdata 0102}{\\result {\\pict\\wmetafile8 00}}}"
      u"\\par}";
  auto convert = [&](Text images) {
    Text rtf = doc, title, colour = u"FFFFFF", generator, links = u"no", debug,
         folder = u"no-such-folder\\pics", format = u"png", name = u"p", mode = u"no";
    return RtfToHtml(rtf, title, colour, generator, links, debug, images, folder, format,
                     name, mode);
  };
  const Text on = convert(u"Yes");
  // The equation object ends every picture with a CENTER end, which stage 26
  // takes away again: the page opens no CENTER block.
  EXPECT_EQ(State().EquationSeen, u"yes");
  EXPECT_NE(on.find(u"<img border=\"0\" src=\"file:///no-such-folder\\pics\\p000.png\">"),
            Text::npos);
  EXPECT_NE(on.find(u"src=\"file:///no-such-folder\\pics\\p001.png\">"), Text::npos);
  EXPECT_EQ(on.find(u"</center>"), Text::npos);
  const Text off = convert(u"no");
  EXPECT_EQ(off.find(u"<img"), Text::npos);
  EXPECT_EQ(off.find(u"89504e47"), Text::npos);
  EXPECT_EQ(off.find(u"objdata"), Text::npos);
  EXPECT_EQ(State().EquationSeen, u"no");
}

}  // namespace
}  // namespace skeinlet::detail
