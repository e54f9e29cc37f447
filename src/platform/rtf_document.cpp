#include "platform/rtf_document.hpp"

namespace skeinlet::detail {

int RtfDocument::AddFont(const FontEntry& font) {
  for (std::size_t i = 0; i < fonts.size(); ++i)
    if (fonts[i] == font) return static_cast<int>(i);
  fonts.push_back(font);
  return static_cast<int>(fonts.size() - 1);
}

}  // namespace skeinlet::detail
