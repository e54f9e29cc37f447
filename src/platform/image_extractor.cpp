#include "platform/image_extractor.hpp"
#include "platform/jpeg_tables.hpp"

#include "platform/picture_files.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_MAX_DIMENSIONS 65536
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace skeinlet::detail {
namespace {

// Picture marking replaces at most 64 groups (000 to 063).
constexpr std::size_t kMaxPictures = 64;
constexpr std::int64_t kMaxPixels = 40'000'000;

// Windows-1252 bytes 80-9F as the characters they were read as; a \bin
// byte read that way is turned back into its byte.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ByteOf(char16_t c) noexcept {
  if (c <= 0xFF) return static_cast<char>(c);
  for (std::size_t i = 0; i < kCp1252High.size(); ++i)
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

bool IsLetter(char16_t c) noexcept {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
int HexValue(char16_t c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

struct KindWord {
  TextView word;
  PictureKind kind;
};
constexpr KindWord kKindWords[] = {
    {u"pngblip", PictureKind::Png},
    {u"jpegblip", PictureKind::Jpeg},
    {u"dibitmap", PictureKind::DeviceIndependentBitmap},
    {u"wbitmap", PictureKind::DeviceBitmap},
    {u"wmetafile", PictureKind::WindowsMetafile},
    {u"emfblip", PictureKind::EnhancedMetafile},
    {u"pmmetafile", PictureKind::OtherMetafile},
    {u"macpict", PictureKind::OtherMetafile},
};

std::int32_t Clamp32(std::int64_t v) noexcept {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -2147483647, 2147483647));
}

// Reads the group that opens at `open` ("{"), to its matching "}". Only
// the group's own data counts: nested groups (\*\blipuid, \*\picprop) are
// stepped over.
PictureGroup ReadGroup(TextView rtf, std::size_t open) {
  PictureGroup g;
  const std::size_t n = rtf.size();
  std::size_t i = open + 1;
  int depth = 1;
  int pending = -1;  // the high nibble of a byte being read
  while (i < n) {
    const char16_t c = rtf[i];
    if (c == u'{') {
      ++depth;
      ++i;
    } else if (c == u'}') {
      ++i;
      if (--depth == 0) return g;
    } else if (c == u'\\') {
      ++i;
      if (i >= n) break;
      if (!IsLetter(rtf[i])) {
        i += rtf[i] == u'\'' ? 3 : 1;
        continue;
      }
      const std::size_t wordStart = i;
      while (i < n && IsLetter(rtf[i])) ++i;
      const TextView word = rtf.substr(wordStart, i - wordStart);
      bool negative = false;
      if (i < n && rtf[i] == u'-') {
        negative = true;
        ++i;
      }
      std::int64_t value = 0;
      bool hasValue = false;
      while (i < n && IsDigit(rtf[i])) {
        if (value < 10'000'000'000LL) value = value * 10 + (rtf[i] - u'0');
        hasValue = true;
        ++i;
      }
      if (negative) value = -value;
      if (i < n && rtf[i] == u' ') ++i;

      if (word == u"bin") {
        const std::int64_t count = hasValue && value > 0 ? value : 0;
        if (count > static_cast<std::int64_t>(n - i)) {
          g.Complete = false;
          return g;
        }
        if (depth == 1) {
          pending = -1;
          for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k)
            g.Data.push_back(ByteOf(rtf[i + k]));
        }
        i += static_cast<std::size_t>(count);
        continue;
      }
      if (depth != 1) continue;
      for (const KindWord& k : kKindWords)
        if (word == k.word) g.Kind = k.kind;
      if (word == u"picw") g.Width = Clamp32(value);
      else if (word == u"pich") g.Height = Clamp32(value);
      else if (word == u"wbmwidthbytes") g.WidthBytes = Clamp32(value);
      else if (word == u"wbmbitspixel") g.BitsPerPixel = Clamp32(value);
      else if (word == u"wbmplanes") g.Planes = Clamp32(value);
    } else {
      const int h = depth == 1 ? HexValue(c) : -1;
      if (h >= 0) {
        if (pending < 0) {
          pending = h;
        } else {
          g.Data.push_back(static_cast<char>((pending << 4) | h));
          pending = -1;
        }
      }
      ++i;
    }
  }
  g.Complete = false;
  return g;
}

// An image as 8-bit RGBA rows.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};

bool Decodable(int w, int h) noexcept {
  return w > 0 && h > 0 && static_cast<std::int64_t>(w) * h <= kMaxPixels;
}

bool DecodeFile(std::string_view file, Pixels& out) {
  if (file.empty() || file.size() > 0x7FFFFFFF || !JpegHuffmanTablesFit(file)) return false;
  const auto* data = reinterpret_cast<const stbi_uc*>(file.data());
  const int len = static_cast<int>(file.size());
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(data, len, &w, &h, &comp) || !Decodable(w, h))
    return false;
  stbi_uc* px = stbi_load_from_memory(data, len, &w, &h, &comp, 4);
  if (px == nullptr) return false;
  out.width = w;
  out.height = h;
  out.rgba.assign(px, px + static_cast<std::size_t>(w) * h * 4);
  stbi_image_free(px);
  return true;
}

std::uint32_t Le32(std::string_view s, std::size_t at) noexcept {
  if (at + 4 > s.size()) return 0;
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k)
    v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]);
  return v;
}
std::uint32_t Le16(std::string_view s, std::size_t at) noexcept {
  if (at + 2 > s.size()) return 0;
  return static_cast<unsigned char>(s[at]) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8);
}
void PutLe32(std::string& s, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

// A device-independent bitmap is a BMP file without its 14-byte file
// header: put one in front, pointing at the bits after the palette.
bool DecodeDib(std::string_view dib, Pixels& out) {
  const std::uint32_t headerSize = Le32(dib, 0);
  if (headerSize < 12 || headerSize > dib.size()) return false;
  std::uint64_t bits = 0, paletteEntries = 0, entrySize = 4, masks = 0;
  if (headerSize == 12) {
    bits = Le16(dib, 10);
    entrySize = 3;
    if (bits <= 8) paletteEntries = 1ULL << bits;
  } else {
    bits = Le16(dib, 14);
    const std::uint32_t compression = Le32(dib, 16);
    const std::uint32_t used = headerSize >= 36 ? Le32(dib, 32) : 0;
    paletteEntries = used != 0 ? used : (bits <= 8 ? 1ULL << bits : 0);
    if (headerSize == 40 && (compression == 3 || compression == 6))
      masks = compression == 3 ? 12 : 16;
  }
  const std::uint64_t offset = 14 + headerSize + masks + paletteEntries * entrySize;
  if (offset > 14 + static_cast<std::uint64_t>(dib.size())) return false;
  std::string file = "BM";
  PutLe32(file, static_cast<std::uint32_t>(14 + dib.size()));
  PutLe32(file, 0);
  PutLe32(file, static_cast<std::uint32_t>(offset));
  file.append(dib);
  return DecodeFile(file, out);
}

// A device-dependent bitmap: rows of \wbmwidthbytes bytes from the top,
// monochrome (a set bit is white), 24 or 32 bits a pixel (blue first).
bool DecodeDeviceBitmap(const PictureGroup& g, Pixels& out) {
  const int w = g.Width, h = g.Height, bpp = g.BitsPerPixel;
  if (!Decodable(w, h) || g.Planes != 1) return false;
  if (bpp != 1 && bpp != 24 && bpp != 32) return false;
  std::int64_t stride = g.WidthBytes;
  if (stride <= 0) stride = (static_cast<std::int64_t>(w) * bpp + 15) / 16 * 2;
  if (stride * 8 < static_cast<std::int64_t>(w) * bpp) return false;
  if (stride * h > static_cast<std::int64_t>(g.Data.size())) return false;
  out.width = w;
  out.height = h;
  out.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
  const auto* src = reinterpret_cast<const unsigned char*>(g.Data.data());
  for (int y = 0; y < h; ++y) {
    const unsigned char* row = src + stride * y;
    unsigned char* dst = out.rgba.data() + static_cast<std::size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x, dst += 4) {
      if (bpp == 1) {
        const unsigned char v = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
        dst[0] = dst[1] = dst[2] = v;
      } else {
        const unsigned char* p = row + static_cast<std::size_t>(x) * (bpp / 8);
        dst[0] = p[2];
        dst[1] = p[1];
        dst[2] = p[0];
      }
    }
  }
  return true;
}

