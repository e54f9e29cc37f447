#include "fresh_state.hpp"

#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace skeinlet::detail {
namespace {

const Text kFonts =
    u"\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}{\\f1\\fnil\\fcharset0 MS Sans Serif;}}";
const Text kColours =
    u"{\\colortbl ;\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green255\\blue0;"
    u"\\red0\\green0\\blue255;\\red255\\green255\\blue255;}";
const Text kHeader = u"{\\rtf1\\ansi" + kFonts + u"\r\n" + kColours + u"\r\n\\deflang1033\\pard\\plain\\tx0";

Text Convert(Text html, std::int16_t borders = 0) {
  Text folder;
  return ConvertHtmlToRtf(html, folder, folder, borders);
}

// The body: what follows the fixed header, without the closing brace.
Text Body(Text html) {
  const Text rtf = Convert(std::move(html));
  EXPECT_TRUE(rtf.starts_with(kHeader));
  EXPECT_TRUE(rtf.ends_with(u"}"));
  if (!rtf.starts_with(kHeader) || rtf.size() < kHeader.size() + 1) return rtf;
  return rtf.substr(kHeader.size(), rtf.size() - kHeader.size() - 1);
}

TEST(Driver, FrameHeaderAndRuns) {
  Text html = u"   Hello  world";
  Text folder;
  std::int16_t borders = 0;
  const Text rtf = ConvertHtmlToRtf(html, folder, folder, borders);
  EXPECT_EQ(rtf, kHeader + u"\\lang1033\\fs24\\cf1 Hello world}");
  EXPECT_EQ(html, u"");
  EXPECT_EQ(HtmlRtf().OutputRtf, u"");
  EXPECT_EQ(HtmlRtf().WorkHtml, u"");
  EXPECT_EQ(HtmlRtf().Images, nullptr);

  EXPECT_EQ(Body(u"One<br>Two"),
            u"\\lang1033\\fs24\\cf1 One\r\n\\par\\lang1033\\fs24\\cf1 Two");
  // A line break inside a word joins its halves.
  EXPECT_EQ(Body(u"<p>wo\r\nrd</p>"), u"\\lang1033\\fs24\\cf1 word\r\n\\par\\ql");
  // So does every CR and LF alone, in any order, inside a tag too.
  EXPECT_EQ(Body(u"<p>w\ro\n\rr\n\nd</p\r>"), u"\\lang1033\\fs24\\cf1 word\r\n\\par\\ql");
  // A run of one non-breaking space is one blank, kept at the paragraph's
  // start.
  EXPECT_EQ(Body(u"<b>&nbsp;</b>"), u"\\b1\\lang1033\\fs24\\cf1  \\b0");
  // Leading blanks go only at the start of a paragraph.
  EXPECT_EQ(Body(u"<p> a<b> b</b></p>"),
            u"\\lang1033\\fs24\\cf1 a\\b1\\lang1033\\fs24\\cf1  b\\b0\r\n\\par\\ql");
  // A run of blanks alone at a paragraph's start is no text at all.
  EXPECT_EQ(Body(u"<p>   </p>"), u"\\lang1033\\fs24\\cf1 \r\n\\par\\ql");
  // Inside a table a run loses its tabs, and only there.
  const Text cell = Convert(u"<table><tr><td>\ta\t b\t</td></tr></table>");
  EXPECT_EQ(cell.find(u'\t'), Text::npos) << testing::PrintToString(cell);
  EXPECT_NE(cell.find(u"\\cf1 a b"), Text::npos) << testing::PrintToString(cell);
  EXPECT_EQ(Body(u"<p>\ta</p>"), u"\\lang1033\\fs24\\cf1 \ta\r\n\\par\\ql");
  // Text before the body tag is the head, and goes.
  EXPECT_EQ(Body(u"<html><head><title>T</title></head><body>x</body></html>"),
            u"\\lang1033\\fs24\\cf1 x");
}

TEST(Driver, ParagraphsAndDefinitions) {
  EXPECT_EQ(Body(u"<p align=\"center\">Hi</p>"),
            u"\\qc\\lang1033\\fs24\\cf1 Hi\r\n\\par\\ql");
  EXPECT_EQ(Body(u"<p>A<p>B"),
            u"\\lang1033\\fs24\\cf1 A\r\n\\par\\lang1033\\fs24\\cf1 B");
  EXPECT_EQ(Body(u"<p>A</p><p>B</p>"),
            u"\\lang1033\\fs24\\cf1 A\r\n\\par\\ql\\lang1033\\fs24\\cf1 B\r\n\\par\\ql");
  EXPECT_EQ(Body(u"</p>x"), u"\\lang1033\\fs24\\cf1 x");
  EXPECT_EQ(Body(u"<dt>Term<dd>Text</dl>"),
            u"\\pard\\ql\\li0\r\n\\lang1033\\fs24\\cf1 Term\\li600\\lang1033\\fs24\\cf1 Text"
            u"\r\n\\par\\pard\r\n");
}

TEST(Driver, FormattingInRuns) {
  const Text rtf = Convert(u"<font face=\"Arial\" size=\"4\" color=\"#ff0000\">x</font>y");
  EXPECT_NE(rtf.find(u"{\\f2\\fnil\\fcharset0 ARIAL;}}"), Text::npos);
  EXPECT_NE(rtf.find(u"\\red255\\green255\\blue255;\\red255\\green0\\blue0;}"), Text::npos);
  EXPECT_TRUE(rtf.ends_with(u"\\f2\\lang1033\\fs27\\cf6 x\\lang1033\\fs24\\cf1 y}"));
  // Inside a link the runs carry no colour.
  EXPECT_EQ(Body(u"<a href=\"X.htm\">go</a>"),
            u"{\\field{\\*\\fldinst { HYPERLINK x.htm }}{\\fldrslt {\\ul\\cf4 "
            u"\\lang1033\\fs24 go}}}");
  EXPECT_EQ(Body(u"<span style=\"font-weight:bold;font-style:italic\">B</span>"),
            u"\\b1\\i1\\lang1033\\fs24\\cf1 B\\b0\\i0\\highlight5");
  // Characters and references.
  EXPECT_EQ(Body(u"{a}&amp;b&#233;&eacute;\\"), u"\\lang1033\\fs24\\cf1 \\{a\\}\\'26b\\'E9é\\\\");
}

TEST(Driver, DocumentLanguage) {
  const Text rtf = Convert(u"<html><body lang=\"fr\"><p>x</p></body></html>");
  EXPECT_NE(rtf.find(u"\r\n\\deflang1036\\pard"), Text::npos);
  EXPECT_NE(rtf.find(u"\\lang1036\\fs24\\cf1 x"), Text::npos);
  // The HTML tag is asked only when the body tag has no LANG.
  EXPECT_NE(Convert(u"<html lang=de><body>x").find(u"\\deflang1031"), Text::npos);
  EXPECT_NE(Convert(u"<html lang=de><body lang=it>x").find(u"\\deflang1040"), Text::npos);
  // A paragraph's own language, for its runs only.
  const Text p = Convert(u"<p lang=ru>a</p>b");
  EXPECT_NE(p.find(u"\\lang1049\\fs24\\cf1 a"), Text::npos);
  EXPECT_NE(p.find(u"\\lang1033\\fs24\\cf1 b"), Text::npos);

  HtmlRtfState& s = FreshState();
  struct Code {
    TextView Language;
    std::int32_t Lcid;
  };
  for (const Code c : {Code{u"FR", 1036}, {u"de", 1031}, {u"IT", 1040}, {u"NL", 1043},
                       {u"EL", 1032}, {u"ES", 1034}, {u"PT", 2070}, {u"AR", 1025},
                       {u"HE", 1037}, {u"RU", 1049}, {u"JA", 1041}, {u"UR", 1056},
                       {u"ZH", 1028}, {u"zh-tw", 1054}, {u"X-KOREAN", 1042},
                       {u"EN-GB", 1033}, {u"XX", 1033}, {u"", 1033},
                       // Compared upper-cased: U+0131 and U+017F count as "I" and "S".
                       {u"\u0131t", 1040}, {u"e\u017f", 1034}, {u"x-korean ", 1033}}) {
    s.LanguageStack[0] = Text(c.Language);
    EXPECT_EQ(LanguageToLcid(0), c.Lcid);
  }
}

TEST(Driver, TagNamesOfTheLanguageSearchHaveNoOtherCaseForms) {
  // The BODY and HTML tags are found by a case-insensitive search of the
  // text instead of a search of its upper-cased copy; the two agree only
  // while no other character upper-cases to one of these letters.
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    const char16_t unit = static_cast<char16_t>(c);
    const char16_t up = UpperUnit(unit);
    if (TextView(u"BODYHTML").find(up) != TextView::npos) {
      EXPECT_EQ(LowerUnit(unit), LowerUnit(up)) << static_cast<unsigned>(c);
    }
    if (TextView(u"bodyhtml").find(LowerUnit(unit)) != TextView::npos) {
      EXPECT_NE(TextView(u"BODYHTML").find(up), TextView::npos) << static_cast<unsigned>(c);
    }
  }
}

