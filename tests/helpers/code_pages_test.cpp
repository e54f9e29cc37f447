#include "helpers/code_pages.hpp"

#include <gtest/gtest.h>

#include <random>

#include "engine/state.hpp"
#include "platform/code_page_converter.hpp"

namespace skeinlet::detail {
namespace {

struct Language {
  explicit Language(const char16_t* value) { State().Language = value; }
  ~Language() { State().Language = u"english"; }
};

TEST(CodePages, WesternTable) {
  Language l(u"english");
  EXPECT_EQ(DecodeHexEscapes(u"caf\\'e9 CAF\\'C9", u""), u"caf\u00e9 CAF\u00c9");
  EXPECT_EQ(DecodeWesternEscapes(u"\\'93Hi\\'94 \\'85 \\'91x\\'92 \\'95\\'97"),
            u"\"Hi\" ... 'x' *-");
  EXPECT_EQ(DecodeWesternEscapes(u"\\'80\\'9f\\'81\\'9d"), u"\u20ac\u0178\u0081\u009d");
  EXPECT_EQ(DecodeWesternEscapes(u"\\'a0\\'ff\\'41"), u"\u00a0\u00ff\\'41")
      << "only 80 to ff are decoded";
  EXPECT_EQ(DecodeWesternEscapes(u"\\'b7\\tab x\\'b7"), u"\\'b7\\tab x\\'b7");
  EXPECT_EQ(DecodeWesternEscapes(u"x\\'b7"), u"x\u00b7");
  EXPECT_EQ(DecodeHexEscapes(u"a\\lang1033 b\\lang1051\\'e9", u""), u"a b\u00e9");
}

TEST(CodePages, GreekAndTurkishTables) {
  {
    Language l(u"greek");
    EXPECT_EQ(DecodeHexEscapes(u"\\'e1\\'e2\\'f9 \\'c1", u""), u"&#945;&#946;&#969; \u00c1");
    EXPECT_EQ(DecodeHexEscapes(u"\\'93\\'85\\'b7\\tab", u""), u"\"...\u00b7\\tab");
    EXPECT_EQ(DecodeHexEscapes(u"\\lang1033\\'e0", u""), u"\\lang1033\u00e0");
  }
  {
    Language l(u"turkish");
    EXPECT_EQ(DecodeHexEscapes(u"\\'fd\\'ec\\'d0\\'dd\\'de\\'f0\\'fe", u""),
              u"&#305;\u00ec&#286;&#304;&#350;&#287;&#351;");
  }
  Language l(u"english");
  EXPECT_EQ(DecodeHexEscapes(u"\\'fd", u"\\lang1055"), u"&#305;") << "context word";
  EXPECT_EQ(DecodeHexEscapes(u"\\'e1", u"x\\lang1032"), u"&#945;");
  // The run's own Greek word picks the Turkish table.
  EXPECT_EQ(DecodeHexEscapes(u"\\lang1032\\'e1\\'fd", u""), u"\\lang1032\u00e1&#305;");
}

TEST(CodePageConverter, DecodesWindowsCodePages) {
  CodePageConverter cp;
  EXPECT_EQ(cp.ToString932(u"\\'82\\'a0\\'82\\'a2"), u"\u3042\u3044");
  EXPECT_EQ(cp.ToString936(u"\\'c4\\'e3\\'ba\\'c3"), u"\u4f60\u597d");
  EXPECT_EQ(cp.ToString949(u"\\'c7\\'d1"), u"\ud55c");
  EXPECT_EQ(cp.ToString950(u"\\'a4\\'a4"), u"\u4e2d");
  EXPECT_EQ(cp.ToString1251(u"\\'cf\\'f0\\'e8"), u"\u041f\u0440\u0438");
  EXPECT_EQ(cp.ToString1253(u"\\'e1"), u"\u03b1");
  EXPECT_EQ(cp.ToString1254(u"\\'fd"), u"\u0131");
  EXPECT_EQ(cp.ToString874(u"\\'a1"), u"\u0e01");
  EXPECT_EQ(cp.ToString1255(u"\\'e0"), u"\u05d0");
  EXPECT_EQ(cp.ToString1256(u"\\'c7"), u"\u0627");
  EXPECT_EQ(cp.ToString1250(u"\\'9a"), u"\u0161");
  EXPECT_EQ(cp.ToString1257(u"\\'e0"), u"\u0105");
  // A lead byte without its trail byte, and text between escapes.
  EXPECT_EQ(cp.ToString932(u"\\'82"), u"\ufffd");
  EXPECT_EQ(cp.ToString932(u"\\'82\\'a0 x"), u"\u3042 x");
  try {
    cp.Decode(12345, u"\\'41");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 5);
  }
}

TEST(EscapeRules, GiveWhatTheRulesGiveOneByOne) {
  // The rules' own replacements can make escapes for the rules after them
  // (an apostrophe after a backslash, a digit after "\\'" and one digit, an
  // empty replacement joining its neighbours, a backslash), and those
  // escapes are replaced only by the rules that come later.
  constexpr Rule kRules[] = {
      {u"\\'1a", u"x"},  {u"\\'85", u"..."}, {u"\\'91", u"'"},  {u"\\'9F", u""},
      {u"\\'a0", u"9"},  {u"\\'b7", u"\u00b7"}, {u"\\'c3", u"\\"}, {u"\\'e9", u"\u00e9"},
      {u"\\'fa", u"a"},  {u"\\'ff", u"\u00ff"},
  };
  auto oneByOne = [&](Text t) {
    for (const Rule& rule : kRules) ApplyRule(t, rule);
    return t;
  };
  auto applied = [&](Text t) {
    ApplyEscapeRules(t, kRules);
    return t;
  };
  EXPECT_EQ(applied(u"caf\\'E9 \\\\'91e9 \\\\'9185"), u"caf\u00e9 \u00e9 \\'85");
  EXPECT_EQ(applied(u"\\'\\'a0f\\'\\'9ffa"), u"\\'9fa");
  std::mt19937 rng(11);
  const TextView pieces[] = {u"\\", u"'", u"\\'", u"e9", u"9", u"E", u"91", u"f", u"a", u"1",
                             u"85", u"c3", u"ff", u"b7", u" ", u"A0"};
  for (int round = 0; round < 20000; ++round) {
    Text t;
    const std::size_t n = rng() % 14;
    for (std::size_t k = 0; k < n; ++k) t += pieces[rng() % std::size(pieces)];
    ASSERT_EQ(applied(t), oneByOne(t)) << round;
  }
}

}  // namespace
}  // namespace skeinlet::detail
