#include "platform/code_page_converter.hpp"

#include "text/errors.hpp"

#include <iconv.h>

#include <cerrno>
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

// Decodes a stretch of bytes; a byte that cannot start a character is one
// replacement character and decoding goes on after it.
void DecodeBytes(iconv_t cd, std::string& bytes, Text& out) {
  if (bytes.empty()) return;
  char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  char16_t buffer[512];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    std::size_t outLeft = sizeof buffer;
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, (sizeof buffer - outLeft) / sizeof(char16_t));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or an incomplete sequence at the end.
      out.push_back(kReplacement);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  // Flush what a stateful code page still holds.
  char* outPtr = reinterpret_cast<char*>(buffer);
  std::size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, (sizeof buffer - outLeft) / sizeof(char16_t));
  bytes.clear();
}

}  // namespace

CodePageConverter::~CodePageConverter() {
  for (auto& [page, handle] : handles_)
    iconv_close(static_cast<iconv_t>(handle));
}

void* CodePageConverter::Open(int codePage) {
  if (!Supported(codePage)) RaiseError(Error::kInvalidCall);
  auto found = handles_.find(codePage);
  if (found != handles_.end()) return found->second;
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    RaiseError(Error::kCannotCreateObject, Error::kDefaultSource,
               Error::StandardDescription(Error::kCannotCreateObject) +
                   ": no converter for code page " + std::to_string(codePage));
  handles_.emplace(codePage, cd);
  return cd;
}

Text CodePageConverter::Decode(int codePage, TextView escapes) {
  iconv_t cd = static_cast<iconv_t>(Open(codePage));
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
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
