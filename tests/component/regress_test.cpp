// Replays every regression input through its method, as the fuzz targets
// ran it: it must convert or fail with a skeinlet::Error, within the test
// time limit, without a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../../fuzz/fuzz_input.hpp"

namespace {
namespace fs = std::filesystem;

TEST(Regress, EveryFindingStillConvertsOrFailsCleanly) {
  const fs::path root = fs::path(SKEINLET_TEST_DATA_DIR) / "regress";
  ASSERT_TRUE(fs::is_directory(root)) << root;
  int replayed = 0;
  for (int method = 0; method < static_cast<int>(std::size(skeinlet_fuzz::kMethods)); ++method) {
    const fs::path dir = root / skeinlet_fuzz::kMethods[method];
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      SCOPED_TRACE(entry.path().string());
      EXPECT_NO_THROW(skeinlet_fuzz::RunInput(
          method, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
