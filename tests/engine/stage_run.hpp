// Runs one stage of RtfToHtml over a given HtmlOut, with the engine's
// eleven arguments at their defaults (shared by the stage tests).
#pragma once

#include "engine/rtf_to_html.hpp"
#include "engine/state.hpp"

namespace skeinlet::detail::testing {

struct StageRun {
  Text rtf, title, colour = u"FFFFFF", generator, links, debug, images, folder,
      format, name, mode = u"no";
  ConversionState state;
  EngineCall call{rtf, title, colour, generator, links, debug, images,
                  folder, format, name, mode, state};

  Text Run(void (*stage)(EngineCall&), Text html) {
    state.HtmlOut = std::move(html);
    call.Html.Edited();
    stage(call);
    return state.HtmlOut;
  }
};

// n non-breaking space entities.
inline Text Nbsp(int n) { return Repeat(u"&nbsp;", n); }

}  // namespace skeinlet::detail::testing