TEST(Driver, CharacterSetOfTheHeaderAndTheBaseLanguage) {
  HtmlRtfState& s = FreshState();
  s.WorkHtml = u"<html><body>x";
  struct Set {
    std::int16_t Charset;
    TextView Language;
    TextView Word;
  };
  for (const Set c : {Set{134, u"ZH", u"\\deflang1028"}, {128, u"JA", u"\\deflang1041"},
                      {129, u"X-KOREAN", u"\\deflang1042"}, {136, u"ZH-TW", u"\\deflang1054"},
                      {0, u"EN", u"\\deflang1033"}}) {
    s.Charset = c.Charset;
    DocumentLanguage(s);
    EXPECT_EQ(s.LanguageStack[0], c.Language);
    EXPECT_EQ(s.LanguageDepth, 1);
    const Text header = RtfHeader(s);
    EXPECT_NE(header.find(u"\\fcharset" + NumberText(c.Charset) + u" Times New Roman;}"),
              Text::npos);
    EXPECT_NE(header.find(u"\\fcharset" + NumberText(c.Charset) + u" MS Sans Serif;}"),
              Text::npos);
    EXPECT_TRUE(header.ends_with(Text(c.Word) + u"\\pard\\plain\\tx0")) << c.Charset;
  }
  // A document LANG wins over the character set in the runs, but the
  // header's default language follows the character set.
  s.Charset = 128;
  s.WorkHtml = u"<html><body lang=ru>x";
  DocumentLanguage(s);
  EXPECT_EQ(s.LanguageStack[0], u"RU");
  EXPECT_TRUE(RtfHeader(s).ends_with(u"\\deflang1041\\pard\\plain\\tx0"));
  // A table before any text leaves the paragraph reset out; unreadable
  // colours give 0.
  s.Charset = 0;
  s.TableBeforeText = true;
  s.RtfColours.Redim(0, 1);
  s.RtfColours[0] = u"ABCDEF";
  s.RtfColours[1] = u"AQUA";
  EXPECT_TRUE(RtfHeader(s).ends_with(u"{\\colortbl ;\\red171\\green205\\blue239;"
                                     u"\\red0\\green0\\blue0;}\r\n\\deflang1049"));
}

