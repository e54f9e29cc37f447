// NormaliseRTF: rewrites the RTF of the document body into a few
// predictable shapes, cuts it into runs at every "\plain\" and hands each
// run to ConvertRTFRun, which appends its HTML to State().HtmlOut.
//
//   Text copy = rtf;
//   NormaliseRTF(copy);          // State().HtmlOut now holds the body
//
// A failing statement is skipped and the next one runs; an error inside
// one run abandons that run only.
#pragma once

#include "text/text.hpp"

#include <functional>

namespace skeinlet::detail {

void NormaliseRTF(Text& rtf);

// Upper-cases each span between "\caps " and "\caps0 " and removes both
// markers: "a\caps Sample\caps0 b" -> "aSAMPLEb".
Text ExpandCaps(Text rtf);

// Converts one run (the text after a "\plain\" boundary up to the next)
// and appends its HTML to State().HtmlOut.
void ConvertRTFRun(Text& run);

// The rule blocks, each rewriting the whole text in place, named by their
// labels: P pictures and objects, G generator groups, L lists and bullets,
// H heading numbers, S, T, F, B, D tables, borders and font sizes.
void StageP1(Text& rtf);  // picture and object removal
void StageP2(Text& rtf);  // picture extraction
void StageP3(Text& rtf);  // picture marking
void StageP4(Text& rtf);  // object unwrapping
void StageP5(Text& rtf);  // braces after a picture placeholder
void BlockG1(Text& rtf);
void BlockL1(Text& rtf);
void BlockL2(Text& rtf);
void BlockS1(Text& rtf);
void BlockL3(Text& rtf);
void BlockT1(Text& rtf);
void BlockL4(Text& rtf);
void BlockF1(Text& rtf);
void BlockL5(Text& rtf);
void BlockL6(Text& rtf);
void BlockL7(Text& rtf);
void BlockL8(Text& rtf);
void BlockL9(Text& rtf);
void BlockH1(Text& rtf);
void BlockL10(Text& rtf);
void BlockB1(Text& rtf);
void BlockT2(Text& rtf);
void BlockH2(Text& rtf);
void BlockG2(Text& rtf);
void BlockT3(Text& rtf);
void BlockL11(Text& rtf);
void BlockL12(Text& rtf);
void BlockL13(Text& rtf);
void BlockD1(Text& rtf);
void BlockB2(Text& rtf);
void BlockF2(Text& rtf);

// Step 19: every paragraph starts a run; literal "\\plain\\" and
// "\\pard\\" of the document text are protected.
void MarkRunBoundaries(Text& rtf);

// Step 24: cuts the text into runs at every "\plain\" (case-sensitive)
// from `start` (ColourTableEnd, measured on the document head before the
// rewriting and applied unchanged) and converts each, in order. A run ends
// before the backslash of its boundary and the next one starts after it,
// so that backslash belongs to neither and every run after the first
// begins with "plain\". An error in one run abandons that run only.
void CutRuns(const Text& rtf, Pos start,
             const std::function<void(Text& run)>& convert);

}  // namespace skeinlet::detail
