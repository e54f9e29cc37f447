// What CleanWordHtml reads from the head of a page that Word saved: the
// paragraph classes of its style definitions and the levels of its list
// definitions. Keys are upper case: "MSONORMAL", "L0 LEVEL1".
#pragma once

#include "text/text.hpp"

#include <unordered_map>

namespace skeinlet::detail {

struct WordClass {
  Text Family;  // font-family, double quotes removed
  Text Size;    // font-size in points, "pt" removed
};
struct WordLevel {
  Text Marker;  // the bullet as text, or a "&#X" reference for a symbol bullet
  Text Face;    // the font to write it in
};
using WordClasses = std::unordered_map<Text, WordClass>;
using WordLevels = std::unordered_map<Text, WordLevel>;

// Stage 1: the rules after "/* STYLE DEFINITIONS */" whose selector names a
// class (the first one of a selector list).
WordClasses ReadParagraphClasses(TextView head);
// Stage 2: the "@list" rules after "/* LIST DEFINITIONS */".
WordLevels ReadListLevels(TextView head);

}  // namespace skeinlet::detail
