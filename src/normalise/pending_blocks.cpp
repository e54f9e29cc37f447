// The rule blocks of the normalisation that have not been transcribed yet.
// Each leaves the text as it is; the picture, list and table work moves
// each one into its own file with its rule tables.
#include "normalise/normalise_rtf.hpp"

namespace skeinlet::detail {

void StageP1(Text&) {}
void StageP2(Text&) {}
void StageP3(Text&) {}
void StageP4(Text&) {}
void StageP5(Text&) {}
void BlockG1(Text&) {}
void BlockL1(Text&) {}
void BlockL2(Text&) {}
void BlockS1(Text&) {}
void BlockL3(Text&) {}
void BlockT1(Text&) {}
void BlockL4(Text&) {}
void BlockF1(Text&) {}
void BlockL5(Text&) {}
void BlockL6(Text&) {}
void BlockL7(Text&) {}
void BlockL8(Text&) {}
void BlockL9(Text&) {}
void BlockH1(Text&) {}
void BlockL10(Text&) {}
void BlockB1(Text&) {}
void BlockT2(Text&) {}
void BlockH2(Text&) {}
void BlockG2(Text&) {}
void BlockT3(Text&) {}
void BlockL11(Text&) {}
void BlockL12(Text&) {}
void BlockL13(Text&) {}
void BlockD1(Text&) {}
void BlockB2(Text&) {}
void BlockF2(Text&) {}

}  // namespace skeinlet::detail
