// The address scanners are not written yet: each leaves the HTML as it is.
#include "helpers/links.hpp"

namespace skeinlet::detail {

void BuildLinkPrefixes() {}
void BuildLinkTerminators() {}
void BuildWrappedLinkPrefixes() {}
void BuildWrappedLinkTerminators() {}
void LinkWebAddresses(Text&) {}
void LinkWrappedAddresses(Text&) {}
void LinkEmailAddresses(Text&) {}
Text TidyUnderlinedLinks(Text html) { return html; }
Text LinkUnderlinedAddresses(Text html) { return html; }

}  // namespace skeinlet::detail