TEST(Driver, ThreadsShareNothing) {
  const Text pages[] = {u"<p lang=fr><font face=A color=red>un</font></p>",
                        u"<span style=\"background-color:blue\">zwei</span><hr>",
                        u"<blockquote><a href=\"T.HTM\">tres</a></blockquote>"};
  Text expected[3];
  for (int i = 0; i < 3; ++i) expected[i] = Convert(pages[i]);
  std::vector<std::thread> threads;
  bool same[3][50] = {};
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 50; ++k) same[t][k] = Convert(pages[t]) == expected[t];
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 3; ++t)
    for (int k = 0; k < 50; ++k) EXPECT_TRUE(same[t][k]) << t << " " << k;
}

TEST(Driver, PublicMethod) {
  skeinlet::Convert conv;
  Text html = u"<p>x</p>", folder = u"img", border = u" yes";
  const Text rtf = conv.ConvertHTML2RTF(html, folder, border);
  EXPECT_TRUE(rtf.starts_with(u"{\\rtf1\\ansi\\deff0"));
  EXPECT_EQ(html, u"");
  EXPECT_EQ(HtmlRtf().DrawBorders, 0);
  html = u"x";
  border = u"YES";
  conv.ConvertHTML2RTF(html, folder, border);
  EXPECT_EQ(HtmlRtf().DrawBorders, 1);
}

