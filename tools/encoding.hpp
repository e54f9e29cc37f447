// Byte encodings at the edge of the command-line tool.
//
// Input bytes become skeinlet::Text (UTF-16): as UTF-8 when the whole input
// is valid UTF-8, otherwise as Windows-1252. RTF output goes back to
// Windows-1252 bytes, with every code unit outside it written as the RTF
// escape \uN? (N the signed 16-bit value of the unit).
//
//   std::string bytes = ReadAll(file);
//   skeinlet::Text rtf = DecodeInput(bytes, InputEncoding::Auto);
//   std::string out = EncodeRtfCp1252(conv.ConvertHTML2RTF(html, folder,
//   border));
#pragma once

#include <array>
#include <optional>
#include <skeinlet/convert.hpp>
#include <string>
#include <string_view>

namespace skeinlet::cli {

enum class InputEncoding { Auto, Utf8, Cp1252 };

// "utf-8" or "cp1252", exactly; anything else is no encoding.
std::optional<InputEncoding> ParseInputEncoding(std::string_view name);

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control
// character of the same value, so every byte decodes and a decoded text
// encodes back to the same bytes.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// True when bytes is well-formed UTF-8: shortest forms only, no encoded
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes) noexcept;

// UTF-8 to UTF-16. A leading byte order mark is dropped. Each ill-formed
// sequence (its longest valid-looking prefix, at least one byte) becomes
// U+FFFD.
Text DecodeUtf8(std::string_view bytes);

// Every byte is one character.
Text DecodeCp1252(std::string_view bytes);

// Auto: DecodeUtf8 when IsValidUtf8, else DecodeCp1252.
Text DecodeInput(std::string_view bytes, InputEncoding encoding);

// The Windows-1252 byte for a code unit, if the code page has one.
std::optional<unsigned char> Cp1252Byte(char16_t unit) noexcept;

// Windows-1252 bytes; units without a byte become \uN? with N in
// -32768..32767 (a surrogate pair is two escapes).
std::string EncodeRtfCp1252(TextView text);

}  // namespace skeinlet::cli
