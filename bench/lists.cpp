// The list, bullet and heading-number rules on a document without lists:
// blocks L1 to L13, H1 and H2 of NormaliseRTF and the list stages 15, 16
// and 19 to 24 of RtfToHtml, against the whole conversion of the same
// document. Their guards should keep the several hundred family rules off
// such a document; what is left is the unguarded rules (about seventy, one
// scan each).
//
// BM_OneGuard is the cost of one skipped block: one search of the document
// for its guard. BM_ListShareOfConversion times both inside one loop and reports the
// list rules' share of the conversion as the counter list_percent, the
// figure to hold against. Bytes are characters of the RTF document.
#include "engine/rtf_to_html.hpp"
#include "engine/state.hpp"
#include "normalise/normalise_rtf.hpp"

#include <benchmark/benchmark.h>
#include <skeinlet/convert.hpp>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace skeinlet::detail;

// A list-free corpus document of 330 KB: text, fonts and colours, no
// pictures, tables or lists.
const Text* ListFreeDocument() {
  static const Text doc = [] {
    const std::string path = std::string(SKEINLET_CORPUS_DIR) + "/rtf/RtfPipe/Issue52.rtf";
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    return Text(data.begin(), data.end());  // 7-bit RTF
  }();
  return doc.empty() ? nullptr : &doc;
}

Text ConvertOnce(const Text& rtf) {
  Text doc = rtf, title, colour, generator, links, debug, images, folder, format, clean, name;
  skeinlet::Convert conv;
  return conv.ConvertRTF(doc, title, colour, generator, links, debug, images, folder, format,
                         clean, name);
}

void RunListBlocks(Text& text) {
  IndexedText rtf(text);
  BlockL1(rtf);
  BlockL2(rtf);
  BlockL3(rtf);
  BlockL4(rtf);
  BlockL5(rtf);
  BlockL6(rtf);
  BlockL7(rtf);
  BlockL8(rtf);
  BlockL9(rtf);
  BlockH1(rtf);
  BlockL10(rtf);
  BlockH2(rtf);
  BlockL11(rtf);
  BlockL12(rtf);
  BlockL13(rtf);
}

struct Call {
  Text rtf, title, colour, generator, links, debug, images, folder, format, name, mode = u"no";
  EngineCall call{rtf, title, colour, generator, links, debug, images, folder, format, name, mode,
                  State()};
};

void RunListStages(EngineCall& call) {
  Stage15NumberedIndentation(call);
  Stage16BulletFixups(call);
  Stage19ListCleanupFirst(call);
  Stage20SectionSignBullets(call);
  Stage21ListCleanupSecond(call);
  Stage22BoldNumberedLists(call);
  Stage23ListCleanupThird(call);
  Stage24NumberedIndentationLast(call);
}

void SetBytes(benchmark::State& state, const Text& doc) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(doc.size()));
}

void BM_CopyDocument(benchmark::State& state) {
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  for (auto _ : state) {
    Text copy = *doc;
    benchmark::DoNotOptimize(copy.data());
  }
  SetBytes(state, *doc);
}

// One guard tested on the document: what a skipped block costs.
void BM_OneGuard(benchmark::State& state) {
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  for (auto _ : state) benchmark::DoNotOptimize(Contains(*doc, u"\\par {\\pntext\\f0 ", Compare::Text));
  SetBytes(state, *doc);
}

void BM_ListBlocks(benchmark::State& state) {
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  for (auto _ : state) {
    Text copy = *doc;
    RunListBlocks(copy);
    benchmark::DoNotOptimize(copy.data());
  }
  SetBytes(state, *doc);
}

void BM_ListStages(benchmark::State& state) {
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  const Text html = ConvertOnce(*doc);
  Call c;
  for (auto _ : state) {
    c.call.State.HtmlOut = html;
    RunListStages(c.call);
    benchmark::DoNotOptimize(c.call.State.HtmlOut.data());
  }
  SetBytes(state, *doc);
}

void BM_ConvertRTF(benchmark::State& state) {
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  for (auto _ : state) benchmark::DoNotOptimize(ConvertOnce(*doc));
  SetBytes(state, *doc);
}

void BM_ListShareOfConversion(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const Text* doc = ListFreeDocument();
  if (!doc) return state.SkipWithError("corpus document not found");
  const Text html = ConvertOnce(*doc);
  Call c;
  Clock::duration lists{}, whole{};
  for (auto _ : state) {
    Text copy = *doc;
    c.call.State.HtmlOut = html;
    const auto t0 = Clock::now();
    RunListBlocks(copy);
    RunListStages(c.call);
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ConvertOnce(*doc));
    const auto t2 = Clock::now();
    lists += t1 - t0;
    whole += t2 - t1;
  }
  state.counters["list_percent"] =
      100.0 * std::chrono::duration<double>(lists).count() /
      std::chrono::duration<double>(whole).count();
  SetBytes(state, *doc);
}

BENCHMARK(BM_CopyDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneGuard)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListStages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertRTF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListShareOfConversion)->Unit(benchmark::kMillisecond);

}  // namespace
