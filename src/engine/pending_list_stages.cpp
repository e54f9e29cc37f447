// The list and numbering stages, not transcribed yet: each leaves
// HtmlOut as it is. Each moves into its own file with its rule series.
#include "engine/rtf_to_html.hpp"

namespace skeinlet::detail {

void Stage15NumberedIndentation(EngineCall&) {}
void Stage16BulletFixups(EngineCall&) {}
void Stage19ListCleanupFirst(EngineCall&) {}
void Stage20SectionSignBullets(EngineCall&) {}
void Stage21ListCleanupSecond(EngineCall&) {}
void Stage22BoldNumberedLists(EngineCall&) {}
void Stage23ListCleanupThird(EngineCall&) {}
void Stage24NumberedIndentationLast(EngineCall&) {}

}  // namespace skeinlet::detail
