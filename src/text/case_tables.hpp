// The generated simple case pairs (src/text/case_tables.cpp, written by
// scripts/gen_case_tables.py). Sorted by `from`; units not listed map to
// themselves.
#pragma once

#include <cstddef>

namespace skeinlet::detail {

struct CasePair {
  char16_t from;
  char16_t to;
};

extern const CasePair kLowerPairs[];
extern const std::size_t kLowerPairsCount;
extern const CasePair kUpperPairs[];
extern const std::size_t kUpperPairsCount;

}  // namespace skeinlet::detail
