#include "fresh_state.hpp"

#include "text/errors.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

const FormatRecord& Top() {
  const HtmlRtfState& s = HtmlRtf();
  return s.FormatStack[s.FormatStack.UBound()];
}

TEST(Formatting, FontAttributeForms) {
  // Quoted values are trimmed inside their quotes; after an unclosed quote
  // the value runs to the next blank; blanks before a value are
  // passed over; a value ends at a blank, else at ">", else is empty.
  HtmlRtfState& s = FreshState();
  StartFont(u"<FONT FACE=\"  TIMES NEW  \">");
  EXPECT_EQ(s.RtfFonts[2], u"TIMES NEW");
  StartFont(u"<FONT FACE=\"OPEN SIZE=2>");
  EXPECT_EQ(s.RtfFonts[3], u"OPEN");
  StartFont(u"<FONT FACE=   SPACED>");
  EXPECT_EQ(s.RtfFonts[4], u"SPACED");
  StartFont(u"<FONT FACE=END>");
  EXPECT_EQ(s.RtfFonts[5], u"END");
  const std::int64_t fonts = s.RtfFontCount;
  StartFont(u"<FONT FACE=NOEND");
  StartFont(u"<FONT FACE=\"\">");
  StartFont(u"<FONT FACE=\"  \" SIZE=3>");
  EXPECT_EQ(s.RtfFontCount, fonts) << "an empty or unended value sets no face";
  EXPECT_EQ(Top().Size, 24);
  StartFont(u"<FONT COLOR=\" #00FF00 \">");
  EXPECT_EQ(s.RtfColours[s.RtfColourCount - 1], u"00FF00");
}

TEST(Formatting, FontFaceSizeAndColour) {
  HtmlRtfState& s = FreshState();
  StartFont(u"<FONT FACE=\"ARIAL\" SIZE=\"4\" COLOR=\"#FF0000\">");
  EXPECT_EQ(Emitted(), u"\\f2");
  EXPECT_EQ(s.RtfFonts[2], u"ARIAL");
  EXPECT_EQ(s.RtfFontCount, 3);
  EXPECT_EQ(Top().Size, 27);
  EXPECT_EQ(Top().Colour, 6);
  EXPECT_EQ(s.RtfColours[5], u"FF0000");
  EXPECT_EQ(s.CurrentFont, 2);

  // A named colour finds the start entry; the same face is not added twice.
  StartFont(u"<FONT FACE = ARIAL COLOR=RED>");
  EXPECT_EQ(Emitted(), u"\\f2");
  EXPECT_EQ(Top().Colour, 2);
  EXPECT_EQ(Top().Size, 27);
  EXPECT_EQ(s.RtfFontCount, 3);
  EXPECT_EQ(s.RtfColourCount, 6);

  // Without FACE the font in force is selected again.
  StartFont(u"<FONT SIZE=+1>");
  EXPECT_EQ(Emitted(), u"\\f2");
  EXPECT_EQ(Top().Size, 15);
  StartFont(u"<FONT SIZE=\"14\">");
  EXPECT_EQ(Top().Size, 28);
  StartFont(u"<FONT SIZEPT=\"19\">");
  EXPECT_EQ(Top().Size, 19);
  EXPECT_EQ(s.FormatStack.UBound(), 5);
  EXPECT_EQ(Emitted(), u"\\f2\\f2");

  // Each end removes the topmost FONT record.
  for (int i = 0; i < 4; ++i) EndFont();
  EXPECT_EQ(Top().Size, 27);
  EXPECT_EQ(Top().Colour, 6);
  EXPECT_EQ(s.CurrentFont, 2);
  EndFont();
  EXPECT_EQ(s.CurrentFont, 0);
  EXPECT_EQ(Emitted(), u"");

  // An end without a record only resets the background.
  s.BackgroundColour = 7;
  EndFont();
  EXPECT_EQ(s.FormatStack.UBound(), 0);
  EXPECT_EQ(s.BackgroundColour, 5);

  FreshState();
  StartFont(u"<FONT>");
  EXPECT_EQ(Emitted(), u"\\f0");
  // A size that is no number leaves the record pushed with what it had.
  EXPECT_THROW(StartFont(u"<FONT SIZEPT=X>"), Error);
  EXPECT_EQ(HtmlRtf().FormatStack.UBound(), 2);
}

