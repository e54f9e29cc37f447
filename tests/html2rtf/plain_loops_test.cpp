// The reference passes and the format stack against their plain loops, on
// random input: the reference passes rewrite the run in place from the
// start, and the stack moves its records as the end tags remove them.
#include "fresh_state.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace skeinlet::detail {
namespace {

// Both passes, replacing inside the run each time.
void PlainNumericReferences(Text& run) {
  Pos p = InStr(1, UCase(run), u"&#X", Compare::Binary);
  while (p > 0) {
    const Pos q = InStr(p, run, u";", Compare::Binary);
    if (q > 0 && q - (p + 3) == 2)
      run = Left(run, p - 1) + u"\\'" + Mid(run, p + 3, 2) + Mid(run, q + 1);
    p = InStr(p + 1, UCase(run), u"&#X", Compare::Binary);
  }
  p = InStr(1, run, u"&#", Compare::Binary);
  while (p > 0) {
    const Pos q = InStr(p, run, u";", Compare::Binary);
    if (q > 0) {
      const Text d = Mid(run, p + 2, q - p - 2);
      const Text h = Hex32(ToInt32(d));
      run = Left(run, p - 1) + (h.size() == 2 ? u"\\'" + h : u"\\u" + d + u"\\'3F") +
            Mid(run, q + 1);
    }
    p = InStr(p + 1, run, u"&#", Compare::Binary);
  }
}

TEST(PlainLoops, NumericReferences) {
  std::mt19937 rng(11);
  const TextView pieces[] = {u"&", u"#", u"x", u"X", u";", u"4", u"1", u"a", u" ",
                             u"&#", u"&#x", u"&#X", u"65", u"233", u"e9", u"8364"};
  for (int round = 0; round < 20000; ++round) {
    Text run;
    const int n = static_cast<int>(rng() % 24);
    for (int i = 0; i < n; ++i) run += pieces[rng() % std::size(pieces)];
    Text plain = run, fast = run;
    bool plainFailed = false, fastFailed = false;
    try {
      PlainNumericReferences(plain);
    } catch (const Error&) {
      plainFailed = true;
    }
    try {
      ConvertNumericReferences(fast);
    } catch (const Error&) {
      fastFailed = true;
    }
    ASSERT_EQ(fast, plain) << round;
    ASSERT_EQ(fastFailed, plainFailed) << round;
  }
}

TEST(PlainLoops, NamedEntities) {
  // The one pass over the "&"s against the table's rules applied one after
  // another, on runs made of names, their parts and their neighbours.
  std::mt19937 rng(12);
  const TextView pieces[] = {u"&",     u";",      u"amp",  u"&amp;", u"lt",   u"&lt;",
                             u"&sup",  u"1",      u"2",    u"sup1;", u"&E",   u"acute",
                             u"Eacute", u"&EACUTE;", u"&eacute", u"x",   u" ",    u"&brvbar;",
                             u"&yuml;", u"\\",   u"&&",   u"&#38;", u"&nbsp;", u"THORN;"};
  for (int round = 0; round < 20000; ++round) {
    Text run;
    const int n = static_cast<int>(rng() % 16);
    for (int i = 0; i < n; ++i) run += pieces[rng() % std::size(pieces)];
    Text plain = run, fast = run;
    for (const Rule& rule : NamedEntityRules()) ApplyRule(plain, rule);
    ConvertNamedEntities(fast);
    ASSERT_EQ(fast, plain) << round;
  }
}

// The stack as an array whose records move down when one is removed, with
// the switches carried as the span end's loop carries them.
struct PlainStack {
  std::vector<FormatRecord> r{FormatRecord{0, 24, 1}};
  Text out;

