// Character formatting of HTMLRTFConverter: the format stack that FONT and
// SPAN tags push and pop, background colours, and the colour and size
// readers they share.
#include "html2rtf/html_to_rtf.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace skeinlet::detail {
namespace {

// Named colours, in the order they are replaced (exact, every occurrence).
constexpr Rule kColourNames[] = {
    {u"BLACK", u"000000", kAll, kExact},   {u"GRAY", u"808080", kAll, kExact},
    {u"SILVER", u"c0c0c0", kAll, kExact},  {u"WHITE", u"ffffff", kAll, kExact},
    {u"RED", u"ff0000", kAll, kExact},     {u"MAROON", u"800000", kAll, kExact},
    {u"YELLOW", u"ffff00", kAll, kExact},  {u"OLIVE", u"808000", kAll, kExact},
    {u"LIME", u"00ff00", kAll, kExact},    {u"GREEN", u"008000", kAll, kExact},
    {u"CYAN", u"00ffff", kAll, kExact},    {u"AZURE", u"00ffff", kAll, kExact},
    {u"TEAL", u"008080", kAll, kExact},    {u"BLUE", u"0000ff", kAll, kExact},
    {u"NAVY", u"000080", kAll, kExact},    {u"MAGENTA", u"ff00ff", kAll, kExact},
    {u"FUCHSIA", u"ff00ff", kAll, kExact}, {u"PURPLE", u"800080", kAll, kExact},
};

// HTML font sizes 1 to 12 in half-points.
struct SizeEntry {
  TextView Html;
  TextView HalfPoints;
};
constexpr SizeEntry kFontSizes[] = {
    {u"1", u"15"}, {u"2", u"20"},  {u"3", u"24"},  {u"4", u"27"},
    {u"5", u"36"}, {u"6", u"48"},  {u"7", u"72"},  {u"8", u"72"},
    {u"9", u"72"}, {u"10", u"72"}, {u"11", u"72"}, {u"12", u"72"},
};

void RemoveAll(Text& s, TextView what) { ReplaceIn(s, what, u"", Compare::Binary); }

// The text from `from` up to `to` (exclusive); error 5 when `to` is 0 or
// lies before `from`, as cutting with a negative length was.
Text Between(const Text& s, Pos from, Pos to) { return Mid(s, from, to - from); }

// The legacy runtime's text of a number: whole numbers without a point,
// others with up to 15 significant digits.
Text NumberImage(double v) {
  if (!std::isfinite(v)) RaiseError(Error::kOverflow);
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    return NumberText(static_cast<std::int64_t>(v));
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  return Widen(buf);
}

// Round to one decimal, halves to even.
double RoundOneDecimal(double v) { return std::nearbyint(v * 10.0) / 10.0; }

// The value of FACE, SIZE or COLOR in a FONT tag, starting at `at`.
Text FontAttributeValue(const Text& tag, Pos at) {
  // LTrim(Mid(tag, at)); after an opening quote, up to the closing one;
  // otherwise up to the next blank, else the next ">"; trimmed. Read in
  // views of the tag, so that only the value is copied.
  TextView rest = MidView(tag, at);
  while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);
  TextView from = rest;
  if (!rest.empty() && rest[0] == u'"') {
    from = rest.substr(1);
    const std::size_t q = from.find(u'"');
    if (q != TextView::npos) return Text(TrimView(from.substr(0, q)));
  }
  std::size_t end = from.find(u' ');
  if (end == TextView::npos) end = from.find(u'>');
  if (end == TextView::npos) return Text();
  return Text(TrimView(from.substr(0, end)));
}

FormatRecord& Current(HtmlRtfState& s) { return s.FormatStack.Current(); }

void PushRecord(HtmlRtfState& s, bool fromSpan) {
  const FormatRecord& top = Current(s);
  FormatRecord r;
  r.Font = top.Font;
  r.Size = top.Size;
  r.Colour = top.Colour;
  r.FromSpan = fromSpan;
  s.FormatStack.Push(r);
}

std::int16_t ColourNumber(const HtmlRtfState& s, const Text& colour) {
  return CheckedInt16(IndexOfEntry(s.RtfColourIndex, colour) + 1);
}

}  // namespace