TEST(Formatting, FontEndsPairWithFontsThroughSpans) {
  HtmlRtfState& s = FreshState();
  StartFont(u"<FONT FACE=A SIZE=1>");
  StartSpan(u"<SPAN STYLE=\"FONT-SIZE:30PT\">");
  EXPECT_EQ(Top().Size, 60);
  EndFont();  // the FONT record below the span goes; the span stays on top
  EXPECT_EQ(s.FormatStack.UBound(), 1);
  EXPECT_TRUE(Top().FromSpan);
  EXPECT_EQ(Top().Size, 60);
  EndSpan();
  EXPECT_EQ(s.FormatStack.UBound(), 0);
}

TEST(Formatting, SpanStyles) {
  HtmlRtfState& s = FreshState();
  StartSpan(u"<SPAN STYLE=\"FONT-WEIGHT:BOLD;FONT-STYLE:ITALIC\">");
  EXPECT_EQ(Emitted(), u"\\b1\\i1");
  EndSpan();
  EXPECT_EQ(Emitted(), u"\\b0\\i0\\highlight5");

  StartSpan(u"<SPAN STYLE=\"TEXT-DECORATION:UNDERLINE LINE-THROUGH\">");
  EXPECT_EQ(Emitted(), u"\\ul1");
  EndSpan();
  EXPECT_EQ(Emitted(), u"\\ul0\\highlight5");
  // A blank after the colon ends the value before it starts.
  StartSpan(u"<SPAN STYLE=\"FONT-WEIGHT: BOLD; TEXT-DECORATION: UNDERLINE\">");
  EXPECT_EQ(Emitted(), u"");
  EndSpan();
  Emitted();
  // The last value runs to the ">".
  StartSpan(u"<SPAN STYLE=FONT-STYLE:ITALIC>");
  EXPECT_EQ(Emitted(), u"\\i1");
  EndSpan();
  Emitted();
  StartSpan(u"<SPAN STYLE=\"TEXT-DECORATION:LINE-THROUGH\">");
  EXPECT_EQ(Emitted(), u"{\\strike ");
  EndSpan();
  EXPECT_EQ(Emitted(), u"}\\highlight5");
  // Weight and style words only count under their own names.
  StartSpan(u"<SPAN STYLE=\"FONT-STYLE:BOLD\">");
  EXPECT_EQ(Emitted(), u"");
  EndSpan();
  Emitted();

  StartSpan(u"<SPAN STYLE=\"COLOR:RGB(255, 0, 0)\">");
  EXPECT_EQ(Top().Colour, 6);
  EXPECT_EQ(s.RtfColours[5], u"FF0000");
  StartSpan(u"<SPAN STYLE=\"BACKGROUND-COLOR:BLUE; COLOR: #00FF00\">");
  EXPECT_EQ(Top().Colour, 7);
  EXPECT_EQ(s.RtfColours[6], u"00FF00");
  StartSpan(u"<SPAN STYLE=\"BACKGROUND-COLOR:LIME\">");
  EXPECT_EQ(Top().Colour, 7);
  EXPECT_THROW(StartSpan(u"<SPAN STYLE=\"FONT-SIZE:12PX\">"), Error);
  StartSpan(u"<SPAN STYLE=\"FONT-SIZE: 9pt;\">");
  EXPECT_EQ(Top().Size, 18);
  // Without a ";" the value ends at the blank after the colon.
  StartSpan(u"<SPAN STYLE=\"FONT-SIZE: 11pt\">");
  EXPECT_EQ(Top().Size, 18);
}

TEST(Formatting, SpanBackgroundCountsInnerSpans) {
  HtmlRtfState& s = FreshState();
  const Text folder;
  OfferTag(u"<SPAN STYLE=\"BACKGROUND-COLOR:YELLOW\">", 1, folder);
  EXPECT_EQ(Emitted(), u"\\highlight6");
  EXPECT_EQ(s.RtfColours[5], u"ffff00");
  EXPECT_EQ(s.SpanBackground, 1);
  EXPECT_EQ(s.BackgroundColour, 5);
  OfferTag(u"<SPAN>", 1, folder);
  OfferTag(u"<SPAN>", 1, folder);
  EXPECT_EQ(s.SpanBackground, 3);
  EndSpan();
  EndSpan();
  EXPECT_EQ(Emitted(), u"");
  EndSpan();
  EXPECT_EQ(Emitted(), u"\\highlight5");
  EXPECT_EQ(s.SpanBackground, 0);
}

