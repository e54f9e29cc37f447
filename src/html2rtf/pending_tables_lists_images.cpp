// The image handler of HTMLRTFConverter is not written yet: IMG tags are
// offered to it and nothing is emitted.
#include "html2rtf/html_to_rtf.hpp"

namespace skeinlet::detail {


void InsertImage(const Text&, const Text&) {}

}  // namespace skeinlet::detail