  void Push(bool span, std::int16_t size, bool bold, bool italic) {
    FormatRecord n{r.back().Font, size, r.back().Colour, span};
    n.Bold = span && bold;
    n.Italic = span && italic;
    r.push_back(n);
  }
  void EndFont() {
    for (std::size_t i = r.size() - 1; i >= 1; --i) {
      if (!r[i].FromSpan) {
        r.erase(r.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }
  void EndSpan() {
    std::size_t i = 0;
    for (std::size_t k = r.size() - 1; k >= 1; --k) {
      if (r[k].FromSpan) {
        i = k;
        break;
      }
    }
    if (i > 0) {
      r[i].FromSpan = false;
      if (r[i].Bold) out += u"\\b0";
      if (r[i].Italic) out += u"\\i0";
      for (std::size_t j = i; j + 1 < r.size(); ++j) {
        r[j].Colour = r[j + 1].Colour;
        r[j].Font = r[j + 1].Font;
        r[j].Size = r[j + 1].Size;
        r[j].Bold = r[i].Bold ? false : r[j + 1].Bold;
        r[j].Italic = r[i].Italic ? false : r[j + 1].Italic;
      }
      r.pop_back();
    }
    out += u"\\highlight5";
  }
};

TEST(PlainLoops, FormatStack) {
  std::mt19937 rng(12);
  for (int round = 0; round < 300; ++round) {
    HtmlRtfState& s = FreshState();
    PlainStack plain;
    Text fast;
    // Mostly pushes first and mostly ends after, so that many records are
    // removed from under others and the removed ones get swept out.
    // Every third round first buries 200 FONT records under a few SPAN
    // records and ends most of them.
    std::vector<unsigned> ops;
    if (round % 3 == 0) {
      ops.assign(200, 0);
      ops.insert(ops.end(), 1 + rng() % 3, 1);
      ops.insert(ops.end(), 150, 2);
    }
    const int steps = 50 + static_cast<int>(rng() % 1500);
    for (int k = 0; k < steps; ++k) {
      const unsigned roll = rng() % 8;
      const bool pushing = k < steps / 2 ? roll < 6 : roll < 2;
      ops.push_back((pushing ? 0 : 2) + rng() % 2);
    }
    for (std::size_t k = 0; k < ops.size(); ++k) {
      const unsigned what = ops[k];
      const auto size = static_cast<std::int16_t>(1 + rng() % 40);
      const bool bold = rng() % 2, italic = rng() % 2;
      if (what == 0) {
        StartFont(u"<FONT SIZEPT=" + NumberText(size) + u">");
        plain.Push(false, size, false, false);
      } else if (what == 1) {
        Text style = u"<SPAN STYLE=\"FONT-SIZE:" + NumberText(size) + u"PT;";
        if (bold) style += u"FONT-WEIGHT:BOLD;";
        if (italic) style += u"FONT-STYLE:ITALIC;";
        StartSpan(style + u"\">");
        plain.Push(true, static_cast<std::int16_t>(size * 2), bold, italic);
        if (bold) plain.out += u"\\b1";
        if (italic) plain.out += u"\\i1";
      } else if (what == 2) {
        EndFont();
        plain.EndFont();
      } else {
        EndSpan();
        plain.EndSpan();
      }
      Text emitted = Emitted();
      ReplaceIn(emitted, u"\\f0", u"", Compare::Binary);
      fast += emitted;
      ASSERT_EQ(s.FormatStack.UBound() + 1, static_cast<std::int64_t>(plain.r.size()));
      ASSERT_EQ(s.FormatStack.Current().Size, plain.r.back().Size) << round << " " << k;
      ASSERT_EQ(s.FormatStack.Current().FromSpan, plain.r.back().FromSpan);
    }
    ASSERT_EQ(fast, plain.out) << round;
    for (std::int64_t i = 0; i <= s.FormatStack.UBound(); ++i) {
      const FormatRecord& a = s.FormatStack[i];
      const FormatRecord& b = plain.r[static_cast<std::size_t>(i)];
      ASSERT_EQ(a.Size, b.Size);
      ASSERT_EQ(a.FromSpan, b.FromSpan);
      ASSERT_EQ(a.Bold, b.Bold);
      ASSERT_EQ(a.Italic, b.Italic);
    }
  }
}

}  // namespace
}  // namespace skeinlet::detail
