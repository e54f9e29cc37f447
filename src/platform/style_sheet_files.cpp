#include "platform/style_sheet_files.hpp"

#include <skeinlet/convert.hpp>

#include "platform/regular_files.hpp"

namespace skeinlet::detail {

std::string StyleSheetPath(TextView path) {
  std::string p = ToUtf8(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

Text ReadStyleSheetFile(TextView path) {
  std::string bytes;
  if (!ReadRegularFile(StyleSheetPath(path), kStyleSheetSizeCap, bytes)) return {};
  Text text;
  text.reserve(bytes.size());
  for (const char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text;
}

}  // namespace skeinlet::detail
