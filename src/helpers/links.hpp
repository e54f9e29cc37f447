// Addresses to anchors: web addresses, file paths and e-mail addresses in
// the document HTML, the wrapped "&lt;mailto:" and "&lt;file:" forms, and
// underlined link text followed by its bracketed address.
//
// The scan tables (LinkPrefixes, LinkTerminators) are per-thread state,
// filled by the Build routines before a scan.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

void BuildLinkPrefixes();
void BuildLinkTerminators();
void BuildWrappedLinkPrefixes();
void BuildWrappedLinkTerminators();

// These rewrite the document HTML in place.
void LinkWebAddresses(Text& html);
void LinkWrappedAddresses(Text& html);
void LinkEmailAddresses(Text& html);

// These return the rewritten HTML.
Text TidyUnderlinedLinks(Text html);
Text LinkUnderlinedAddresses(Text html);

}  // namespace skeinlet::detail
