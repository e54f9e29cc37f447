// The whole-text passes of HTMLRTFConverter that run before the walk are not
// written yet: each leaves the text as it is, no style sheet is read, and
// every document is taken to be in the Western character set and not to come
// from a word processor.
#include "html2rtf/html_to_rtf.hpp"

namespace skeinlet::detail {

void CleanWordHtml(Text&) {}

}  // namespace skeinlet::detail
