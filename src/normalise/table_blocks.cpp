// The generator, table, border and font blocks of NormaliseRTF: G1, S1, T1,
// F1, B1, T2, G2, T3, D1, B2 and F2. NormaliseRTF calls each at its place;
// within a block the rules run in the order written here.
#include "normalise/normalise_rtf.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

// The border widths that become 20; 20 itself is left out.
constexpr int kBorderWidths[] = {10, 30, 40, 50, 60, 70, 80, 90};

}  // namespace

void BlockG1(IndexedText& indexed) {
  Text& rtf = indexed.Edit();
  // A short "Riched" generator group goes; a long one is not a group we know.
  {
    const Pos p = InStr(1, rtf, u"{\\*\\generator Riched", Compare::Text);
    if (p > 0) {
      const Pos q = InStr(p, rtf, u";}", Compare::Text);
      if (q > 0 && q < p + 80) rtf.erase(static_cast<std::size_t>(p - 1),
                                         static_cast<std::size_t>(q + 2 - p));
    }
  }
  // The "Msftedit" group is removed wherever its exact text recurs.
  {
    const Pos p = InStr(1, rtf, u"{\\*\\generator Msftedit ", Compare::Text);
    if (p > 0) {
      const Pos q = InStr(p, rtf, u";}", Compare::Text);
      if (q > p) {
        const Text group = Mid(rtf, p, q + 2 - p);
        if (Len(group) > 5 && Len(group) < 50) ReplaceIn(rtf, group, u"");
      }
    }
  }
}

void BlockS1(IndexedText& rtf) {
  static constexpr Rule kRules[] = {
      {u"\\par \\lang1036 ", u"\\par "},
      {u"\\par \\lang2057 ", u"\\par "},
      {u">\\cf0\\ulnone ", u"> \\cf0\\ulnone "},
      {u">\\cf1\\ulnone ", u"> \\cf1\\ulnone "},
      {u">\\ulnone ", u"> \\ulnone "},
  };
  rtf.Apply(kRules);
}

void BlockT1(IndexedText& rtf) {
  // " \endtable" after the last row end before a new paragraph definition.
  static constexpr Rule kRules[] = {
      {u"\\cell\\row\r\n\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row\r\n\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row \r\n\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row \r\n\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row\\protect\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row\\protect0\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row\r\n\\protect0\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row\r\n\\protect0\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row \r\n\\protect0\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row \r\n\\protect0\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row\r\n\\protect\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row\r\n\\protect\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
      {u"\\cell\\row \r\n\\protect\\pard\\", u"\\cell\\row \\endtable\r\n\\pard\\"},
      {u"\\cell \\row \r\n\\protect\\pard\\", u"\\cell \\row \\endtable\r\n\\pard\\"},
  };
  rtf.Apply(kRules);
}

void BlockF1(IndexedText& rtf) {
  // The blank ends the size word, as later passes expect.
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"\\fs{N}\"", u"\\fs{N} \"", Range(1, 30));
    return t;
  }();
  rtf.Apply(kRules);
}

void BlockB1(IndexedText& rtf) {
  static const RuleTable kBordered = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f1 {N}\\tab}\\pard\\brdrt\\brdrs", u"", Range(1, 19));
    return t;
  }();
  static const RuleTable kShaded = [] {
    RuleTable t;
    t.AddFamily(u"{\\pntext\\f1 {N}\\tab}\\pard\\shading500\\keepn", u"",
                Range(1, 19));
    return t;
  }();
  static const RuleTable kTopBorder = [] {
    RuleTable t;
    t.AddFamily(u"\\brsp{N} ", u"\\brsp20 ", kBorderWidths);
    t.AddFamily(u"\\brdrw{N}\\", u"\\brdrw20\\", kBorderWidths);
    t.Add(u"\\brdrw20\\brsp20 ", u"");
    t.AddFamily(u"{\\pntext\\f1 {N}\\tab}\\pard\\brdrt\\brdrs\\brdrw20\\brsp20 ",
                u"", Range(2, 15));
    return t;
  }();
  ApplyGuarded(rtf, u"\\tab}\\pard\\brdrt\\brdrs", kBordered);
  ApplyGuarded(rtf, u"\\tab}\\pard\\shading500\\keepn", kShaded);
  ApplyGuarded(rtf, u"\\tab}\\pard\\brdrt", kTopBorder);
}

void BlockT2(IndexedText& rtf) {
  static constexpr Rule kRules[] = {
      {u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\pard\\intbl\\b ",
       u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\intbl\\b "},
      {u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\pard\\intbl\\ul ",
       u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\intbl\\ul "},
      {u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\pard\\intbl\\i ",
       u"\\trowd\\trgaph108\\trleft-108\\cellx3605\\cellx6000\\cellx10188\\intbl\\i "},
  };
  rtf.Apply(kRules);
}

void BlockG2(IndexedText& rtf) {
  static constexpr Rule kRules[] = {
      {u"{\\*\\generator Riched20 5.40.11.2210;}", u""},
  };
  rtf.Apply(kRules);
}

void BlockT3(IndexedText& rtf) {
  static constexpr Rule kRules[] = {
      {u"\\row\r\n\\pard\\", u"\\row\r\n\\par \\pard\\"},
  };
  rtf.Apply(kRules);
}

void BlockD1(IndexedText& rtf) {
  static constexpr Rule kRules[] = {
      {u" \\deflang1033\\pard\\plain\\", u" \\pard\\plain\\deflang1033\\"},
      {u" \\deflang1033\\plain\\pard\\", u" \\plain\\pard\\deflang1033\\"},
      {u" \\deflang2057\\pard\\plain\\", u" \\pard\\plain\\deflang2057\\"},
      {u" \\deflang2057\\plain\\pard\\", u" \\plain\\pard\\deflang2057\\"},
  };
  rtf.Apply(kRules);
}

void BlockB2(IndexedText& rtf) {
  static const RuleTable kRules = [] {
    RuleTable t;
    t.AddFamily(u"\\brsp{N} ", u"\\brsp20 ", kBorderWidths);
    t.AddFamily(u"\\brdrl\\brdrs\\brdrw{N}\\brsp20 ", u"",
                {10, 20, 30, 40, 50, 60, 70, 80, 90});
    return t;
  }();
  ApplyGuarded(rtf, u"\\brdrl\\brdrs\\", kRules);
}

void BlockF2(IndexedText& rtf) {
  // Two blanks after the first switch in every find text, two at the end of
  // every replacement.
  static constexpr Rule kRules[] = {
      {u"\\f0  \\f1 ", u"\\f1  "},
      {u"\\f0  \\b\\f1 ", u"\\b\\f1  "},
      {u"\\b0\\f1  \\f0 ", u"\\b0\\f0  "},
      {u"\\f0  \\u\\f1 ", u"\\u\\f1  "},
      {u"\\u0\\f1  \\f0 ", u"\\u0\\f0  "},
      {u"\\f0  \\i\\f1 ", u"\\i\\f1  "},
      {u"\\i0\\f1  \\f0 ", u"\\i0\\f0  "},
  };
  if (Len(rtf.text()) < 10000) rtf.Apply(kRules);
}

}  // namespace skeinlet::detail
