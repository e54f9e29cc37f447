// The list blocks L1 to L13, H1 and H2 of the normalisation, not transcribed
// yet: each leaves the text as it is.
#include "normalise/normalise_rtf.hpp"

namespace skeinlet::detail {

void BlockL1(Text&) {}
void BlockL2(Text&) {}
void BlockL3(Text&) {}
void BlockL4(Text&) {}
void BlockL5(Text&) {}
void BlockL6(Text&) {}
void BlockL7(Text&) {}
void BlockL8(Text&) {}
void BlockL9(Text&) {}
void BlockH1(Text&) {}
void BlockL10(Text&) {}
void BlockH2(Text&) {}
void BlockL11(Text&) {}
void BlockL12(Text&) {}
void BlockL13(Text&) {}

}  // namespace skeinlet::detail
