#include "encoding.hpp"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <optional>
#include <string>

namespace skeinlet::cli {
namespace {

// glibc's converter, used as an independent reference.
std::optional<std::string> Iconv(const char* to, const char* from,
                                 const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}

Text FromUtf16Le(const std::string& bytes) {
  Text out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return out;
}

TEST(Cp1252, EveryByteMatchesTheSystemCodePageAndUnassignedBytesAreC1) {
  if (!Iconv("UTF-16LE", "CP1252", "a")) GTEST_SKIP() << "no CP1252 in iconv";
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const Text ours = DecodeCp1252(byte);
    ASSERT_EQ(ours.size(), 1u) << "byte " << b;
    const bool unassigned =
        b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (unassigned) {
      EXPECT_EQ(ours[0], static_cast<char16_t>(b)) << "byte " << b;
      continue;
    }
    const auto reference = Iconv("UTF-16LE", "CP1252", byte);
    ASSERT_TRUE(reference) << "iconv rejects byte " << b;
    EXPECT_EQ(ours, FromUtf16Le(*reference)) << "byte " << b;
  }
}

TEST(Cp1252, EncodingIsTheExactInverseOfDecoding) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const Text decoded = DecodeCp1252(all);
  EXPECT_EQ(EncodeRtfCp1252(decoded), all);

  // Exactly the 256 decoded units have a byte; every other unit has none.
  int with_byte = 0;
  for (char32_t u = 0; u <= 0xFFFF; ++u) {
    const auto byte = Cp1252Byte(static_cast<char16_t>(u));
    if (!byte) continue;
    ++with_byte;
    EXPECT_EQ(decoded[*byte], static_cast<char16_t>(u));
  }
  EXPECT_EQ(with_byte, 256);
}

TEST(RtfOutput, UnitsOutsideTheCodePageBecomeSignedUnicodeEscapes) {
  EXPECT_EQ(EncodeRtfCp1252(u"{\\rtf1 a\r\nb}\r\n"), "{\\rtf1 a\r\nb}\r\n");
  EXPECT_EQ(EncodeRtfCp1252(u"\u20AC\u00E9\u2014"), "\x80\xE9\x97");
  EXPECT_EQ(EncodeRtfCp1252(u"\u0081\u009D"), "\x81\x9D");
  // 0x80 is the euro sign in the code page, so U+0080 has no byte.
  EXPECT_EQ(EncodeRtfCp1252(u"\u0080"), "\\u128?");
  EXPECT_EQ(EncodeRtfCp1252(u"\u0100"), "\\u256?");
  EXPECT_EQ(EncodeRtfCp1252(u"x\u4E2Dy"), "x\\u20013?y");
  EXPECT_EQ(EncodeRtfCp1252(u"\u7FFF"), "\\u32767?");
  EXPECT_EQ(EncodeRtfCp1252(u"\u8000"), "\\u-32768?");
  EXPECT_EQ(EncodeRtfCp1252(u"\uFFFD"), "\\u-3?");
  // A character beyond the BMP is two escapes, one per surrogate.
  EXPECT_EQ(EncodeRtfCp1252(u"\U0001F600"), "\\u-10179?\\u-8704?");
  EXPECT_EQ(EncodeRtfCp1252(u""), "");
  // ASCII goes sixteen units at a time: escapes and code-page bytes at
  // every place in and around such a block.
  for (std::size_t before = 0; before < 34; ++before)
    for (const std::size_t after : {0, 1, 15, 16, 17}) {
      const Text text = Text(before, u'x') + u"\u4E2D\u00E9" + Text(after, u'y');
      ASSERT_EQ(EncodeRtfCp1252(text),
                std::string(before, 'x') + "\\u20013?\xE9" + std::string(after, 'y'))
          << before << " " << after;
    }
}

TEST(Utf8, EveryScalarValueDecodesLikeTheSystemConverter) {
  std::string utf32;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c == 0xFEFF) continue;  // a leading one would be taken as a BOM
    for (int k = 0; k < 4; ++k)
      utf32.push_back(static_cast<char>(c >> (8 * k)));
  }
  const auto utf8 = Iconv("UTF-8", "UTF-32LE", utf32);
  const auto utf16 = Iconv("UTF-16LE", "UTF-32LE", utf32);
  if (!utf8 || !utf16) GTEST_SKIP() << "iconv cannot convert Unicode";
  EXPECT_TRUE(IsValidUtf8(*utf8));
  EXPECT_TRUE(DecodeUtf8(*utf8) == FromUtf16Le(*utf16));
}

