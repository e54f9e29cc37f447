// Windows code pages for the rich text control, on iconv.
//
// The RTF reader decodes "\'hh" bytes and 8-bit text through a
// CodePageDecoder chosen by \ansicpg, \fcharset or \cpg; the writer encodes
// characters back into the code page of a run's font with a CodePageEncoder.
//
//   CodePageDecoder cp(932);
//   Text out;
//   cp.Decode("\x82\xa0", out);         // out == u"\u3042"
//   cp.IsLeadByte(0x82);               // true: 932 is a double-byte page
//
// A code page that iconv does not know, or a number that names no code page
// at all, falls back to 1252, so a damaged document still reads.
#pragma once

#include "text/text.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace skeinlet::detail {

inline constexpr int kDefaultCodePage = 1252;

// The code page of an RTF font character set (\fcharsetN); 0 for the
// default set (1), which means "the document's code page", and for sets
// that have no code page of their own.
int CodePageOfCharset(int charset) noexcept;

// The character set that goes with a code page, for fonts the writer makes
// up; 0 (ANSI) when there is none.
int CharsetOfCodePage(int codePage) noexcept;

// True when iconv can convert the code page; the reader uses this to turn a
// damaged \ansicpg into the default.
bool CodePageAvailable(int codePage);

class CodePageDecoder {
 public:
  explicit CodePageDecoder(int codePage);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  int codePage() const noexcept { return codePage_; }
  bool doubleByte() const noexcept { return doubleByte_; }
  // A byte that starts a two-byte character of a double-byte page.
  bool IsLeadByte(unsigned char byte) const noexcept { return lead_[byte]; }

  // Appends the characters of `bytes`. A byte that does not decode becomes
  // U+FFFD; a lead byte without its second byte at the end is dropped.
  void Decode(std::string_view bytes, Text& out);

 private:
  int codePage_;
  bool doubleByte_ = false;
  std::array<char16_t, 256> single_{};
  std::array<bool, 256> lead_{};
  void* iconv_ = nullptr;  // double-byte pages only
  std::unordered_map<std::uint16_t, Text> pairs_;
};

class CodePageEncoder {
 public:
  explicit CodePageEncoder(int codePage);
  ~CodePageEncoder();
  CodePageEncoder(const CodePageEncoder&) = delete;
  CodePageEncoder& operator=(const CodePageEncoder&) = delete;

  int codePage() const noexcept { return codePage_; }
  // Appends the bytes of `c` in the code page and returns true, or returns
  // false when the code page has no such character. ASCII always encodes as
  // itself.
  bool Encode(char16_t c, std::string& bytes);

 private:
  int codePage_;
  bool doubleByte_ = false;
  std::unordered_map<char16_t, std::uint16_t> single_;  // char -> byte
  void* iconv_ = nullptr;
  std::unordered_map<char16_t, std::string> cache_;
};

}  // namespace skeinlet::detail
