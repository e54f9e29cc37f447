// Damaged and hostile RTF: the reader keeps what it could read, never
// crashes, and stays linear (each case here would take minutes if any part
// of the reader were quadratic or recursive).
#include "platform/rich_text_box.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

Text PlainOf(TextView rtf) {
  RichTextBox box;
  box.SetTextRTF(rtf);
  const Text rewrite = box.TextRTF();
  EXPECT_EQ(rewrite.substr(0, 6), u"{\\rtf1");
  EXPECT_EQ(rewrite.substr(rewrite.size() - 3), u"}\r\n");
  return box.GetText();
}

Text Times(TextView piece, std::size_t n) {
  Text out;
  out.reserve(piece.size() * n);
  for (std::size_t i = 0; i < n; ++i) out.append(piece);
  return out;
}

TEST(RichTextBadInput, UnbalancedBraces) {
  // Text after the document's own closing brace is not part of it.
  EXPECT_EQ(PlainOf(u"{\\rtf1 a}} b}"), u"a");
  EXPECT_EQ(PlainOf(u"{\\rtf1 a} tail {\\b x}"), u"a");
  // A document that ends inside groups keeps everything it read.
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\b bold {\\i both"), u"bold both");
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link"), u"link");
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\pict\\pngblip 0011"), u"");
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\header head"), u"");
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\fonttbl{\\f0 Arial"), u"");
  EXPECT_EQ(PlainOf(u"{\\rtf1"), u"");
  EXPECT_EQ(PlainOf(u"{\\rtf"), u"");
  // A destination word in the document's own group skips nothing, and the
  // groups after it still read (this once read outside the group stack).
  EXPECT_EQ(PlainOf(u"{\\rtf1 a\\generator x;{\\b b}{\\i c}}"), u"ax;bc");
}

TEST(RichTextBadInput, HugeNumbersAndLongWords) {
  EXPECT_EQ(PlainOf(u"{\\rtf1 a\\bin99999999999999 \x01\x02}"), u"a");
  EXPECT_EQ(PlainOf(u"{\\rtf1 a\\bin2147483647}"), u"a");
  EXPECT_EQ(PlainOf(u"{\\rtf1 a\\" + Text(10000, u'x') + u" b}"), u"ab");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\fs99999999999 \\cf99999999999 \\f-99999999999 \\li99999999999 "
                    u"a\\u99999999999 ?b\\u-99999999999 ?c\\trowd\\cellx99999999999 "
                    u"\\highlight-5 d}"),
            u"abcd");
  // Cells past the row's last boundary are an inch wide each; past the end
  // of the number range they stay at its end.
  {
    RichTextBox box;
    box.SetTextRTF(u"{\\rtf1\\trowd\\cellx99999999999 \\intbl a\\cell b\\cell c\\cell\\row}");
    const Text rewrite = box.TextRTF();
    EXPECT_NE(rewrite.find(u"\\cellx2147483647\\cellx2147483647\\cellx2147483647"), Text::npos)
        << std::string(rewrite.begin(), rewrite.end());
    box.SetTextRTF(u"{\\rtf1\\trowd\\cellx-99999999999 \\intbl a\\cell b\\cell\\row}");
    EXPECT_NE(box.TextRTF().find(u"\\cellx-2147483647\\cellx-2147482207"), Text::npos);
  }
  // A numbering that starts at the end of the number range counts no further.
  {
    RichTextBox box;
    box.SetTextRTF(u"{\\rtf1{\\*\\pn\\pnlvlbody\\pnstart99999999999\\pndec}One\\par Two\\par}");
    EXPECT_NE(box.TextRTF().find(u"{\\pntext\\f0 2147483647\\tab}Two"), Text::npos);
  }
  // A huge \uc drops the rest of the group, and no more.
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\uc99999999999\\u65 xxxx\\'41\\b xx}y}"), u"Ay");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\deff99{\\fonttbl{\\f99999999999 X;}}\\f99999999999 x}"), u"x");
}

TEST(RichTextBadInput, NulCharactersAndControlCharacters) {
  static constexpr char16_t kRtf[] = u"{\\rtf1 a\0b\\'00c\\u0?d\x01\x1f" u"e\\u7?f}";
  const Text rtf(kRtf, std::size(kRtf) - 1);
  EXPECT_EQ(PlainOf(rtf), u"abcdef");
}

TEST(RichTextBadInput, InvalidCodePages) {
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansi\\ansicpg99999 \\'e9}"), u"\u00e9");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansicpg-1 \\'e9}"), u"\u00e9");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansicpg65001 \\'e9}"), u"\u00e9");
  EXPECT_EQ(PlainOf(u"{\\rtf1{\\fonttbl{\\f0\\fcharset999\\cpg77777 X;}}\\f0\\'e9}"), u"\u00e9");
  // A double-byte lead byte with nothing after it is dropped.
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansicpg932 a\\'82}b}"), u"a");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansicpg932 a\\'82\\'ff b}"), u"a\ufffd b");
}

TEST(RichTextBadInput, DeepNesting) {
  constexpr std::size_t kDepth = 100000;
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{", kDepth) + u"deep" + Times(u"}", kDepth) + u" after}"),
            u"deep after");
  // Never closed.
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{\\b ", kDepth) + u"x"), u"x");
  // Inside a skipped destination.
  EXPECT_EQ(PlainOf(u"{\\rtf1{\\*\\x " + Times(u"{", kDepth) + u"no" + Times(u"}", kDepth) + u"}yes}"),
            u"yes");
  // Fields and pictures in fields, nested as deep.
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt a", kDepth) +
                    Times(u"}}", kDepth) + u"}"),
            Text(kDepth, u'a'));
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{\\pict ", kDepth) + u"00" + Times(u"}", kDepth) + u"z}"), u"z");
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{\\header ", kDepth) + u"h" + Times(u"}", kDepth) + u"z}"), u"z");
}

TEST(RichTextBadInput, LargeRepetitiveInputStaysLinear) {
  constexpr std::size_t kCount = 200000;
  // Unicode escapes whose fallbacks are cut by groups, list texts without
  // numbering, cells without rows, fonts and colours by the thousand.
  EXPECT_EQ(PlainOf(u"{\\rtf1\\uc5 " + Times(u"{\\u65}", kCount) + u"}"), Text(kCount, u'A'));
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"\\intbl x\\cell ", kCount) + u"}").size(), kCount * 2 + 1);
  Text fonts = u"{\\rtf1{\\fonttbl";
  Text body;
  for (std::size_t i = 0; i < 20000; ++i) {
    fonts += u"{\\f" + NumberText(static_cast<long long>(i)) + u" F" + NumberText(static_cast<long long>(i)) + u";}";
    body += u"\\f" + NumberText(static_cast<long long>(i)) + u"\\cf" + NumberText(static_cast<long long>(i % 7)) + u" x";
  }
  Text colours = u"{\\colortbl;";
  for (int i = 0; i < 7; ++i) colours += u"\\red" + NumberText(i) + u";";
  EXPECT_EQ(PlainOf(fonts + u"}" + colours + u"}" + body + u"}"), Text(20000, u'x'));
  EXPECT_EQ(PlainOf(u"{\\rtf1 " + Times(u"{\\pntext x}", kCount) + u"y\\par}"), u"y");
}

}  // namespace
}  // namespace skeinlet::detail
