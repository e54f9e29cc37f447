#include "helpers/font_table.hpp"

#include <cstdint>

#include "engine/state.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {

namespace {

struct SizeRange {
  int from;
  int to;
  TextView size;
};

// From 31 points up the size is "8", not "7": browsers show both as their
// largest size, and "8" is what converted pages have always carried.
constexpr SizeRange kFontSizeRanges[] = {
    {1, 9, u"1"},   {10, 10, u"2"}, {11, 12, u"3"},  {13, 14, u"4"},
    {15, 18, u"5"}, {19, 30, u"6"}, {31, 200, u"8"},
};

// Line breaks become blanks and runs of blanks shrink, so that the blank
// before each face name is a single one; then the blank some writers leave
// after "\fonttbl" and after "charset" goes.
constexpr Rule kFontTableCleaning[] = {
    {u"\r", u" "},
    {u"\n", u" "},
    {u"\r", u" "},
    {u"\n", u" "},
    {u"     ", u" "},
    {u"    ", u" "},
    {u"   ", u" "},
    {u"   ", u" "},
    {u"  ", u" "},
    {u"  ", u" "},
    {u"{\\fonttbl  {", u"{\\fonttbl{"},
    {u"{\\fonttbl {", u"{\\fonttbl{"},
    {u"charse t", u"charset"},
};

constexpr int kSpacedCharsets[] = {255, 204, 238, 161, 162, 186, 177, 178,
                                   128, 129, 134, 136, 0,   1,   2,   3,
                                   4,   5,   6,   7,   8,   9};

// "charset N" to "charsetN", in the order of kSpacedCharsets.
const RuleTable& FontTableCleaning() {
  static const RuleTable table = [] {
    RuleTable t;
    t.Append(kFontTableCleaning);
    t.AddFamily(u"charset {N}", u"charset{N}", kSpacedCharsets);
    return t;
  }();
  return table;
}

constexpr Rule kCharsetWords[] = {
    {u"\\fcharset", u""},
    {u"fcharset", u""},
    {u"charset", u""},
    {u"harset", u""},
};

// The character sets a "Times New Roman CYR" entry whose switch ran into
// its name is taken to use: the first of them found in the table text.
struct NamedCharset {
  TextView word;
  std::int16_t value;
};
constexpr NamedCharset kCyrCharsets[] = {
    {u"\\fcharset255", 255}, {u"\\fcharset204", 204}, {u"\\fcharset238", 238},
    {u"\\fcharset161", 161}, {u"\\fcharset162", 162}, {u"\\fcharset186", 186},
    {u"\\fcharset177", 177}, {u"\\fcharset178", 178}, {u"\\fcharset128", 128},
    {u"\\fcharset129", 129}, {u"\\fcharset134", 134}, {u"\\fcharset136", 136},
};

// A name after an embedded group ("{\*\panose ...}Arial") is the text
// after the group's "}".
Text DropEmbeddedGroup(Text name) {
  const Pos close = InStr(1, name, u"}", kExact);
  if (close > 0) name = Trim(MidView(name, close + 1));
  return name;
}

// Fonts in braces: "{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1 ...;}}".
void ReadBracedFonts(ConversionState& st, TextView t) {
  st.FontCount = CheckedInt16(CountOccurrences(t, u";}", kExact));
  st.FontNames.Redim(0, st.FontCount);
  st.FontCharsets.Redim(0, st.FontCount);

  Pos q = 1;
  for (std::int64_t i = 1; i <= st.FontCount; ++i) {
    const Pos b = InStr(q + 3, t, u" ", kExact);
    q = InStr(q + 3, t, u";}", kExact);
    Text name = Trim(MidView(t, b, q - b));
    // The end of the character set switch in front of the blank.
    Text charsetText = Trim(MidView(t, b - 10, 12));
    if (InStr(1, charsetText, u"harset", kText) > 0) {
      ApplyRules(charsetText, kCharsetWords);
      const Pos blank = InStr(1, charsetText, u" ", kExact);
      if (blank > 0) charsetText = Left(charsetText, blank);
      charsetText = Trim(charsetText);
      if (IsNumeric(charsetText)) {
        st.FontCharsets[i - 1] = ToInt16(charsetText);
        if (st.FontCharsets[i - 1] > 2) st.NonWesternFonts = u"yes";
      } else {
        st.FontCharsets[i - 1] = 0;
      }
    }
    name = DropEmbeddedGroup(std::move(name));
    // A face name in hexadecimal escapes: the Korean one is Gulim,
    // every other one is taken for SimSun.
    if (InStr(1, name, u"\\'", kText) > 0) {
      name = (name == u"\\'b1\\'bc\\'b8\\'b2" ||
              name == u"\\'b1\\'bc\\'b8\\'b2\\'c3\\'bc")
                 ? u"Gulim"
                 : u"SimSun";
    }
    // "\fcharset204Times New Roman CYR" has no blank after its number,
    // so the blank after "Times" was taken for the start of the name.
    if (TrimView(name) == u"New Roman CYR") {
      name = u"Times New Roman CYR";
      st.FontCharsets[i - 1] = 0;
      for (const NamedCharset& c : kCyrCharsets) {
        if (InStr(1, t, c.word, kText) > 0) {
          st.FontCharsets[i - 1] = c.value;
          st.NonWesternFonts = u"yes";
          break;
        }
      }
      if (i == 2 && st.FontCharsets[1] > 0)
        st.FontCharsets[0] = st.FontCharsets[1];
    }
    st.FontNames[i - 1] = Trim(name);
  }
}

// Fonts separated by ";": "{\fonttbl\f0\fswiss Helvetica;\f1 Courier;}".
void ReadSeparatedFonts(ConversionState& st, TextView t) {
  st.FontCount = CheckedInt16(CountOccurrences(t, u";", kExact));
  st.FontNames.Redim(0, st.FontCount);
  st.FontCharsets.Redim(0, st.FontCount);

  Pos q = 1;
  for (std::int64_t i = 1; i <= st.FontCount; ++i) {
    const Pos b = InStr(q + 3, t, u" ", kExact);
    q = InStr(q + 3, t, u";", kExact);
    Text name = DropEmbeddedGroup(Trim(MidView(t, b, q - b)));
    st.FontNames[i - 1] = Trim(name);
  }
}

}  // namespace

void BuildFontSizeMap() {
  ConversionState& st = State();
  st.FontSizeMap.Redim(0, 205);
  for (const SizeRange& range : kFontSizeRanges)
    for (int n = range.from; n <= range.to; ++n)
      st.FontSizeMap[n] = Text(range.size);
}

void ParseFontTable(TextView head) {
  ConversionState& st = State();

  bool braced = true;
  Pos p = InStr(1, head, u"{\\fonttbl{", kExact);
  if (p == 0) p = InStr(1, head, u"{\\fonttbl {", kExact);
  if (p == 0) {
    p = InStr(1, head, u"{\\fonttbl\\", kExact);
    braced = false;
  }
  if (p == 0) return;

  // When the closing text is missing, e is 0 and the length 3 - p: error
  // 5 for a table that starts after position 3.
  const Pos e =
      InStr(p, head, braced ? TextView(u";}}") : TextView(u";}"), kExact);
  Text t = Mid(head, p, e - p + 3);

  ApplyRules(t, FontTableCleaning());

  if (braced)
    ReadBracedFonts(st, t);
  else
    ReadSeparatedFonts(st, t);
}

}  // namespace skeinlet::detail
