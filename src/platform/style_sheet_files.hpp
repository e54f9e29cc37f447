// Reading linked style sheets for HTMLRTFConverter: the whole file, one
// character per byte, or nothing.
//
//   Text css = ReadStyleSheetFile(u"C:\\site\\main.css");
//   // the bytes of C:/site/main.css, relative to the working folder
//
// "\" counts as a path separator, like "/"; a drive letter is kept as the
// first folder of a relative path, as picture folders are. Only a regular
// file (or a link to one) of at most kStyleSheetSizeCap bytes is read: a
// folder, a device, a pipe or a larger file gives the empty text, so that a
// link in a page can neither block a conversion nor fill its memory.
#pragma once

#include "text/text.hpp"

#include <cstddef>
#include <string>

namespace skeinlet::detail {

// Sheets larger than this are not read: real ones are a few kilobytes.
inline constexpr std::size_t kStyleSheetSizeCap = 2 * 1024 * 1024;

// The POSIX form of a style sheet path: every "\" becomes "/".
std::string StyleSheetPath(TextView path);

// The file's bytes widened to one character each; "" when it cannot be
// read or is refused.
Text ReadStyleSheetFile(TextView path);

}  // namespace skeinlet::detail
