// The HTML table repair: every table closed and not nested, every cell in a
// row, every row and cell closed, stray text between rows moved into a
// cell, empty cells given "&nbsp;" and short rows widened with a column
// span.
//
//   RepairHTMLTables(u"<table><td>a</td></table>", 2)
//     -> u"<table><TR><td>a</td></TR></table>"
//
// Tags are recognised by the letters right after their "<" in any case;
// attributes stay as they are. A row that BalanceRows cannot close raises
// "End row not found" (object error 201) with the source
// "HTMLParser::repairTable".
#pragma once

#include "text/text.hpp"

#include <cstdint>
#include <vector>

namespace skeinlet::detail {

struct TagInfo {
  Text Name;  // "TABLE", "/TABLE", "TR", "TD", "/TR", "/TD" or "" (none)
  std::int32_t StartPos = 0;  // the "<"
  std::int32_t EndPos = 0;    // the next ">" after it, 0 when there is none
};

// Option bit 2 turns on FillEmptyCells; the engine passes 2.
inline constexpr std::int32_t kRepairFillEmptyCells = 2;

// With `written`, also lists where the result is not the text walked: a
// part copied from it is left out, as is a repaired table or a part of one
// that came out as it went in.
Text RepairHTMLTables(const Text& html, std::int32_t options,
                      std::vector<Written>* written = nullptr);
// One table, from its "<TABLE" to its "</TABLE>".
Text RepairTable(const Text& tableText, std::int32_t options);

TagInfo NextTableTag(TextView text, Pos start);
TagInfo NextStructureTag(TextView text, Pos start);

Text FixTableStructure(const Text& tableText);
// `names` is a list separated by ";", e.g. "</TR;<TABLE".
Text InsertAfterLastTag(const Text& text, TextView names, TextView insertion);
Text FillEmptyCells(const Text& tableText);
Text BalanceRows(const Text& tableText);

}  // namespace skeinlet::detail
