// Numbers, run-time errors and bounded arrays.
#include "text/numeric.hpp"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "text/array.hpp"
#include "text/errors.hpp"

namespace skeinlet::detail {
namespace {

template <class F>
long ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Numeric, IsNumericAcceptsDecimalNotationOnly) {
  for (const TextView yes : {u"0", u"42", u" -12.5 ", u"+7", u"1e3", u"1E-3", u"1D2",
                             u"2d+1", u".5", u"5.", u"-.5", u"- 3", u"  12  "}) {
    EXPECT_TRUE(IsNumeric(yes)) << testing::PrintToString(Text(yes));
  }
  for (const TextView no : {u"", u" ", u"-", u"+", u".", u"1e", u"1e+", u"12px", u"&H10",
                            u"1 2", u"1.2.3", u"e5", u"--1", u"\t1", u"1,5", u"0x10"}) {
    EXPECT_FALSE(IsNumeric(no)) << testing::PrintToString(Text(no));
  }
  EXPECT_FALSE(IsNumeric(u"1e999"));  // beyond a double
}

TEST(Numeric, ToIntRoundsHalfToEvenAndChecksRange) {
  EXPECT_EQ(ToInt16(u"2.5"), 2);
  EXPECT_EQ(ToInt16(u"3.5"), 4);
  EXPECT_EQ(ToInt16(u"-2.5"), -2);
  EXPECT_EQ(ToInt16(u"-3.5"), -4);
  EXPECT_EQ(ToInt16(u"2.51"), 3);
  EXPECT_EQ(ToInt16(u" 17 "), 17);
  EXPECT_EQ(ToInt16(u"1e2"), 100);
  EXPECT_EQ(ToInt16(u"32767.4"), 32767);
  EXPECT_EQ(ToInt16(u"-32768.5"), -32768);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u"32767.5"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u"-32768.6"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u"40000"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u"abc"); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u""); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { ToInt16(u"12px"); }), 13);

  EXPECT_EQ(ToInt32(u"2147483647"), 2147483647);
  EXPECT_EQ(ToInt32(u"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ToInt32(u"2147483646.5"), 2147483646);
  EXPECT_EQ(ToInt32(u"40000"), 40000);
  EXPECT_EQ(ErrorNumberOf([] { ToInt32(u"2147483648"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt32(u"2147483647.5"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt32(u"-2147483649"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInt32(u"x"); }), 13);

  EXPECT_EQ(RoundToInt16(0.5), 0);
  EXPECT_EQ(RoundToInt16(1.5), 2);
  EXPECT_EQ(RoundToInt32(-0.5), 0);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt16(1e10); }), 6);

  EXPECT_DOUBLE_EQ(ToDouble(u" -12.5 "), -12.5);
  EXPECT_DOUBLE_EQ(ToDouble(u"1D2"), 100.0);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(u"1e999"); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(u"one"); }), 13);
}

TEST(Numeric, CheckedNarrowing) {
  EXPECT_EQ(CheckedInt16(32767), 32767);
  EXPECT_EQ(CheckedInt16(-32768), -32768);
  EXPECT_EQ(ErrorNumberOf([] { CheckedInt16(32768); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { CheckedInt16(-32769); }), 6);
  EXPECT_EQ(CheckedInt32(-2147483648LL), -2147483647 - 1);
  EXPECT_EQ(ErrorNumberOf([] { CheckedInt32(2147483648LL); }), 6);
}

TEST(Numeric, ValReadsTheLeadingNumber) {
  EXPECT_EQ(Val(u"12px"), 12.0);
  EXPECT_EQ(Val(u" 1 2 3"), 123.0);
  EXPECT_EQ(Val(u"\t\n 7"), 7.0);
  EXPECT_EQ(Val(u"&HFF"), 255.0);
  EXPECT_EQ(Val(u"&hff"), 255.0);
  EXPECT_EQ(Val(u"&HFFFF"), -1.0);
  EXPECT_EQ(Val(u"&H8000"), -32768.0);
  EXPECT_EQ(Val(u"&H10000"), 65536.0);
  EXPECT_EQ(Val(u"&O17"), 15.0);
  EXPECT_EQ(Val(u"&O177777"), -1.0);
  EXPECT_EQ(Val(u"&HZ"), 0.0);
  EXPECT_EQ(Val(u"-3.5e1x"), -35.0);
  EXPECT_EQ(Val(u"2.5.7"), 2.5);
  EXPECT_EQ(Val(u"12e"), 12.0);
  EXPECT_EQ(Val(u"+4"), 4.0);
  EXPECT_EQ(Val(u""), 0.0);
  EXPECT_EQ(Val(u"abc"), 0.0);
  EXPECT_EQ(Val(u"-"), 0.0);
  EXPECT_EQ(Val(u"."), 0.0);
}

TEST(Numeric, HexIsUpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(Hex16(-1), u"FFFF");
  EXPECT_EQ(Hex16(255), u"FF");
  EXPECT_EQ(Hex16(-32768), u"8000");
  EXPECT_EQ(Hex32(-1), u"FFFFFFFF");
  EXPECT_EQ(Hex32(255), u"FF");
  EXPECT_EQ(Hex32(0), u"0");
  EXPECT_EQ(Hex32(0xABCDE), u"ABCDE");
  EXPECT_EQ(Hex32(-2147483647 - 1), u"80000000");
}

TEST(Errors, RaiseErrorCarriesNumberSourceAndDescription) {
  try {
    RaiseError(6);
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.source(), "Tarnwick_Skeinlet_Dll");
    EXPECT_EQ(e.description(), "Overflow");
    EXPECT_STREQ(e.what(), "Overflow");
  }
  EXPECT_EQ(Error::StandardDescription(5), "Invalid procedure call or argument");
  EXPECT_EQ(Error::StandardDescription(9), "Subscript out of range");
  EXPECT_EQ(Error::StandardDescription(13), "Type mismatch");
  try {
    RaiseError(-2147221504L + 201, "HTMLParser::repairTable", "End row not found");
    FAIL() << "no error raised";
  } catch (const std::runtime_error& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->number(), -2147221303L);
    EXPECT_EQ(error->source(), "HTMLParser::repairTable");
    EXPECT_EQ(error->description(), "End row not found");
  }
}