void RegisterEntry(BoundedArray<Text>& array, std::int16_t& count, EntryIndex& index,
                   const Text& value) {
  if (index.contains(value)) return;
  array.RedimPreserve(count);
  // Once the count is at its limit the last entry is written over.
  if (const auto old = index.find(array[count]); old != index.end() && old->second == count)
    index.erase(old);
  array[count] = value;
  index.emplace(value, count);
  count = CheckedInt16(std::int64_t{count} + 1);
}

void StartFont(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  PushRecord(s, false);

  bool faceSet = false;
  Pos f = InStr(1, tag, u"FACE=", Compare::Binary);
  Pos at = f + 5;
  if (f == 0) {
    f = InStr(1, tag, u"FACE =", Compare::Binary);
    at = f + 6;
  }
  if (f > 0) {
    const Text face = FontAttributeValue(tag, at);
    if (!face.empty()) {
      RegisterEntry(s.RtfFonts, s.RtfFontCount, s.RtfFontIndex, face);
      Current(s).Font = CheckedInt16(IndexOfEntry(s.RtfFontIndex, face));
      Emit(u"\\f" + NumberText(Current(s).Font));
      s.CurrentFont = Current(s).Font;
      faceSet = true;
    }
  }
  if (!faceSet) {
    // Font numbers are never negative, so the search down the stack for
    // one that is not stops at the record just pushed.
    const std::int16_t font = Current(s).Font;
    Emit(u"\\f" + NumberText(font));
    s.CurrentFont = font;
  }

  Pos p = InStr(1, tag, u"SIZE=", Compare::Binary);
  if (p > 0) {
    const Text size = FontAttributeValue(tag, p + 5);
    if (!size.empty()) Current(s).Size = ToInt16(HtmlSizeToHalfPoints(size, false));
  }

  p = InStr(1, tag, u"SIZEPT=", Compare::Binary);
  if (p > 0) {
    Pos end = InStr(p + 7, tag, u" ", Compare::Binary);
    if (end == 0) end = InStr(p + 7, tag, u">", Compare::Binary);
    Text size = Between(tag, p + 7, end);
    RemoveAll(size, u"\"");
    if (!size.empty()) Current(s).Size = ToInt16(size);
  }

  const Pos c = InStr(1, tag, u"COLOR=", Compare::Binary);
  if (c == 0) return;
  Text colour = FontAttributeValue(tag, c + 6);
  RemoveAll(colour, u"\"");
  colour = NormaliseColour(colour);
  if (colour.empty()) return;
  RegisterEntry(s.RtfColours, s.RtfColourCount, s.RtfColourIndex, colour);
  Current(s).Colour = ColourNumber(s, colour);
}

void EndFont() {
  HtmlRtfState& s = HtmlRtf();
  s.BackgroundColour = 5;
  FormatRecord removed;
  if (!s.FormatStack.RemoveTopmost(false, removed)) return;
  s.CurrentFont = Current(s).Font;
}

