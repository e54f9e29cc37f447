// The table passes on generated tables of 1000 to 16000 rows, and ConvertRTF
// on the corpus document with the most table cells.
//
// Bytes are characters of the table's HTML. BM_CopyTable is the baseline the
// figures are held against: one copy of the same text and one scan of it
// for "<", the least any pass over the table does. Time per row that stays
// flat as the rows grow shows linear growth.
#include "engine/state.hpp"
#include "tables/cell_formatting.hpp"
#include "tables/table_repair.hpp"
#include "corpus_pick.hpp"

#include <benchmark/benchmark.h>
#include <skeinlet/convert.hpp>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace skeinlet::detail;

// Rows of three cells with open bold and font tags, every fourth row
// without its end and every fifth with an empty cell.
Text GeneratedTable(int rows) {
  Text t = u"<table border=\"1\">";
  for (int r = 0; r < rows; ++r) {
    t += u"<tr><td><font FACE=\"Arial\" SIZE=\"2\" ><b>cell ";
    t += NumberText(r);
    t += u"</td><td>text</td><td>";
    if (r % 5 != 0) t += u"more";
    t += r % 4 == 0 ? u"</td>\r\n" : u"</td></tr>\r\n";
  }
  return t + u"</table>";
}

void SetBytes(benchmark::State& state, const Text& t) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(t.size()));
  state.counters["ns_per_row"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CopyTable(benchmark::State& state) {
  const Text t = GeneratedTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Text copy = t;
    benchmark::DoNotOptimize(copy.find(u'<', copy.size() / 2));
    std::size_t n = 0;
    for (char16_t c : copy) n += c == u'<';
    benchmark::DoNotOptimize(n);
  }
  SetBytes(state, t);
}

void BM_RepairHTMLTables(benchmark::State& state) {
  const Text t = GeneratedTable(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(RepairHTMLTables(t, 2));
  SetBytes(state, t);
}

void BM_CarryCellFormatting(benchmark::State& state) {
  const Text t = RepairHTMLTables(GeneratedTable(static_cast<int>(state.range(0))), 2);
  for (auto _ : state) benchmark::DoNotOptimize(CarryCellFormatting(t));
  SetBytes(state, t);
}

BENCHMARK(BM_CopyTable)->RangeMultiplier(4)->Range(1000, 64000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepairHTMLTables)->RangeMultiplier(4)->Range(1000, 64000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CarryCellFormatting)->RangeMultiplier(4)->Range(1000, 64000)->Unit(benchmark::kMicrosecond);

// The corpus document with the most table cells, end to end.
void BM_ConvertRTF_LargestTableDocument(benchmark::State& state) {
  const std::string path =
      std::string(SKEINLET_CORPUS_DIR) + "/" +
      skeinlet_bench::CorpusRtfWithMost("\\cell", [](const std::string& rtf) {
        try {
          skeinlet::Convert().ConvertRTF(std::string_view(rtf));
          return true;
        } catch (const skeinlet::Error&) {
          return false;  // a document that does not convert times nothing
        }
      });
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    state.SkipWithError("corpus document not found");
    return;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  const Text rtf(data.begin(), data.end());  // the file is 7-bit RTF
  skeinlet::Convert conv;
  for (auto _ : state) {
    Text doc = rtf, title, colour, generator, links, debug, images, folder, format, clean,
        name;
    benchmark::DoNotOptimize(conv.ConvertRTF(doc, title, colour, generator, links, debug,
                                             images, folder, format, clean, name));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(rtf.size()));
}
BENCHMARK(BM_ConvertRTF_LargestTableDocument)->Unit(benchmark::kMillisecond);

}  // namespace
