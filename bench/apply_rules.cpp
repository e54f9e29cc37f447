// ApplyRules throughput: 300 generated rules over 1 MB of RTF-like text in
// which only a few of them match. Bytes are characters of the document
// (its size as an RTF file), so MB/s reads as input file throughput.
//
// The argument is the width FindIndex scans with (0 unit by unit, 1 SSE2,
// 2 AVX2), so the widths are compared in the same run.
//
// BM_FindEachRule is the baseline the figures are held against: one plain
// std::u16string_view::find scan of the document for each rule's find text,
// counting matches and replacing nothing.
#include "text/rules.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

using namespace skeinlet::detail;

constexpr std::size_t kDocumentSize = std::size_t{1} << 20;

// Paragraphs of words and the usual control words, with a rare paragraph
// that some rules match; fixed seed, so every run scans the same text.
const Text& Document() {
  static const Text doc = [] {
    std::mt19937 rng(7u);
    const TextView pieces[] = {
        u"\\par ",      u"\\pard\\plain ", u"{\\b ",     u"}",        u"\\tab ",
        u"\\cf2 ",      u"\\fs20 ",       u"\\f1 ",     u"\\i0 ",    u"{\\field ",
        u"\\'e9",       u"\\u8364?",      u"\\line ",   u"\\highlight3 ",
    };
    const TextView rare[] = {
        u"\\pard\\plain\\f3 ",
        u"\\par {\\pntext\\f0 2)\\tab}",
        u"\\PARD\\PLAIN\\F12 ",
        u"{\\*\\bkmkstart _Toc7}",
    };
    Text out;
    out.reserve(kDocumentSize + 64);
    while (out.size() < kDocumentSize) {
      const std::uint32_t r = rng();
      if (r % 4000 == 0) {
        out += rare[(r >> 12) % 4];
      } else if (r % 3 == 0) {
        out += pieces[(r >> 8) % std::size(pieces)];
      } else {
        const std::size_t n = 1 + (r >> 4) % 9;
        for (std::size_t i = 0; i < n; ++i)
          out.push_back(static_cast<char16_t>(u'a' + (rng() % 26)));
        out.push_back(u' ');
      }
    }
    out.resize(kDocumentSize);
    return out;
  }();
  return doc;
}

RuleTable MakeRules(Compare cmp) {
  RuleTable t;
  t.AddFamily(u"\\pard\\plain\\f{N} ", u"<p class=\"f{N}\">", Range(0, 59), kAll, cmp);
  t.AddFamily(u"<font size=\"{N}\">", u"\\fs{N} ", Range(1, 60), kAll, cmp);
  t.AddFamily(u"\\par {\\pntext\\f0 {N})\\tab}", u"\\par <li>{N}.", Range(1, 60), kAll, cmp);
  t.AddFamily(u"\\cf{N}\\highlight{N} ", u"<span class=\"c{N}\">", Range(0, 59), kAll, cmp);
  t.AddFamily(u"{\\*\\bkmkstart _Toc{N}}", u"<a name=\"toc{N}\">", Range(0, 59), kAll, cmp);
  return t;
}

void RunApplyRules(benchmark::State& state, Compare cmp) {
  const ScanWidth before = SetScanWidth(static_cast<ScanWidth>(state.range(0)));
  const Text& doc = Document();
  const RuleTable rules = MakeRules(cmp);
  Text text;
  std::int64_t change = 0;
  for (auto _ : state) {
    state.PauseTiming();
    text = doc;
    state.ResumeTiming();
    ApplyRules(text, rules);
    benchmark::DoNotOptimize(text.data());
    change = static_cast<std::int64_t>(text.size()) - static_cast<std::int64_t>(doc.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
  state.counters["rules"] = static_cast<double>(rules.size());
  state.counters["size_change"] = static_cast<double>(change);
  SetScanWidth(before);
}

void BM_ApplyRulesText(benchmark::State& state) { RunApplyRules(state, Compare::Text); }
void BM_ApplyRulesExact(benchmark::State& state) { RunApplyRules(state, Compare::Binary); }

void BM_FindEachRule(benchmark::State& state) {
  const TextView doc = Document();
  const RuleTable rules = MakeRules(Compare::Binary);
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const Rule& rule : rules.rules())
      for (std::size_t at = doc.find(rule.find); at != TextView::npos;
           at = doc.find(rule.find, at + rule.find.size()))
        ++matches;
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
  state.counters["matches"] = static_cast<double>(matches);
}

BENCHMARK(BM_FindEachRule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyRulesText)->ArgName("width")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyRulesExact)->ArgName("width")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