void StartSpan(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  if (s.SpanBackground > 0) s.SpanBackground = CheckedInt16(std::int64_t{s.SpanBackground} + 1);
  PushRecord(s, true);

  Pos c = InStr(1, tag, u"COLOR:", Compare::Binary);
  if (c > 1 && tag[static_cast<std::size_t>(c - 2)] == u'-')
    c = InStr(c + 1, tag, u"COLOR:", Compare::Binary);
  if (c > 0) {
    Pos end = InStr(c + 7, tag, u" ", Compare::Binary);
    if (end > 0) {
      if (Contains(Between(tag, c, end), u"RGB", Compare::Binary))
        end = InStr(c, tag, u")", Compare::Binary);
    } else {
      end = InStr(c + 6, tag, u">", Compare::Binary);
    }
    Text colour = Between(tag, c + 6, end);
    for (TextView gone : {u"\"", u" ", u"#", u";", u"'"}) RemoveAll(colour, gone);
    ConvertRgbForm(colour);
    colour = NormaliseColour(colour);
    if (!colour.empty()) {
      RegisterEntry(s.RtfColours, s.RtfColourCount, s.RtfColourIndex, colour);
      Current(s).Colour = ColourNumber(s, colour);
    }
  }

  static constexpr TextView kStyleNames[] = {u"TEXT-DECORATION:", u"FONT-WEIGHT:",
                                            u"FONT-STYLE:"};
  for (const TextView name : kStyleNames) {
    const Pos n = InStr(1, tag, name, Compare::Binary);
    if (n == 0) continue;
    // The value ends at the first blank after the name, so a blank after
    // the colon leaves it empty: "FONT-WEIGHT: BOLD" is not bold.
    const Pos from = n + Len(name);
    Pos end = InStr(from, tag, u" ", Compare::Binary);
    if (end == 0) end = InStr(from, tag, u">", Compare::Binary);
    Text value = Between(tag, from, end);
    for (TextView gone : {u"\"", u" ", u";"}) RemoveAll(value, gone);
    value = LCase(value);
    if (Contains(value, u"line-through", Compare::Binary)) {
      Current(s).Strike = true;
      Emit(u"{\\strike ");
    }
    if (Contains(value, u"underline", Compare::Binary)) {
      Current(s).Underline = true;
      Emit(u"\\ul1");
    }
    if (name == u"FONT-WEIGHT:" && Contains(value, u"bold", Compare::Binary)) {
      Current(s).Bold = true;
      Emit(u"\\b1");
    }
    if (name == u"FONT-STYLE:" && Contains(value, u"italic", Compare::Binary)) {
      Current(s).Italic = true;
      Emit(u"\\i1");
    }
  }

  const Pos z = InStr(1, tag, u"FONT-SIZE:", Compare::Binary);
  if (z > 0) {
    Pos end = InStr(z + 10, tag, u";", Compare::Binary);
    if (end == 0) end = InStr(z + 10, tag, u" ", Compare::Binary);
    if (end == 0) end = InStr(z + 10, tag, u">", Compare::Binary);
    Text size = Between(tag, z + 10, end);
    RemoveAll(size, u"\"");
    size = UCase(size);
    RemoveAll(size, u"'");
    RemoveAll(size, u"PT");
    if (!size.empty()) Current(s).Size = CheckedInt16(std::int64_t{ToInt16(size)} * 2);
  }
}

void EndSpan() {
  HtmlRtfState& s = HtmlRtf();
  FormatRecord r;
  if (s.FormatStack.RemoveTopmost(true, r)) {
    if (r.Bold) Emit(u"\\b0");
    if (r.Italic) Emit(u"\\i0");
    if (r.Underline) Emit(u"\\ul0");
    if (r.Strike) Emit(u"}");
    // Every record above the topmost SPAN record was pushed by FONT, and a
    // FONT record never has a switch on: each switch of the record removed
    // is cleared in the one that takes its place or carried from a record
    // that has it off. Taking the record out is therefore the whole of the
    // carrying.
  }
  if (s.SpanBackground >= 2) {
    s.SpanBackground = CheckedInt16(std::int64_t{s.SpanBackground} - 1);
    return;
  }
  Emit(u"\\highlight" + NumberText(s.BackgroundColour));
  s.SpanBackground = 0;
}

void ApplyBackgroundColour(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  if (tag.starts_with(u"<HR")) return;
  const Text c = ParseColourAttribute(tag);
  if (c.empty()) return;
  const std::int16_t n = ColourNumber(s, c);
  if (!Contains(tag, u"<SPAN", Compare::Binary))
    s.BackgroundColour = n;
  else
    s.SpanBackground = 1;
  if (Contains(tag, u"<TR", Compare::Binary)) {
    s.TableStack[s.TableDepth].RowHighlight = true;
    Emit(u"{\\highlight" + NumberText(n));
  } else if (Contains(tag, u"<TD", Compare::Binary)) {
    s.TableStack[s.TableDepth].CellHighlight = true;
    Emit(u"{\\highlight" + NumberText(n));
  } else {
    Emit(u"\\highlight" + NumberText(n));
  }
}

