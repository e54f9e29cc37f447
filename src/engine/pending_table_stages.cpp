// The table stages, not transcribed yet: each leaves
// HtmlOut as it is. Each moves into its own file with its rule series.
#include "engine/rtf_to_html.hpp"

namespace skeinlet::detail {

void Stage09CellWidthTables(EngineCall&) {}
void Stage10TableFontOrder(EngineCall&) {}
void Stage11LoneTableClose(EngineCall&) {}
void Stage13RowEmphasisAndRepair(EngineCall&) {}
void Stage14LeftoverMarkers(EngineCall&) {}
void Stage25CellFormatting(EngineCall&) {}

}  // namespace skeinlet::detail
