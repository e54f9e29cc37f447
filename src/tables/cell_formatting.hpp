// CarryCellFormatting: every cell of one HTML table carries its own
// character formatting. Bold, italic, underline and font tags that the run
// converter opened in one cell and left open are closed in that cell and
// opened again in the cells that follow, up to the next row end.
//
//   CarryCellFormatting(u"<table><TD>a<B>b</TD><TD>c</TD></table>")
//     -> u"<table><TD>a<B>b</b></TD><TD><b>c</b></TD></table>"
//
// The piece list and the flags are per thread and reset by every call.
#pragma once

#include "text/array.hpp"
#include "text/text.hpp"

#include <cstdint>

namespace skeinlet::detail {

struct CellPiece {
  ::skeinlet::Text Text;  // a piece of the table's HTML
  bool IsCell = false;
};

struct CellFormattingState {
  BoundedArray<CellPiece> CellPieces;  // lower bound 1
  std::int32_t CellPieceCount = 0;
  std::int32_t CellPieceCapacity = 0;
  Text LastFontTags;
  bool BoldOpen = false;
  bool ItalicOpen = false;
  bool UnderlineOpen = false;
};

// The calling thread's piece list and flags.
CellFormattingState& CellFormatting();

// `tableHtml` runs from its "<table" to its "</table>".
Text CarryCellFormatting(const Text& tableHtml);

void ResetCellPieces();
void AddCellPiece(Text text, bool isCell);
// Rewrites piece `index` (1-based); nothing when index exceeds the count.
// A failing statement is skipped and the next one runs.
void FormatCellPiece(std::int32_t index);

}  // namespace skeinlet::detail
