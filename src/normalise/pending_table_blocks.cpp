// The table blocks G1, S1, T1, F1, B1, T2, G2, T3, D1, B2 and F2 of the normalisation, not transcribed
// yet: each leaves the text as it is.
#include "normalise/normalise_rtf.hpp"

namespace skeinlet::detail {

void BlockG1(Text&) {}
void BlockS1(Text&) {}
void BlockT1(Text&) {}
void BlockF1(Text&) {}
void BlockB1(Text&) {}
void BlockT2(Text&) {}
void BlockG2(Text&) {}
void BlockT3(Text&) {}
void BlockD1(Text&) {}
void BlockB2(Text&) {}
void BlockF2(Text&) {}

}  // namespace skeinlet::detail
