#include "helpers/font_table.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"

namespace skeinlet::detail {
namespace {

void ResetFontState() {
  State().FontCount = 0;
  State().FontNames.Erase();
  State().FontCharsets.Erase();
  State().NonWesternFonts = u"no";
}

template <class F>
long ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(BuildFontSizeMap, MapsPointSizesToHtmlSizes) {
  State().FontSizeMap.Erase();
  BuildFontSizeMap();
  const auto& map = State().FontSizeMap;
  EXPECT_EQ(map.UBound(), 205);
  EXPECT_EQ(map[12], u"3");  // \fs24
  EXPECT_EQ(map[10], u"2");  // \fs20
  EXPECT_EQ(map[36], u"8");  // \fs72
  EXPECT_EQ(map[0], u"");    // \fs0
  EXPECT_EQ(map[9], u"1");
  EXPECT_EQ(map[30], u"6");
  EXPECT_EQ(map[200], u"8");
  EXPECT_EQ(map[201], u"");
}

TEST(ParseFontTable, BracedTableGivesNamesAndCharacterSets) {
  const ConversionState& st = State();
  ResetFontState();
  ParseFontTable(
      u"{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      u"{\\f1\\froman\\fcharset204 Times New Roman CYR;}}\\pard}");
  EXPECT_EQ(st.FontCount, 2);
  EXPECT_EQ(st.FontNames[0], u"Arial");
  EXPECT_EQ(st.FontNames[1], u"Times New Roman CYR");
  EXPECT_EQ(st.FontCharsets[0], 0);
  EXPECT_EQ(st.FontCharsets[1], 204);
  EXPECT_EQ(st.NonWesternFonts, u"yes");

  // Line breaks, blank runs and blanks after "\fonttbl" or inside
  // "charset N" are cleaned first.
  ResetFontState();
  ParseFontTable(
      u"{\\rtf1{\\fonttbl {\\f0\\fnil\\fcharset 204 Courier   New;}\r\n"
      u"{\\f1\\fnil\\fcharse t 238     Tahoma;}}");
  EXPECT_EQ(st.FontNames[0], u"Courier New");
  EXPECT_EQ(st.FontNames[1], u"Tahoma");
  EXPECT_EQ(st.FontCharsets[0], 204);
  EXPECT_EQ(st.FontCharsets[1], 238);

  // Sets 0 to 2 are Western; a set that is not a number is 0.
  ResetFontState();
  ParseFontTable(
      u"{\\fonttbl{\\f0\\fnil\\fcharset1 A;}{\\f1\\fnil\\fcharset2 B;}"
      u"{\\f2\\fnil\\fcharsetx C;}}");
  EXPECT_EQ(st.FontCharsets[0], 1);
  EXPECT_EQ(st.FontCharsets[1], 2);
  EXPECT_EQ(st.FontCharsets[2], 0);
  EXPECT_EQ(st.FontNames[2], u"C");
  EXPECT_EQ(st.NonWesternFonts, u"no");
}

TEST(ParseFontTable, NameRepairs) {
  const ConversionState& st = State();
  // After an embedded group the name follows its "}"; the set switch is
  // then outside the window read for it, so the set is 0.
  ResetFontState();
  ParseFontTable(
      u"{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset238{\\*\\panose "
      u"0202060305}Times New Roman;}"
      u"{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f2\\fnil "
      u"\\'b1\\'bc\\'b8\\'b2;}"
      u"{\\f3\\fnil \\'b1\\'bc\\'b8\\'b2\\'c3\\'bc;}}");
  EXPECT_EQ(st.FontNames[0], u"Times New Roman");
  EXPECT_EQ(st.FontCharsets[0], 0);
  EXPECT_EQ(st.FontNames[1], u"SimSun");
  EXPECT_EQ(st.FontCharsets[1], 134);
  EXPECT_EQ(st.FontNames[2], u"Gulim");
  EXPECT_EQ(st.FontNames[3], u"Gulim");

  // A set switch run into "Times": name repaired, set taken from the table
  // text, and as the second font it also sets font 0.
  ResetFontState();
  ParseFontTable(
      u"{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      u"{\\f1\\froman\\fcharset204Times New Roman CYR;}}");
  EXPECT_EQ(st.FontNames[1], u"Times New Roman CYR");
  EXPECT_EQ(st.FontCharsets[1], 204);
  EXPECT_EQ(st.FontCharsets[0], 204);
  EXPECT_EQ(st.NonWesternFonts, u"yes");
}

TEST(ParseFontTable, SecondFormReadsNamesOnly) {
  const ConversionState& st = State();
  ResetFontState();
  ParseFontTable(u"{\\fonttbl\\f0\\fswiss Helvetica;}");
  EXPECT_EQ(st.FontCount, 1);
  EXPECT_EQ(st.FontNames[0], u"Helvetica");
  EXPECT_EQ(st.FontCharsets[0], 0);

  ParseFontTable(
      u"{\\rtf1{\\fonttbl\\f0\\fcharset204 Arial;\\f1\\fnil {\\*\\x "
      u"y}Courier;}}");
  EXPECT_EQ(st.FontCount, 2);
  EXPECT_EQ(st.FontNames[1], u"Courier");
  EXPECT_EQ(st.FontCharsets[0], 0);
  EXPECT_EQ(st.NonWesternFonts, u"no");
}

TEST(ParseFontTable, FailuresAndMissingEnds) {
  // ";}}" beyond the first 20000 characters: negative cut length.
  ResetFontState();
  Text doc = u"{\\rtf1\\ansi{\\fonttbl";
  for (int k = 0; k < 1500; ++k)
    doc += u"{\\f" + NumberText(k) + u"\\fnil Font;}";
  doc += u"}";
  EXPECT_EQ(
      ErrorNumberOf([&] { ParseFontTable(TextView(doc).substr(0, 20000)); }),
      5);
  ParseFontTable(doc);
  EXPECT_EQ(State().FontCount, 1500);

  // At position 1 the missing ";}}" gives a cut length of 2, not negative:
  // an empty table replaces the old one.
  ParseFontTable(u"{\\fonttbl{\\f0\\fnil Arial;}");
  EXPECT_EQ(State().FontCount, 0);
  EXPECT_EQ(State().FontNames.UBound(), 0);

  EXPECT_EQ(ErrorNumberOf([] {
              ParseFontTable(u"{\\fonttbl{\\f0\\fcharset1e5 Arial;}}");
            }),
            6);
}

TEST(ParseFontTable, HeadWithoutTableKeepsThePreviousTable) {
  ResetFontState();
  ParseFontTable(u"{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}");
  ParseFontTable(u"{\\rtf1\\ansi\\pard plain text}");
  EXPECT_EQ(State().FontCount, 1);
  EXPECT_EQ(State().FontNames[0], u"Arial");
}

}  // namespace
}  // namespace skeinlet::detail
