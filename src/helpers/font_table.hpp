// The RTF font table reader and the point-size map.
//
// ParseFontTable reads the "{\fonttbl" group of the document head into
// State().FontNames and State().FontCharsets (font k at index k) and sets
// State().NonWesternFonts to "yes" when a font uses a character set above
// 2, so that "\'hh" escapes are decoded through a code page:
//
//   ParseFontTable(u"{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
//                  u"{\\f1\\froman\\fcharset204 Times New Roman CYR;}}");
//   // FontCount 2, names "Arial", "Times New Roman CYR", charsets 0, 204
//
// Two forms are read: fonts in braces ("{\fonttbl{\f0 ...;}{\f1 ...;}}")
// and fonts separated by ";" ("{\fonttbl\f0\fswiss Helvetica;}"), whose
// character sets are not read. A head without a font table keeps the
// table of the previous conversion on this thread.
//
// BuildFontSizeMap fills State().FontSizeMap (0..205) with the HTML font
// size for each point size: FontSizeMap[12] is "3", FontSizeMap[36] "8".
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

void BuildFontSizeMap();

// head: the first 20000 characters of the RTF document.
void ParseFontTable(TextView head);

}  // namespace skeinlet::detail
