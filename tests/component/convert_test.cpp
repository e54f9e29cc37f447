#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include "method_args.hpp"

#include <random>

#include "engine/state.hpp"
#include "platform/rich_text_box.hpp"

namespace skeinlet {
namespace {

using detail::State;

using test_support::Args;
using test_support::Rtf;

// A document of exactly `length` characters that holds "\''b0 ".
Text PaddedWithB0(std::size_t length) {
  Text rtf = u"{\\rtf1\\''b0 x";
  rtf += Text(length - rtf.size() - 1, u' ');
  rtf += u"}";
  return rtf;
}

long ErrorNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Convert, SmallDocumentFixThresholds) {
  Convert conv;
  auto viaConvertRtf = [&](std::size_t length) {
    Args a;
    a.rtf = PaddedWithB0(length);
    conv.ConvertRTF(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                    a.images, a.folder, a.format, a.clean, a.name);
    return State().SourceRtf;
  };
  EXPECT_TRUE(viaConvertRtf(14999).starts_with(u"{\\rtf1\\b0 x"));
  EXPECT_TRUE(viaConvertRtf(15000).starts_with(u"{\\rtf1\\''b0 x"));

  auto viaRaw = [&](std::size_t length) {
    Args a;
    a.rtf = PaddedWithB0(length);
    conv.ConvertRawHTML(a.rtf, a.title, a.colour, a.generator, a.links,
                        a.debug, a.images, a.folder, a.format, a.clean, a.name);
    return State().SourceRtf;
  };
  EXPECT_TRUE(viaRaw(9999).starts_with(u"{\\rtf1\\b0 x"));
  EXPECT_TRUE(viaRaw(10000).starts_with(u"{\\rtf1\\''b0 x"));

  Args lower;
  lower.rtf = u"{\\rtf1\\''B0 x}";
  conv.ConvertRTF(lower.rtf, lower.title, lower.colour, lower.generator,
                  lower.links, lower.debug, lower.images, lower.folder,
                  lower.format, lower.clean, lower.name);
  EXPECT_EQ(State().SourceRtf, u"{\\rtf1\\b0 x}") << "case-insensitive";
}

TEST(Convert, WritesBackIntoTheArguments) {
  Convert conv;
  Args a;
  a.rtf = Rtf(u"Hello");
  a.colour = u"Cyan ";
  const Text html = conv.ConvertRTF(a.rtf, a.title, a.colour, a.generator,
                                    a.links, a.debug, a.images, a.folder,
                                    a.format, a.clean, a.name);
  EXPECT_TRUE(a.rtf.empty());
  EXPECT_EQ(a.colour, u"FFFFFF");
  EXPECT_TRUE(html.starts_with(u"<html>\r\n<head>\r\n<title>T</title>"));
  EXPECT_NE(html.find(u"<BODY BGCOLOR=\"#FFFFFF\">"), Text::npos);
  EXPECT_NE(html.find(u"Hello"), Text::npos);
  EXPECT_TRUE(html.ends_with(u"\r\n</body>\r\n</html>\r\n"));
}

TEST(Convert, RawHtmlStartsAfterTheBodyTag) {
  Convert conv;
  Args a;
  a.rtf = Rtf(u"Hello");
  const Text raw = conv.ConvertRawHTML(a.rtf, a.title, a.colour, a.generator,
                                       a.links, a.debug, a.images, a.folder,
                                       a.format, a.clean, a.name);
  EXPECT_EQ(raw.find(u"<BODY"), Text::npos);
  EXPECT_EQ(raw.find(u"<html>"), Text::npos);
  EXPECT_EQ(raw.find(u"</body>"), Text::npos);
  EXPECT_NE(raw.find(u"Hello"), Text::npos);

  // A blank colour gives "<body>", which the exact search does not find.
  Args blank;
  blank.rtf = Rtf(u"Hello");
  blank.colour = u"   ";
  const Text whole = conv.ConvertRawHTML(
      blank.rtf, blank.title, blank.colour, blank.generator, blank.links,
      blank.debug, blank.images, blank.folder, blank.format, blank.clean,
      blank.name);
  EXPECT_TRUE(whole.starts_with(u"\r\n<body>"));
}

TEST(Convert, NoBodyHtmlBranch) {
  Convert conv;
  for (const Text flag : {u"no", u" yes", u"yes "}) {
    Args a;
    a.rtf = Rtf(u"One paragraph");
    a.xhtml = flag;
    const Text body = conv.ConvertNoBody(a.rtf, a.title, a.colour, a.generator,
                                         a.links, a.debug, a.images, a.folder,
                                         a.format, a.clean, a.name, a.xhtml);
    for (const TextView tag : {u"<html>", u"<head>", u"<BODY", u"</body>", u"</html>"})
      EXPECT_EQ(body.find(tag), Text::npos) << ToUtf8(tag);
    EXPECT_NE(body.find(u"One paragraph"), Text::npos);
    EXPECT_TRUE(body.ends_with(u"\r\n"));
  }
}

TEST(Convert, RichTextControlMethods) {
  Convert conv;
  const Text doc = Rtf(u"Hello {\\*\\junk zz}{\\b bold}");
  auto viaConvertRtf = [&](Text rtf, Text clean) {
    Args a;
    a.rtf = std::move(rtf);
    a.clean = std::move(clean);
    return conv.ConvertRTF(a.rtf, a.title, a.colour, a.generator, a.links,
                           a.debug, a.images, a.folder, a.format, a.clean, a.name);
  };
  // The clean flag (trimmed, lower-cased) sends the document through the
  // control first: the engine sees the control's rewrite.
  detail::RichTextBox box;
  box.SetTextRTF(doc);
  const Text rewritten = box.TextRTF();
  ASSERT_NE(rewritten, doc);
  const Text cleaned = viaConvertRtf(doc, u" YES ");
  EXPECT_EQ(cleaned, viaConvertRtf(rewritten, u"no"));
  EXPECT_NE(cleaned, viaConvertRtf(doc, u"no"));
  EXPECT_EQ(viaConvertRtf(doc, u"y es"), viaConvertRtf(doc, u"no"));

  // ConvertRTFPlain: the control's plain text; the argument holds its RTF.
  Text rtf = Rtf(u"One\\par Two\\tab three");
  EXPECT_EQ(conv.ConvertRTFPlain(rtf), u"One\r\nTwo\tthree");
  EXPECT_TRUE(rtf.starts_with(u"{\\rtf1\\ansi\\ansicpg1252\\deff0"));

  // ConvertPlainHTML: plain text becomes the control's RTF, then HTML in
  // the control's default font; the argument holds that RTF.
  Text plain = u"a < b\r\nnext";
  Text title = u"T", colour = u"white", generator, links = u"no", debug = u"no";
  const Text html = conv.ConvertPlainHTML(plain, title, colour, generator, links, debug);
  EXPECT_NE(html.find(u"MS Sans Serif"), Text::npos);
  EXPECT_NE(html.find(u"a &lt; b<br>next"), Text::npos) << ToUtf8(html);
  EXPECT_TRUE(html.ends_with(u"</html>\r\n") || html.ends_with(u"</html>")) << ToUtf8(html);
  // An empty text still gives the whole frame.
  Text empty;
  const Text frame = conv.ConvertPlainHTML(empty, title, colour, generator, links, debug);
  EXPECT_NE(frame.find(u"<html>"), Text::npos);
  EXPECT_NE(frame.find(u"</body>"), Text::npos);

  EXPECT_TRUE(conv.ConvertHTML2RTF(std::string_view("<p>x</p>")).starts_with("{\\rtf1\\ansi"));
}

TEST(Convert, Utf8Overloads) {
  Convert conv;
  const std::string html =
      conv.ConvertRTF("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0 Caf\xC3\xA9\\par\r\n}",
                      "Men\xC3\xBC");
  // Read as UTF-8: the last stage writes both letters as their references.
  EXPECT_NE(html.find("<title>Men&#252;</title>"), std::string::npos);
  EXPECT_NE(html.find("Caf&#233;"), std::string::npos);
}

TEST(Convert, DamagedTablesRaiseTheirErrors) {
  Convert conv;
  EXPECT_EQ(ErrorNumber([&] {
              conv.ConvertRTF(std::string_view("{\\rtf1{\\colortbl;\\red255\\blue0;}x}"));
            }),
            Error::kInvalidCall);
  EXPECT_EQ(ErrorNumber([&] {
              conv.ConvertRTF(std::string_view("{\\rtf1{\\colortbl;\\redx\\green0\\blue0;}x}"));
            }),
            Error::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([&] {
              conv.ConvertRTF(
                  std::string_view("{\\rtf1{\\colortbl;\\red99999\\green0\\blue0;}x}"));
            }),
            Error::kOverflow);
  std::string late = "{\\rtf1{\\fonttbl{\\f0 Arial;}" + std::string(20000, ' ') + ";}}x}";
  EXPECT_EQ(ErrorNumber([&] { conv.ConvertRTF(std::string_view(late)); }),
            Error::kInvalidCall);
}

TEST(Convert, HostileInputConvertsOrRaisesDocumentedErrors) {
  Convert conv;
  for (const std::string& doc :
       {std::string(), std::string("{}"), std::string(5000, '{') + std::string(5000, '}'),
        std::string(3000, '}'), std::string("\\plain\\plain\\plain\\"),
        std::string("{\\rtf1\\caps \\caps0 \\caps \\caps0 }"),
        std::string("{\\rtf1{\\colortbl"), std::string("{\\rtf1{\\colortbl;\\red")}) {
    const std::string html = conv.ConvertRTF(std::string_view(doc));
    EXPECT_NE(html.find("</html>"), std::string::npos) << doc.substr(0, 40);
  }
  // A font table that never closes cuts with a negative length.
  EXPECT_EQ(ErrorNumber([&] { conv.ConvertRTF(std::string_view("{\\rtf1{\\fonttbl{")); }),
            Error::kInvalidCall);

  // 20 MB of random bytes, read as Windows-1252 would be.
  std::mt19937 random(20261206);
  Text noise(20u << 20, u'\0');
  for (char16_t& c : noise) c = static_cast<char16_t>(random() & 0xFF);
  Args a;
  a.rtf = std::move(noise);
  const long error = ErrorNumber([&] {
    conv.ConvertRTF(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                    a.images, a.folder, a.format, a.clean, a.name);
  });
  EXPECT_TRUE(error == 0 || error == 5 || error == 6 || error == 13) << error;
}

}  // namespace
}  // namespace skeinlet
