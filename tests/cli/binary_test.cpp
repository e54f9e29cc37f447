// Runs the built skeinlet executable as a user would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;  // exit status; 128 + N when killed by signal N
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (fs::temp_directory_path() / "skeinlet-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  Result Run(const std::vector<std::string>& args,
             const std::string& input = {}) {
    const fs::path in = dir_ / "stdin", out = dir_ / "stdout",
                   err = dir_ / "stderr";
    WriteFile(in, input);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv_strings = {SKEINLET_CLI_PATH};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    Result r;
    pid_t pid;
    const int rc = posix_spawn(&pid, SKEINLET_CLI_PATH, &actions, nullptr,
                               argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      ADD_FAILURE() << "cannot start " << SKEINLET_CLI_PATH;
      return r;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  static fs::path Sample() {
    return fs::path(SKEINLET_SOURCE_DIR) / "samples" / "sample.rtf";
  }

  fs::path dir_;
};

// A diagnostic is exactly one line, prefixed with the tool's name.
void ExpectOneLine(const std::string& err) {
  EXPECT_TRUE(err.starts_with("skeinlet: ")) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_TRUE(err.ends_with("\n")) << err;
}

TEST_F(Cli, HelpAndVersion) {
  Result r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.starts_with("Usage: skeinlet COMMAND")) << r.out;
  EXPECT_EQ(r.err, "");

  r = Run({"rtf2html", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--image-folder VALUE"), std::string::npos);
  EXPECT_NE(r.out.find("Example:\n  skeinlet rtf2html "), std::string::npos);

  r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "skeinlet 0.1.0\n");
}

TEST_F(Cli, UsageErrorsExitTwoWithOneLineAndAHint) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"rtf2text", "--title", "x"}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
    ExpectOneLine(r.err);
    EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
  }
}

TEST_F(Cli, OptionFormsAreAcceptedBeforeTheInputIsOpened) {
  // These parse; they fail only because the file is missing (exit 1, not 2).
  const std::string missing = (dir_ / "missing.html").string();
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"html2rtf", "--border= yes", missing},
           {"rtf2html", "--colour=-2147483633", missing}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 1) << testing::PrintToString(args) << r.err;
    ExpectOneLine(r.err);
    EXPECT_NE(r.err.find("cannot open input file"), std::string::npos) << r.err;
  }
}

TEST_F(Cli, MissingInputIsAnIoErrorAndWritesNothing) {
  const fs::path out = dir_ / "out.html";
  const Result r =
      Run({"rtf2html", (dir_ / "nope.rtf").string(), "-o", out.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneLine(r.err);
  EXPECT_NE(r.err.find("nope.rtf"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
}

// The checks below need a working conversion engine; they check only what
// holds whatever the engine's details.

TEST_F(Cli, Rtf2HtmlFromFileStandardInputAndOutputFile) {
  const Result r = Run({"rtf2html", Sample().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.out.starts_with("<html>\r\n<head>")) << r.out.substr(0, 80);

  const std::string sample = ReadFile(Sample());
  EXPECT_EQ(Run({"rtf2html"}, sample).out, r.out);
  EXPECT_EQ(Run({"rtf2html", "-"}, sample).out, r.out);

  const fs::path out = dir_ / "sample.html";
  const Result o = Run({"rtf2html", "-o", out.string(), Sample().string()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(ReadFile(out), r.out);

  // An output folder that does not exist is not created.
  const fs::path nowhere = dir_ / "no" / "such" / "dir" / "x.html";
  const Result n = Run({"rtf2html", "-o", nowhere.string(), Sample().string()});
  EXPECT_EQ(n.status, 1);
  ExpectOneLine(n.err);
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(Cli, TextOutputIsUtf8WhateverTheInputEncoding) {
  // A raw Windows-1252 byte in the RTF text, read by each rule.
  const std::string rtf = "{\\rtf1\\ansi caf\xE9}";
  EXPECT_NE(Run({"rtf2raw"}, rtf).out.find("caf&#233;"), std::string::npos);
  EXPECT_NE(Run({"rtf2raw", "--input-encoding=utf-8"}, rtf)
                .out.find("caf\xEF\xBF\xBD"),
            std::string::npos);

  const Result r = Run({"rtf2text", Sample().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Harbour Road Allotment Society"), std::string::npos);
  EXPECT_NE(r.out.find("Ren\xC3\xA9"
                       "e"),
            std::string::npos)
      << r.out;
}

TEST_F(Cli, Html2RtfWritesAnRtfDocument) {
  const Result r = Run({"html2rtf", "--border= yes"},
                       "<html><body><p>Hello <b>world</b></p></body></html>");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.starts_with("{\\rtf")) << r.out.substr(0, 80);
  EXPECT_NE(r.out.find("Hello"), std::string::npos);
}

// A style sheet whose rules match sorts its insertions, and the sort asks
// for its buffer with the form of new that returns null: that block too
// must be one the executable's own delete can free (a sanitizer build
// stops the run otherwise).
TEST_F(Cli, Html2RtfWithMatchedStyleRules) {
  const Result r = Run({"html2rtf"},
                       "<html><head><style>p { color: red } .k { font-weight: bold }</style>"
                       "</head><body><p>one</p><p class=\"k\">two</p><p>three</p></body></html>");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NE(r.out.find("two"), std::string::npos);
}

TEST_F(Cli, ConversionErrorIsOneLineAndExitOne) {
  const Result r = Run({"rtf2html"}, "{\\rtf1{\\colortbl;\\red255\\blue0;}x}");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "skeinlet: error 5: Invalid procedure call or argument\n");
  EXPECT_TRUE(r.out.empty());
}

TEST_F(Cli, FrameOfARealDocument) {
  const Result html = Run({"rtf2html", "--title", "Report", Sample().string()});
  ASSERT_EQ(html.status, 0) << html.err;
  EXPECT_EQ(html.out.rfind("<html>\r\n<head>\r\n<title>Report</title>\r\n"
                           "<meta name=\"GENERATOR\" content=\"Tarnwick Skeinlet Control\">"
                           "\r\n</head>\r\n<BODY BGCOLOR=\"#FFFFFF\">",
                           0),
            0u);
  EXPECT_TRUE(html.out.ends_with("\r\n</body>\r\n</html>\r\n"));

  const Result raw = Run({"rtf2raw", "--colour=-2147483624", Sample().string()});
  ASSERT_EQ(raw.status, 0) << raw.err;
  EXPECT_EQ(raw.out.find("<BODY"), std::string::npos);
  EXPECT_EQ(raw.out.find("</html>"), std::string::npos);
  EXPECT_NE(raw.out.find("Harbour Road"), std::string::npos);

  const Result body = Run({"rtf2body", "--xhtml", "no", Sample().string()});
  ASSERT_EQ(body.status, 0) << body.err;
  EXPECT_EQ(body.out.find("<head>"), std::string::npos);
  EXPECT_EQ(body.out.find("</body>"), std::string::npos);
  EXPECT_TRUE(body.out.ends_with("\r\n"));
}

}  // namespace
