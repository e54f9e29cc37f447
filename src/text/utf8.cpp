// UTF-8 at the edge of the public surface.
#include <skeinlet/convert.hpp>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skeinlet {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) noexcept { return (c & 0xC0) == 0x80; }

}  // namespace

Text FromUtf8(std::string_view utf8) {
  // No sequence gives more units than it has bytes (four bytes give two),
  // so the text is made at the byte count and cut to what was written.
  Text out(utf8.size(), u'\0');
  char16_t* put = out.data();
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    // Sixteen ASCII bytes at a time become sixteen units.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16, put += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      if (_mm_movemask_epi8(v) != 0) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(put), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(put + 8), _mm_unpackhi_epi8(v, zero));
    }
    if (i == n) break;
#endif
    const unsigned char c = s[i];
    if (c < 0x80) {
      *put++ = c;
      ++i;
      continue;
    }
    // Lead byte: expected length and the bounds of the second byte that
    // exclude overlong forms, surrogates and values beyond U+10FFFF.
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      *put++ = kReplacement;
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < len; ++k) {
      if (i + k >= n) break;
      const unsigned char b = s[i + k];
      if (k == 1 ? (b < lo || b > hi) : !IsContinuation(b)) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (k < len) {
      // A truncated or broken sequence is one replacement character; the
      // byte that broke it starts the next sequence.
      *put++ = kReplacement;
      i += k;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *put++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *put++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *put++ = static_cast<char16_t>(cp);
    }
    i += len;
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
  return out;
}

namespace {

// Appends text[i...] as bytes while it is ASCII, sixteen units at a time,
// and returns where it stopped (i itself when the next sixteen are not all
// ASCII or fewer are left).
std::size_t AppendAsciiBlocks(std::string& out, TextView text, std::size_t i) {
  char block[16];
  for (; i + 16 <= text.size(); i += 16) {
    char16_t seen = 0;
    for (std::size_t k = 0; k < 16; ++k) {
      seen |= text[i + k];
      block[k] = static_cast<char>(text[i + k]);
    }
    if (seen >= 0x80) break;
    out.append(block, 16);
  }
  return i;
}

}  // namespace

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  const std::size_t n = text.size();
  std::size_t blockFrom = 0;  // no block is tried again before a failed one ends
  for (std::size_t i = 0; i < n; ++i) {
    if (i >= blockFrom && text[i] < 0x80) {
      const std::size_t after = AppendAsciiBlocks(out, text, i);
      if (after == n) break;
      if (after != i) {
        i = after - 1;
        continue;
      }
      blockFrom = i + 16;
    }
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace skeinlet
