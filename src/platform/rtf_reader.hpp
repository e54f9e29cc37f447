// The RTF reader of the rich text control: RTF text in, document model out.
//
//   RtfDocument doc = ReadRtf(u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hi\\par}");
//   // doc.body: one paragraph with the run "Hi" in Arial
//
// The reader never fails on bad input: unbalanced braces, a text that ends
// inside a group, huge numbers, "\binN" beyond the end, unknown code pages
// and stray NUL characters give the text that could be read. Groups are
// kept on an explicit stack, so nesting depth costs memory, not call depth,
// and every input character is handled a bounded number of times.
#pragma once

#include "platform/rtf_document.hpp"
#include "text/text.hpp"

namespace skeinlet::detail {

// True when the text, after leading blanks and line breaks, starts as an
// RTF document ("{\rtf"); anything else is loaded as plain text.
bool LooksLikeRtf(TextView text) noexcept;

RtfDocument ReadRtf(TextView rtf);

// Plain text as the control holds it: one paragraph per line (CR LF, CR or
// LF end a line), TAB kept, everything in the control's default font, "MS
// Sans Serif" at 8.5 points.
RtfDocument DocumentFromPlainText(TextView text);

// The control's default font and size.
FontEntry DefaultControlFont();
inline constexpr int kDefaultControlSize = 17;  // half-points

}  // namespace skeinlet::detail
