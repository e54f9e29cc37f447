// The picture and object steps P1 to P5 of the normalisation, not transcribed
// yet: each leaves the text as it is.
#include "normalise/normalise_rtf.hpp"

namespace skeinlet::detail {

void StageP1(Text&) {}
void StageP2(Text&) {}
void StageP3(Text&) {}
void StageP4(Text&) {}
void StageP5(Text&) {}

}  // namespace skeinlet::detail
