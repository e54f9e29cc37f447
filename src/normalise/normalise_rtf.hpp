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

#include "text/rules.hpp"
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
void StageP5(IndexedText& rtf);  // braces after a picture placeholder
void BlockG1(IndexedText& rtf);
void BlockL1(IndexedText& rtf);
void BlockL2(IndexedText& rtf);
void BlockS1(IndexedText& rtf);
void BlockL3(IndexedText& rtf);
void BlockT1(IndexedText& rtf);
void BlockL4(IndexedText& rtf);
void BlockF1(IndexedText& rtf);
void BlockL5(IndexedText& rtf);
void BlockL6(IndexedText& rtf);
void BlockL7(IndexedText& rtf);
void BlockL8(IndexedText& rtf);
void BlockL9(IndexedText& rtf);
void BlockH1(IndexedText& rtf);
void BlockL10(IndexedText& rtf);
void BlockB1(IndexedText& rtf);
void BlockT2(IndexedText& rtf);
void BlockH2(IndexedText& rtf);
void BlockG2(IndexedText& rtf);
void BlockT3(IndexedText& rtf);
void BlockL11(IndexedText& rtf);
void BlockL12(IndexedText& rtf);
void BlockL13(IndexedText& rtf);
void BlockD1(IndexedText& rtf);
void BlockB2(IndexedText& rtf);
void BlockF2(IndexedText& rtf);

// Step 19: every paragraph starts a run; literal "\\plain\\" and
// "\\pard\\" of the document text are protected.
void MarkRunBoundaries(IndexedText& rtf);

// Step 24: cuts the text into runs at every "\plain\" (case-sensitive)
// from `start` (ColourTableEnd, measured on the document head before the
// rewriting and applied unchanged) and converts each, in order. A run ends
// before the backslash of its boundary and the next one starts after it,
// so that backslash belongs to neither and every run after the first
// begins with "plain\". An error in one run abandons that run only.
void CutRuns(const Text& rtf, Pos start,
             const std::function<void(Text& run)>& convert);

}  // namespace skeinlet::detail
