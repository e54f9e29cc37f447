// The cell formatting loop of stage 25 over a whole document.
//
// Each round takes the text from the next "<table" (searching from where the
// last round's "</table>" was) to the first "</table>" after it, passes it
// through CarryCellFormatting and puts the result in place of the FIRST
// occurrence of that text in the document, which is the table itself unless
// an identical text comes earlier. Done literally, every round searches the
// document from its start and moves everything after the table; here the
// document is held as a finished front and a working back, and the earlier
// occurrences are looked up among the tables already passed, so the rounds
// cost the size of the document once. The result is the literal loop's.
#pragma once

#include "text/text.hpp"

#include <functional>

namespace skeinlet::detail {

// Runs at most `rounds` rounds over `html`. `carry` turns a table text into
// its replacement; when it raises a skeinlet::Error the loop ends with the
// tables done so far kept.
void RunCellFormattingRounds(Text& html, Pos rounds,
                             const std::function<Text(const Text&)>& carry);

}  // namespace skeinlet::detail
