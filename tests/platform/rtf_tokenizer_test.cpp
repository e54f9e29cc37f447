// The RTF tokenizer and the code pages under it.
#include "platform/code_page.hpp"
#include "platform/rtf_tokenizer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace skeinlet::detail {
namespace {

// One line per token: "{", "}", "\name", "\name=N", "sym c", "byte hh",
// "text ...", "bin N".
std::vector<std::string> Tokens(TextView rtf) {
  std::vector<std::string> out;
  RtfTokenizer tokens(rtf);
  RtfToken t;
  auto narrow = [](TextView s) {
    std::string r;
    for (char16_t c : s) r.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return r;
  };
  while (tokens.Next(t)) {
    switch (t.kind) {
      case RtfTokenKind::GroupOpen: out.push_back("{"); break;
      case RtfTokenKind::GroupClose: out.push_back("}"); break;
      case RtfTokenKind::Word:
        out.push_back("\\" + narrow(t.text) + (t.hasParam ? "=" + std::to_string(t.param) : ""));
        break;
      case RtfTokenKind::Symbol: out.push_back(std::string("sym ") + static_cast<char>(t.symbol)); break;
      case RtfTokenKind::Byte: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x", t.byte);
        out.push_back(std::string("byte ") + hex);
        break;
      }
      case RtfTokenKind::Text: out.push_back("text " + narrow(t.text)); break;
      case RtfTokenKind::Binary: out.push_back("bin " + narrow(t.text)); break;
    }
  }
  return out;
}

using Lines = std::vector<std::string>;

TEST(RtfTokenizer, WordsSymbolsBytesAndText) {
  EXPECT_EQ(Tokens(u"{\\rtf1\\b0 Caf\\'E9\\u-3913?\\*\\~}"),
            (Lines{"{", "\\rtf=1", "\\b=0", "text Caf", "byte e9", "\\u=-3913", "text ?",
                   "sym *", "sym ~", "}"}));
  // One blank ends a word; a second blank is text. A minus sign without a
  // digit is not a number.
  EXPECT_EQ(Tokens(u"\\par  x\\b-y"), (Lines{"\\par", "text  x", "\\b", "text -y"}));
  // A backslash before a line end is a paragraph mark; line ends and NUL
  // characters elsewhere are dropped.
  EXPECT_EQ(Tokens(u"a\r\nb\\\r\nc"), (Lines{"text a", "text b", "\\par", "text c"}));
  EXPECT_EQ(Tokens(std::u16string(u"a\0b", 3)), (Lines{"text a", "text b"}));
  // "\'" without two hexadecimal digits is a symbol and the rest is text.
  EXPECT_EQ(Tokens(u"\\'zz\\'4"), (Lines{"sym '", "text zz", "sym '", "text 4"}));
  EXPECT_EQ(Tokens(u"x\\"), (Lines{"text x"}));
}

TEST(RtfTokenizer, NumbersAreHeldTo32Bits) {
  EXPECT_EQ(Tokens(u"\\fs99999999999999999999 \\li-99999999999 "),
            (Lines{"\\fs=2147483647", "\\li=-2147483647"}));
  EXPECT_EQ(Tokens(u"\\fs2147483647\\fs2147483648"),
            (Lines{"\\fs=2147483647", "\\fs=2147483647"}));
}

TEST(RtfTokenizer, BinaryDataIsTakenWhole) {
  EXPECT_EQ(Tokens(u"\\bin5 ab{}c rest"), (Lines{"bin ab{}c", "text  rest"}));
  // A length beyond the end takes what is there.
  EXPECT_EQ(Tokens(u"\\bin999999999999 xy}"), (Lines{"bin xy}"}));
  // \bin0 and a negative length carry no data.
  EXPECT_EQ(Tokens(u"\\bin0 z\\bin-4 w"), (Lines{"\\bin=0", "text z", "\\bin=-4", "text w"}));
}

TEST(RtfTokenizer, LongWordIsOneToken) {
  const Text rtf = u"\\" + Text(10000, u'q') + u"7 after";
  RtfTokenizer tokens(rtf);
  RtfToken t;
  ASSERT_TRUE(tokens.Next(t));
  EXPECT_EQ(t.kind, RtfTokenKind::Word);
  EXPECT_EQ(t.text.size(), 10000u);
  EXPECT_EQ(t.param, 7);
  ASSERT_TRUE(tokens.Next(t));
  EXPECT_EQ(t.text, u"after");
  EXPECT_FALSE(tokens.Next(t));
}

TEST(CodePages, CharsetsMapToWindowsCodePages) {
  EXPECT_EQ(CodePageOfCharset(0), 1252);
  EXPECT_EQ(CodePageOfCharset(1), 0);
  EXPECT_EQ(CodePageOfCharset(128), 932);
  EXPECT_EQ(CodePageOfCharset(134), 936);
  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(999), 0);
  EXPECT_EQ(CharsetOfCodePage(1251), 204);
  EXPECT_EQ(CharsetOfCodePage(1252), 0);
}

TEST(CodePages, DecodeSingleAndDoubleBytePages) {
  Text out;
  CodePageDecoder(1251).Decode("\xcf\xf0\xe8", out);
  EXPECT_EQ(out, u"\u041f\u0440\u0438");

  CodePageDecoder sjis(932);
  EXPECT_TRUE(sjis.doubleByte());
  EXPECT_TRUE(sjis.IsLeadByte(0x82));
  EXPECT_FALSE(sjis.IsLeadByte(0x41));
  out.clear();
  sjis.Decode("A\x82\xa0\x83" "e", out);  // a trail byte may be ASCII
  EXPECT_EQ(out, u"A\u3042\u30c6");
  out.clear();
  sjis.Decode("\x82", out);  // a lead byte cut off at the end
  EXPECT_EQ(out, u"");

  // 1252 leaves five bytes unassigned; they keep their own value.
  out.clear();
  CodePageDecoder(1252).Decode("\x80\x81\xe9", out);
  EXPECT_EQ(out, u"\u20ac\u0081\u00e9");
}

TEST(CodePages, UnknownCodePagesFallBackTo1252) {
  EXPECT_FALSE(CodePageAvailable(99999));
  EXPECT_FALSE(CodePageAvailable(0));
  EXPECT_FALSE(CodePageAvailable(-5));
  EXPECT_TRUE(CodePageAvailable(950));
  CodePageDecoder bad(99999);
  EXPECT_EQ(bad.codePage(), 1252);
  Text out;
  bad.Decode("\xe9", out);
  EXPECT_EQ(out, u"\u00e9");
}

TEST(CodePages, EncodeForTheWriter) {
  std::string bytes;
  CodePageEncoder western(1252);
  EXPECT_TRUE(western.Encode(u'\u20ac', bytes));
  EXPECT_TRUE(western.Encode(u'a', bytes));
  EXPECT_EQ(bytes, "\x80" "a");
  EXPECT_FALSE(western.Encode(u'\u0416', bytes));
  EXPECT_FALSE(western.Encode(u'\u0081', bytes));

  bytes.clear();
  CodePageEncoder gbk(936);
  EXPECT_TRUE(gbk.Encode(u'\u4e2d', bytes));
  EXPECT_EQ(bytes, "\xd6\xd0");
  EXPECT_FALSE(gbk.Encode(char16_t{0xD83D}, bytes));  // half a surrogate pair
}

}  // namespace
}  // namespace skeinlet::detail
