// Picks a corpus document for a benchmark by what it holds rather than by
// name, so that a benchmark follows the corpus as it grows.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skeinlet_bench {

// The path, relative to the corpus folder, of the RTF document holding the
// most occurrences of `word` among those `accept` takes (given the
// document's bytes); empty when there is none.
template <typename Accept>
std::string CorpusRtfWithMost(std::string_view word, Accept accept) {
  namespace fs = std::filesystem;
  const fs::path corpus(SKEINLET_CORPUS_DIR);
  std::error_code ec;
  std::vector<std::pair<std::size_t, std::string>> found;  // (count, path)
  for (fs::recursive_directory_iterator it(corpus / "rtf", ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->path().extension() != ".rtf") continue;
    std::ifstream in(it->path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::size_t count = 0;
    for (std::size_t at = bytes.find(word); at != std::string::npos; at = bytes.find(word, at + 1)) ++count;
    if (count > 0) found.emplace_back(count, it->path().lexically_relative(corpus).string());
  }
  std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
    return x.first != y.first ? x.first > y.first : x.second < y.second;
  });
  for (const auto& [count, relative] : found) {
    std::ifstream in(corpus / relative, std::ios::binary);
    if (accept(std::string{std::istreambuf_iterator<char>(in), {}})) return relative;
  }
  return {};
}

inline std::string CorpusRtfWithMost(std::string_view word) {
  return CorpusRtfWithMost(word, [](const std::string&) { return true; });
}

}  // namespace skeinlet_bench
