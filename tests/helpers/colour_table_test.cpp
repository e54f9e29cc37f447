#include "helpers/colour_table.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"

namespace skeinlet::detail {
namespace {

void ResetColourState() {
  State().ColourList.Erase();
  State().ColourCount = 0;
  State().ColourTableEnd = 0;
}

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

TEST(ParseColourTable, IndexesEntriesByRtfColourNumber) {
  const ConversionState& st = State();
  ResetColourState();
  const Text head =
      u"{\\rtf1{\\colortbl "
      u";\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\pard x}";
  ParseColourTable(head);
  EXPECT_EQ(st.ColourCount, 2);
  EXPECT_EQ(st.ColourList.UBound(), 2);
  EXPECT_EQ(st.ColourList[0], u"");
  EXPECT_EQ(st.ColourList[1], u"#ff0000");
  EXPECT_EQ(st.ColourList[2], u"#0000ff");
  EXPECT_EQ(st.ColourTableEnd, static_cast<std::int16_t>(head.find(u";}") + 1));

  // No blank before the first ";": indexed the same way. Line breaks and
  // blanks before the colour words are cleaned away.
  ParseColourTable(
      u"{\\colortbl;\\red0\r\n\\green128 \\blue0;\r\n  "
      u"\\red9\\green9\\blue9;}");
  EXPECT_EQ(st.ColourList[0], u"");
  EXPECT_EQ(st.ColourList[1], u"#008000");
  EXPECT_EQ(st.ColourList[2], u"#090909");

  // The first entry is a colour: it lands at 0, the top index stays empty.
  ParseColourTable(u"{\\colortbl\\red1\\green2\\blue3;\\red4\\green5\\blue6;}");
  EXPECT_EQ(st.ColourList[0], u"#010203");
  EXPECT_EQ(st.ColourList[1], u"#040506");
  EXPECT_EQ(st.ColourList[2], u"");
}

TEST(ColourEntryToHex, DigitsAndLegacyErrors) {
  EXPECT_EQ(ColourEntryToHex(u"red5\\green10\\blue15"), u"#050a0f");
  EXPECT_EQ(ColourEntryToHex(u"red256\\green0\\blue0"), u"#1000000");
  EXPECT_EQ(ColourEntryToHex(u"red 7 \\green0\r\n\\blue255"), u"#0700ff");
  // Half to even; a negative value in 16-bit two's complement.
  EXPECT_EQ(ColourEntryToHex(u"red2.5\\green3.5\\blue-1"), u"#0204ffff");

  EXPECT_EQ(ErrorNumberOf([] { ColourEntryToHex(u"red255\\blue0"); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { ColourEntryToHex(u"red255\\green0"); }), 5);
  EXPECT_EQ(ErrorNumberOf([] { ColourEntryToHex(u"red\\green0\\blue0"); }), 13);
  // ParseColourTable catches nothing.
  EXPECT_EQ(
      ErrorNumberOf([] { ParseColourTable(u"{\\colortbl;\\red255\\blue0;}"); }),
      5);
  EXPECT_EQ(ErrorNumberOf([] {
              ParseColourTable(u"{\\colortbl;\\red40000\\green0\\blue0;}");
            }),
            6);
  EXPECT_EQ(ErrorNumberOf([] {
              ParseColourTable(u"{\\colortbl;\\redx\\green0\\blue0;}");
            }),
            13);
}

TEST(ParseColourTable, HeadWithoutTableKeepsThePreviousList) {
  const ConversionState& st = State();
  ResetColourState();
  ParseColourTable(u"{\\rtf1 plain}");
  EXPECT_FALSE(st.ColourList.Dimensioned());

  ParseColourTable(u"{\\colortbl;\\red1\\green2\\blue3;}");
  ParseColourTable(Text(119, u'x') + u";}}" + Text(50, u'y'));
  EXPECT_EQ(st.ColourTableEnd, 120);
  EXPECT_EQ(st.ColourCount, 1);
  EXPECT_EQ(st.ColourList[1], u"#010203");

  // The engine passes the first 20000 characters: a later table is unseen.
  const Text late =
      u"{\\rtf1 " + Text(20000, u'x') + u"{\\colortbl;\\red9\\green9\\blue9;}";
  ParseColourTable(TextView(late).substr(0, 20000));
  EXPECT_EQ(st.ColourTableEnd, 0);
  EXPECT_EQ(st.ColourList[1], u"#010203");
}

TEST(ParseColourTable, UnclosedAndDamagedTables) {
  const ConversionState& st = State();
  // Neither ";}" nor "}": 100 blacks and two empty entries; count and end
  // keep their earlier values.
  ResetColourState();
  State().ColourCount = 7;
  State().ColourTableEnd = 33;
  ParseColourTable(u"{\\rtf1{\\colortbl;\\red1\\green2\\blue3;");
  EXPECT_EQ(st.ColourList.UBound(), 101);
  EXPECT_EQ(st.ColourList[0], u"#000000");
  EXPECT_EQ(st.ColourList[99], u"#000000");
  EXPECT_EQ(st.ColourList[100], u"");
  EXPECT_EQ(st.ColourList[101], u"");
  EXPECT_EQ(st.ColourCount, 7);
  EXPECT_EQ(st.ColourTableEnd, 33);

  // Closed by "}" only: the last entry has no ";", and after one miss no
  // "red" follows the "}", so that entry is black.
  const Text table =
      u"{\\colortbl;\\red1\\green2\\blue3;\\red4\\green5\\blue6}\\f0";
  ParseColourTable(table);
  EXPECT_EQ(st.ColourTableEnd, static_cast<std::int16_t>(table.find(u'}') + 1));
  EXPECT_EQ(st.ColourList[1], u"#010203");
  EXPECT_EQ(st.ColourList[2], u"#000000");
}

}  // namespace
}  // namespace skeinlet::detail