TEST(Formatting, EndsRemoveTheTopmostRecordOfTheirKind) {
  HtmlRtfState& s = FreshState();
  StartSpan(u"<SPAN STYLE=\"FONT-WEIGHT:BOLD;TEXT-DECORATION:UNDERLINE\">");
  StartFont(u"<FONT SIZE=1>");
  StartFont(u"<FONT SIZE=2>");
  Emitted();
  EndSpan();
  EXPECT_EQ(Emitted(), u"\\b0\\ul0\\highlight5");
  ASSERT_EQ(s.FormatStack.UBound(), 2);
  for (std::int64_t i = 1; i <= 2; ++i) {
    const FormatRecord& r = s.FormatStack[i];
    EXPECT_FALSE(r.FromSpan || r.Bold || r.Italic || r.Underline || r.Strike) << i;
  }
  EXPECT_EQ(s.FormatStack[1].Size, 15);
  EXPECT_EQ(Top().Size, 20);
  // An end without a SPAN record only writes the background.
  EndFont();
  EndFont();
  EndSpan();
  EXPECT_EQ(Emitted(), u"\\highlight5");
  EXPECT_EQ(s.FormatStack.UBound(), 0);

  // Badly nested tags still pair by kind.
  StartFont(u"<FONT SIZE=1>");
  StartSpan(u"<SPAN STYLE=\"FONT-SIZE:5PT\">");
  StartFont(u"<FONT SIZE=6>");
  StartSpan(u"<SPAN STYLE=\"FONT-SIZE:7PT\">");
  EndFont();
  EXPECT_EQ(Top().Size, 14);
  EXPECT_EQ(s.FormatStack[2].Size, 10);
  EndSpan();
  EXPECT_EQ(Top().Size, 10);
  EndFont();
  EXPECT_EQ(Top().Size, 10);
  EXPECT_EQ(s.FormatStack.UBound(), 1);
  EndSpan();
  EXPECT_EQ(Top().Size, 24);

  // Thousands of FONT records under thousands of SPAN records.
  FreshState();
  const int n = 3000;
  for (int i = 1; i <= n; ++i) StartFont(u"<FONT SIZEPT=" + NumberText(i) + u">");
  for (int i = 1; i <= n; ++i)
    StartSpan(u"<SPAN STYLE=\"FONT-SIZE:" + NumberText(i) + u"PT;\">");
  for (int i = 1; i <= n - 1; ++i) EndFont();
  EXPECT_EQ(s.FormatStack.UBound(), n + 1);
  EXPECT_EQ(s.FormatStack[1].Size, 1);
  EXPECT_EQ(s.FormatStack[2].Size, 2);
  EXPECT_EQ(Top().Size, 2 * n);
  for (int i = 1; i <= n - 1; ++i) EndSpan();
  EXPECT_EQ(Top().Size, 2);
  EXPECT_TRUE(Top().FromSpan);
  EndSpan();
  EXPECT_EQ(Top().Size, 1);
  EndFont();
  EXPECT_EQ(s.FormatStack.UBound(), 0);
}