TEST(Errors, SkipOnErrorSwallowsOnlyRuntimeErrors) {
  int steps = 0;
  SkipOnError([&] {
    ++steps;
    RaiseError(5);
  });
  SkipOnError([&] { ++steps; });
  EXPECT_EQ(steps, 2);
  EXPECT_THROW(SkipOnError([] { throw std::bad_alloc(); }), std::bad_alloc);
  EXPECT_THROW(SkipOnError([] { throw std::logic_error("bug"); }), std::logic_error);
  EXPECT_THROW(SkipOnError([] { throw std::out_of_range("bug"); }), std::out_of_range);
}

TEST(BoundedArray, BoundsRedimAndErrors) {
  BoundedArray<int> a;
  EXPECT_FALSE(a.Dimensioned());
  EXPECT_EQ(ErrorNumberOf([&] { a[0]; }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { a.UBound(); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { a.LBound(); }), 9);

  a.Redim(0, 3);
  EXPECT_EQ(a.LBound(), 0);
  EXPECT_EQ(a.UBound(), 3);
  EXPECT_EQ(a.Count(), 4u);
  for (int i = 0; i <= 3; ++i) a[i] = 10 + i;
  EXPECT_EQ(a[0], 10);
  EXPECT_EQ(a[3], 13);
  EXPECT_EQ(ErrorNumberOf([&] { a[4]; }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { a[-1]; }), 9);

  a.RedimPreserve(5);
  EXPECT_EQ(a.UBound(), 5);
  EXPECT_EQ(a[0], 10);
  EXPECT_EQ(a[3], 13);
  EXPECT_EQ(a[5], 0);
  a.RedimPreserve(1);
  EXPECT_EQ(a[1], 11);
  EXPECT_EQ(ErrorNumberOf([&] { a[2]; }), 9);

  // Redim discards the contents.
  a.Redim(1, 2);
  EXPECT_EQ(a.LBound(), 1);
  EXPECT_EQ(a[1], 0);
  EXPECT_EQ(a[2], 0);
  EXPECT_EQ(ErrorNumberOf([&] { a[0]; }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { a[3]; }), 9);
  a[2] = 7;
  // Find answers where [] would raise error 9, and gives the entry itself.
  EXPECT_EQ(a.Find(2), &a[2]);
  EXPECT_EQ(a.Find(1), &a[1]);
  EXPECT_EQ(a.Find(0), nullptr);
  EXPECT_EQ(a.Find(3), nullptr);
  a.RedimPreserve(4);
  EXPECT_EQ(a.LBound(), 1);
  EXPECT_EQ(a[2], 7);
  EXPECT_EQ(a[4], 0);
  EXPECT_EQ(ErrorNumberOf([&] { a.Redim(5, 2); }), 9);

  a.Erase();
  EXPECT_FALSE(a.Dimensioned());
  EXPECT_EQ(ErrorNumberOf([&] { a[1]; }), 9);

  const BoundedArray<Text> never;
  EXPECT_EQ(ErrorNumberOf([&] { never[0]; }), 9);
  EXPECT_EQ(never.Find(0), nullptr);
  BoundedArray<Text> grown;
  grown.RedimPreserve(2);  // an undimensioned array starts at 0
  EXPECT_EQ(grown.LBound(), 0);
  grown[2] = u"#000000";
  EXPECT_EQ(grown[2], u"#000000");
  // Redim to the same number of entries discards the contents as well,
  // and takes the new bounds.
  grown[0] = u"a";
  grown.Redim(0, 2);
  for (std::int64_t i = 0; i <= 2; ++i) EXPECT_EQ(grown[i], u"") << i;
  grown[2] = u"b";
  grown.Redim(1, 3);
  EXPECT_EQ(grown.LBound(), 1);
  EXPECT_EQ(grown.UBound(), 3);
  for (std::int64_t i = 1; i <= 3; ++i) EXPECT_EQ(grown[i], u"") << i;
  EXPECT_EQ(ErrorNumberOf([&] { grown[0]; }), 9);
}

}  // namespace
}  // namespace skeinlet::detail
