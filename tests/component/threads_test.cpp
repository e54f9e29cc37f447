// Conversions on many threads at once give exactly what each gives alone,
// and what one thread's conversions leave behind (the colour and font lists
// of a document that had them) reaches only that thread's next conversion.
#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace skeinlet {
namespace {
namespace fs = std::filesystem;

std::string Html(std::string_view rtf) {
  Convert conv;
  return conv.ConvertRTF(rtf, "T", "white", "", "yes");
}
std::string Xhtml(std::string_view rtf) { return Convert().ConvertRTFXHTML(rtf, "T", "white"); }
std::string Plain(std::string_view rtf) { return Convert().ConvertRTFPlain(rtf); }

// A conversion, or the error it raised, as one comparable string.
template <typename F>
std::string Outcome(F&& f, const std::string& doc) {
  try {
    return f(doc);
  } catch (const Error& e) {
    return "error " + std::to_string(e.number());
  }
}

// Documents that carry their own font and colour tables, so that their
// conversion does not depend on what the thread converted before.
std::vector<std::string> Documents() {
  std::vector<std::string> docs;
  const fs::path root = fs::path(SKEINLET_CORPUS_DIR) / "rtf";
  if (fs::is_directory(root)) {
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_regular_file() && e.path().extension() == ".rtf" && e.file_size() < 60000)
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) {
      std::ifstream in(p, std::ios::binary);
      std::string s{std::istreambuf_iterator<char>(in), {}};
      if (s.find("\\fonttbl") != std::string::npos && s.find("\\colortbl") != std::string::npos)
        docs.push_back(std::move(s));
      if (docs.size() == 40) break;
    }
  }
  // Generated ones too, so the test means something without the corpus.
  for (int i = 0; i < 12; ++i) {
    docs.push_back("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 Font" +
                   std::to_string(i) + ";}}\r\n{\\colortbl ;\\red" + std::to_string(i * 20) +
                   "\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\cf1\\f0\\fs20 Doc " + std::to_string(i) +
                   " {\\b bold} www.example.com/" + std::to_string(i) + " \\f1\\'cf\\'f0\\'e8\\par\r\n}\r\n");
  }
  return docs;
}

TEST(Threads, ConcurrentConversionsMatchConversionsAlone) {
  const std::vector<std::string> docs = Documents();
  ASSERT_GE(docs.size(), 12u);
  // Each document alone: on a thread of its own, so nothing carries over.
  // A document whose tables do not parse converts with the lists of the
  // thread's previous document, as designed: such documents are found by
  // converting them once more after a primer document, and left out.
  struct Expected { std::string html, xhtml, plain; };
  const std::string primer =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Primer;}{\\f1 Primer;}{\\f2 Primer;}}{\\colortbl ;\\red1\\green2\\blue3;"
      "\\red1\\green2\\blue3;}\\pard x\\par\r\n}";
  std::vector<Expected> alone;
  std::vector<std::string> kept;
  for (const std::string& doc : docs) {
    Expected fresh, primed;
    std::thread([&] { fresh = {Outcome(Html, doc), Outcome(Xhtml, doc), Outcome(Plain, doc)}; }).join();
    std::thread([&] {
      Html(primer);
      primed = {Outcome(Html, doc), Outcome(Xhtml, doc), Outcome(Plain, doc)};
    }).join();
    if (fresh.html != primed.html || fresh.xhtml != primed.xhtml) continue;
    kept.push_back(doc);
    alone.push_back(std::move(fresh));
  }
  ASSERT_GE(kept.size(), 12u);

  constexpr int kThreads = 8;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::size_t> order(kept.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::mt19937 rng(static_cast<unsigned>(t) * 7919u + 1u);
      std::shuffle(order.begin(), order.end(), rng);
      // Some conversions twice in a row, some again later.
      for (std::size_t k = 0; k < order.size(); k += 5) order.push_back(order[k]);
      for (const std::size_t i : order) {
        const int kind = static_cast<int>((i + static_cast<std::size_t>(t)) % 3);
        const std::string got = kind == 0 ? Outcome(Html, kept[i])
                                : kind == 1 ? Outcome(Xhtml, kept[i])
                                            : Outcome(Plain, kept[i]);
        const std::string& want = kind == 0 ? alone[i].html : kind == 1 ? alone[i].xhtml : alone[i].plain;
        if (got != want && ++mismatches[t] == 1) {
          std::size_t at = 0;
          while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
          ADD_FAILURE() << "thread " << t << ", document " << i << ", conversion " << kind
                        << ", first difference at " << at << ":\n  alone: "
                        << want.substr(at > 40 ? at - 40 : 0, 120) << "\n  here:  "
                        << got.substr(at > 40 ? at - 40 : 0, 120);
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

TEST(Threads, FontAndColourListsCarryOverPerThreadOnly) {
  // A document without tables converts with the lists its thread's last
  // document left, never with another thread's.
  const std::string bare = "{\\rtf1\\pard\\cf1\\f0 x\\par\r\n}";
  auto withTables = [](const std::string& font, const std::string& red) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss " + font + ";}}\r\n{\\colortbl ;\\red" + red +
           "\\green0\\blue0;}\r\n\\pard\\f0 y\\par\r\n}";
  };
  std::string a, b;
  for (int round = 0; round < 20; ++round) {
    std::thread ta([&] { Html(withTables("Alpha", "255")); a = Html(bare); });
    std::thread tb([&] { Html(withTables("Beta", "0")); b = Html(bare); });
    ta.join();
    tb.join();
    ASSERT_NE(a.find("Alpha"), std::string::npos) << a;
    ASSERT_EQ(a.find("Beta"), std::string::npos) << a;
    ASSERT_NE(b.find("Beta"), std::string::npos) << b;
    ASSERT_EQ(b.find("Alpha"), std::string::npos) << b;
  }
}

}  // namespace
}  // namespace skeinlet

namespace skeinlet {
namespace {

std::string Rtf(std::string_view html) { return Convert().ConvertHTML2RTF(html, "", "yes"); }

TEST(Threads, HtmlToRtfOnManyThreadsMatchesItAlone) {
  // The HTML-to-RTF state is reset by every call, so any order of pages on
  // any thread gives what each page gives alone.
  std::vector<std::string> pages;
  const fs::path root = fs::path(SKEINLET_CORPUS_DIR) / "html";
  if (fs::is_directory(root)) {
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_regular_file() && e.file_size() < 40000 && e.path().extension().string().starts_with(".htm"))
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (std::size_t i = 0; i < paths.size() && pages.size() < 30; i += 7) {
      std::ifstream in(paths[i], std::ios::binary);
      pages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  for (int i = 0; i < 8; ++i)
    pages.push_back("<html><head><style>p { color: #" + std::to_string(100000 + i) +
                    " }</style></head><body><p>Page " + std::to_string(i) +
                    " <b>bold</b> <font face=\"Face" + std::to_string(i) +
                    "\" color=\"red\">x</font></p><ul><li>one<li>two</ul>"
                    "<table border=1><tr><td>a<td>b</table></body></html>");
  std::vector<std::string> alone;
  for (const std::string& p : pages) {
    std::string out;
    std::thread([&] { out = Outcome(Rtf, p); }).join();
    alone.push_back(std::move(out));
  }

  constexpr int kThreads = 8;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::size_t> order(pages.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::mt19937 rng(static_cast<unsigned>(t) + 17u);
      std::shuffle(order.begin(), order.end(), rng);
      for (const std::size_t i : order)
        if (Outcome(Rtf, pages[i]) != alone[i]) ++mismatches[t];
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace skeinlet
