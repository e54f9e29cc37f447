// What a text's indexes cost against the searches they save: a search of
// the whole document for a find text that does not occur (the guards of
// the list blocks), against building the pair index and the index of runs
// of four of the same text. The argument is the document's size in MB;
// the ratio of the two figures at one size is what the build thresholds
// in rules.cpp rest on.
#include "text/rules.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>

namespace {

using namespace skeinlet::detail;

// RTF-like text: control words, groups and words, fixed seed.
const Text& Document(std::size_t megabytes) {
  static std::map<std::size_t, Text> docs;
  Text& doc = docs[megabytes];
  if (!doc.empty()) return doc;
  std::mt19937 rng(11u);
  const TextView pieces[] = {
      u"\\par ", u"\\pard\\plain ", u"{\\b ", u"}", u"\\tab ", u"\\cf2 ", u"\\fs20 ",
      u"\\f1 ", u"\\i0 ", u"{\\field ", u"\\'e9", u"\\u8364?", u"\\line ",
  };
  const std::size_t size = megabytes << 20;
  doc.reserve(size + 64);
  while (doc.size() < size) {
    const std::uint32_t r = rng();
    if (r % 3 == 0) {
      doc += pieces[(r >> 8) % std::size(pieces)];
    } else {
      const std::size_t n = 1 + (r >> 4) % 9;
      for (std::size_t i = 0; i < n; ++i) doc.push_back(static_cast<char16_t>(u'a' + rng() % 26));
      doc.push_back(u' ');
    }
  }
  doc.resize(size);
  return doc;
}

void BM_VainSearch(benchmark::State& state) {
  const Text& doc = Document(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(FindIndex(doc, u"\\par {\\pntext\\f0 ", 0, Compare::Text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
}

template <class Index>
void BM_Build(benchmark::State& state) {
  const Text& doc = Document(static_cast<std::size_t>(state.range(0)));
  Index index;
  for (auto _ : state) {
    index.Build(doc);
    benchmark::DoNotOptimize(index);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
}

}  // namespace

BENCHMARK(BM_VainSearch)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build<PairIndex>)->Name("BM_BuildPairs")->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build<QuadIndex>)->Name("BM_BuildQuads")->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
