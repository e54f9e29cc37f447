// The HTML stages that have not been transcribed yet. Each leaves HtmlOut
// as it is; the clean-up, link, table and list work moves each one into
// its own file with its rule series.
#include "engine/rtf_to_html.hpp"

namespace skeinlet::detail {

void Stage05FirstCleanup(EngineCall&) {}
void Stage06Links(EngineCall&) {}
void Stage07Placeholders(EngineCall&) {}
void Stage08MarkupCleanupFirst(EngineCall&) {}
void Stage09CellWidthTables(EngineCall&) {}
void Stage10TableFontOrder(EngineCall&) {}
void Stage11LoneTableClose(EngineCall&) {}
void Stage12MarkupCleanupSecond(EngineCall&) {}
void Stage13RowEmphasisAndRepair(EngineCall&) {}
void Stage14LeftoverMarkers(EngineCall&) {}
void Stage15NumberedIndentation(EngineCall&) {}
void Stage16BulletFixups(EngineCall&) {}
void Stage17LinkMarkup(EngineCall&) {}
void Stage18DefaultFont(EngineCall&) {}
void Stage19ListCleanupFirst(EngineCall&) {}
void Stage20SectionSignBullets(EngineCall&) {}
void Stage21ListCleanupSecond(EngineCall&) {}
void Stage22BoldNumberedLists(EngineCall&) {}
void Stage23ListCleanupThird(EngineCall&) {}
void Stage24NumberedIndentationLast(EngineCall&) {}
void Stage25CellFormatting(EngineCall&) {}
void Stage26FinalCleanupEntities(EngineCall&) {}
void Stage27TrailingEmptyCells(EngineCall&) {}
void Stage28QuotesSpacersCellWidths(EngineCall&) {}

}  // namespace skeinlet::detail
