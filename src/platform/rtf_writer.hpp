// The RTF writer of the rich text control and its plain-text rendering.
//
// WriteRtf writes the control's own dialect:
//
//   {\rtf1\ansi\ansicpg1252\deff0\deflang1033{\fonttbl{\f0\fswiss\fcharset0 Arial;}}
//   {\colortbl ;\red255\green0\blue0;}
//   \viewkind4\uc1\pard\cf1\f0\fs20 Red text\cf0  and black\par
//   }
//
// (each line ending in CR LF). The font table holds the fonts the text
// uses, in the order of first use; the colour table, written only when a
// colour is used, likewise. Paragraph formatting is written after "\pard"
// when it differs from the previous paragraph's, character formatting as
// the changes from the previous run. Characters of the run font's code
// page are written as "\'hh", others as "\uN?".
//
// PlainText gives the text of the document: CR LF between paragraphs, TAB
// for tabs and between the cells of a row, CR LF for line breaks and at the
// end of each row. Hidden text, pictures and number texts are left out.
#pragma once

#include "platform/rtf_document.hpp"
#include "text/text.hpp"

#include <cstddef>

namespace skeinlet::detail {

// `expectedLength` is what the caller expects the RTF to run to (the length
// of the RTF the document was read from, say); the output buffer is made
// that large, with some room over, at the start. A wrong guess costs only
// speed or untouched address space, never a different result.
Text WriteRtf(const RtfDocument& doc, std::size_t expectedLength = 0);

// `expectedLength` as for WriteRtf: the plain text of an RTF document is
// no longer than the RTF itself.
Text PlainText(const RtfDocument& doc, std::size_t expectedLength = 0);
// The same, releasing the document as it is read: `doc` is left empty. The
// plain text is the last thing a conversion to text needs of the document,
// so the memory of its pieces goes back as the text takes its own.
Text TakePlainText(RtfDocument& doc, std::size_t expectedLength = 0);

}  // namespace skeinlet::detail
