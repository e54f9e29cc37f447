// A libFuzzer target for one method of skeinlet::Convert, chosen at build
// time by SKEINLET_FUZZ_METHOD (an index into skeinlet_fuzz::kMethods).
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skeinlet_fuzz::RunInput(SKEINLET_FUZZ_METHOD, data, size);
  return 0;
}
