// ImageCreator: turns an image file into the RTF picture group that draws
// it. HTMLRTFConverter creates one at the start of every conversion and
// releases it before it returns; InsertImage is its only caller.
//
//   auto creator = CreateImageCreator();
//   Text path = u"c:\\pages\\logo.png";
//   std::int16_t width = 0, height = 0;
//   Text group = creator->CreateFromFile(path, width, height, 0, 0, false,
//                                        ImageCreatorKey);
//   // group: "{\pict\pngblip...}" plus one character the caller drops
#pragma once

#include "text/text.hpp"

#include <cstdint>
#include <memory>

namespace skeinlet::detail {

// The fixed text the caller passes as CreateFromFile's seventh argument.
inline constexpr TextView ImageCreatorKey = u"Skeinlet picture creation";

class ImageCreator {
 public:
  virtual ~ImageCreator() = default;

  // The RTF picture group of the file at `path` followed by one character
  // that the caller drops; `width` and `height` are the size asked for in
  // pixels (0: the file's own). Raises a skeinlet::Error when the file
  // cannot be turned into a picture.
  virtual Text CreateFromFile(Text& path, std::int16_t& width,
                              std::int16_t& height, std::int16_t reserved1,
                              std::int16_t reserved2, bool reserved3,
                              TextView key) = 0;
};

// Creates the component, as creating it by its ProgID
// "Tarnwick.RTFImageCreator" did. Raises error 429 when it cannot be made.
std::unique_ptr<ImageCreator> CreateImageCreator();

}  // namespace skeinlet::detail
