// The markup clean-up series and the final clean-up stages, not transcribed yet: each leaves
// HtmlOut as it is. Each moves into its own file with its rule series.
#include "engine/rtf_to_html.hpp"

namespace skeinlet::detail {

void Stage08MarkupCleanupFirst(EngineCall&) {}
void Stage12MarkupCleanupSecond(EngineCall&) {}
void Stage26FinalCleanupEntities(EngineCall&) {}
void Stage27TrailingEmptyCells(EngineCall&) {}
void Stage28QuotesSpacersCellWidths(EngineCall&) {}

}  // namespace skeinlet::detail
