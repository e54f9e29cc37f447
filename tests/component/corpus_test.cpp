// Every RTF document of the shared corpus converts to a framed page or
// raises one of the run-time errors the readers document.
#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace skeinlet {
namespace {

namespace fs = std::filesystem;

TEST(Corpus, EveryRtfDocumentConvertsOrRaisesADocumentedError) {
  const fs::path root = fs::path(SKEINLET_CORPUS_DIR) / "rtf";
  if (!fs::is_directory(root)) GTEST_SKIP() << "no corpus at " << root;
  const std::set<long> documented = {Error::kInvalidCall, Error::kOverflow,
                                     Error::kSubscript, Error::kTypeMismatch};
  Convert conv;
  int converted = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".rtf") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    // Bytes as Windows-1252 code units would be; the frame does not care.
    Text rtf(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
      rtf[i] = static_cast<unsigned char>(bytes[i]);
    Text title = u"t", colour = u"white", generator, links = u"no", debug,
         images = u"no", folder, format, clean, name;
    try {
      const Text html = conv.ConvertRTF(rtf, title, colour, generator, links,
                                        debug, images, folder, format, clean, name);
      EXPECT_TRUE(html.starts_with(u"<html>\r\n<head>\r\n<title>t</title>"))
          << entry.path();
      EXPECT_TRUE(html.ends_with(u"</body>\r\n</html>\r\n")) << entry.path();
      ++converted;
    } catch (const Error& e) {
      EXPECT_TRUE(documented.contains(e.number())) << entry.path() << ": " << e.what();
    }
  }
  EXPECT_GT(converted, 0);
}

}  // namespace
}  // namespace skeinlet