TEST(Formatting, BackgroundColourOfTags) {
  HtmlRtfState& s = FreshState();
  ApplyBackgroundColour(u"<P STYLE=\"BACKGROUND-COLOR:RED\">");
  EXPECT_EQ(Emitted(), u"\\highlight2");
  EXPECT_EQ(s.BackgroundColour, 2);
  ApplyBackgroundColour(u"<HR BGCOLOR=BLUE>");
  EXPECT_EQ(Emitted(), u"");
  ApplyBackgroundColour(u"<P BGCOLOR=>");
  EXPECT_EQ(Emitted(), u"");
  s.TableDepth = 1;
  ApplyBackgroundColour(u"<TR BGCOLOR=BLUE>");
  EXPECT_EQ(Emitted(), u"{\\highlight4");
  EXPECT_TRUE(s.TableStack[1].RowHighlight);
  ApplyBackgroundColour(u"<TD BACK=WHITE>");
  EXPECT_EQ(Emitted(), u"{\\highlight5");
  EXPECT_TRUE(s.TableStack[1].CellHighlight);
  // Outside a table a TD has no table record to mark.
  s.TableDepth = 0;
  EXPECT_THROW(ApplyBackgroundColour(u"<TD BGCOLOR=LIME>"), Error);
  EXPECT_EQ(s.BackgroundColour, 3);
  EXPECT_EQ(Emitted(), u"");
}

TEST(Formatting, ColourAttributes) {
  HtmlRtfState& s = FreshState();
  EXPECT_EQ(ParseColourAttribute(u"<TD STYLE=\"BACKGROUND-COLOR:RED\" BACK=BLUE BGCOLOR=LIME>"),
            u"00ff00");
  EXPECT_EQ(ParseColourAttribute(u"<TD STYLE=\"BACKGROUND-COLOR:RED\" BACK=BLUE>"), u"0000ff");
  EXPECT_EQ(ParseColourAttribute(u"<TD STYLE=\"BACKGROUND-COLOR: RED;\">"), u"ff0000");
  EXPECT_EQ(ParseColourAttribute(u"<P STYLE=\"BACKGROUND-COLOR:RGB(255, 0, 0)\">"), u"FF0000");
  EXPECT_EQ(ParseColourAttribute(u"<P STYLE=\"BACKGROUND-COLOR:RGB(100%, 0%, 0%)\">"),
            u"FF0000");
  EXPECT_EQ(ParseColourAttribute(u"<P STYLE=\"BACKGROUND-COLOR:RGB(1,2)\">"), u"");
  EXPECT_EQ(ParseColourAttribute(u"<P>"), u"");
  EXPECT_EQ(s.RtfColourCount, 6);  // FF0000 is the only new entry
  EXPECT_EQ(ParseColourAttribute(u"<P BGCOLOR=\"#F00\">"), u"F00");
  EXPECT_EQ(s.RtfColours[6], u"F00");

  EXPECT_EQ(NormaliseColour(u"#ff0000"), u"FF0000");
  EXPECT_EQ(NormaliseColour(u" 'Red' ;"), u"ff0000");
  EXPECT_EQ(NormaliseColour(u"\"#00Ff00\""), u"00FF00");
  EXPECT_EQ(NormaliseColour(u"lightgray"), u"LIGHT808080");
  EXPECT_EQ(NormaliseColour(u"maroon"), u"800000");
  EXPECT_EQ(NormaliseColour(u"green"), u"008000");
  EXPECT_EQ(NormaliseColour(u"Lime"), u"00ff00");
  EXPECT_EQ(NormaliseColour(u"silver"), u"c0c0c0");
  EXPECT_EQ(NormaliseColour(u"olive"), u"808000");
  EXPECT_EQ(NormaliseColour(u"azure"), u"00ffff");
  EXPECT_EQ(NormaliseColour(u"teal"), u"008080");
  EXPECT_EQ(NormaliseColour(u"navy"), u"000080");
  EXPECT_EQ(NormaliseColour(u"fuchsia"), u"ff00ff");
  EXPECT_EQ(NormaliseColour(u"purple"), u"800080");
  // Asked again, in turns, more values than are remembered at once, and
  // values that differ only in case or in a blank: each keeps its own.
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(NormaliseColour(u"purple"), u"800080");
    EXPECT_EQ(NormaliseColour(u"Purple"), u"800080");
    EXPECT_EQ(NormaliseColour(u"#ff0000"), u"FF0000");
    EXPECT_EQ(NormaliseColour(u"#FF0000 "), u"FF0000");
    EXPECT_EQ(NormaliseColour(u"lightgray"), u"LIGHT808080");
    EXPECT_EQ(NormaliseColour(u"navy"), u"000080");
    EXPECT_EQ(NormaliseColour(u"teal"), u"008080");
    EXPECT_EQ(NormaliseColour(u"olive"), u"808000");
    EXPECT_EQ(NormaliseColour(u"silver"), u"c0c0c0");
    EXPECT_EQ(NormaliseColour(u"azure"), u"00ffff");
    EXPECT_EQ(NormaliseColour(u""), u"");
  }
  EXPECT_EQ(NormaliseColour(u"Black"), u"000000");

  EXPECT_EQ(ColourComponentToHex(u"255"), u"FF");
  EXPECT_EQ(ColourComponentToHex(u"10"), u"0A");
  EXPECT_EQ(ColourComponentToHex(u"0"), u"00");
  EXPECT_EQ(ColourComponentToHex(u"100%"), u"FF");
  EXPECT_EQ(ColourComponentToHex(u"50%"), u"80");  // 127.5, half to even
  EXPECT_EQ(ColourComponentToHex(u" 20 % "), u"33");
  EXPECT_THROW(ColourComponentToHex(u"ab"), Error);
}

