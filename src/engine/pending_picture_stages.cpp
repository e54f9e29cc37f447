// The first clean-up, link, picture placeholder, link markup and default font
// stages, not transcribed yet: each leaves
// HtmlOut as it is. Each moves into its own file with its rule series.
#include "engine/rtf_to_html.hpp"

namespace skeinlet::detail {

void Stage05FirstCleanup(EngineCall&) {}
void Stage06Links(EngineCall&) {}
void Stage07Placeholders(EngineCall&) {}
void Stage17LinkMarkup(EngineCall&) {}
void Stage18DefaultFont(EngineCall&) {}

}  // namespace skeinlet::detail
