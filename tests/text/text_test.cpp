#include "text/text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

#include "text/errors.hpp"

namespace skeinlet::detail {
namespace {

// The run-time error number a call raises, 0 when it raises none.
template <class F>
long ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

constexpr char16_t kKelvin = 0x212A;
constexpr char16_t kLongS = 0x017F;
constexpr char16_t kOhm = 0x2126;
constexpr char16_t kCapitalIDot = 0x0130;

TEST(Positions, InStrCountsFromOne) {
  EXPECT_EQ(InStr(1, u"abcabc", u"c"), 3);
  EXPECT_EQ(InStr(3, u"abcabc", u"c"), 3);
  EXPECT_EQ(InStr(4, u"abcabc", u"c"), 6);
  EXPECT_EQ(InStr(7, u"abcabc", u"c"), 0);
  EXPECT_EQ(InStr(1, u"abc", u"abcd"), 0);
  EXPECT_EQ(InStr(u"abcabc", u"ca"), 3);
  EXPECT_EQ(InStr(1, u"xy", u"z"), 0);

  // A start below 1 is error 5, even on an empty text.
  EXPECT_EQ(ErrorNumberOf([] { InStr(0, u"abc", u"a"); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { InStr(-3, u"abc", u"a"); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { InStr(0, u"", u""); }), 5);

  // Empty text: 0. Empty find: the start, or 0 beyond the end.
  EXPECT_EQ(InStr(1, u"", u"a"), 0);
  EXPECT_EQ(InStr(1, u"", u""), 0);
  EXPECT_EQ(InStr(1, u"abc", u""), 1);
  EXPECT_EQ(InStr(3, u"abc", u""), 3);
  EXPECT_EQ(InStr(4, u"abc", u""), 0);

  // Binary is the default; text compare folds case.
  EXPECT_EQ(InStr(1, u"xABc", u"ab"), 0);
  EXPECT_EQ(InStr(1, u"xABc", u"ab", Compare::Text), 2);
}

TEST(Positions, MidLeftRight) {
  EXPECT_EQ(Mid(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(Mid(u"abcdef", 3), u"cdef");
  EXPECT_EQ(Mid(u"abcdef", 6), u"f");
  EXPECT_EQ(Mid(u"abc", 2, 100), u"bc");
  EXPECT_EQ(Mid(u"abc", 1, 0), u"");
  EXPECT_EQ(Mid(u"abc", 4), u"");
  EXPECT_EQ(Mid(u"abc", 10, 2), u"");
  EXPECT_EQ(MidView(u"abcdef", 5), u"ef");
  EXPECT_EQ(MidView(u"abcdef", 2, 2), u"bc");
  EXPECT_EQ(ErrorNumberOf([] { Mid(u"abc", 0); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { Mid(u"abc", 0, 1); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { Mid(u"abc", 1, -1); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { Mid(u"abc", 9, -1); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { MidView(u"abc", 2, -1); }), 5);

  EXPECT_EQ(Left(u"abc", 2), u"ab");
  EXPECT_EQ(Left(u"abc", 0), u"");
  EXPECT_EQ(Left(u"abc", 5), u"abc");
  EXPECT_EQ(Right(u"abc", 2), u"bc");
  EXPECT_EQ(Right(u"abc", 0), u"");
  EXPECT_EQ(Right(u"abc", 9), u"abc");
  EXPECT_EQ(ErrorNumberOf([] { Left(u"abc", -1); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { Right(u"abc", -1); }), 5);
}

TEST(Positions, TrimRemovesBlanksOnly) {
  EXPECT_EQ(Trim(u"  a b  "), u"a b");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(Trim(u"\t a \r\n"), u"\t a \r\n");
  EXPECT_EQ(Trim(u" \ta\n "), u"\ta\n");
  EXPECT_EQ(Trim(u"\u00A0x\u00A0"), u"\u00A0x\u00A0");
  EXPECT_EQ(LTrim(u"  a  "), u"a  ");
  EXPECT_EQ(RTrim(u"  a  "), u"  a");
  EXPECT_EQ(RTrim(u"a\r\n "), u"a\r\n");
  EXPECT_EQ(TrimView(u" \r "), u"\r");
}

TEST(Comparison, TextFoldsThroughTheSimpleTables) {
  // ASCII, Latin-1, Greek, Cyrillic.
  EXPECT_TRUE(Equal(u"Hello", u"hELLO", Compare::Text));
  EXPECT_FALSE(Equal(u"Hello", u"hELLO", Compare::Binary));
  EXPECT_TRUE(Equal(u"Hello", u"Hello", Compare::Binary));
  EXPECT_TRUE(EqualText(u"\u00C9t\u00C9", u"\u00E9T\u00E9"));
  EXPECT_FALSE(Equal(u"\u00C9", u"\u00E9", Compare::Binary));
  EXPECT_TRUE(EqualText(u"\u0391\u0392\u0393\u03A3", u"\u03B1\u03B2\u03B3\u03C3"));
  EXPECT_TRUE(EqualText(u"\u041F\u0420\u0418\u0412\u0415\u0422",
                        u"\u043F\u0440\u0438\u0432\u0435\u0442"));
  EXPECT_FALSE(EqualText(u"ab", u"abc"));
  EXPECT_FALSE(EqualText(u"a", u"b"));

  // KELVIN SIGN lower-cases to "k", so it matches both "k" and "K".
  EXPECT_TRUE(EqualText(Text(1, kKelvin), u"k"));
  EXPECT_TRUE(EqualText(Text(1, kKelvin), u"K"));
  EXPECT_FALSE(Equal(Text(1, kKelvin), u"K", Compare::Binary));
  EXPECT_TRUE(EqualText(Text(1, kOhm), u"\u03C9"));
  // LONG S upper-cases to "S" but lower-cases to itself: no text match.
  EXPECT_FALSE(EqualText(Text(1, kLongS), u"s"));

  EXPECT_EQ(LowerUnit(u'Q'), u'q');
  EXPECT_EQ(LowerUnit(u'q'), u'q');
  EXPECT_EQ(LowerUnit(u'1'), u'1');
  EXPECT_EQ(UpperUnit(u'\u00FF'), u'\u0178');
  EXPECT_EQ(UpperUnit(u'\u0131'), u'I');  // dotless i
}

TEST(Comparison, CaseMappingKeepsLength) {
  EXPECT_EQ(LCase(u"ABC xyz 123"), u"abc xyz 123");
  EXPECT_EQ(UCase(u"ABC xyz 123"), u"ABC XYZ 123");
  EXPECT_EQ(LCase(u"\u00C9\u03A3\u0416"), u"\u00E9\u03C3\u0436");
  EXPECT_EQ(UCase(u"\u00E9\u03C3\u0436"), u"\u00C9\u03A3\u0416");
  // One unit each, where full case mapping would change the length.
  const Text kelvin(1, kKelvin);
  EXPECT_EQ(LCase(kelvin), u"k");
  EXPECT_EQ(LCase(Text(1, kCapitalIDot)), u"i");
  EXPECT_EQ(UCase(u"\u00DF"), u"\u00DF");  // sharp s has no single upper
  EXPECT_EQ(UCase(Text(1, kLongS)), u"S");
  const Text mixed = u"a\u212Ab\u0130\u00DF\uFB01";
  EXPECT_EQ(LCase(mixed).size(), mixed.size());
  EXPECT_EQ(UCase(mixed).size(), mixed.size());
  // UCaseInto gives UCase's result whatever the buffer held before.
  Text into = u"a much longer text held before";
  UCaseInto(mixed, into);
  EXPECT_EQ(into, UCase(mixed));
  UCaseInto(u"<b\u0131>", into);
  EXPECT_EQ(into, u"<BI>");
  UCaseInto(u"", into);
  EXPECT_EQ(into, u"");
  // EqualsUpper agrees with comparing UCase's copy, lengths included.
  EXPECT_TRUE(EqualsUpper(u"b\u0131\u017F", u"BIS"));
  EXPECT_TRUE(EqualsUpper(mixed, UCase(mixed)));
  EXPECT_FALSE(EqualsUpper(u"font", u"FONT>"));
  EXPECT_FALSE(EqualsUpper(u"font>", u"FONT"));
  EXPECT_FALSE(EqualsUpper(u"FONT", u"font"));
  EXPECT_TRUE(EqualsUpper(u"", u""));
  EXPECT_EQ(LCase(u""), u"");
}

TEST(Comparison, LowerUnitsAgreesWithTheTableInBlocksAndTails) {
  // Blocks of ASCII take the quick way, a block with any other unit the
  // table; the edges of the letters and units just past ASCII sit in both.
  // UCaseInto's blocks likewise, against UpperUnit.
  const char16_t pool[] = {u'@', u'A', u'M', u'Z', u'[', u'`', u'a', u'z', u'{', u'\x7F',
                           u'\x80', u'\u00C9', u'\u212A', u'\u0130', u'\uFF21', u'0'};
  const char16_t* lower = LowerTable();
  std::mt19937 rng(15);
  for (int round = 0; round < 3000; ++round) {
    Text t(rng() % 40, u' ');
    const bool asciiOnly = round % 2 == 0;
    for (char16_t& c : t) c = pool[rng() % (asciiOnly ? 10 : 16)];
    Text expected = t;
    for (char16_t& c : expected) c = lower[c];
    Text out(t.size(), u'?');
    LowerUnits(t.data(), t.size(), out.data());
    ASSERT_EQ(out, expected) << round;
    Text upper;
    UCaseInto(t, upper);
    Text expectedUpper = t;
    for (char16_t& c : expectedUpper) c = UpperUnit(c);
    ASSERT_EQ(upper, expectedUpper) << round;
    LowerUnits(t.data(), t.size(), t.data());  // in place
    ASSERT_EQ(t, expected) << round;
  }
}

TEST(Searching, CountAndLastPositionAllowOverlaps) {
  EXPECT_EQ(CountOccurrences(u"aaaa", u"aa", Compare::Binary), 3);
  EXPECT_EQ(CountOccurrences(u"abcabc", u"bc", Compare::Binary), 2);
  EXPECT_EQ(CountOccurrences(u"aAaA", u"AA", Compare::Text), 3);
  EXPECT_EQ(CountOccurrences(u"aAaA", u"AA", Compare::Binary), 0);
  EXPECT_EQ(CountOccurrences(u"", u"a", Compare::Binary), 0);
  EXPECT_EQ(CountOccurrences(u"abc", u"", Compare::Binary), 0);
  EXPECT_EQ(CountOccurrences(u"abc", u"x", Compare::Text), 0);
  // One unit: every unit that matches it, in either case or exactly.
  EXPECT_EQ(CountOccurrences(u"k<K\u212A<", u"k", Compare::Text), 3);
  EXPECT_EQ(CountOccurrences(u"k<K\u212A<", u"K", Compare::Binary), 1);
  EXPECT_EQ(CountOccurrences(u"k<K\u212A<", u"<", Compare::Binary), 2);

  EXPECT_EQ(LastPosition(u"aaa", u"aa", Compare::Binary), 2);
  EXPECT_EQ(LastPosition(u"abcabc", u"bc", Compare::Binary), 5);
  EXPECT_EQ(LastPosition(u"abcABC", u"bc", Compare::Binary), 2);
  EXPECT_EQ(LastPosition(u"abcABC", u"bc", Compare::Text), 5);
  EXPECT_EQ(LastPosition(u"abc", u"x", Compare::Binary), 0);
  EXPECT_EQ(LastPosition(u"", u"x", Compare::Binary), 0);
  EXPECT_EQ(LastPosition(u"abc", u"", Compare::Binary), 0);
}

TEST(Searching, FindLastUnitPassesOverUnitsThatShareAByte) {
  // Units whose low or high byte is the quote's: only the quote itself is
  // found, at every distance from the ends of the range.
  const char16_t decoys[] = {u'\u2222', u'\u2200', u'\u0122', u'\u2201'};
  std::mt19937 rng(14);
  for (int round = 0; round < 2000; ++round) {
    Text t(rng() % 80, u'a');
    for (char16_t& c : t) {
      const unsigned pick = rng() % 8;
      if (pick < 4) c = decoys[pick];
      else if (pick == 4) c = u'"';
    }
    const std::size_t from = t.empty() ? 0 : rng() % (t.size() + 1);
    const std::size_t end = from + rng() % (t.size() - from + 1);
    std::size_t expected = TextView::npos;
    for (std::size_t i = end; i > from; --i)
      if (t[i - 1] == u'"') {
        expected = i - 1;
        break;
      }
    ASSERT_EQ(FindLastUnit(t, u'"', from, end), expected) << round;
  }
  EXPECT_EQ(FindLastUnit(u"a\"b\"", u'"', 0, 99), 3u) << "end past the text";
  EXPECT_EQ(FindLastUnit(u"\"ab", u'"', 1, 3), TextView::npos);
  EXPECT_EQ(FindLastUnit(u"\"ab", u'"', 2, 1), TextView::npos) << "empty range";
}

TEST(Searching, UnitCursorFindsWhatAPlainLoopFinds) {
  // Texts around the 64-unit block, the unit sparse or dense, with units
  // that share a byte with it; the walk steps forward by 0 to 70 units and
  // now and then goes back or jumps past the end.
  const char16_t pool[] = {u'<', u'x', u'\u3c3c', u'\u013c', u'\u3c00'};
  std::mt19937 rng(20261210);
  for (int round = 0; round < 3000; ++round) {
    Text t(rng() % 200, u'x');
    const unsigned density = 1 + rng() % 6;
    for (char16_t& c : t) c = pool[rng() % density % std::size(pool)];
    UnitCursor cursor(t, u'<');
    std::size_t from = rng() % 4;
    for (int step = 0; step < 40; ++step) {
      std::size_t expected = TextView::npos;
      for (std::size_t i = from; i < t.size(); ++i)
        if (t[i] == u'<') {
          expected = i;
          break;
        }
      const std::size_t got = cursor.Next(from);
      ASSERT_EQ(got, expected) << round << " from " << from;
      const unsigned move = rng() % 10;
      if (move == 0) from = from > 0 ? rng() % from : 0;
      else if (move == 1) from = t.size() + rng() % 3;
      else from = (got == TextView::npos ? from : got) + rng() % 71;
    }
  }
}

TEST(Searching, CommonStartAndEndAgreeWithPlainLoops) {
  std::mt19937 rng(20261211);
  for (int round = 0; round < 5000; ++round) {
    Text a(rng() % 40, u'x');
    for (char16_t& c : a) c = rng() % 6 == 0 ? u'\u0178' : u'x';
    Text b = a;
    if (rng() % 2) b.resize(rng() % (b.size() + 1));
    if (!b.empty() && rng() % 3 != 0) b[rng() % b.size()] = u'\u7800';  // shares a byte with 'x'
    if (rng() % 2) b.insert(0, rng() % 3, u'x');
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t start = 0, end = 0;
    while (start < n && a[start] == b[start]) ++start;
    while (end < n && a[a.size() - 1 - end] == b[b.size() - 1 - end]) ++end;
    ASSERT_EQ(CommonStart(a, b), start) << round;
    ASSERT_EQ(CommonEnd(a, b), end) << round;
  }
}

TEST(Searching, BlockScansAgreeWithPlainLoops) {
  // UnitsIn, FindAnyUnit, FindRepeatedUnit and the one-unit
  // CountOccurrences read eight units at a time: random texts around the
  // block size, the units sought sparse or dense, with units that share a
  // byte with them.
  const char16_t pool[] = {u' ', u'&', u'{', u'\\', u'x', u'\u2020', u'\u2600', u'\u0126'};
  const std::array<char16_t, 4> sought = {u'\\', u'{', u'}', u'&'};
  std::mt19937 rng(17);
  for (int round = 0; round < 5000; ++round) {
    Text t(rng() % 40, u'x');
    const unsigned density = 1 + rng() % 5;
    for (char16_t& c : t)
      if (rng() % density == 0) c = pool[rng() % std::size(pool)];
    unsigned found = 0;
    for (const char16_t c : t)
      for (std::size_t k = 0; k < sought.size(); ++k)
        if (c == sought[k]) found |= 1u << k;
    ASSERT_EQ(UnitsIn(t, sought), found) << round;
    const std::size_t from = t.empty() ? 0 : rng() % (t.size() + 1);
    const auto any = std::find_first_of(t.begin() + static_cast<std::ptrdiff_t>(from), t.end(),
                                        sought.begin(), sought.end());
    ASSERT_EQ(FindAnyUnit(t, from, sought),
              any == t.end() ? TextView::npos : static_cast<std::size_t>(any - t.begin()))
        << round;
    const std::array<char16_t, 5> five = {u' ', u'}', u'\r', u'\n', u'\u2600'};
    const auto anyOfFive = std::find_first_of(t.begin() + static_cast<std::ptrdiff_t>(from),
                                              t.end(), five.begin(), five.end());
    ASSERT_EQ(FindAnyUnit(t, from, five), anyOfFive == t.end()
                                              ? TextView::npos
                                              : static_cast<std::size_t>(anyOfFive - t.begin()))
        << round;
    std::size_t repeated = TextView::npos;
    for (std::size_t i = 1; i < t.size(); ++i)
      if (t[i] == u' ' && t[i - 1] == u' ') {
        repeated = i;
        break;
      }
    ASSERT_EQ(FindRepeatedUnit(t, u' '), repeated) << round;
    ASSERT_EQ(CountOccurrences(t, u" ", Compare::Binary),
              static_cast<Pos>(std::count(t.begin(), t.end(), u' ')))
        << round;
  }
}

TEST(Replacing, EraseUnitsKeepsEveryOtherUnitInOrder) {
  // Random lengths around the block size, the units to remove sparse or
  // dense, and units that share a byte with them.
  const char16_t units[] = {u'\r', u'\n', u'a', u'\u0d0a', u'\u0a0d', u'\u000b', u'\u010a'};
  std::mt19937 rng(15);
  for (int round = 0; round < 5000; ++round) {
    Text t(rng() % 70, u'x');
    const unsigned density = 1 + rng() % 6;
    for (char16_t& c : t)
      if (rng() % density == 0) c = units[rng() % std::size(units)];
    Text expected = t;
    std::erase_if(expected, [](char16_t c) { return c == u'\r' || c == u'\n'; });
    EraseUnits(t, u'\r', u'\n');
    ASSERT_EQ(t, expected) << round;
  }
}

TEST(Replacing, EveryOccurrenceWithoutRescanning) {
  Text t = u"aaa";
  EXPECT_EQ(ReplaceIn(t, u"a", u"aa"), 3u);
  EXPECT_EQ(t, u"aaaaaa");

  t = u"aab";
  EXPECT_EQ(ReplaceIn(t, u"ab", u"b"), 1u);
  EXPECT_EQ(t, u"ab");

  // Removing "ab" brings a new "ab" together; it is not removed again.
  EXPECT_EQ(Replace(u"aabb", u"ab", u""), u"ab");
  EXPECT_EQ(Replace(u"x-y-z", u"-", u""), u"xyz");
  EXPECT_EQ(Replace(u"\\par \\par x\\par ", u"\\par ", u""), u"x");
  EXPECT_EQ(Replace(u"a.b.c", u".", u"<br>"), u"a<br>b<br>c");
  EXPECT_EQ(Replace(u"abab", u"abab", u"x"), u"x");
  EXPECT_EQ(Replace(u"ab", u"abc", u"x"), u"ab");

  // First only.
  t = u"a-a-a";
  EXPECT_EQ(ReplaceIn(t, u"a", u"bb", Compare::Binary, Occurrences::First), 1u);
  EXPECT_EQ(t, u"bb-a-a");
  EXPECT_EQ(Replace(u"x-X-x", u"x", u"", Compare::Text, Occurrences::First), u"-X-x");
  EXPECT_EQ(Replace(u"x-X-x", u"X", u"y", Compare::Binary, Occurrences::First),
            u"x-y-x");

  // An empty find changes nothing; no match returns 0.
  t = u"abc";
  EXPECT_EQ(ReplaceIn(t, u"", u"x"), 0u);
  EXPECT_EQ(t, u"abc");
  EXPECT_EQ(ReplaceIn(t, u"z", u"x"), 0u);
  EXPECT_EQ(t, u"abc");

  // Text compare is the default.
  EXPECT_EQ(Replace(u"Foo FOO foo", u"foo", u"bar"), u"bar bar bar");
  EXPECT_EQ(Replace(u"Foo FOO foo", u"foo", u"bar", Compare::Binary), u"Foo FOO bar");
  EXPECT_EQ(Replace(u"\u212Aey key", u"KEY", u"#"), u"# #");

  // Many growing and shrinking replacements in a long text.
  Text many, grown, shrunk;
  for (int i = 0; i < 500; ++i) {
    many += u"ab.";
    grown += u"<b>.";
    shrunk += u".";
  }
  t = many;
  EXPECT_EQ(ReplaceIn(t, u"AB", u"<b>"), 500u);  // matches too many to list
  EXPECT_EQ(t, grown);
  // Few matches in a long text, the first and last at its ends: rebuilt in place.
  t = u"ab" + Text(3000, u'x') + u"ab" + Text(3000, u'x') + u"ab";
  EXPECT_EQ(ReplaceIn(t, u"ab", u"<b>"), 3u);
  EXPECT_EQ(t, u"<b>" + Text(3000, u'x') + u"<b>" + Text(3000, u'x') + u"<b>");
  t = many;
  EXPECT_EQ(ReplaceIn(t, u"ab", u"", Compare::Binary), 500u);
  EXPECT_EQ(t, shrunk);
  t = many;
  EXPECT_EQ(ReplaceIn(t, u"ab", u"cd", Compare::Binary), 500u);
  EXPECT_EQ(t.size(), many.size());
  EXPECT_EQ(t.substr(0, 6), u"cd.cd.");
  EXPECT_EQ(t.substr(t.size() - 3), u"cd.");
}

TEST(Replacing, GrowingInPlaceWithAnyNumberOfMatches) {
  // Rebuilt in place from the end: the first matches are listed on the
  // stack and the rest in a vector, so the counts around that limit, and
  // far past it, must give the text and the sites a plain rebuild gives.
  for (const std::size_t count : {1u, 31u, 32u, 33u, 64u, 200u}) {
    Text text, expected;
    std::vector<std::size_t> expectedSites;
    for (std::size_t i = 0; i < count; ++i) {
      text += Text(40, u'x') + u"aB";
      expected += Text(40, u'x');
      expectedSites.push_back(expected.size());
      expected += u"<b>";
    }
    text += u"y";
    expected += u"y";
    Text t = text;
    std::vector<std::size_t> sites;
    EXPECT_EQ(ReplaceIn(t, u"ab", u"<b>", Compare::Text, Occurrences::All, sites), count);
    EXPECT_EQ(t, expected) << count;
    EXPECT_EQ(sites, expectedSites) << count;
  }
}

TEST(Replacing, SitesAreWhereEachReplacementNowStarts) {
  // Every path: shrinking, the same length, growing in place, growing by a
  // copy, and the first occurrence only; the sites are checked against the
  // text they describe.
  Text many;
  for (int i = 0; i < 500; ++i) many += u"ab.";
  const Text few = u"ab" + Text(3000, u'x') + u"AB" + Text(3000, u'x') + u"ab";
  struct Case {
    Text text;
    TextView find, replace;
    Occurrences occ;
    std::size_t count;
  };
  const Case cases[] = {
      {u"xabyabab", u"ab", u"", Occurrences::All, 3},
      {u"xabyabab", u"ab", u"Q", Occurrences::All, 3},
      {u"xabyabab", u"ab", u"cd", Occurrences::All, 3},
      {few, u"ab", u"<b>", Occurrences::All, 3},
      {many, u"ab", u"<b>", Occurrences::All, 500},
      {u"xabyab", u"ab", u"<b>", Occurrences::First, 1},
      {u"xyz", u"ab", u"<b>", Occurrences::All, 0},
  };
  for (const Case& c : cases) {
    Text t = c.text;
    std::vector<std::size_t> sites{99};
    EXPECT_EQ(ReplaceIn(t, c.find, c.replace, Compare::Text, c.occ, sites), c.count);
    ASSERT_EQ(sites.size(), c.count);
    EXPECT_EQ(t, Replace(c.text, c.find, c.replace, Compare::Text, c.occ));
    for (std::size_t i = 0; i < sites.size(); ++i) {
      if (i > 0) {
        EXPECT_GE(sites[i], sites[i - 1] + c.replace.size());
      }
      EXPECT_EQ(TextView(t).substr(sites[i], c.replace.size()), c.replace);
    }
    if (c.count > 1 && c.replace.size() > 0) {
      // Between two sites lies exactly the text between their matches.
      EXPECT_EQ(sites[1] - sites[0] - c.replace.size(),
                static_cast<std::size_t>(InStr(3, c.text, c.find, Compare::Text) - InStr(1, c.text, c.find, Compare::Text)) -
                    c.find.size());
    }
  }
}

// Each length and position puts the match at a different place against the
// blocks the vector search compares at once, with a decoy just before it
// whose first and last unit agree but whose middle does not.
// Runs the body once per width FindIndex can scan with, restoring the width.
class EveryScanWidth : public testing::TestWithParam<ScanWidth> {
 protected:
  void SetUp() override { before_ = SetScanWidth(GetParam()); }
  void TearDown() override { SetScanWidth(before_); }

 private:
  ScanWidth before_ = ScanWidth::Scalar;
};

std::string WidthName(const testing::TestParamInfo<ScanWidth>& info) {
  static const char* const names[] = {"Scalar", "Sse2", "Avx2", "Avx512"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Widths, EveryScanWidth,
                         testing::Values(ScanWidth::Scalar, ScanWidth::Sse2, ScanWidth::Avx2,
                                         ScanWidth::Avx512),
                         WidthName);

TEST_P(EveryScanWidth, MatchAtEveryPositionAcrossBlocks) {
  const TextView find = u"kabcs";
  const Text upper = u"\u212AABCS";  // first and last unit in other cases
  const Text decoy = u"Kabxs";
  for (std::size_t len : {5u, 8u, 15u, 16u, 17u, 23u, 24u, 31u, 32u, 33u, 40u, 47u, 48u, 49u,
                          63u, 64u, 65u, 100u}) {
    for (std::size_t p = 0; p + find.size() <= len; ++p) {
      SCOPED_TRACE(testing::Message() << "len " << len << " at " << p);
      Text exact(len, u'x');
      exact.replace(p, find.size(), find);
      if (p >= 5) exact.replace(p - 5, 5, decoy);
      Text folded(len, u'x');
      folded.replace(p, upper.size(), upper);
      if (p >= 5) folded.replace(p - 5, 5, decoy);

      EXPECT_EQ(FindIndex(exact, find, 0, Compare::Binary), p);
      EXPECT_EQ(FindIndex(exact, find, p, Compare::Binary), p);
      EXPECT_EQ(FindIndex(exact, find, p + 1, Compare::Binary), TextView::npos);
      EXPECT_EQ(FindIndex(folded, find, 0, Compare::Binary), TextView::npos);
      EXPECT_EQ(FindIndex(folded, find, 0, Compare::Text), p);
      EXPECT_EQ(FindIndex(exact, find, 0, Compare::Text), p);
      EXPECT_EQ(InStr(1, folded, find, Compare::Text), static_cast<Pos>(p + 1));
      EXPECT_EQ(LastPosition(folded, find, Compare::Text), static_cast<Pos>(p + 1));
      EXPECT_EQ(CountOccurrences(folded, find, Compare::Text), 1);

      Text expected = Text(len, u'x');
      if (p >= 5) expected.replace(p - 5, 5, decoy);
      expected.replace(p, find.size(), u"#");
      EXPECT_EQ(Replace(folded, find, u"#"), expected);
      Text longer = expected;
      longer.replace(p, 1, u"<b>");
      EXPECT_EQ(Replace(exact, find, u"<b>", Compare::Binary), longer);
    }
  }
}

// A start whose last unit would be the terminating NUL is no match: the
// vector search must not look at candidates past the end.
TEST_P(EveryScanWidth, NoCandidateBeyondTheEnd) {
  const Text find{u'k', u'\0'};
  for (std::size_t len = 1; len <= 40; ++len) {
    Text text(len - 1, u'x');
    text.push_back(u'k');
    EXPECT_EQ(FindIndex(text, find, 0, Compare::Binary), TextView::npos) << len;
    EXPECT_EQ(FindIndex(text, find, 0, Compare::Text), TextView::npos) << len;
    EXPECT_EQ(FindIndex(text, u"kk", 0, Compare::Text), TextView::npos) << len;
  }
}

// Every start is a match, so each search must return its own `from`: the
// last starts of a text, fewer than a block, are scanned as a block that
// reaches back before `from`, and nothing there may be reported.
TEST_P(EveryScanWidth, SearchFromAnyStartNearTheEnd) {
  for (std::size_t len = 2; len <= 70; ++len) {
    const Text text(len, u'a');
    for (const TextView find : {TextView(u"aa"), TextView(u"aaaaa"), TextView(u"AaA")}) {
      for (std::size_t from = 0; from <= len; ++from) {
        const std::size_t want = from + find.size() <= len ? from : TextView::npos;
        ASSERT_EQ(FindIndex(text, find, from, Compare::Text), want) << len << " " << from;
        if (find != u"AaA") {
          ASSERT_EQ(FindIndex(text, find, from, Compare::Binary), want) << len << " " << from;
        }
      }
    }
  }
}

// Independent of the tables: the case classes of the test alphabet.
char16_t Fold(char16_t c) {
  switch (c) {
    case u'A': return u'a';
    case u'K':
    case kKelvin: return u'k';
    case u'S': return u's';
    case u'\u00C9': return u'\u00E9';
    case u'I':
    case kCapitalIDot: return u'i';
    case u'\u03A9':
    case kOhm: return u'\u03C9';
    default: return c;
  }
}

std::size_t NaiveFind(TextView text, TextView find, std::size_t from, Compare cmp) {
  for (std::size_t i = from; i + find.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < find.size() &&
           (cmp == Compare::Binary ? text[i + j] == find[j]
                                   : Fold(text[i + j]) == Fold(find[j])))
      ++j;
    if (j == find.size()) return i;
  }
  return TextView::npos;
}

TEST_P(EveryScanWidth, FindIndexAgreesWithNaiveSearch) {
  // Classes whose members lower-case alike; LONG S stands alone.
  const std::u16string classes[] = {
      u"aA",      u"kK\u212A", u"sS",           u"\u017F", u"\u00E9\u00C9",
      u"iI\u0130", u"x",       u"\u03C9\u03A9\u2126",
  };
  std::mt19937 rng(20240611u);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  auto member = [&](std::size_t cls) { return classes[cls][pick(classes[cls].size())]; };
  std::size_t found = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::size_t n = pick(140);
    Text text;
    std::vector<std::size_t> cls(n);
    for (std::size_t i = 0; i < n; ++i) {
      // Few classes in a round make text matches frequent.
      cls[i] = pick(round % 3 == 0 ? 8 : 3);
      text.push_back(member(cls[i]));
    }
    Text find;
    const std::size_t m = 1 + pick(5);
    if (n >= m && round % 2 == 0) {
      const std::size_t at = pick(n - m + 1);
      for (std::size_t j = 0; j < m; ++j)
        find.push_back(pick(3) == 0 ? member(cls[at + j]) : text[at + j]);
    } else {
      for (std::size_t j = 0; j < m; ++j) find.push_back(member(pick(8)));
    }
    const std::size_t from = pick(n + 2);
    for (Compare cmp : {Compare::Binary, Compare::Text}) {
      const std::size_t want = NaiveFind(text, find, from, cmp);
      ASSERT_EQ(FindIndex(text, find, from, cmp), want)
          << "round " << round << " cmp " << static_cast<int>(cmp);
      if (want != TextView::npos) ++found;
    }
  }
  EXPECT_GT(found, 2000u);  // the rounds exercised matches, not only misses
}

// The block count agrees with a plain count at every length and offset,
// and its lane counters are summed before they can overflow.
TEST(CountUnit, AgreesWithPlainCount) {
  std::mt19937 rng(5);
  for (std::size_t len = 0; len < 300; ++len) {
    Text text;
    for (std::size_t i = 0; i < len; ++i) text.push_back(u"{}a\u00C9"[rng() % 4]);
    for (const char16_t unit : {u'{', u'}', u'\u00C9', u'x'})
      ASSERT_EQ(CountUnit(text, unit),
                static_cast<std::size_t>(std::count(text.begin(), text.end(), unit)))
          << len;
  }
  const Text many(8 * 65536 * 2 + 13, u'{');
  EXPECT_EQ(CountUnit(many, u'{'), many.size());
  EXPECT_EQ(CountOccurrences(many, u"{", Compare::Binary), static_cast<Pos>(many.size()));
}

TEST(Conveniences, RepeatWidenNumberText) {
  EXPECT_EQ(Repeat(u"ab", 3), u"ababab");
  EXPECT_EQ(Repeat(u"ab", 0), u"");
  EXPECT_EQ(Repeat(u"ab", -2), u"");
  EXPECT_EQ(Widen("a\xE9z"), u"a\u00E9z");
  EXPECT_EQ(NumberText(0), u"0");
  EXPECT_EQ(NumberText(-42), u"-42");
  EXPECT_EQ(NumberText(1234567890123), u"1234567890123");
  Text appended = u"\\fs";
  AppendNumber(appended, 24);
  AppendNumber(appended, -7);
  AppendNumber(appended, INT64_MIN);
  AppendNumber(appended, 0);
  EXPECT_EQ(appended, u"\\fs24-7-92233720368547758080");
  EXPECT_TRUE(Contains(u"xABy", u"ab"));
  EXPECT_FALSE(Contains(u"xABy", u"ab", Compare::Binary));
  EXPECT_FALSE(Contains(u"xABy", u""));
}

}  // namespace
}  // namespace skeinlet::detail
