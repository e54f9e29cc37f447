// The look-ahead of the table handlers of HTMLRTFConverter. An RTF row
// definition lists every cell boundary before the cells' contents, so
// StartTable and StartRow read the table and the row being opened from
// WorkHtml before the walk reaches them. Every search here ignores case
// and skips the tables nested in the element it reads.
//
//   ExtractRow(u"<tr><td>a<td><table><tr><td>b</table><tr><td>c")
//     -> u"<tr><td>a<td><table><tr><td>b</table>"
//   RemoveNestedTables(u"<td>a<table><td>b</table>c") -> u"<td>ac"
#pragma once

#include "text/text.hpp"

#include <cstdint>

namespace skeinlet::detail {

// From the start of `text` up to and including the ">" of the "</" + name
// that closes the first "<" + name; the whole text when nothing closes it.
// `name` is upper case.
TextView ExtractElement(TextView text, TextView name);
// The row that starts at the beginning of `text`: up to its "</TR", the next
// "<TR" or the end of its table, whichever comes first.
TextView ExtractRow(TextView text);
// The cell that starts at the beginning of `text`: up to its "</TD", the
// next "<TD" or the end of its row or table.
TextView ExtractCell(TextView text);
// `text` without the TABLE elements in it (an unclosed one runs to the end).
Text RemoveNestedTables(TextView text);

// The table tags the look-ahead tells apart, by the start of the tag whose
// "<" is at `at`: "</TABLE", "</TR", "</TD", "<TABLE", "<TR" or "<TD" (any
// case, nothing required after the name), else Other.
enum class Mark : std::uint8_t { Other, TableOpen, TableClose, RowOpen, RowClose, CellOpen, CellClose };
Mark MarkAt(TextView text, std::size_t at);

// Lays out the table whose "<" is at `position` of `html` within
// `availableWidth` pixels: fills ColumnWidths and Bordered of the innermost
// record of TableStack and returns the table's width.
std::int16_t ComputeTableLayout(const Text& html, Pos position, std::int32_t availableWidth);

}  // namespace skeinlet::detail
