// RichTextBox: the rich text control behind the clean-up round trip, the
// plain-text conversions and the page header conversion.
//
//   RichTextBox box;
//   box.SetTextRTF(rtf);          // load an RTF document
//   Text cleaned = box.TextRTF(); // the control's own rewrite of it
//   Text plain = box.GetText();   // its plain text
//
//   box.SetText(u"one\r\ntwo");   // load plain text ...
//   Text rtf = box.TextRTF();     // ... as RTF in "MS Sans Serif" \fs17
//
// Writing TextRTF with a text that is not RTF loads it as plain text, as
// the control does. Loading never fails: a damaged document gives the
// content that could be read.
#pragma once

#include "platform/rtf_document.hpp"
#include "text/text.hpp"

namespace skeinlet::detail {

class RichTextBox {
 public:
  RichTextBox();

  // The TextRTF property.
  void SetTextRTF(TextView rtf);
  Text TextRTF() const;

  // The Text property.
  void SetText(TextView text);
  Text GetText() const;
  // The Text property, read for the last time: the control is left empty.
  Text TakeText();

  const RtfDocument& document() const noexcept { return doc_; }

 private:
  RtfDocument doc_;
  // The length of what was last loaded: the rewrite is about as long, and
  // its buffer is sized from it once rather than grown by doubling.
  std::size_t sourceLength_ = 0;
};

}  // namespace skeinlet::detail
