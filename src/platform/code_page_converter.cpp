#include "platform/code_page_converter.hpp"

#include "text/errors.hpp"

#include <memory>
#include <string>

namespace skeinlet::detail {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool Supported(int codePage) {
  switch (codePage) {
    case 874: case 932: case 936: case 949: case 950: case 1250: case 1251:
    case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
      return true;
    default:
      return false;
  }
}

// Decodes a stretch of bytes. A lead byte of a double-byte page left
// without its trail byte at the end is one replacement character.
void DecodeBytes(CodePageDecoder& decoder, std::string& bytes, Text& out) {
  if (bytes.empty()) return;
  decoder.Decode(bytes, out);
  if (decoder.doubleByte()) {
    std::size_t i = 0;
    while (i < bytes.size())
      i += decoder.IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i > bytes.size()) out.push_back(kReplacement);
  }
  bytes.clear();
}

}  // namespace

CodePageConverter::CodePageConverter() = default;
CodePageConverter::~CodePageConverter() = default;

CodePageDecoder& CodePageConverter::Open(int codePage) {
  if (!Supported(codePage)) RaiseError(Error::kInvalidCall);
  std::unique_ptr<CodePageDecoder>& decoder = decoders_[codePage];
  if (!decoder) decoder = std::make_unique<CodePageDecoder>(codePage);
  return *decoder;
}

Text CodePageConverter::Decode(int codePage, TextView escapes) {
  CodePageDecoder& cd = Open(codePage);
  Text out;
  std::string bytes;
  const std::size_t n = escapes.size();
  for (std::size_t i = 0; i < n;) {
    if (escapes[i] == u'\\' && i + 3 < n && escapes[i + 1] == u'\'' &&
        HexValue(escapes[i + 2]) >= 0 && HexValue(escapes[i + 3]) >= 0) {
      bytes.push_back(static_cast<char>(HexValue(escapes[i + 2]) * 16 + HexValue(escapes[i + 3])));
      i += 4;
      continue;
    }
    DecodeBytes(cd, bytes, out);
    out.push_back(escapes[i++]);
  }
  DecodeBytes(cd, bytes, out);
  return out;
}

}  // namespace skeinlet::detail
