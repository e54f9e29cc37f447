#include <skeinlet/skeinlet.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Take(char* out, size_t size) {
  std::string s(out, size);
  skeinlet_free(out);
  return s;
}

TEST(CApi, ConvertsAndReportsErrorsAsValues) {
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0 caf\\'e9\\par\r\n}";
  char* out = nullptr;
  size_t size = 0;
  skeinlet_error err{};
  skeinlet_rtf_options options{};
  options.title = "T\xC3\xA9";
  ASSERT_EQ(skeinlet_rtf_to_html(rtf.data(), rtf.size(), &options, &out, &size, &err), 0);
  const std::string html = Take(out, size);
  // The last stage writes the accented letter, in the title too, as its
  // character reference.
  EXPECT_NE(html.find("<title>T&#233;</title>"), std::string::npos);
  EXPECT_NE(html.find("caf&#233;"), std::string::npos);
  EXPECT_EQ(err.description, nullptr);

  // No options at all is the same as all-empty options.
  ASSERT_EQ(skeinlet_rtf_to_raw_html(rtf.data(), rtf.size(), nullptr, &out, &size, &err), 0);
  EXPECT_EQ(Take(out, size).find("<html>"), std::string::npos);

  // The length, not a NUL, ends the document: the text after the NUL
  // arrives (the rich text control itself drops the NUL character).
  const std::string withNul = std::string("a") + '\0' + "b";
  ASSERT_EQ(skeinlet_plain_to_html(withNul.data(), withNul.size(), nullptr, &out, &size, &err), 0);
  const std::string fromPlain = Take(out, size);
  EXPECT_NE(fromPlain.find(">ab<br>"), std::string::npos) << fromPlain;

  // A failure: the error number, source and description; no result.
  const std::string tooClose = "{\\header {\\footer x}}";
  out = reinterpret_cast<char*>(&err);  // must be reset to NULL
  EXPECT_EQ(skeinlet_rtf_header(tooClose.data(), tooClose.size(), nullptr, &out, &size, &err), -1);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(err.number, 5);
  EXPECT_STREQ(err.source, "Tarnwick_Skeinlet_Dll");
  EXPECT_STREQ(err.description, "Invalid procedure call or argument");
  skeinlet_error_clear(&err);
  EXPECT_EQ(err.number, 0);
  EXPECT_EQ(err.source, nullptr);

  // No place for the result is an error too, and a NULL error is allowed.
  EXPECT_EQ(skeinlet_rtf_to_text(rtf.data(), rtf.size(), nullptr, &size, &err), -1);
  EXPECT_EQ(err.number, 5);
  skeinlet_error_clear(&err);
  EXPECT_EQ(skeinlet_rtf_header(tooClose.data(), tooClose.size(), nullptr, &out, &size, nullptr), -1);
  skeinlet_error_clear(nullptr);
  skeinlet_free(nullptr);
  EXPECT_STREQ(skeinlet_version(), SKEINLET_VERSION_STRING);
}

}  // namespace
