#include "platform/rtf_tokenizer.hpp"

#include <algorithm>
#include <limits>

namespace skeinlet::detail {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSkipped(char16_t c) { return c == u'\r' || c == u'\n' || c == 0; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool RtfTokenizer::Next(RtfToken& token) {
  const std::size_t n = rtf_.size();
  while (pos_ < n && IsSkipped(rtf_[pos_])) ++pos_;
  if (pos_ >= n) return false;
  token.hasParam = false;
  token.param = 0;
  const char16_t c = rtf_[pos_];
  if (c == u'{' || c == u'}') {
    token.kind = c == u'{' ? RtfTokenKind::GroupOpen : RtfTokenKind::GroupClose;
    ++pos_;
    return true;
  }
  if (c != u'\\') {
    const std::size_t start = pos_;
    while (pos_ < n) {
      const char16_t d = rtf_[pos_];
      if (d == u'\\' || d == u'{' || d == u'}' || IsSkipped(d)) break;
      ++pos_;
    }
    token.kind = RtfTokenKind::Text;
    token.text = rtf_.substr(start, pos_ - start);
    return true;
  }
  // A backslash.
  ++pos_;
  if (pos_ >= n) return false;  // a lone backslash at the very end
  const char16_t d = rtf_[pos_];
  if (IsLetter(d)) {
    ReadWord(token);
    return true;
  }
  if (d == u'\r' || d == u'\n') {
    // A backslash before a line end is a paragraph mark.
    ++pos_;
    token.kind = RtfTokenKind::Word;
    token.text = u"par";
    return true;
  }
  if (d == u'\'' && pos_ + 2 < n && HexValue(rtf_[pos_ + 1]) >= 0 &&
      HexValue(rtf_[pos_ + 2]) >= 0) {
    token.kind = RtfTokenKind::Byte;
    token.byte = static_cast<std::uint8_t>(HexValue(rtf_[pos_ + 1]) * 16 + HexValue(rtf_[pos_ + 2]));
    pos_ += 3;
    return true;
  }
  token.kind = RtfTokenKind::Symbol;
  token.symbol = d;
  ++pos_;
  return true;
}

void RtfTokenizer::ReadWord(RtfToken& token) {
  const std::size_t n = rtf_.size();
  const std::size_t start = pos_;
  while (pos_ < n && IsLetter(rtf_[pos_])) ++pos_;
  token.kind = RtfTokenKind::Word;
  token.text = rtf_.substr(start, pos_ - start);
  const bool negative = pos_ + 1 < n && rtf_[pos_] == u'-' && IsDigit(rtf_[pos_ + 1]);
  if (negative) ++pos_;
  if (pos_ < n && IsDigit(rtf_[pos_])) {
    // Held to 32 bits: a longer number keeps the nearest end of the range.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    while (pos_ < n && IsDigit(rtf_[pos_])) {
      if (value <= kLimit) value = value * 10 + (rtf_[pos_] - u'0');
      ++pos_;
    }
    if (value > kLimit) value = kLimit;
    token.hasParam = true;
    token.param = static_cast<std::int32_t>(negative ? -value : value);
  }
  if (pos_ < n && rtf_[pos_] == u' ') ++pos_;
  if (token.text == u"bin" && token.hasParam && token.param > 0) {
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(token.param), n - pos_);
    token.kind = RtfTokenKind::Binary;
    token.text = rtf_.substr(pos_, length);
    pos_ += length;
  }
}

}  // namespace skeinlet::detail
