#include "platform/jpeg_tables.hpp"

#include <cstddef>

namespace skeinlet::detail {
namespace {

unsigned ByteAt(std::string_view s, std::size_t at) noexcept {
  return at < s.size() ? static_cast<unsigned char>(s[at]) : 0u;  // the decoder reads 0 past the end
}

// The tables of one DHT segment whose length field is at `at`; they are read
// in sequence as long as the length says more follow, as the decoder does.
bool TablesFit(std::string_view s, std::size_t at) noexcept {
  long left = static_cast<long>((ByteAt(s, at) << 8) | ByteAt(s, at + 1)) - 2;
  std::size_t p = at + 2;
  while (left > 0 && p < s.size()) {
    const unsigned q = ByteAt(s, p);
    if ((q >> 4) > 1 || (q & 15) > 3) return false;
    unsigned codes = 0;
    for (std::size_t i = 1; i <= 16; ++i) codes += ByteAt(s, p + i);
    if (codes > 256) return false;
    p += 17 + codes;
    left -= 17 + static_cast<long>(codes);
  }
  return true;
}

}  // namespace

bool JpegHuffmanTablesFit(std::string_view s) noexcept {
  if (s.size() < 2 || ByteAt(s, 0) != 0xFF || ByteAt(s, 1) != 0xD8) return true;
  std::size_t p = 2;
  while (p + 1 < s.size()) {
    if (ByteAt(s, p) != 0xFF) { ++p; continue; }  // entropy-coded data
    const unsigned m = ByteAt(s, p + 1);
    // Fill bytes, stuffed zeros, restart markers and SOI carry no length.
    if (m == 0xFF) { ++p; continue; }
    if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) { p += 2; continue; }
    if (m == 0xD9) return true;  // end of image
    const std::size_t length = (ByteAt(s, p + 2) << 8) | ByteAt(s, p + 3);
    if (m == 0xC4 && !TablesFit(s, p + 2)) return false;
    if (length < 2) return true;  // the decoder stops here
    p += 2 + length;
  }
  return true;
}

}  // namespace skeinlet::detail