// Braces balance outside escapes.
bool Balanced(const Text& rtf) {
  long depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == u'\\') {
      ++i;
      continue;
    }
    if (rtf[i] == u'{') ++depth;
    if (rtf[i] == u'}' && --depth < 0) return false;
  }
  return depth == 0;
}

TEST(Driver, BadInput) {
  // Deep nests of FONT, SPAN and paragraphs.
  Text fonts;
  for (int i = 0; i < 100000; ++i) fonts += u"<font size=2>";
  fonts += u"deep";
  for (int i = 0; i < 100000; ++i) fonts += u"</font>";
  const Text f = Convert(fonts);
  EXPECT_NE(f.find(u"\\fs20\\cf1 deep"), Text::npos);
  EXPECT_TRUE(Balanced(f));
  Text spans;
  for (int i = 0; i < 100000; ++i) spans += u"<span style=\"background-color:red\">";
  spans += u"x";
  for (int i = 0; i < 100000; ++i) spans += u"</span>";
  EXPECT_TRUE(Balanced(Convert(spans)));
  Text paragraphs;
  for (int i = 0; i < 40000; ++i) paragraphs += u"<p lang=fr>";
  paragraphs += u"x";
  for (int i = 0; i < 40000; ++i) paragraphs += u"</p>";
  EXPECT_TRUE(Balanced(Convert(paragraphs)));
  Text quotes;
  for (int i = 0; i < 100; ++i) quotes += u"<blockquote>";
  EXPECT_TRUE(Balanced(Convert(quotes + u"q")));

  // A 1 MB attribute value.
  const Text face(1 << 20, u'a');
  const Text big = Convert(u"<font face=\"" + face + u"\">x</font><p style=\"" + face + u"\">y");
  EXPECT_NE(big.find(UCase(face)), Text::npos);
  EXPECT_TRUE(big.ends_with(u"\\lang1033\\fs24\\cf1 y}"));

  // A "<" that no ">" closes ends the walk.
  EXPECT_TRUE(Convert(u"<html><body>a</body></html>b<i").ends_with(u"\\cf1 a\\lang1033\\fs24\\cf1 b}"));
  EXPECT_TRUE(Balanced(Convert(u"<p>a < b")));
  EXPECT_TRUE(Balanced(Convert(u"<")));
  EXPECT_TRUE(Balanced(Convert(u"")));

  // References beyond U+FFFF, of 50 digits, and malformed entities: the
  // run keeps what its passes made of it.
  EXPECT_NE(Convert(u"&#128512;").find(u"\\cf1 \\u128512\\'3F}"), Text::npos);
  const Text fifty = u"&#" + Text(50, u'7') + u";";
  EXPECT_NE(Convert(u"&#65;" + fifty + u"&amp;").find(u"\\'41" + fifty + u"\\'26}"), Text::npos);
  EXPECT_NE(Convert(u"&#x;&#;&&;&amp").find(u"&#x;&#;&&;&amp}"), Text::npos);

  // NUL bytes are text like any other.
  Text nul = u"<p>a";
  nul.push_back(u'\0');
  nul += u"b</p>";
  Text expected = u"\\cf1 a";
  expected.push_back(u'\0');
  expected += u"b\r\n";
  EXPECT_NE(Convert(nul).find(expected), Text::npos);

  // A page of many small pieces.
  Text page;
  for (int i = 0; i < 20000; ++i)
    page += u"<p align=center><font color=#123456 face=Verdana><b>Word &eacute; &#233;</b></font>"
            u"<a href=\"x.htm\">l</a><span style=\"color:red\">s</span></p>";
  EXPECT_TRUE(Balanced(Convert(page)));
}

}  // namespace
}  // namespace skeinlet::detail
