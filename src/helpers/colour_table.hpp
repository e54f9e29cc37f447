// The RTF colour table reader.
//
// ParseColourTable reads the "{\colortbl" group of the document head into
// State().ColourList (lower bound 0, one "#rrggbb" per RTF colour number)
// and records in State().ColourTableEnd where the table ends:
//
//   ParseColourTable(u"{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}...");
//   // ColourCount 1, ColourList[0] "", ColourList[1] "#ff0000"
//
//   ColourEntryToHex(u"red5\\green10\\blue15")   -> "#050a0f"
//   ColourEntryToHex(u"red256\\green0\\blue0")   -> "#1000000"
//
// A head without a colour table keeps the list of the previous conversion
// on this thread. Errors of damaged entries are not caught: an entry
// without "\green" is error 5, a part that is not a number error 13, one
// outside 16 bits error 6.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

// head: the first 20000 characters of the RTF document.
void ParseColourTable(TextView head);

// entry: one entry from "red" up to (not including) its ";".
Text ColourEntryToHex(TextView entry);

}  // namespace skeinlet::detail
