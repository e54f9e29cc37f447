// The XHTML converter: a complete HTML document in, a complete XHTML
// document out, on libtidy.
//
//   Text x = TidyDLL_ToXHTML(html);
//   // x starts with the XHTML document type, has a "<body" start tag and
//   // ends with exactly "</body></html>", the 14 characters CutXhtmlTail
//   // removes.
//
// The library's text encoding is UTF-8 on both sides, so every character
// of the document survives the round trip. The result is well-formed XML:
// named entities come out as numeric references, which an XML parser reads
// without the document type's entity definitions.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

// The closing tail of every document TidyDLL_ToXHTML returns.
inline constexpr TextView kXhtmlClosingTail = u"</body></html>";

Text TidyDLL_ToXHTML(TextView html);

// The XHTML converter's two other entry points. The component declares
// them and never calls them, so they have no body.
Text TidyDLL_CleanHTML(TextView html);
Text TidyDLL_ParseHTML(TextView html);

}  // namespace skeinlet::detail