void AppendBytes(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

std::string WritePixels(const Pixels& px, PictureFormat format, int quality) {
  std::string out;
  if (format == PictureFormat::Png) {
    if (!stbi_write_png_to_func(AppendBytes, &out, px.width, px.height, 4,
                                px.rgba.data(), px.width * 4))
      out.clear();
    return out;
  }
  // JPEG has no transparency: blend onto white.
  std::vector<unsigned char> rgb(static_cast<std::size_t>(px.width) * px.height * 3);
  for (std::size_t i = 0, j = 0; i < px.rgba.size(); i += 4, j += 3) {
    const unsigned a = px.rgba[i + 3];
    for (int k = 0; k < 3; ++k)
      rgb[j + static_cast<std::size_t>(k)] = static_cast<unsigned char>(
          (px.rgba[i + static_cast<std::size_t>(k)] * a + 255 * (255 - a) + 127) / 255);
  }
  if (!stbi_write_jpg_to_func(AppendBytes, &out, px.width, px.height, 3,
                              rgb.data(), std::clamp(quality, 1, 100)))
    out.clear();
  return out;
}

bool IsPngFile(std::string_view s) noexcept {
  return s.size() >= 8 && s.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8);
}
bool IsJpegFile(std::string_view s) noexcept {
  return s.size() >= 3 && static_cast<unsigned char>(s[0]) == 0xFF &&
         static_cast<unsigned char>(s[1]) == 0xD8 &&
         static_cast<unsigned char>(s[2]) == 0xFF;
}

