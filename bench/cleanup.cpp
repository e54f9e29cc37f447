// The two markup clean-up series (stages 8 and 12) and the three last
// stages on the HtmlOut that each stage meets in RtfToHtml, for the largest
// corpus RTF document (by file size) and for the corpus document that
// yields the most HTML.
//
// The text a stage meets is rebuilt by running the stages before it in
// order after a full RtfToHtml of the document has reset the state; the
// set-up checks that the stages from 8 on then give RtfToHtml's own result.
// Bytes are characters of the stage's input. BM_CopyInput is the baseline
// the figures are held against: the copy of the input that every iteration
// of the others makes too.
#include "engine/rtf_to_html.hpp"
#include "engine/state.hpp"
#include "normalise/normalise_rtf.hpp"
#include "corpus_pick.hpp"

#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using namespace skeinlet::detail;

struct Args {
  Text rtf, title, colour = u"FFFFFF", generator, links = u"no", debug, images = u"no",
      folder, format, name, mode = u"no";
  EngineCall Call() {
    return {rtf,  title,  colour, generator, links, debug,
            images, folder, format, name,    mode,  State()};
  }
};

using StageFn = void (*)(EngineCall&);

constexpr StageFn kAfterBody[] = {
    Stage05FirstCleanup,        Stage06Links,
    Stage07Placeholders,        Stage08MarkupCleanupFirst,
    Stage09CellWidthTables,     Stage10TableFontOrder,
    Stage11LoneTableClose,      Stage12MarkupCleanupSecond,
    Stage13RowEmphasisAndRepair, Stage14LeftoverMarkers,
    Stage15NumberedIndentation, Stage16BulletFixups,
    Stage17LinkMarkup,          Stage18DefaultFont,
    Stage19ListCleanupFirst,    Stage20SectionSignBullets,
    Stage21ListCleanupSecond,   Stage22BoldNumberedLists,
    Stage23ListCleanupThird,    Stage24NumberedIndentationLast,
    Stage25CellFormatting,      Stage26FinalCleanupEntities,
    Stage27TrailingEmptyCells,  Stage28QuotesSpacersCellWidths,
};

// HtmlOut as each stage from 5 on meets it, by stage number.
struct Captured {
  std::map<int, Text> input;
  bool matchesRtfToHtml = false;
  std::size_t rtfSize = 0;
};

Text ReadCorpus(const std::string& relative) {
  std::ifstream in(std::string(SKEINLET_CORPUS_DIR) + "/" + relative, std::ios::binary);
  if (!in) return {};
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  Text t;
  t.reserve(data.size());
  for (unsigned char c : data) t.push_back(c);  // Latin-1 is enough for 7-bit RTF
  return t;
}

const Captured& Capture(const std::string& relative) {
  static std::map<std::string, Captured> cache;
  auto [it, fresh] = cache.try_emplace(relative);
  Captured& c = it->second;
  if (!fresh) return c;
  const Text rtf = ReadCorpus(relative);
  if (rtf.empty()) return c;
  c.rtfSize = rtf.size();

  Args whole;
  whole.rtf = rtf;
  Args a = whole;
  EngineCall wholeCall = whole.Call();
  const Text expected = RtfToHtml(wholeCall.RtfText, wholeCall.Title, wholeCall.Colour,
                                  wholeCall.Generator, wholeCall.Links, wholeCall.Debug,
                                  wholeCall.ConvertImages, wholeCall.ImageFolder,
                                  wholeCall.ImageFormat, wholeCall.ImageName, wholeCall.Mode);

  // Stages 1 to 4 as RtfToHtml runs them; the state it left behind holds
  // this document's tables.
  ConversionState& s = State();
  s.SourceRtf = a.rtf;
  s.RunCount = 0;
  s.MultiWordRuns = 0;
  s.CurrentFontNumber = 0;
  s.IndentOpen = u"no";
  s.Indent.clear();
  s.PendingIndent.clear();
  s.CurrentFace.clear();
  s.CurrentSize.clear();
  s.CurrentColour.clear();
  s.CentreOpen = u"no";
  s.EquationSeen = u"no";
  s.HtmlOut = u"<html>\r\n<head>\r\n<title></title>\r\n<meta name=\"GENERATOR\" "
              u"content=\"Tarnwick Skeinlet Control\">\r\n</head>\r\n<BODY BGCOLOR=\"#FFFFFF\">";
  Text copy = a.rtf;
  NormaliseRTF(copy);
  BalanceClosingTags(s);

  EngineCall call = a.Call();
  int number = 5;
  for (StageFn stage : kAfterBody) {
    c.input[number++] = s.HtmlOut;
    stage(call);
  }
  c.matchesRtfToHtml = s.HtmlOut == expected;
  return c;
}

const char* const kLargestRtf = "rtf/RtfPipe/PictureObjectEmbed.rtf";
// The document with the most paragraphs, which yields the most HTML.
const std::string kMostHtml = skeinlet_bench::CorpusRtfWithMost("\\par");

void RunStage(benchmark::State& state, const std::string& doc, int number, StageFn stage) {
  const Captured& c = Capture(doc);
  if (c.input.empty()) {
    state.SkipWithError("corpus document not found");
    return;
  }
  const Text& input = c.input.at(number);
  Args a;
  EngineCall call = a.Call();
  for (auto _ : state) {
    State().HtmlOut = input;
    call.Html.Edited();
    if (stage) stage(call);
    benchmark::DoNotOptimize(State().HtmlOut.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(input.size()));
  state.counters["html_chars"] = static_cast<double>(input.size());
  state.counters["rtf_chars"] = static_cast<double>(c.rtfSize);
  state.counters["matches_RtfToHtml"] = c.matchesRtfToHtml ? 1 : 0;
}

void BM_CopyInput_MostHtml(benchmark::State& s) { RunStage(s, kMostHtml, 8, nullptr); }
void BM_Stage08_MostHtml(benchmark::State& s) {
  RunStage(s, kMostHtml, 8, Stage08MarkupCleanupFirst);
}
void BM_Stage12_MostHtml(benchmark::State& s) {
  RunStage(s, kMostHtml, 12, Stage12MarkupCleanupSecond);
}
void BM_Stage26_MostHtml(benchmark::State& s) {
  RunStage(s, kMostHtml, 26, Stage26FinalCleanupEntities);
}
void BM_Stage27_MostHtml(benchmark::State& s) {
  RunStage(s, kMostHtml, 27, Stage27TrailingEmptyCells);
}
void BM_Stage28_MostHtml(benchmark::State& s) {
  RunStage(s, kMostHtml, 28, Stage28QuotesSpacersCellWidths);
}
void BM_CopyInput_LargestRtf(benchmark::State& s) { RunStage(s, kLargestRtf, 8, nullptr); }
void BM_Stage08_LargestRtf(benchmark::State& s) {
  RunStage(s, kLargestRtf, 8, Stage08MarkupCleanupFirst);
}
void BM_Stage12_LargestRtf(benchmark::State& s) {
  RunStage(s, kLargestRtf, 12, Stage12MarkupCleanupSecond);
}

BENCHMARK(BM_CopyInput_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage08_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage12_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage26_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage27_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage28_MostHtml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyInput_LargestRtf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage08_LargestRtf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stage12_LargestRtf)->Unit(benchmark::kMicrosecond);

}  // namespace