TEST(Formatting, SizesInHalfPoints) {
  const TextView sizes[] = {u"15", u"20", u"24", u"27", u"36", u"48",
                            u"72", u"72", u"72", u"72", u"72", u"72"};
  for (int i = 1; i <= 12; ++i)
    EXPECT_EQ(HtmlSizeToHalfPoints(NumberText(i), false), sizes[i - 1]) << i;
  EXPECT_EQ(HtmlSizeToHalfPoints(u"+1", false), u"15");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"-1", false), u"-2");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"'14'", false), u"28");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"3.25", false), u"6.4");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"13", true), u"26");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"x", false), u"0");
  EXPECT_EQ(HtmlSizeToHalfPoints(u"x", true), u"");
}

TEST(Formatting, TableHelpers) {
  HtmlRtfState& s = FreshState();
  EXPECT_EQ(IndexOfEntry(s.RtfColours, u"0000ff"), 3);
  EXPECT_EQ(IndexOfEntry(s.RtfColours, u"0000FF"), 0);
  EXPECT_EQ(IndexOfEntry(BoundedArray<Text>(), u"x"), 0);
  EXPECT_TRUE(IsArrayEmpty(BoundedArray<Text>()));
  EXPECT_FALSE(IsArrayEmpty(s.RtfFonts));
  EXPECT_EQ(HexPairValue(u"ff0000", 1), 255);
  EXPECT_EQ(HexPairValue(u"00FF00", 3), 255);
  EXPECT_EQ(HexPairValue(u"0000a0", 5), 160);
  EXPECT_EQ(HexPairValue(u"F00", 1), 240);
  EXPECT_EQ(HexPairValue(u"F00", 5), 0);
  EXPECT_EQ(HexPairValue(u"GG0000", 1), 0);
}

}  // namespace
}  // namespace skeinlet::detail

namespace skeinlet::detail {
namespace {

TEST(Formatting, FaceListAtItsSixteenBitLimit) {
  HtmlRtfState& s = FreshState();
  for (int i = 2; i < 32767; ++i) StartFont(u"<FONT FACE=F" + NumberText(i) + u">");
  EXPECT_EQ(s.RtfFontCount, 32767);
  EXPECT_EQ(s.CurrentFont, 32766);
  // The next face is stored, but counting it overflows, so its number is
  // never selected; the one after it takes the same last place.
  EXPECT_THROW(StartFont(u"<FONT FACE=LAST>"), Error);
  EXPECT_EQ(s.RtfFonts[32767], u"LAST");
  EXPECT_THROW(StartFont(u"<FONT FACE=LATER>"), Error);
  EXPECT_EQ(s.RtfFonts[32767], u"LATER");
  EXPECT_EQ(s.RtfFontCount, 32767);
  for (TextView face : {u"Times New Roman", u"F2", u"F9999", u"F32766", u"LAST", u"LATER"})
    EXPECT_EQ(IndexOfEntry(s.RtfFontIndex, face), IndexOfEntry(s.RtfFonts, face));
  Emitted();
  StartFont(u"<FONT FACE=LATER>");
  EXPECT_EQ(Emitted(), u"\\f32767");
}

}  // namespace
}  // namespace skeinlet::detail
