#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_args.hpp"
#include "cli_batch.hpp"
#include "cli_run.hpp"

namespace skeinlet::cli {
namespace {
namespace fs = std::filesystem;

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("skeinlet-batch-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "in" / "sub");
    Write(root_ / "in" / "a.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0 Alpha\\par\r\n}");
    Write(root_ / "in" / "sub" / "b.RTF", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0 Beta\\par\r\n}");
    Write(root_ / "in" / "notes.txt", "not RTF");
    Write(root_ / "lone.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0 Lone\\par\r\n}");
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Runs the tool; returns the exit status and puts stderr in `err`.
  int Run(std::vector<std::string> args, std::string& err) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::FILE* e = std::tmpfile();
    const int status = cli::Run(views, stdin, stdout, e);
    std::rewind(e);
    err.clear();
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, e)) > 0;) err.append(buf, n);
    std::fclose(e);
    return status;
  }
  fs::path root_;
};

TEST_F(Batch, FoldersKeepTheirLayoutAndOutputsAreNotOverwritten) {
  const std::string out = (root_ / "out").string();
  std::string err;
  ASSERT_EQ(Run({"rtf2html", "--out-dir", out, "--jobs", "2", (root_ / "in").string(),
                 (root_ / "lone.rtf").string()}, err), 0) << err;
  EXPECT_NE(Read(root_ / "out" / "a.html").find("Alpha"), std::string::npos);
  EXPECT_NE(Read(root_ / "out" / "sub" / "b.html").find("Beta"), std::string::npos);
  EXPECT_NE(Read(root_ / "out" / "lone.html").find("Lone"), std::string::npos);
  EXPECT_FALSE(fs::exists(root_ / "out" / "notes.html"));
  EXPECT_NE(err.find("converted 3 of 3 documents"), std::string::npos) << err;
  EXPECT_EQ(err.find('\r'), std::string::npos);  // no progress line off a terminal

  // A second run meets the outputs: each document fails, nothing changes.
  Write(root_ / "out" / "a.html", "mine");
  EXPECT_EQ(Run({"rtf2html", "--out-dir", out, "--keep-going", (root_ / "in").string()}, err), 1);
  EXPECT_EQ(Read(root_ / "out" / "a.html"), "mine");
  EXPECT_NE(err.find("exists (use --force"), std::string::npos) << err;
  EXPECT_NE(err.find("converted 0 of 2 documents"), std::string::npos) << err;
  EXPECT_EQ(Run({"rtf2html", "--out-dir", out, "--force", (root_ / "in").string()}, err), 0) << err;
  EXPECT_NE(Read(root_ / "out" / "a.html").find("Alpha"), std::string::npos);

  // Other commands choose their own extension.
  ASSERT_EQ(Run({"rtf2text", "--out-dir", out, (root_ / "lone.rtf").string()}, err), 0) << err;
  EXPECT_EQ(Read(root_ / "out" / "lone.txt"), "Lone");
}

TEST_F(Batch, FailuresStopTheBatchUnlessKeepGoing) {
  // Error 5 from a header whose footer mark follows too closely.
  for (int i = 0; i < 6; ++i)
    Write(root_ / "in" / ("bad" + std::to_string(i) + ".rtf"), "{\\header {\\footer x}}");
  const std::string out = (root_ / "out").string();
  std::string err;
  EXPECT_EQ(Run({"rtfheader", "--out-dir", out, (root_ / "in").string()}, err), 1);
  EXPECT_NE(err.find("error 5: Invalid procedure call or argument"), std::string::npos) << err;
  EXPECT_NE(err.find("stopped at the first failure"), std::string::npos) << err;
  EXPECT_EQ(Run({"rtfheader", "--out-dir", out, "--keep-going", "--force", "--progress", (root_ / "in").string()}, err), 1);
  EXPECT_NE(err.find(", 6 failed"), std::string::npos) << err;
  EXPECT_NE(err.find(" documents, "), std::string::npos) << err;  // the forced progress line
  // The two good documents still converted (an empty header is an empty file).
  EXPECT_TRUE(fs::exists(root_ / "out" / "a.html"));
}

TEST_F(Batch, UsageErrors) {
  std::string err;
  const std::string in = (root_ / "lone.rtf").string();
  EXPECT_EQ(Run({"rtf2html", in, in}, err), 2);
  EXPECT_NE(err.find("use --out-dir DIR"), std::string::npos) << err;
  EXPECT_EQ(Run({"rtf2html", "--out-dir", "x", "-o", "y", in}, err), 2);
  EXPECT_EQ(Run({"rtf2html", "--out-dir", "x", "-"}, err), 2);
  EXPECT_EQ(Run({"rtf2html", "--out-dir", (root_ / "o").string(), (root_ / "missing").string()}, err), 2);
  EXPECT_NE(err.find("does not exist"), std::string::npos);
  for (const char* jobs : {"0", "1001", "x", "", "-1", "99999"})
    EXPECT_EQ(Run({"rtf2html", "--jobs", jobs, "--out-dir", "x", in}, err), 2) << jobs;
  EXPECT_FALSE(fs::exists("x"));
}

}  // namespace
}  // namespace skeinlet::cli
