#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include <string>

namespace skeinlet::detail {
namespace {

using namespace std::string_literals;

constexpr char16_t kFFFD = 0xFFFD;

TEST(Utf8, RoundTripsBmpAndAstralCharacters) {
  struct Case {
    std::string bytes;
    Text units;
  };
  const Case cases[] = {
      {"", u""},
      {"plain ASCII\r\n", u"plain ASCII\r\n"},
      {"a\0b"s, Text{u'a', 0, u'b'}},
      {"\xC2\x80", Text{0x0080}},
      {"\xC3\xA9", Text{0x00E9}},
      {"\xDF\xBF", Text{0x07FF}},
      {"\xE0\xA0\x80", Text{0x0800}},
      {"\xE2\x82\xAC", Text{0x20AC}},
      {"\xE2\x84\xAA", Text{0x212A}},
      {"\xED\x9F\xBF", Text{0xD7FF}},
      {"\xEE\x80\x80", Text{0xE000}},
      {"\xEF\xBF\xBD", Text{0xFFFD}},
      {"\xEF\xBF\xBF", Text{0xFFFF}},
      {"\xF0\x90\x80\x80", Text{0xD800, 0xDC00}},
      {"\xF0\x9F\x98\x80", Text{0xD83D, 0xDE00}},
      {"\xF4\x8F\xBF\xBF", Text{0xDBFF, 0xDFFF}},
      {"x\xD0\x96y\xF0\x9D\x84\x9Ez", Text{u'x', 0x0416, u'y', 0xD834, 0xDD1E, u'z'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(FromUtf8(c.bytes), c.units);
    EXPECT_EQ(ToUtf8(c.units), c.bytes);
  }
}

TEST(Utf8, InvalidInputBecomesReplacementCharacters) {
  struct Case {
    std::string bytes;
    Text units;
  };
  const Case cases[] = {
      // Stray continuation bytes and bytes that never start a sequence.
      {"\x80", Text{kFFFD}},
      {"a\xBFz", Text{u'a', kFFFD, u'z'}},
      {"\xFF\xFE", Text{kFFFD, kFFFD}},
      {"\xF5\x80\x80\x80", Text{kFFFD, kFFFD, kFFFD, kFFFD}},
      // Overlong forms.
      {"\xC0\xAF", Text{kFFFD, kFFFD}},
      {"\xC1\xBF", Text{kFFFD, kFFFD}},
      {"\xE0\x80\xAF", Text{kFFFD, kFFFD, kFFFD}},
      {"\xE0\x9F\xBF", Text{kFFFD, kFFFD, kFFFD}},
      {"\xF0\x8F\xBF\xBF", Text{kFFFD, kFFFD, kFFFD, kFFFD}},
      // Encoded surrogates and values beyond U+10FFFF.
      {"\xED\xA0\x80", Text{kFFFD, kFFFD, kFFFD}},
      {"\xED\xBF\xBF", Text{kFFFD, kFFFD, kFFFD}},
      {"\xED\xA0\xBD\xED\xB8\x80", Text(6, kFFFD)},
      {"\xF4\x90\x80\x80", Text{kFFFD, kFFFD, kFFFD, kFFFD}},
      // Truncated sequences: one replacement, and the breaking byte starts
      // the next character.
      {"\xC3", Text{kFFFD}},
      {"\xE2\x82", Text{kFFFD}},
      {"\xF0\x9F\x98", Text{kFFFD}},
      {"\xE2\x82" "A", Text{kFFFD, u'A'}},
      {"\xF0\x9F\x98" "x", Text{kFFFD, u'x'}},
      {"\xC3\xC3\xA9", Text{kFFFD, 0x00E9}},
      {"\xE2\xF0\x9F\x98\x80", Text{kFFFD, 0xD83D, 0xDE00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(FromUtf8(c.bytes), c.units);
  }
}

TEST(Utf8, LoneSurrogatesOnOutputBecomeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(ToUtf8(Text{0xD800}), r);
  EXPECT_EQ(ToUtf8(Text{0xDFFF}), r);
  EXPECT_EQ(ToUtf8(Text{u'a', 0xD83D}), "a" + r);
  EXPECT_EQ(ToUtf8(Text{0xD83D, u'a'}), r + "a");
  EXPECT_EQ(ToUtf8(Text{0xDC00, u'a'}), r + "a");
  EXPECT_EQ(ToUtf8(Text{0xDE00, 0xD83D}), r + r);  // pair in the wrong order
  EXPECT_EQ(ToUtf8(Text{0xD83D, 0xD83D, 0xDE00}), r + "\xF0\x9F\x98\x80");
}

TEST(Utf8, LongAsciiRunsAroundOtherCharactersAtEveryOffset) {
  // ASCII is written sixteen units at a time: a pair, a lone surrogate and
  // a two-byte character at every place in and around such a block.
  const Text others[] = {u"\u00E9", u"\U0001F600", Text{0xD83D}, u"\u20AC\u00E9"};
  const std::string encoded[] = {"\xC3\xA9", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD",
                                 "\xE2\x82\xAC\xC3\xA9"};
  for (std::size_t k = 0; k < std::size(others); ++k)
    for (std::size_t before = 0; before < 34; ++before)
      for (const std::size_t after : {0, 1, 15, 16, 17}) {
        const Text text = Text(before, u'x') + others[k] + Text(after, u'y');
        ASSERT_EQ(ToUtf8(text), std::string(before, 'x') + encoded[k] + std::string(after, 'y'))
            << k << " " << before << " " << after;
      }
}

TEST(Utf8, LongAsciiRunsAroundSequencesAtEveryOffsetOnInput) {
  // ASCII is read sixteen bytes at a time: a sequence, good or broken, at
  // every place in and around such a block.
  struct Case {
    std::string bytes;
    Text units;
  };
  const Case cases[] = {
      {"\xC3\xA9", u"\u00E9"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xE2\x82", Text{kFFFD}},
      {"\xED\xA0\x80", Text(3, kFFFD)},
      {"\x80\xE2\x82\xAC", Text{kFFFD, 0x20AC}},
  };
  // Fillers of differing letters, so that a unit put in the wrong place
  // shows.
  const auto filler = [](std::size_t count, char from) {
    std::string bytes;
    for (std::size_t k = 0; k < count; ++k) bytes += static_cast<char>(from + k % 26);
    return bytes;
  };
  const auto units = [](const std::string& ascii) { return Text(ascii.begin(), ascii.end()); };
  for (const Case& c : cases)
    for (std::size_t before = 0; before < 34; ++before)
      for (const std::size_t after : {0, 1, 15, 16, 17, 40}) {
        const std::string head = filler(before, 'a'), tail = filler(after, 'A');
        ASSERT_EQ(FromUtf8(head + c.bytes + tail), units(head) + c.units + units(tail))
            << testing::PrintToString(c.bytes) << " " << before << " " << after;
      }
}

}  // namespace
}  // namespace skeinlet::detail
