#include "platform/rich_text_box.hpp"

#include "platform/rtf_reader.hpp"
#include "platform/rtf_writer.hpp"

namespace skeinlet::detail {

// A new control holds one empty paragraph in its default font.
RichTextBox::RichTextBox() : doc_(DocumentFromPlainText(u"")) {}

void RichTextBox::SetTextRTF(TextView rtf) {
  doc_ = ReadRtf(rtf);
  sourceLength_ = rtf.size();
}

Text RichTextBox::TextRTF() const { return WriteRtf(doc_, sourceLength_); }

void RichTextBox::SetText(TextView text) {
  doc_ = DocumentFromPlainText(text);
  sourceLength_ = text.size();
}

Text RichTextBox::GetText() const { return PlainText(doc_, sourceLength_); }

Text RichTextBox::TakeText() {
  Text text = TakePlainText(doc_, sourceLength_);
  doc_ = DocumentFromPlainText(u"");
  return text;
}

}  // namespace skeinlet::detail