Text ThreeDigits(std::size_t k) {
  Text digits = NumberText(static_cast<std::int64_t>(k));
  while (digits.size() < 3) digits.insert(digits.begin(), u'0');
  return digits;
}

}  // namespace

std::vector<PictureGroup> ReadPictureGroups(TextView rtf) {
  constexpr TextView kOpen = u"{\\pict\\";
  std::vector<PictureGroup> groups;
  std::size_t from = 0;
  while (groups.size() < kMaxPictures) {
    const std::size_t p = rtf.find(kOpen, from);
    if (p == TextView::npos) break;
    const std::size_t q = rtf.find(u'}', p + 3);
    if (q == TextView::npos) break;
    groups.push_back(ReadGroup(rtf, p));
    from = q + 1;
  }
  return groups;
}

std::string EncodePicture(const PictureGroup& picture, PictureFormat format,
                          int jpegQuality) {
  if (!picture.Complete || picture.Data.empty()) return {};
  Pixels px;
  switch (picture.Kind) {
    case PictureKind::Png:
    case PictureKind::Jpeg:
    case PictureKind::Unknown:
      if (!DecodeFile(picture.Data, px)) return {};
      // Already in the format asked for: the bytes as they are.
      if ((format == PictureFormat::Png && IsPngFile(picture.Data)) ||
          (format == PictureFormat::Jpeg && IsJpegFile(picture.Data)))
        return picture.Data;
      break;
    case PictureKind::DeviceIndependentBitmap:
      if (!DecodeDib(picture.Data, px)) return {};
      break;
    case PictureKind::DeviceBitmap:
      if (!DecodeDeviceBitmap(picture, px)) return {};
      break;
    case PictureKind::WindowsMetafile:
    case PictureKind::EnhancedMetafile:
    case PictureKind::OtherMetafile:
      return {};  // no metafile renderer
  }
  return WritePixels(px, format, jpegQuality);
}

std::int16_t ImageExtractor::Parse(Text& rtf, const Text& prefix,
                                   std::int16_t /*reserved*/,
                                   std::int16_t formatCode,
                                   std::int16_t quality,
                                   std::int16_t /*perGroup*/,
                                   const Text& /*key*/) {
  const PictureFormat format =
      formatCode == 1 ? PictureFormat::Png : PictureFormat::Jpeg;
  const TextView extension = format == PictureFormat::Png ? u".png" : u".jpg";
  const PicturePrefix where = SplitPicturePrefix(prefix);
  const std::vector<PictureGroup> groups = ReadPictureGroups(rtf);
  std::int16_t written = 0;
  for (std::size_t k = 0; k < groups.size(); ++k) {
    const std::string bytes = EncodePicture(groups[k], format, quality);
    if (bytes.empty()) continue;
    const Text name = where.BaseName + ThreeDigits(k) + Text(extension);
    if (WritePictureFile(where.Folder, name, bytes)) ++written;
  }
  return written;
}

}  // namespace skeinlet::detail
