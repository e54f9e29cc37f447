#include "helpers/debug_dump.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace skeinlet::detail {
namespace {

namespace fs = std::filesystem;

// Points the temporary folder at `folder` for the life of the object.
class TempFolder {
 public:
  explicit TempFolder(const fs::path& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old, hadOld_ = true;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempFolder() {
    if (hadOld_) setenv("TMPDIR", old_.c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  std::string old_;
  bool hadOld_ = false;
};

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path FreshFolder(const char* name) {
  const fs::path folder = fs::temp_directory_path() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

TEST(WriteDebugDump, KeepsOnlyTheLastInput) {
  const fs::path folder = FreshFolder("skeinlet-debug-dump-test");
  {
    TempFolder tmp(folder);
    WriteDebugDump(u"{\\rtf1 first, a much longer document}");
    WriteDebugDump(u"{\\rtf1 caf\u00E9}");
    EXPECT_EQ(ReadAll(folder / "rtftext.txt"), "{\\rtf1 caf\xC3\xA9}\r\n");
    WriteDebugDump(u"");
    EXPECT_EQ(ReadAll(folder / "rtftext.txt"), "\r\n");
  }
  fs::remove_all(folder);
}

TEST(WriteDebugDump, ReportsAFolderItCannotWriteAndGoesOn) {
  const fs::path folder = FreshFolder("skeinlet-debug-dump-missing");
  fs::remove_all(folder);
  TempFolder tmp(folder);  // no such folder
  testing::internal::CaptureStderr();
  WriteDebugDump(u"{\\rtf1 x}");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error, unable to create rtftext.txt file\n");
  EXPECT_FALSE(fs::exists(folder / "rtftext.txt"));
}

}  // namespace
}  // namespace skeinlet::detail
