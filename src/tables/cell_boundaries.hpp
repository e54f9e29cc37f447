// MarkCellBoundaries: every cell boundary word of an RTF row ("\cellx"
// and its number) becomes the marker "\ÎôÎôÎô", which the run converter
// turns into row and cell tags.
//
//   MarkCellBoundaries(u"\\trowd\\cellx1440\\cellx2880\\pard")
//     -> u"\\trowd\\ÎôÎôÎô\\ÎôÎôÎô\\pard"
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

inline constexpr TextView CellBoundaryMark = u"\\ÎôÎôÎô";

Text MarkCellBoundaries(Text rtf);

}  // namespace skeinlet::detail
