// The rich text control on generated documents of 1 MB to 20 MB: reading
// (TextRTF written), writing (TextRTF read) and the plain text. Time per
// byte should stay flat from 1 MB to 20 MB.
#include "platform/rich_text_box.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using skeinlet::Text;
using skeinlet::detail::RichTextBox;

// A document in the shapes word processors write: a font and colour table,
// formatted paragraphs, escapes, a link, a small picture and table rows.
Text GenerateDocument(std::size_t bytes) {
  Text rtf =
      u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      u"{\\f1\\froman\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
      u"{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
      u"{\\stylesheet{\\s0 Normal;}}{\\info{\\title Generated}}\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  const Text paragraph =
      u"\\pard\\li360\\sa120 Plain words {\\b bold} {\\i\\cf1 red italic} caf\\'e9 \\u8364? "
      u"{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/\"}}{\\fldrslt{\\ul\\cf2 a link}}} "
      u"\\tab tabbed\\line broken {\\*\\bkmkstart x}{\\*\\bkmkend x}text\\par\r\n"
      u"{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\fi-360 item\\par\r\n"
      u"\\trowd\\trgaph108\\cellx2000\\cellx4000\\pard\\intbl one\\cell two\\cell\\row\r\n"
      u"{\\pict\\pngblip\\picw10\\pich10\\picwgoal150\\pichgoal150 89504e470d0a1a0a0000000d49484452}\\par\r\n";
  rtf.reserve(bytes + paragraph.size() + 4);
  while (rtf.size() < bytes) rtf += paragraph;
  rtf += u"}\r\n";
  return rtf;
}

constexpr std::size_t kMegabyte = 1 << 20;

void BM_ReadRtf(benchmark::State& state) {
  const Text rtf = GenerateDocument(static_cast<std::size_t>(state.range(0)) * kMegabyte);
  for (auto _ : state) {
    RichTextBox box;
    box.SetTextRTF(rtf);
    benchmark::DoNotOptimize(box.document().body.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(rtf.size()), benchmark::Counter::kIsIterationInvariantRate |
                                            benchmark::Counter::kInvert);
}

void BM_WriteRtf(benchmark::State& state) {
  const Text rtf = GenerateDocument(static_cast<std::size_t>(state.range(0)) * kMegabyte);
  RichTextBox box;
  box.SetTextRTF(rtf);
  std::size_t written = 0;
  for (auto _ : state) {
    const Text out = box.TextRTF();
    written = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(written), benchmark::Counter::kIsIterationInvariantRate |
                                        benchmark::Counter::kInvert);
}

void BM_PlainText(benchmark::State& state) {
  const Text rtf = GenerateDocument(static_cast<std::size_t>(state.range(0)) * kMegabyte);
  RichTextBox box;
  box.SetTextRTF(rtf);
  for (auto _ : state) {
    const Text text = box.GetText();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

BENCHMARK(BM_ReadRtf)->Arg(1)->Arg(5)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRtf)->Arg(1)->Arg(5)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainText)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
