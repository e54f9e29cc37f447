// RtfToHtml: the routine behind every RTF-to-HTML method of Convert.
//
//   Text html = RtfToHtml(rtf, title, colour, generator, links, debug,
//                         convertImages, folder, format, name, mode);
//   // colour holds the normalised colour, rtf is empty, an unknown mode
//   // reads "no".
//
// Mode "no" writes a complete document; "yes" leaves out the html/head
// frame and the closing tags; "yes2" is "yes" that still writes font faces
// and sizes.
#pragma once

#include "engine/state.hpp"
#include "text/rules.hpp"
#include "text/text.hpp"

namespace skeinlet::detail {

// The eleven arguments of one call, by reference, as the stages see them.
struct EngineCall {
  Text& RtfText;
  Text& Title;
  Text& Colour;
  Text& Generator;
  Text& Links;
  Text& Debug;
  Text& ConvertImages;
  Text& ImageFolder;
  Text& ImageFormat;
  Text& ImageName;
  Text& Mode;
  ConversionState& State;
  // HtmlOut, searched by the stages from 5 on through one pair index that
  // their replacements keep up to date. A stage that changes HtmlOut in any
  // other way takes it from Html.Edit(), so that the index is built again
  // when it is next needed; so does a caller that sets HtmlOut between two
  // stages (or it calls Html.Edited()).
  IndexedText Html{State.HtmlOut};
};

Text RtfToHtml(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
               Text& mGenerator, Text& mLinks, Text& mDoDebug,
               Text& mConvertImages, Text& mImageFolder, Text& mImageFormat,
               Text& mImageName, Text& mMode);

// Rewrites a background colour option into six hexadecimal digits (or the
// empty string when it was only blanks): "cyan " -> "FFFFFF", "255" ->
// "0000FF", "FF" -> "0000FF", "0xFF0000" -> "FF0000".
void NormaliseBackgroundColour(Text& colour);

// Appends the closers of a CENTER block, of unclosed tables (up to 4) and
// fonts (up to 8), and the end of the frame.
void BalanceClosingTags(ConversionState& state);

// The stages that rewrite HtmlOut after the body has been converted, in
// their order; each has its own rule series.
void Stage05FirstCleanup(EngineCall& call);
void Stage06Links(EngineCall& call);
void Stage07Placeholders(EngineCall& call);
void Stage08MarkupCleanupFirst(EngineCall& call);
void Stage09CellWidthTables(EngineCall& call);
void Stage10TableFontOrder(EngineCall& call);
void Stage11LoneTableClose(EngineCall& call);
void Stage12MarkupCleanupSecond(EngineCall& call);
void Stage13RowEmphasisAndRepair(EngineCall& call);
void Stage14LeftoverMarkers(EngineCall& call);
void Stage15NumberedIndentation(EngineCall& call);
void Stage16BulletFixups(EngineCall& call);
void Stage17LinkMarkup(EngineCall& call);
void Stage18DefaultFont(EngineCall& call);
void Stage19ListCleanupFirst(EngineCall& call);
void Stage20SectionSignBullets(EngineCall& call);
void Stage21ListCleanupSecond(EngineCall& call);
void Stage22BoldNumberedLists(EngineCall& call);
void Stage23ListCleanupThird(EngineCall& call);
void Stage24NumberedIndentationLast(EngineCall& call);
void Stage25CellFormatting(EngineCall& call);
void Stage26FinalCleanupEntities(EngineCall& call);
void Stage27TrailingEmptyCells(EngineCall& call);
void Stage28QuotesSpacersCellWidths(EngineCall& call);

}  // namespace skeinlet::detail
