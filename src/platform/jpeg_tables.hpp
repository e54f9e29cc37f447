#pragma once
// A guard run before JPEG data reaches stb_image. Debian's stb_image builds a
// Huffman table from its 16 code counts without checking that they add up to
// at most 256 codes, and a damaged picture then writes past the table. The
// guard walks the markers the way the decoder does and refuses such tables.
#include <string_view>

namespace skeinlet::detail {

// False when `file` starts as a JPEG and one of its DHT segments holds a
// table of more than 256 codes (or a table class or number the decoder
// rejects). True for everything else, including data that is not a JPEG.
// Linear in the size of `file`.
bool JpegHuffmanTablesFit(std::string_view file) noexcept;

}  // namespace skeinlet::detail
