// The address scans on the document HTML of stage 6 (links option on: the
// e-mail and web scans; off: the wrapped scan twice) and stage 17 (the
// underlined link passes), on generated HTML with a given number of
// addresses, and the whole of ConvertRTF on an RTF document of the same
// make with the links option "yes" and "no".
//
// Baselines in the same run: BM_LowerCaseCopy, one lower-cased copy of the
// HTML (what every change cost the scans as first written), and the Plain
// form of the scans, which rebuilds and lower-cases the text after every
// change (run on the smaller documents only: on 1 MB it takes minutes).
#include "helpers/links.hpp"

#include <skeinlet/convert.hpp>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

using namespace skeinlet::detail;

// Paragraphs of words with `addresses` addresses spread evenly over about
// `size` characters: bare web addresses, a wrapped repeat, e-mail
// addresses, wrapped mailto and file forms, and hyperlink-field pairs of
// underlined text and bracketed address.
Text MakeHtml(std::size_t size, int addresses) {
  std::mt19937 rng(5u);
  const std::size_t gap = size / static_cast<std::size_t>(addresses);
  Text out = u"<html>\r\n<head>\r\n<title></title>\r\n</head>\r\n<body>\r\n";
  out.reserve(size + 4096);
  for (int a = 0; a < addresses; ++a) {
    const std::size_t paragraphEnd = out.size() + gap;
    out += u"<p>";
    while (out.size() + 80 < paragraphEnd) {
      const std::size_t n = 2 + rng() % 8;
      for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<char16_t>(u'a' + rng() % 26));
      out += rng() % 12 == 0 ? u", " : u" ";
    }
    const Text k = NumberText(a);
    switch (a % 5) {
      case 0: out += u"see www.site" + k + u".org. "; break;
      case 1: out += u"at http://host" + k + u".net/p?q=1 &lt;http://host" + k + u".net/p?q=1&gt; "; break;
      case 2: out += u"mail ann" + k + u"@site.org or &lt;mailto:bob" + k + u"@site.org&gt; "; break;
      case 3: out += u"file &lt;file://c:\\docs\\f" + k + u".txt&gt; "; break;
      case 4:
        out += u"<u><font COLOR=\"#0000FF\">Our page &lt;www.page" + k +
               u".org&gt;</u><font COLOR=\"#000000\"> ";
        break;
    }
    out += u"</p>\r\n";
  }
  out += u"</body>\r\n</html>\r\n";
  return out;
}

const Text& Html(std::size_t size, int addresses) {
  static const Text small = MakeHtml(std::size_t{1} << 17, 250);
  static const Text large = MakeHtml(std::size_t{1} << 20, 2000);
  (void)addresses;
  return size == (std::size_t{1} << 17) ? small : large;
}

// Stage 6.
void LinksOn(Text& html, LinkScanMode mode) {
  BuildLinkPrefixes();
  BuildLinkTerminators();
  LinkEmailAddresses(html, mode);
  LinkWebAddresses(html, mode);
}

void LinksOff(Text& html, LinkScanMode mode) {
  BuildWrappedLinkPrefixes();
  BuildWrappedLinkTerminators();
  LinkWrappedAddresses(html, mode);
  LinkWrappedAddresses(html, mode);
}

// Stage 17, after either.
void Underlined(Text& html, LinkScanMode) {
  TidyUnderlinedLinks(html);
  LinkUnderlinedAddresses(html);
}

template <void (*Stage)(Text&, LinkScanMode), LinkScanMode Mode>
void BM_Stage(benchmark::State& state) {
  const Text& source = Html(static_cast<std::size_t>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    Text html = source;
    Stage(html, Mode);
    benchmark::DoNotOptimize(html.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
}

void BM_LowerCaseCopy(benchmark::State& state) {
  const Text& source = Html(static_cast<std::size_t>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    Text lc = LCase(source);
    benchmark::DoNotOptimize(lc.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
}

constexpr auto kEdit = LinkScanMode::Edit;
constexpr auto kPlain = LinkScanMode::Plain;

BENCHMARK(BM_LowerCaseCopy)->Args({1 << 17, 250})->Args({1 << 20, 2000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage<LinksOn, kEdit>)->Name("BM_LinksOn/Edit")
    ->Args({1 << 17, 250})->Args({1 << 20, 2000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage<LinksOff, kEdit>)->Name("BM_LinksOff/Edit")
    ->Args({1 << 17, 250})->Args({1 << 20, 2000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage<Underlined, kEdit>)->Name("BM_Underlined")
    ->Args({1 << 17, 250})->Args({1 << 20, 2000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage<LinksOn, kPlain>)->Name("BM_LinksOn/Plain")
    ->Args({1 << 17, 250})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage<LinksOff, kPlain>)->Name("BM_LinksOff/Plain")
    ->Args({1 << 17, 250})->Unit(benchmark::kMillisecond);

// ConvertRTF end to end: the same paragraphs as RTF, 1 MB, 2000 addresses
// (the HTML's "&lt;" and "&gt;" are the RTF's "<" and ">").
const Text& Rtf() {
  static const Text rtf = [] {
    Text html = MakeHtml(std::size_t{1} << 20, 2000);
    Text body = html.substr(html.find(u"<body>") + 8);
    ReplaceIn(body, u"</body>\r\n</html>\r\n", u"", Compare::Binary);
    ReplaceIn(body, u"<p>", u"", Compare::Binary);
    ReplaceIn(body, u"</p>\r\n", u"\\par\r\n", Compare::Binary);
    ReplaceIn(body, u"<u><font COLOR=\"#0000FF\">", u"{\\ul\\cf1 ", Compare::Binary);
    ReplaceIn(body, u"</u><font COLOR=\"#000000\">", u"}", Compare::Binary);
    ReplaceIn(body, u"&lt;", u"<", Compare::Binary);
    ReplaceIn(body, u"&gt;", u">", Compare::Binary);
    ReplaceIn(body, u"\\docs\\", u"\\\\docs\\\\", Compare::Binary);
    return u"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
           u"{\\colortbl ;\\red0\\green0\\blue255;}\r\n\\pard\\plain\\f0\\fs20 " +
           body + u"}";
  }();
  return rtf;
}

// Second argument: the width FindIndex scans with (1 SSE2, 2 AVX2).
void BM_ConvertRTF(benchmark::State& state) {
  const ScanWidth before = SetScanWidth(static_cast<ScanWidth>(state.range(1)));
  const Text& source = Rtf();
  skeinlet::Convert convert;
  for (auto _ : state) {
    Text rtf = source, title = u"Bench", colour = u"white", generator, debug = u"no",
         images = u"no", folder, format, clean = u"no", name;
    Text links = state.range(0) ? u"yes" : u"no";
    Text html = convert.ConvertRTF(rtf, title, colour, generator, links, debug, images, folder,
                                   format, clean, name);
    benchmark::DoNotOptimize(html.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(source.size()));
  SetScanWidth(before);
}
BENCHMARK(BM_ConvertRTF)
    ->ArgNames({"links", "width"})
    ->ArgsProduct({{1, 0}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