void ConvertRgbForm(Text& v) {
  if (!Contains(v, u"RGB", Compare::Text)) return;
  for (TextView gone : {u"RGB", u"(", u")"}) ReplaceIn(v, gone, u"", Compare::Text);
  Pos k = InStr(1, v, u",", Compare::Binary);
  if (k == 0) {
    v.clear();
  } else {
    const Text r = ColourComponentToHex(Trim(Left(v, k - 1)));
    v = r + Mid(v, k + 1);
  }
  k = InStr(1, v, u",", Compare::Binary);
  if (k > 3) {
    const Text g = ColourComponentToHex(Trim(Mid(v, 3, k - 3)));
    const Text b = ColourComponentToHex(Trim(Mid(v, k + 1)));
    v = Left(v, 2) + g + b;
  } else {
    v.clear();
  }
}

Text ParseColourAttribute(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  Text v;
  const Pos b = InStr(1, tag, u"BACKGROUND-COLOR:", Compare::Binary);
  if (b > 0) {
    Pos e = InStr(b + 18, tag, u" ", Compare::Binary);
    if (e > 0) {
      if (Contains(Between(tag, b, e), u"RGB", Compare::Binary))
        e = InStr(b, tag, u")", Compare::Binary);
    } else {
      e = InStr(b + 17, tag, u">", Compare::Binary);
    }
    v = Between(tag, b + 17, e);
  }
  ConvertRgbForm(v);
  struct Attribute {
    TextView Name;
    Pos Length;
  };
  for (const Attribute a : {Attribute{u"BACK=", 5}, Attribute{u"BGCOLOR=", 8}}) {
    const Pos p = InStr(1, tag, a.Name, Compare::Binary);
    if (p == 0) continue;
    Pos e = InStr(p + a.Length, tag, u" ", Compare::Binary);
    if (e == 0) e = InStr(p + a.Length, tag, u">", Compare::Binary);
    v = Between(tag, p + a.Length, e);
  }
  v = NormaliseColour(v);
  if (!v.empty()) RegisterEntry(s.RtfColours, s.RtfColourCount, s.RtfColourIndex, v);
  return v;
}

Text NormaliseColour(TextView value) {
  // A document names few colours and names them again and again: the last
  // few values are remembered with what they became.
  struct Seen {
    Text Value, Normalised;
  };
  thread_local std::array<Seen, 8> seen;
  thread_local std::size_t next = 0;
  for (const Seen& e : seen)
    if (!e.Value.empty() && e.Value == value) return e.Normalised;

  // Blanks, semicolons, apostrophes, quotes and "#" go (in one pass: taking
  // out one of them cannot make another), and the rest is upper-cased.
  Text v;
  v.reserve(value.size());
  for (const char16_t c : value)
    if (c != u' ' && c != u';' && c != u'\'' && c != u'"' && c != u'#') v.push_back(UpperUnit(c));
  ApplyRules(v, kColourNames);
  if (!value.empty()) {
    seen[next] = Seen{Text(value), v};
    next = (next + 1) % seen.size();
  }
  return v;
}

Text ColourComponentToHex(TextView component) {
  Text c(component);
  double value = 0;
  if (Contains(c, u"%", Compare::Binary)) {
    RemoveAll(c, u"%");
    value = std::nearbyint(ToDouble(Trim(c)) / 100.0 * 255.0);
  } else {
    value = ToDouble(c);
  }
  Text h = Hex32(RoundToInt32(value));
  if (h.size() == 1) h = u"0" + h;
  return h;
}

Text HtmlSizeToHalfPoints(TextView value, bool isPoints) {
  for (const SizeEntry& e : kFontSizes)
    if (value == e.Html) return Text(e.HalfPoints);
  Text result;
  SkipOnError([&] {
    if (isPoints) {
      result = NumberImage(RoundOneDecimal(ToDouble(value)) * 2.0);
      return;
    }
    Text v(value);
    RemoveAll(v, u"'");
    const double n = RoundOneDecimal(Val(v));
    result = HtmlSizeToHalfPoints(NumberImage(n), true);
  });
  return result;
}

}  // namespace skeinlet::detail
