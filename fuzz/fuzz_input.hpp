// How a fuzz input becomes a call of one method of skeinlet::Convert,
// shared by the fuzz targets and the regression test that replays their
// findings (tests/data/regress/<method>/).
//
// The first byte chooses the flags: bit 0 links, bit 1 images, bit 2
// clean, bit 3 frameless/XHTML body and a blank colour, bit 4 border, bits
// 6-7 the image format. The rest is the document, read as UTF-8 (invalid
// bytes become U+FFFD), as a host that passes UTF-8 would give it.
#pragma once

#include <skeinlet/convert.hpp>
#include <skeinlet/error.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace skeinlet_fuzz {

using skeinlet::Text;

inline Text Flag(bool on) { return on ? Text(u"yes") : Text(u"no"); }

// Pictures are written under one folder of the system temporary folder.
inline const Text& ImageFolder() {
  static const Text folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / "skeinlet-fuzz-images";
    std::filesystem::create_directories(dir);
    return skeinlet::FromUtf8(dir.string() + "/");
  }();
  return folder;
}



// The methods in the order of fuzz/CMakeLists.txt.
inline constexpr const char* kMethods[] = {"rtf2html", "rtf2raw", "rtf2body", "rtf2xhtml",
                                           "rtfheader", "plain2html", "rtf2text", "html2rtf"};

// Runs one input; a skeinlet::Error is a documented failure, not a finding.
inline void RunInput(int method, const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const unsigned flags = data[0];
  Text doc = skeinlet::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  Text title = u"T", colour = (flags & 8) ? Text(u"  ") : Text(u"-2147483633"), generator;
  Text links = Flag(flags & 1), debug = u"no", images = Flag(flags & 2);
  Text folder = ImageFolder();
  static const char16_t* const kFormats[] = {u"png", u"jpg", u"gif", u"PNG"};
  Text format = kFormats[(flags >> 6) & 3];
  Text clean = (flags & 4) ? Text(u" YES ") : Text(u"no"), name = u"image";
  Text xhtml = Flag(flags & 8), border = Flag(flags & 16);
  skeinlet::Convert conv;
  try {
    switch (method) {
      case 0: conv.ConvertRTF(doc, title, colour, generator, links, debug, images, folder, format, clean, name); break;
      case 1: conv.ConvertRawHTML(doc, title, colour, generator, links, debug, images, folder, format, clean, name); break;
      case 2: conv.ConvertNoBody(doc, title, colour, generator, links, debug, images, folder, format, clean, name, xhtml); break;
      case 3: conv.ConvertRTFXHTML(doc, title, colour, generator, links, debug, images, folder, format, clean, name); break;
      case 4: conv.ConvertRTFHeader(doc, title, colour, generator, links, debug, images, folder, format, name); break;
      case 5: conv.ConvertPlainHTML(doc, title, colour, generator, links, debug); break;
      case 6: conv.ConvertRTFPlain(doc); break;
      case 7: conv.ConvertHTML2RTF(doc, folder, border); break;
    }
  } catch (const skeinlet::Error&) {
  }
}

}  // namespace skeinlet_fuzz
