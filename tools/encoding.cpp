#include "encoding.hpp"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skeinlet::cli {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct Utf8Step {
  char32_t code;     // valid only when ok
  std::size_t size;  // bytes consumed; on failure the ill-formed prefix
  bool ok;
};

constexpr bool IsContinuation(unsigned char b) noexcept {
  return (b & 0xC0) == 0x80;
}

// Decodes the sequence at bytes[i]. The range of the second byte is
// narrowed for E0, ED, F0 and F4 so that overlong forms, surrogates and
// values above U+10FFFF are rejected at the earliest byte.
Utf8Step Step(std::string_view bytes, std::size_t i) noexcept {
  const auto at = [&](std::size_t k) {
    return static_cast<unsigned char>(bytes[k]);
  };
  const unsigned char b0 = at(i);
  if (b0 < 0x80) return {b0, 1, true};

  std::size_t need;
  char32_t code;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    code = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    code = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    code = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {0, 1, false};
  }

  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= bytes.size()) return {0, k, false};
    const unsigned char b = at(i + k);
    if (k == 1 ? (b < lo || b > hi) : !IsContinuation(b)) return {0, k, false};
    code = (code << 6) | (b & 0x3F);
  }
  return {code, k, true};
}

// The first byte at or after `i` that is not ASCII, eight bytes at a time:
// most documents are ASCII all through.
std::size_t AsciiEnd(std::string_view bytes, std::size_t i) noexcept {
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

std::optional<InputEncoding> ParseInputEncoding(std::string_view name) {
  if (name == "utf-8") return InputEncoding::Utf8;
  if (name == "cp1252") return InputEncoding::Cp1252;
  return std::nullopt;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
  for (std::size_t i = 0;;) {
    i = AsciiEnd(bytes, i);
    if (i == bytes.size()) break;
    const Utf8Step s = Step(bytes, i);
    if (!s.ok) return false;
    i += s.size;
  }
  return true;
}

Text DecodeUtf8(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

Text DecodeCp1252(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80]
                                         : static_cast<char16_t>(b));
  }
  return out;
}

Text DecodeInput(std::string_view bytes, InputEncoding encoding) {
  switch (encoding) {
    case InputEncoding::Utf8:
      return DecodeUtf8(bytes);
    case InputEncoding::Cp1252:
      return DecodeCp1252(bytes);
    case InputEncoding::Auto:
      break;
  }
  return IsValidUtf8(bytes) ? DecodeUtf8(bytes) : DecodeCp1252(bytes);
}

std::optional<unsigned char> Cp1252Byte(char16_t unit) noexcept {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
    return static_cast<unsigned char>(unit);
  }
  for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
    if (kCp1252High[k] == unit) return static_cast<unsigned char>(0x80 + k);
  }
  return std::nullopt;
}

std::string EncodeRtfCp1252(TextView text) {
  std::string out;
  out.reserve(text.size());
  char block[16];
  std::size_t blockFrom = 0;  // no block is tried again before a failed one ends
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Sixteen ASCII units at a time while they last.
    if (i >= blockFrom && i + 16 <= text.size()) {
#if defined(__SSE2__)
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 8));
      const __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80)));
      const bool ascii = _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
      if (ascii) _mm_storeu_si128(reinterpret_cast<__m128i*>(block), _mm_packus_epi16(a, b));
#else
      char16_t seen = 0;
      for (std::size_t k = 0; k < 16; ++k) {
        seen |= text[i + k];
        block[k] = static_cast<char>(text[i + k]);
      }
      const bool ascii = seen < 0x80;
#endif
      if (ascii) {
        out.append(block, 16);
        i += 15;
        continue;
      }
      blockFrom = i + 16;
    }
    const char16_t unit = text[i];
    if (const auto byte = Cp1252Byte(unit)) {
      out.push_back(static_cast<char>(*byte));
    } else {
      out += "\\u";
      out += std::to_string(static_cast<std::int16_t>(unit));
      out += '?';
    }
  }
  return out;
}

}  // namespace skeinlet::cli
