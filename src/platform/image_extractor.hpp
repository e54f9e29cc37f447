// ImageExtractor: writes the pictures of an RTF document to numbered image
// files.
//
//   ImageExtractor extractor;
//   extractor.Parse(rtf, u"c:\\img\\object", 0, 1, 100, 1, ImageExtractorKey);
//   // picture 0 -> c:/img/object000.png, picture 1 -> object001.png, ...
//
// The pictures are the "{\pict\" groups, found and numbered as picture
// marking numbers them: the first "{\pict\", then the first one after the
// first "}" that follows it (at least three characters on), and so on, at
// most 64. Each group's data (hexadecimal digits with blanks and line breaks
// between them, or \binN raw data) is decoded and written in the requested
// format, re-encoded when the group holds another one. \pngblip, \jpegblip,
// \dibitmap and \wbitmap (1, 24 and 32 bits a pixel) are read; metafiles
// (\wmetafile, \emfblip, \pmmetafile, \macpict) are not drawn, so they write
// no file. A picture that cannot be decoded writes no file either; the text
// is never changed.
#pragma once

#include "text/text.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace skeinlet::detail {

// The fixed text the caller passes as Parse's seventh argument.
inline constexpr TextView ImageExtractorKey = u"Skeinlet picture extraction";

enum class PictureKind : std::uint8_t {
  Unknown,
  Png,
  Jpeg,
  DeviceIndependentBitmap,  // \dibitmap
  DeviceBitmap,             // \wbitmap
  WindowsMetafile,          // \wmetafile
  EnhancedMetafile,         // \emfblip
  OtherMetafile,            // \pmmetafile, \macpict
};

// One picture group, as read.
struct PictureGroup {
  PictureKind Kind = PictureKind::Unknown;
  std::string Data;         // the decoded bytes
  bool Complete = true;     // false: no closing brace, or \bin ran past the end
  std::int32_t Width = 0;   // \picw
  std::int32_t Height = 0;  // \pich
  std::int32_t WidthBytes = 0;    // \wbmwidthbytes
  std::int32_t BitsPerPixel = 1;  // \wbmbitspixel
  std::int32_t Planes = 1;        // \wbmplanes
};

// The picture groups of `rtf`, in the numbering above.
std::vector<PictureGroup> ReadPictureGroups(TextView rtf);

enum class PictureFormat : std::uint8_t { Png, Jpeg };

// The picture as a PNG or JPEG file's bytes; "" when it cannot be decoded
// (or is larger than 40 million pixels).
std::string EncodePicture(const PictureGroup& picture, PictureFormat format,
                          int jpegQuality = 100);

class ImageExtractor {
 public:
  // `formatCode` 1 writes PNG, anything else JPEG; `quality` is the JPEG
  // quality (1 to 100). `reserved`, `perGroup` and `key` are accepted as
  // the callers pass them (0, 1 and ImageExtractorKey). Returns the number
  // of files written.
  std::int16_t Parse(Text& rtf, const Text& prefix, std::int16_t reserved,
                     std::int16_t formatCode, std::int16_t quality,
                     std::int16_t perGroup, const Text& key);
};

}  // namespace skeinlet::detail
