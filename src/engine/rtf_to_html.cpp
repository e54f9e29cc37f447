#include "engine/rtf_to_html.hpp"

#include "helpers/colour_table.hpp"
#include "helpers/debug_dump.hpp"
#include "helpers/font_table.hpp"
#include "normalise/normalise_rtf.hpp"
#include "text/numeric.hpp"

#include <cmath>
#include <utility>

namespace skeinlet::detail {
namespace {

constexpr TextView kCrLf = u"\r\n";
constexpr Pos kTableHeadLength = 20000;

struct ColourName {
  TextView name;
  TextView colour;
};

// Named background colours, compared trimmed and lower-cased. "cyan" is
// white, as it always was.
constexpr ColourName kNamedColours[] = {
    {u"black", u"000000"},       {u"blue", u"0000FF"},
    {u"green", u"00FF00"},       {u"cyan", u"FFFFFF"},
    {u"red", u"FF0000"},         {u"magenta", u"FF00FF"},
    {u"yellow", u"FFFF00"},      {u"white", u"FFFFFF"},
    {u"grey", u"B5B5B5"},        {u"gray", u"B5B5B5"},
    {u"light blue", u"00008B"},  {u"light green", u"90EE90"},
    {u"light cyan", u"E0FFFF"},  {u"light red", u"FF6347"},
    {u"pink", u"FF80FF"},        {u"brown", u"A52A2A"},
    {u"orange", u"FF8C00"},
};

// System colour numbers, compared as exact strings before trimming.
constexpr ColourName kSystemColours[] = {
    {u"80000005", u"FFFFFF"},    {u"-2147483643", u"FFFFFF"},
    {u"-2147483648", u"C0C0C0"}, {u"-2147483647", u"A6CAF0"},
    {u"-2147483646", u"000080"}, {u"-2147483645", u"808080"},
    {u"-2147483644", u"C0C0C0"}, {u"-2147483642", u"000000"},
    {u"-2147483641", u"000000"}, {u"-2147483640", u"000000"},
    {u"-2147483633", u"C0C0C0"}, {u"-2147483624", u"FFFFE1"},
};

// "RRGGBB" -> "BBGGRR": digits 5-6, then 3-4, then 1-2.
Text ReversePairs(TextView six) {
  Text out;
  out.reserve(6);
  out += six.substr(4, 2);
  out += six.substr(2, 2);
  out += six.substr(0, 2);
  return out;
}

// Stage 1.
void ResetAndReadTables(EngineCall& call) {
  ConversionState& state = call.State;
  state.ImageOptions = {call.ConvertImages, call.ImageFolder, call.ImageFormat,
                        call.ImageName};
  state.Language = u"english";
  state.NonWesternFonts = u"no";
  state.RunCount = 0;
  state.MultiWordRuns = 0;
  state.CurrentFontNumber = 0;
  state.IndentOpen = u"no";
  state.Indent.clear();
  state.PendingIndent.clear();
  state.CurrentFace.clear();
  state.CurrentSize.clear();
  state.CurrentColour.clear();
  state.SourceRtf.clear();  // filled in stage 29

  if (LCase(call.Debug) == u"yes") WriteDebugDump(call.RtfText);

  const Text mode = LCase(call.Mode);
  if (mode == u"yes") {
    state.NoFrame = u"yes";
    state.RawKeepFonts = u"no";
  } else if (mode == u"yes2") {
    state.NoFrame = u"yes";
    state.RawKeepFonts = u"yes";
  } else {
    call.Mode = u"no";
    state.NoFrame = u"no";
    state.RawKeepFonts = u"no";
  }

  state.HtmlOut.clear();
  state.ReadBack = {};
  state.CentreOpen = u"no";
  state.CurrentFace.clear();
  state.CurrentSize.clear();

  BuildFontSizeMap();
  const TextView head = MidView(call.RtfText, 1, kTableHeadLength);
  ParseColourTable(head);
  ParseFontTable(head);
}

// Stage 2.
void WriteHeadAndBody(EngineCall& call) {
  Text& html = call.State.HtmlOut;
  if (call.State.NoFrame != u"yes") {
    html += u"<html>";
    html += kCrLf;
    html += u"<head>";
    html += kCrLf;
    html += u"<title>";
    html += call.Title;
    html += u"</title>";
    html += kCrLf;
    html += u"<meta name=\"GENERATOR\" content=\"";
    html += call.Generator.empty() ? TextView(u"Tarnwick Skeinlet Control")
                                   : TextView(call.Generator);
    html += u"\">";
    html += kCrLf;
    html += u"</head>";
  }
  NormaliseBackgroundColour(call.Colour);
  html += kCrLf;
  if (call.Colour.empty()) {
    html += u"<body>";
  } else {
    html += u"<BODY BGCOLOR=\"#";
    html += call.Colour;
    html += u"\">";
  }
}

// Stage 3: the body, from a throw-away copy of the RTF.
void ConvertBody(EngineCall& call) {
  // The blocks can lengthen the copy a good deal (by three quarters on RTF
  // that html2rtf wrote); room for twice the text up front spares the moves,
  // each of which holds the old and the new text at once. Room that is
  // never written costs address space only.
  Text copy;
  copy.reserve(call.RtfText.size() * 2 + 4096);
  copy.append(call.RtfText);
  NormaliseRTF(copy);
}

void CloseOpenBlocks(EngineCall& call) { BalanceClosingTags(call.State); }

struct Stage {
  int number;
  TextView name;
  void (*run)(EngineCall&);
};

// The stage order. Later stages search for text that earlier ones write.
constexpr Stage kStages[] = {
    {1, u"Reset, options, debug dump, size, colour and font tables", ResetAndReadTables},
    {2, u"Head, background colour, body tag", WriteHeadAndBody},
    {3, u"Body conversion by NormaliseRTF", ConvertBody},
    {4, u"Closing of open blocks and frame end", CloseOpenBlocks},
    {5, u"First clean-up (two rules)", Stage05FirstCleanup},
    {6, u"Links and e-mail addresses", Stage06Links},
    {7, u"Backslash and image placeholders", Stage07Placeholders},
    {8, u"Markup clean-up, first series", Stage08MarkupCleanupFirst},
    {9, u"Cell-width table openings", Stage09CellWidthTables},
    {10, u"Table and font reordering", Stage10TableFontOrder},
    {11, u"Lone table close", Stage11LoneTableClose},
    {12, u"Markup clean-up, second series", Stage12MarkupCleanupSecond},
    {13, u"Row emphasis reordering and table repair", Stage13RowEmphasisAndRepair},
    {14, u"Leftover markers", Stage14LeftoverMarkers},
    {15, u"Numbered paragraph indentation", Stage15NumberedIndentation},
    {16, u"Bullet fix-ups", Stage16BulletFixups},
    {17, u"Link markup passes", Stage17LinkMarkup},
    {18, u"Default font", Stage18DefaultFont},
    {19, u"List clean-up, first series", Stage19ListCleanupFirst},
    {20, u"Section-sign bullets", Stage20SectionSignBullets},
    {21, u"List clean-up, second series", Stage21ListCleanupSecond},
    {22, u"Bold numbered lists", Stage22BoldNumberedLists},
    {23, u"List clean-up, third series", Stage23ListCleanupThird},
    {24, u"Numbered indentation, last series", Stage24NumberedIndentationLast},
    {25, u"Table cell formatting loop", Stage25CellFormatting},
    {26, u"Final clean-up and character entities", Stage26FinalCleanupEntities},
    {27, u"Trailing empty cells", Stage27TrailingEmptyCells},
    {28, u"Quotes, spacer rows and cell-width leftovers", Stage28QuotesSpacersCellWidths},
    // 29, the result, is the return below.
};

// Appends a line break and `count` copies of `closer` when the text opens
// `open` more often than it closes it, by at most `limit`.
void AppendClosers(Text& html, TextView open, TextView close, TextView closer,
                   Pos limit) {
  if (!Contains(html, open, Compare::Text)) return;
  const Pos d = CountOccurrences(html, open, Compare::Text) -
                CountOccurrences(html, close, Compare::Text);
  if (d >= 1 && d <= limit) {
    html += kCrLf;
    html += Repeat(closer, d);
  }
}

}  // namespace

void NormaliseBackgroundColour(Text& colour) {
  if (colour == u"80000005") colour = u"FFFFFF";                      // a
  if (IsNumeric(colour)) {                                             // b
    const double value = ToDouble(colour);
    if (std::nearbyint(value) > 0) {
      colour = Hex32(RoundToInt32(value));
      if (colour.size() == 6) colour = ReversePairs(colour);
    }
  }
  for (const ColourName& system : kSystemColours) {                    // c
    if (colour == system.name) {
      colour = Text(system.colour);
      break;
    }
  }
  if (colour.empty() || (IsNumeric(colour) && ToDouble(colour) < 0))  // d
    colour = u"FFFFFF";
  colour = Trim(colour);                                               // e
  const Text lower = LCase(colour);
  for (const ColourName& named : kNamedColours) {
    if (lower == named.name) {
      colour = Text(named.colour);
      break;
    }
  }
  if (colour.starts_with(u"0x") && colour.size() > 4) colour.erase(0, 2);  // f
  if (colour.empty()) return;                                          // g
  if (colour.size() < 6) {                                             // h
    colour.append(6 - colour.size(), u'0');
    colour = ReversePairs(colour);
  }
}

void BalanceClosingTags(ConversionState& state) {
  Text& html = state.HtmlOut;
  if (state.CentreOpen == u"yes") {
    html += u"</CENTER>";
    state.CentreOpen = u"no";
  }
  AppendClosers(html, u"<table", u"</table", u"</table>", 4);
  AppendClosers(html, u"<font", u"</font", u"</font>", 8);
  if (state.NoFrame != u"yes") {
    if (state.ParagraphOpen == u"yes") {
      html += u"</p>";
      html += kCrLf;
      html += u"</body>";
      state.ParagraphOpen = u"no";
    } else {
      html += kCrLf;
      html += u"</body>";
    }
    html += kCrLf;
    html += u"</html>";
    html += kCrLf;
  }
}

Text RtfToHtml(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
               Text& mGenerator, Text& mLinks, Text& mDoDebug,
               Text& mConvertImages, Text& mImageFolder, Text& mImageFormat,
               Text& mImageName, Text& mMode) {
  EngineCall call{mRTF_Text,      mHTML_Title,  mHTML_Colour, mGenerator,
                  mLinks,         mDoDebug,     mConvertImages,
                  mImageFolder,   mImageFormat, mImageName,   mMode,
                  State()};
  for (const Stage& stage : kStages) stage.run(call);
  // Stage 29: the result; the caller's RTF argument is emptied, its text
  // going to SourceRtf (see there). HtmlOut is handed over rather than
  // copied: nothing reads it once the call has returned, and on a long
  // document it is as large as the document.
  Text result = std::move(call.State.HtmlOut);
  call.State.HtmlOut.clear();
  call.State.SourceRtf = std::move(mRTF_Text);
  mRTF_Text.clear();
  return result;
}

}  // namespace skeinlet::detail
