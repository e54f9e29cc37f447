// The converter state as the driver leaves it just before the walk, for
// calling single handlers.
#pragma once

#include "html2rtf/converter_state.hpp"
#include "html2rtf/html_to_rtf.hpp"

namespace skeinlet::detail {

inline HtmlRtfState& FreshState() {
  HtmlRtfState& s = HtmlRtf();
  ResetForConversion(s);
  SetUpTables(s, 0);
  s.LanguageStack.Redim(0, 0);
  s.LanguageStack[0] = u"EN";
  s.LanguageDepth = 1;
  return s;
}

// What the handlers appended since the last call.
inline Text Emitted() {
  Text out = std::move(HtmlRtf().OutputRtf);
  HtmlRtf().OutputRtf.clear();
  return out;
}

}  // namespace skeinlet::detail
