#include "helpers/colour_table.hpp"

#include "engine/state.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {

namespace {

// Line breaks inside the table become blanks, runs of blanks shrink, and the
// blanks some writers put in front of the colour words are dropped, so that
// every entry reads "red..\green..\blue..".
constexpr Rule kColourTableCleaning[] = {
    {u"\r", u" "},
    {u"\n", u" "},
    {u"\r", u" "},
    {u"\n", u" "},
    {u"    ", u" "},
    {u"   ", u" "},
    {u"  ", u" "},
    {u"  ", u" "},
    {u"   \\red", u"\\red"},
    {u"  \\red", u"\\red"},
    {u" \\red", u"\\red"},
    {u"   \\green", u"\\green"},
    {u"  \\green", u"\\green"},
    {u" \\green", u"\\green"},
    {u"   \\blue", u"\\blue"},
    {u"  \\blue", u"\\blue"},
    {u" \\blue", u"\\blue"},
};

constexpr Rule kEntryLineBreaks[] = {
    {u"\n", u""},
    {u"\r", u""},
};

constexpr TextView kMissingColour = u"#000000";

// One colour part as at least two upper-case hexadecimal digits; a value
// above 255 simply gives more, a negative one its 16-bit two's complement.
Text ColourPartDigits(TextView part) {
  Text digits = Hex16(ToInt16(part));
  if (Len(digits) == 1) digits.insert(0, 1, u'0');
  return digits;
}

}  // namespace

void ParseColourTable(TextView head) {
  ConversionState& st = State();

  // No table: only the end position is updated, the previous list stays.
  const Pos p = InStr(1, head, u"{\\colortbl", kExact);
  if (p == 0) {
    st.ColourTableEnd = CheckedInt16(InStr(1, head, u";}}", kExact));
    return;
  }

  // A table that never closes gets a list of 100 blacks.
  Pos e = InStr(p, head, u";}", kExact);
  if (e == 0) e = InStr(p, head, u"}", kExact);
  if (e == 0) {
    st.ColourList.Redim(0, 101);
    for (std::int64_t k = 0; k <= 99; ++k)
      st.ColourList[k] = Text(kMissingColour);
    return;
  }

  st.ColourTableEnd = CheckedInt16(e);

  // Runs through the ";}" (or the "}" and the character after it).
  Text t = Mid(head, p, e - p + 2);

  ApplyRules(t, kColourTableCleaning);

  st.ColourCount = CheckedInt16(CountOccurrences(t, u"red", kExact));
  st.ColourList.Redim(0, st.ColourCount);

  // A table that opens with an empty entry keeps index 0 empty, so that
  // RTF colour number k stays entry k of the list.
  const std::int64_t offset = (InStr(1, t, u"\\colortbl ;\\", kExact) > 0 ||
                               InStr(1, t, u"\\colortbl;\\", kExact) > 0)
                                  ? 1
                                  : 0;

  // The walk ends: the for loop is bounded by ColourCount, and the only way
  // to repeat the search within one entry (a missing ";" sends it back to
  // the "}" search) adds 1 to the miss counter m, which stops the whole walk
  // once it exceeds 3; so there are at most ColourCount + 4 passes.
  Pos s = 1;
  Pos r = 0;
  int m = 0;
  for (std::int64_t i = 1; i <= st.ColourCount; ++i) {
    const std::int64_t index = i - 1 + offset;
    bool found = false;
    while (!found) {
      // After a miss, go on from the "}" that follows the last "red".
      if (s == 0) {
        s = InStr(r, t, u"}", kExact);
        if (s == 0) {
          st.ColourList[index] = Text(kMissingColour);
          return;
        }
      }
      r = InStr(s, t, u"red", kExact);
      if (r == 0) {
        st.ColourList[index] = Text(kMissingColour);
        return;
      }
      s = InStr(r, t, u";", kExact);
      if (s > 0) {
        found = true;
      } else {
        ++m;
        if (m > 3) return;
      }
    }
    // The next entry is searched from this entry's ";".
    st.ColourList[index] = ColourEntryToHex(MidView(t, r, s - r));
  }
}

Text ColourEntryToHex(TextView entry) {
  Text e(entry);
  ApplyRules(e, kEntryLineBreaks);

  // The three letters "red" are skipped; without "\green" the red length
  // is negative and Mid raises error 5, as it did for the legacy reader.
  const Pos g = InStr(1, e, u"\\green", kExact);
  const Pos b = InStr(1, e, u"\\blue", kExact);
  const TextView red = MidView(e, 4, g - 4);
  const TextView green = MidView(e, g + 6, b - g - 6);
  const TextView blue = MidView(e, b + 5);

  Text html = u"#";
  html += LCase(ColourPartDigits(red));
  html += LCase(ColourPartDigits(green));
  html += LCase(ColourPartDigits(blue));
  return html;
}

}  // namespace skeinlet::detail
