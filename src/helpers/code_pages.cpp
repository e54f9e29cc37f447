#include "helpers/code_pages.hpp"

#include "engine/state.hpp"
#include "text/rules.hpp"

#include <bitset>

namespace skeinlet::detail {
namespace {

// Windows-1252 bytes 80 to 9F; the five unassigned ones keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct ByteRow {
  int byte;
  TextView replacement;
};

// Where the Western table leaves Windows-1252: typographic punctuation is
// written plainly.
constexpr ByteRow kWesternRows[] = {
    {0x85, u"..."}, {0x91, u"'"}, {0x92, u"'"}, {0x93, u"\""},
    {0x94, u"\""},  {0x95, u"*"}, {0x97, u"-"},
};

// Code page 1254 letters that differ from 1252.
constexpr ByteRow kTurkishRows[] = {
    {0xD0, u"&#286;"}, {0xDD, u"&#304;"}, {0xDE, u"&#350;"},
    {0xF0, u"&#287;"}, {0xFD, u"&#305;"}, {0xFE, u"&#351;"},
};

Text EscapeFor(int byte) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  return Text{u'\\', u'\'', kHex[byte >> 4], kHex[byte & 15]};
}

enum class Table { Western, Greek, Turkish };

// One rule per byte 80..FF, ascending.
RuleTable BuildTable(Table which, bool withMiddleDot) {
  Text replacement[128];
  for (int b = 0x80; b <= 0xFF; ++b)
    replacement[b - 0x80] =
        Text(1, b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  for (const ByteRow& row : kWesternRows) replacement[row.byte - 0x80] = Text(row.replacement);
  if (which == Table::Greek)
    for (int b = 0xE1; b <= 0xF9; ++b)
      replacement[b - 0x80] = u"&#" + NumberText(945 + b - 0xE1) + u";";
  if (which == Table::Turkish)
    for (const ByteRow& row : kTurkishRows) replacement[row.byte - 0x80] = Text(row.replacement);
  RuleTable t;
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (b == 0xB7 && !withMiddleDot) continue;
    t.Add(EscapeFor(b), replacement[b - 0x80]);
  }
  return t;
}

const RuleTable& WesternTable(bool withMiddleDot) {
  static const RuleTable full = BuildTable(Table::Western, true);
  static const RuleTable noDot = BuildTable(Table::Western, false);
  return withMiddleDot ? full : noDot;
}

// 0-15 for a hexadecimal digit (after lower-casing), else -1.
int HexValue(char16_t lowered) {
  if (lowered >= u'0' && lowered <= u'9') return lowered - u'0';
  if (lowered >= u'a' && lowered <= u'f') return lowered - u'a' + 10;
  return -1;
}

// Which escapes a text holds: the bytes written as "\'" and two hexadecimal
// digits, compared as the escape rules compare (lower-cased). Every rule of
// an escape table finds one such escape, so a rule whose byte is not here
// cannot match, and one scan of the text stands for the table's searches.
class EscapeBytes {
 public:
  explicit EscapeBytes(TextView text) { Read(text); }

  void Read(TextView text) {
    bytes_.reset();
    const char16_t* lower = LowerTable();
    // Only a backslash lower-cases to a backslash, and only an apostrophe
    // to an apostrophe, so the escapes are found by an exact search.
    for (std::size_t i = FindIndex(text, u"\\'", 0, Compare::Binary);
         i != TextView::npos && i + 3 < text.size();
         i = FindIndex(text, u"\\'", i + 1, Compare::Binary)) {
      const int high = HexValue(lower[text[i + 2]]);
      const int low = HexValue(lower[text[i + 3]]);
      if (high >= 0 && low >= 0) bytes_.set(static_cast<std::size_t>(high * 16 + low));
    }
  }
  bool Any() const { return bytes_.any(); }
  bool Has(int byte) const { return bytes_.test(static_cast<std::size_t>(byte)); }
  // False only when the find text of an escape rule cannot occur.
  bool MayOccur(TextView find) const {
    if (find.size() != 4 || find[0] != u'\\' || find[1] != u'\'') return true;
    const char16_t* lower = LowerTable();
    const int high = HexValue(lower[find[2]]);
    const int low = HexValue(lower[find[3]]);
    return high < 0 || low < 0 || Has(high * 16 + low);
  }

 private:
  std::bitset<256> bytes_;
};

// Whether writing `replace` can make an escape that was not there: it holds
// a backslash or an apostrophe, or it starts with a digit that completes an
// escape before it, or it is empty and joins its neighbours.
bool CanMakeEscapes(TextView replace) {
  if (replace.empty() || HexValue(LowerUnit(replace.front())) >= 0) return true;
  for (const char16_t c : replace) {
    const char16_t lowered = LowerUnit(c);
    if (lowered == u'\\' || lowered == u'\'') return true;
  }
  return false;
}

// The table's rules in order, skipping those whose escape is not in the
// text; the set is read again after a replacement that can make escapes.
void ApplyEscapes(Text& text, std::span<const Rule> rules, EscapeBytes& escapes) {
  for (const Rule& rule : rules) {
    if (!escapes.MayOccur(rule.find)) continue;
    if (ApplyRule(text, rule) > 0 && CanMakeEscapes(rule.replace)) escapes.Read(text);
  }
}

}  // namespace

void ApplyEscapeRules(Text& text, std::span<const Rule> rules) {
  // Nothing to do without an escape; most runs have none.
  EscapeBytes escapes(text);
  if (escapes.Any()) ApplyEscapes(text, rules, escapes);
}

Text DecodeWesternEscapes(Text text) {
  EscapeBytes escapes(text);
  if (!escapes.Any()) return text;
  const bool dotTab = escapes.Has(0xB7) && Contains(text, u"\\'b7\\tab");
  ApplyEscapes(text, WesternTable(!dotTab), escapes);
  return text;
}

Text DecodeHexEscapes(Text text, TextView context) {
  static const RuleTable greek = BuildTable(Table::Greek, true);
  static const RuleTable turkish = BuildTable(Table::Turkish, true);
  const Text& language = State().Language;
  if (language == u"turkish" || Contains(context, u"lang1055")) {
    ApplyEscapeRules(text, turkish);
    return text;
  }
  if (language == u"greek" || Contains(context, u"lang1032")) {
    ApplyEscapeRules(text, greek);
    return text;
  }
  if (!Contains(text, u"\\lang1055") && !Contains(text, u"\\lang1032")) {
    ReplaceIn(text, u"\\lang1033", u"");
    ReplaceIn(text, u"\\lang1051", u"");
    return DecodeWesternEscapes(std::move(text));
  }
  ApplyEscapeRules(text, turkish);
  return text;
}

}  // namespace skeinlet::detail
