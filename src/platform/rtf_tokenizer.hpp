// The RTF tokenizer: cuts RTF text into groups, control words, control
// symbols, "\'hh" bytes, binary data and runs of plain text.
//
//   RtfTokenizer tokens(u"{\\rtf1 Caf\\'e9}");
//   RtfToken t;
//   while (tokens.Next(t)) { ... }
//   // GroupOpen, Word "rtf1" (1), Text "Caf", Byte 0xE9, GroupClose
//
// A control word is a run of ASCII letters, then an optional number with an
// optional minus sign; one blank after it belongs to the word. Numbers are
// held to the 32-bit range. "\binN" yields the next N characters (no more
// than are left) as Binary data. Carriage returns, line feeds and NUL
// characters between tokens are dropped. Every character is looked at a
// bounded number of times, so the tokenizer is linear in its input.
#pragma once

#include "text/text.hpp"

#include <cstdint>

namespace skeinlet::detail {

enum class RtfTokenKind : std::uint8_t {
  GroupOpen,
  GroupClose,
  Word,     // name, and param when hasParam
  Symbol,   // a backslash and one other character: \~ \- \_ \* \\ \{ \}
  Byte,     // \'hh
  Text,     // a run of plain characters
  Binary,   // the data of \binN
};

struct RtfToken {
  RtfTokenKind kind = RtfTokenKind::Text;
  TextView text;           // Word: its name; Text and Binary: the characters
  std::int32_t param = 0;
  bool hasParam = false;
  char16_t symbol = 0;     // Symbol
  std::uint8_t byte = 0;   // Byte
};

class RtfTokenizer {
 public:
  explicit RtfTokenizer(TextView rtf) : rtf_(rtf) {}

  // The next token; false at the end of the text.
  bool Next(RtfToken& token);

  std::size_t position() const noexcept { return pos_; }

 private:
  void ReadWord(RtfToken& token);
  TextView rtf_;
  std::size_t pos_ = 0;
};

}  // namespace skeinlet::detail
