// FixXhtmlLists: after the XHTML converter, joins attribute values it
// wrapped onto a new line, turns every line feed into CR LF, collapses list
// closings separated only by line breaks, blanks or "<br />", and takes the
// "list-style: none" style off list items.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

// Rewrites `text` in place and returns the result.
Text FixXhtmlLists(Text& text);

}  // namespace skeinlet::detail