TEST(Utf8, IllFormedSequencesAreRejectedAndReplacedPerMaximalPrefix) {
  struct Case {
    std::string bytes;
    Text decoded;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},
      {"\xBF", u"\uFFFD"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},                      // overlong NUL
      {"\xC1\xBF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong four-byte
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF", u"\uFFFD"},
      {"a\xE2\x82"
       "b",
       u"a\uFFFDb"},                // truncated, one replacement
      {"\xF0\x9F\x98", u"\uFFFD"},  // truncated at the end
      {"\xC3", u"\uFFFD"},
      {"caf\xE9!", u"caf\uFFFD!"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(IsValidUtf8(c.bytes)) << testing::PrintToString(c.bytes);
    EXPECT_TRUE(DecodeUtf8(c.bytes) == c.decoded)
        << testing::PrintToString(c.bytes);
    // The same inside runs of ASCII, which are read sixteen and eight bytes
    // at a time: at every offset from a block boundary.
    for (std::size_t pad = 0; pad < 34; ++pad) {
      const std::string bytes = std::string(pad, 'x') + c.bytes + std::string(9, 'y');
      EXPECT_FALSE(IsValidUtf8(bytes)) << pad << testing::PrintToString(c.bytes);
      EXPECT_TRUE(DecodeUtf8(bytes) == Text(pad, u'x') + c.decoded + Text(9, u'y'))
          << pad << testing::PrintToString(c.bytes);
    }
  }
  for (std::size_t pad = 0; pad < 34; ++pad) {
    const std::string bytes = std::string(pad, 'x') + "\xE2\x82\xAC" + std::string(pad, 'y');
    EXPECT_TRUE(IsValidUtf8(bytes));
    EXPECT_TRUE(DecodeUtf8(bytes) == Text(pad, u'x') + u"\u20AC" + Text(pad, u'y'));
  }
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"));
}

TEST(InputDecoding, ValidUtf8WinsOtherwiseCp1252AndTheFlagOverrides) {
  using enum InputEncoding;
  EXPECT_TRUE(DecodeInput("caf\xC3\xA9", Auto) == u"caf\u00E9");
  EXPECT_TRUE(DecodeInput("caf\xE9", Auto) == u"caf\u00E9");
  EXPECT_TRUE(DecodeInput("\x93quoted\x94 \x81\x8D\x8F\x90\x9D", Auto) ==
              u"\u201Cquoted\u201D \u0081\u008D\u008F\u0090\u009D");
  // One bad byte anywhere makes the whole input Windows-1252.
  EXPECT_TRUE(DecodeInput("\xC3\xA9 \xE9", Auto) == u"\u00C3\u00A9 \u00E9");

  // A byte order mark is dropped only when the input is read as UTF-8.
  EXPECT_TRUE(DecodeInput("\xEF\xBB\xBF{\\rtf1}", Auto) == u"{\\rtf1}");
  EXPECT_TRUE(DecodeInput("\xEF\xBB\xBFx\xEF\xBB\xBF", Utf8) == u"x\uFEFF");
  EXPECT_TRUE(DecodeInput("\xEF\xBB\xBFx", Cp1252) == u"\u00EF\u00BB\u00BFx");
  EXPECT_TRUE(DecodeInput("\xEF\xBB\xBF\xE9", Auto) ==
              u"\u00EF\u00BB\u00BF\u00E9");

  EXPECT_TRUE(DecodeInput("caf\xC3\xA9", Cp1252) == u"caf\u00C3\u00A9");
  EXPECT_TRUE(DecodeInput("caf\xE9", Utf8) == u"caf\uFFFD");
  EXPECT_TRUE(DecodeInput("a\r\nb\rc\n", Auto) == u"a\r\nb\rc\n");

  EXPECT_EQ(ParseInputEncoding("utf-8"), Utf8);
  EXPECT_EQ(ParseInputEncoding("cp1252"), Cp1252);
  EXPECT_EQ(ParseInputEncoding("UTF-8"), std::nullopt);
  EXPECT_EQ(ParseInputEncoding("latin1"), std::nullopt);
}

}  // namespace
}  // namespace skeinlet::cli
