// ConvertRTFRun: one run of normalised RTF to HTML, appended to HtmlOut.
//
// A run is the text after one "\plain\" boundary up to the next: normally
// "plain\" and the run's control words, one blank, then its text. The
// control words give opening markup, closing markup and font attributes;
// the text part goes through the text passes. An error anywhere abandons
// the run (the caller catches it); what was appended to HtmlOut stays.
#include "engine/state.hpp"
#include "helpers/code_pages.hpp"
#include "normalise/marks.hpp"
#include "normalise/normalise_rtf.hpp"
#include "normalise/run_parts.hpp"

#include <algorithm>
#include "text/numeric.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {
using namespace std::string_view_literals;
namespace {

constexpr int kFlattenMoveLimit = 3800;

void R(Text& t, TextView find, TextView replace) { ReplaceIn(t, find, replace, Compare::Text); }
bool Has(TextView t, TextView s) { return Contains(t, s, Compare::Text); }
bool HasExact(TextView t, TextView s) { return Contains(t, s, Compare::Binary); }
Text Quoted(TextView v) { return u"\"" + Text(v) + u"\""; }
bool StartsWithText(TextView t, TextView s) {
  return t.size() >= s.size() && EqualText(t.substr(0, s.size()), s);
}
bool EndsWithText(TextView t, TextView s) {
  return t.size() >= s.size() && EqualText(t.substr(t.size() - s.size()), s);
}

// --- Step 3: whole-run rules. ---

constexpr Rule kWholeRunRules[] = {
    {u"\\pard\\f0\\fs20\\{\\{", u"\\pard\\f0\\fs20 {{"},
    {u" \\{\\{", u" {{"},
    {u"\\}\\}\\", u"}} \\"},
    {u"\\fs2  \\fs21 .\\b0 ", u".\\fs2  \\fs21 \\b0 "},
    {u"\\lang4108 .\\lang3082 ", u". "},
};

constexpr int kParagraphLanguages[] = {1031, 1033, 1036, 1040, 2055, 2057, 2064, 3082, 4108};

const RuleTable& LanguageRules() {
  static const RuleTable table = [] {
    RuleTable t;
    t.AddFamily(u"\\par \\lang{N} ", u"\\par ", kParagraphLanguages);
    t.AddFamily(u" - \\lang{N} ", u" - ", kParagraphLanguages);
    return t;
  }();
  return table;
}

const RuleTable& RunTailRules() {
  static const RuleTable table = [] {
    RuleTable t;
    t.Add(u" \\lang2064\\'", u" \\'");
    t.Add(u">", u"&gt;");
    t.Add(u"<", u"&lt;");
    // A font switch before two escaped backslashes gets its blank.
    t.AddFamily(u"\\f{N}\\\\\\\\", u"\\f{N} \\\\\\\\", Range(5, 1));
    return t;
  }();
  return table;
}

// --- Step 4: paragraph ends. ---

// "{" CR LF "\par }}}}}" (twice) down to "{" CR LF "\par }", then the same
// with a blank after the brace.
const RuleTable& GroupParagraphEnds() {
  static const RuleTable table = [] {
    RuleTable t;
    for (const TextView open : {u"{\r\n", u"{ \r\n"}) {
      for (const int braces : {5, 5, 4, 3, 2, 1})
        t.Add(Text(open) + u"\\par " + Text(static_cast<std::size_t>(braces), u'}'), u"<br>");
    }
    return t;
  }();
  return table;
}

const RuleTable& InlineParagraphEnds() {
  static const RuleTable table = [] {
    RuleTable t;
    for (const TextView head : {u"{\\par ", u"\\par "})
      for (const int braces : {5, 5, 4, 3, 2, 1})
        t.Add(Text(head) + Text(static_cast<std::size_t>(braces), u'}'), u"<br>");
    return t;
  }();
  return table;
}

const RuleTable& LineParagraphEnds() {
  static const RuleTable table = [] {
    RuleTable t;
    for (const int braces : {5, 5, 4, 3, 2, 1})
      t.Add(u"\\par\r\n" + Text(static_cast<std::size_t>(braces), u'}'), u"<br>");
    return t;
  }();
  return table;
}

constexpr Rule kParagraphEnds[] = {
    {u"\\par\r\n\\b ", u"\\par \\b \r\n"},
    {u"\r\n\\par\r\n", u" <br> "},
    {u"\r\n\\pard\\par", u"\\pard <br>"},
    {u"\r\n\\par", u"<br>"},
    {u"\\par\r\n", u"<br>"},
    {u"\\'b7\\tab <br> ", u" <br> "},
};

void ParagraphEnds(IndexedText& run) {
  if (run.Has(u"\\par }\r\n"sv)) run.Apply(GroupParagraphEnds());
  if (run.Has(u"\\par }"sv)) run.Apply(InlineParagraphEnds());
  if (run.Has(u"\\par\r\n}"sv)) run.Apply(LineParagraphEnds());
  run.Apply(kParagraphEnds);
}

// --- Step 5: hidden character groups. ---

void RemoveGroupFrom(Text& run, TextView opening) {
  const Pos p = InStr(1, run, opening, Compare::Text);
  if (p == 0) return;
  const Pos close = InStr(p, run, u"}"sv, Compare::Text);
  if (close == 0) return;
  run.erase(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(close - p + 1));
}

// --- Step 7: nested groups in the text part. ---

}  // namespace

// The loop as it is described: find the first "{\" from the start, find
// the first "}" after it, widen the span one character at a time (at most
// kFlattenMoveLimit times) until its braces balance, and put the span's
// flattened form (or nothing) in its place; again from the start.
//
// Done in one pass from left to right, with the same result: nothing
// before the last replacement can hold a "{\" (it was searched already,
// and a replacement holds no brace at all), except a "{" just before the
// replacement when the replacement starts with "\"; the finished part goes
// to `out` and is never searched or moved again.
void FlattenNestedGroups(Text& text) {
  constexpr TextView kGroupStart = u"{\\";
  // Most text parts hold no group: they are left as they are, uncopied.
  if (FindIndex(text, kGroupStart, 0, Compare::Binary) == TextView::npos) return;
  const std::size_t n = text.size();
  Text out;
  out.reserve(n + n / 8);
  std::size_t i = 0;      // the rest of the text still to read
  std::size_t groupAt = Text::npos;  // a group that starts inside out
  // Kept from one group to the next, so that a group costs no allocation.
  Text span, replacement;
  for (;;) {
    if (groupAt == Text::npos) {
      if (!out.empty() && out.back() == u'{' && i < n && text[i] == u'\\') {
        groupAt = out.size() - 1;
      } else {
        const std::size_t a = FindIndex(text, kGroupStart, i, Compare::Binary);
        if (a == TextView::npos) break;
        out.append(text, i, a - i);
        i = a;
        groupAt = out.size();
      }
    }
    // The span: what is left of out from the group's start (a "{" and a
    // replacement, which holds no brace), then the text up to the first
    // "}" and on until the braces balance.
    span.assign(out, groupAt, Text::npos);
    const std::size_t close = FindIndex(text, u"}"sv, i + (span.empty() ? 1 : 0), Compare::Binary);
    if (close == TextView::npos) break;
    span.append(text, i, close - i + 1);
    std::size_t end = close + 1;  // the text the span has taken
    std::size_t opens = CountUnit(span, u'{');
    std::size_t closes = CountUnit(span, u'}');
    int moves = 0;
    bool gaveUp = false;
    while (opens != closes) {
      if (++moves > kFlattenMoveLimit) {
        gaveUp = true;
        break;
      }
      if (end < n) {
        const char16_t c = text[end++];
        span.push_back(c);
        if (c == u'{') ++opens;
        if (c == u'}') ++closes;
      }
    }
    if (gaveUp) break;
    replacement.clear();
    if (opens <= 1 && !HasExact(span, u";}"sv) && !HasExact(span, u"{\\*\\"sv)) {
      // The first "{" goes, then the first "}" becomes the closing tags
      // (braces have no other case).
      replacement = span;
      if (const std::size_t brace = replacement.find(u'{'); brace != Text::npos)
        replacement.erase(brace, 1);
      if (const std::size_t brace = replacement.find(u'}'); brace != Text::npos)
        replacement.replace(brace, 1, u"</b></i></u>"sv);
    }
    out.resize(groupAt);
    out += replacement;
    i = end;
    groupAt = Text::npos;
    if (!replacement.empty() && replacement.front() == u'\\' && !out.empty() &&
        out.size() > replacement.size() && out[out.size() - replacement.size() - 1] == u'{')
      groupAt = out.size() - replacement.size() - 1;
  }
  out.append(text, std::min(i, n), Text::npos);
  text = std::move(out);
}

namespace {

void EndCentre(const Text& run) {
  ConversionState& st = State();
  if (st.CentreOpen == u"yes" && HasExact(run, u"\\pard\\"sv)) {
    st.HtmlOut += u"</CENTER>"sv;
    st.CentreOpen = u"no";
  }
  if (st.CentreOpen == u"yes" && HasExact(run, u"\\pard{"sv)) {
    st.HtmlOut += u"</CENTER>"sv;
    st.CentreOpen = u"no";
  }
}

// --- Step 11: the control word table. ---

// Non-breaking spaces for a first-line indent by its value.
int IndentSpaces(double v) {
  if (v >= 101 && v <= 249) return 1;
  if (v >= 251 && v <= 399) return 2;
  if (v >= 400 && v <= 899) return 4;
  if (v >= 900 && v <= 1299) return 6;
  if (v >= 1300 && v <= 1899) return 8;
  if (v >= 1900) return 10;
  return 0;
}

// Sets NAME="value" in the attributes, replacing an earlier one.
void SetAttribute(Text& attributes, TextView name, TextView value) {
  const Text key = Text(name) + u"=\"";
  const Text attribute = key + Text(value) + u"\" ";
  const std::size_t at = attributes.find(key);
  if (at == Text::npos) {
    attributes += attribute;
    return;
  }
  const std::size_t end = attributes.find(u"\" "sv, at + key.size());
  attributes.replace(at, end == Text::npos ? Text::npos : end + 2 - at, attribute);
}

struct Word {
  TextView whole;
  TextView letters;
  TextView number;
};

Word SplitWord(TextView w) {
  std::size_t i = 0;
  while (i < w.size() && ((w[i] >= u'a' && w[i] <= u'z') || (w[i] >= u'A' && w[i] <= u'Z'))) ++i;
  return {w, w.substr(0, i), w.substr(i)};
}

bool Is(const Word& w, TextView letters) { return w.letters == letters && IsNumeric(w.number); }

// Applies one control word of the run. False where a table entry it names
// is outside its table: the subscript error that abandons the run, taken
// here without raising it (a document without a font table names one in
// every run). `unicodeRun`: the control part holds "?\u"; no word changes
// the control part, so it is read once for all of them.
bool ApplyControlWord(RunParts& r, const Word& w, bool unicodeRun) {
  ConversionState& st = State();
  const bool drop = DropsFontMarkup();

  if (Is(w, u"f"sv) && !drop) {  // 1
    const std::int16_t n = ToInt16(w.number);
    const Text* name = st.FontNames.Find(n);
    if (name == nullptr) return false;
    SetAttribute(r.attributes, u"FACE"sv, *name);
    st.CurrentFace = Trim(*name);
    st.CurrentFontNumber = n;
  }
  if (Is(w, u"fs"sv) && !drop) {  // 2
    const std::int16_t s = RoundToInt16(ToDouble(w.number) / 2.0);
    const Text* size = st.FontSizeMap.Find(s);
    if (size == nullptr) return false;
    SetAttribute(r.attributes, u"SIZE"sv, *size);
    st.CurrentSize = Trim(*size);
  }
  if (Is(w, u"cf"sv)) {  // 3
    const Text* listed = st.ColourList.Find(ToInt16(w.number));
    if (listed == nullptr) return false;
    Text c = listed->empty() ? Text(u"#000000"sv) : *listed;
    if (!unicodeRun) {
      r.attributes += u"COLOR=" + Quoted(c) + u" ";
      st.CurrentColour = c;
    } else {
      r.open += u"<FONT COLOR=" + Quoted(c) + u">";
    }
  }
  if (w.whole.starts_with(u"'b7"sv) && Has(r.control, u"\\'b7\\tab"sv)) {  // 4
    r.open += u"<li>"sv;
    r.close += u"</li>"sv;
  }
  if (w.whole == u"lang1032"sv) st.Language = u"greek";  // 5
  if (w.whole == u"lang1055"sv) st.Language = u"turkish";
  if (w.whole == u"lang1033"sv) st.Language = u"english";
  if (w.whole == u"pard"sv) EndCentre(r.run);  // 6
  if (w.whole == u"b"sv) {  // 7
    r.open += u"<b>"sv;
    r.close += u"</b></b>"sv;
    if (st.RunCount < 2 && !Has(r.run, u"\\b0"sv)) r.close += u"<b>"sv;
  }
  if (w.whole == u"i"sv) r.open += u"<i>"sv, r.close += u"</i></i>"sv;  // 8
  if (w.whole == u"ul"sv) r.open += u"<u>"sv, r.close += u"</u></u>"sv;  // 9
  if (w.whole == u"ulnone"sv) r.open += u"</u>"sv;  // 10
  if (w.whole == u"bullet"sv) r.open += u"<li>"sv, r.close += u"</li>"sv;  // 11
  if (w.whole == u"b0"sv) r.open += u"</b>"sv;  // 12
  if (w.whole == u"i0"sv) r.open += u"</i>"sv;
  struct Special {
    TextView word;
    TextView entity;
  };
  static constexpr Special kSpecials[] = {  // 13
      {u"emdash", u"&mdash;"}, {u"endash", u"&ndash;"},       {u"lquote", u"&lsquo;"},
      {u"rquote", u"&rsquo;"}, {u"ldblquote", u"&ldquo;"}, {u"rdblquote", u"&rdquo;"},
  };
  for (const Special& s : kSpecials)
    if (EqualText(w.whole, s.word)) r.open += s.entity;
  if (EqualText(w.whole, u"strike"sv)) r.open += u"<strike>"sv, r.close += u"</strike></strike>"sv;  // 14
  if (EqualText(w.whole, u"strike0"sv)) r.open += u"</strike>"sv;  // 15
  if (w.whole == u"super"sv) r.open += u"</sub><sup>"sv, r.close += u"</sup>"sv;  // 16
  if (w.whole == u"sub"sv) r.open += u"</sup><sub>"sv, r.close += u"</sub>"sv;  // 17
  if (w.whole == u"nosupersub"sv) r.open += u"</sup></sub>"sv, r.close += u"</sup></sub>"sv;  // 18
  if (Is(w, u"up"sv)) r.open += u"<sup>"sv, r.close += u"</sup>"sv;  // 19
  if (Is(w, u"dn"sv)) r.open += u"<sub>"sv, r.close += u"</sub>"sv;  // 20
  if (st.ParagraphOpen == u"yes"sv && Has(r.control, u"\\pard\\"sv) && !Has(r.control, u"qr"sv)) {  // 21
    r.open = u"</p>" + r.open;
    st.ParagraphOpen = u"no";
  }
  auto indentValue = [&](TextView letters, double& v) {
    if (w.letters != letters) return false;
    TextView number = w.number;
    if (number.starts_with(u"-"sv)) number.remove_prefix(1);
    if (!IsNumeric(number)) return false;
    v = ToDouble(number);
    return true;
  };
  double v = 0;
  if (indentValue(u"fi"sv, v)) {  // 22
    r.open += Repeat(u"&nbsp;"sv, IndentSpaces(v));
    st.IndentOpen = u"yes";
  }
  if (indentValue(u"li"sv, v)) {  // 23
    st.Indent += Repeat(u"&nbsp;"sv, IndentSpaces(v));
    if (Has(r.control, u"plain\\pard\\li"sv)) {
      r.open += st.Indent;
      st.Indent.clear();
    }
    st.IndentOpen = u"yes";
  }
  if (w.whole == u"qr"sv) {  // 24
    r.open += u"<p align=\"right\">"sv;
    st.ParagraphOpen = u"yes";
  }
  if (w.whole == u"qc"sv) {  // 25
    r.open += u"<CENTER>"sv;
    st.CentreOpen = u"yes";
    const Pos at = InStr(1, r.run, r.control, Compare::Text);
    const Pos from = at > 0 ? at + Len(r.control) : 1;
    if (from <= Len(r.run) && InStr(from, r.run, u"\\pard{"sv, Compare::Text) > 0) {
      r.close += u"</CENTER>"sv;
      st.CentreOpen = u"no";
    }
  }
  if (w.whole == u"trowd"sv)  // 26
    r.open +=
        u"<table BORDER=\"1\" CELLSPACING=\"0\" WIDTH=\"590\" bordercolorlight=\"#000000\" "
        u"bordercolordark=\"#000000\" bordercolor=\"#000000\"><tr><td>";
  if (Is(w, u"highlight"sv)) {  // 27
    const Text* colour = st.ColourList.Find(ToInt16(w.number));
    if (colour == nullptr) return false;
    r.open += u"</span><span style=" + Quoted(u"background-color: " + *colour) + u">";
    r.close += u"</span>"sv;
  }
  if (w.letters == u"u"sv && w.number.ends_with(u"?"sv) &&  // 28
      IsNumeric(w.number.substr(0, w.number.size() - 1)))
    r.open += u"&#" + Text(w.number.substr(0, w.number.size() - 1)) + u";";
  if (Is(w, u"tx"sv)) {  // 29
    const double stop = ToDouble(w.number);
    if (stop < 30001) {
      const Text tab = stop >= 1500 ? Repeat(u"&nbsp;"sv, RoundToInt32(stop / 150))
                                    : Text(u"&nbsp;&nbsp;&nbsp;"sv);
      r.textIndex.Replace(TabStopMark, tab, Compare::Text);
    }
  }
  return true;
}

// False where a control word abandons the run.
bool ReadControlWords(RunParts& r) {
  ConversionState& st = State();
  if (CountOccurrences(r.control, u"\\"sv, Compare::Binary) > 1) ++st.MultiWordRuns;
  if (Has(r.control, u"plain\\pard\\"sv) && st.IndentOpen == u"yes" && !Has(r.control, u"\\li"sv)) {
    r.open += u"</ul></ul></ul></ul>"sv;
    st.IndentOpen = u"no";
  }
  const Text control = r.control;  // rows may not change what is read
  const bool unicodeRun = Has(control, u"?\\u"sv);
  std::size_t at = 0;
  while (at <= control.size()) {
    const std::size_t next = control.find(u'\\', at);
    const TextView piece = TextView(control).substr(at, next == Text::npos ? Text::npos : next - at);
    if (!ApplyControlWord(r, SplitWord(piece), unicodeRun)) return false;
    if (next == Text::npos) break;
    at = next + 1;
  }
  return true;
}

void CarryFont(RunParts& r) {
  ConversionState& st = State();
  if (st.MultiWordRuns <= 0 || DropsFontMarkup()) return;
  if (!Has(r.attributes, u"FACE="sv) && !st.CurrentFace.empty())
    r.attributes += u"FACE=" + Quoted(st.CurrentFace) + u" ";
  if (!Has(r.attributes, u"SIZE="sv) && !st.CurrentSize.empty())
    r.attributes += u"SIZE=" + Quoted(st.CurrentSize) + u" ";
  if (!Has(r.attributes, u"COLOR="sv) && !st.CurrentColour.empty()) {
    if (st.CurrentColour == u"#0000ff" || st.CurrentColour == u"#ff0000"sv)
      st.CurrentColour = u"#000000";
    r.attributes += u"COLOR=" + Quoted(st.CurrentColour) + u" ";
  }
}

void WriteOutput(RunParts& r) {
  ConversionState& st = State();
  Text& html = st.HtmlOut;
  if (r.attributes.empty()) {
    html += r.open;
    html += st.PendingIndent;
    html += r.text;
    html += r.close;
    return;
  }
  bool itemAfterTag = false;
  if (CountOccurrences(r.text, u"<li>"sv, Compare::Text) == 1 && !EqualText(Right(r.text, 4), u"<li>"sv) &&
      !Has(r.text, u"<br><li>"sv) && !Has(r.text, u"<br> <li>"sv)) {
    R(r.text, u"<li>"sv, u""sv);
    itemAfterTag = true;
  }
  html += r.open;
  html += u"<font "sv;
  html += r.attributes;
  html += u">"sv;
  if (itemAfterTag) html += u"<li>"sv;
  html += st.PendingIndent;
  html += r.text;
  html += u"</font>"sv;
  html += r.close;
}

// Reads the carried face, size and colour back from the end of HtmlOut.
void ReadBackFontState() {
  ConversionState& st = State();
  const TextView html = st.HtmlOut;
  ConversionState::ReadBackMarks& marks = st.ReadBack;
  // The first and last units of the part searched before tell a HtmlOut
  // that was replaced rather than appended to (a new conversion, a test).
  // They are kept as they are and compared, a block at a time.
  constexpr std::size_t kEdge = ConversionState::ReadBackMarks::kReadBackEdge;
  auto sameEdges = [&](std::size_t n) {
    const std::size_t k = std::min(n, kEdge);
    return std::equal(html.begin(), html.begin() + k, marks.edges.begin()) &&
           std::equal(html.begin() + (n - k), html.begin() + n, marks.edges.begin() + kEdge);
  };
  if (html.size() < marks.searched || !sameEdges(marks.searched)) marks = {};
  // The last occurrence in the whole of HtmlOut: the last one in what was
  // appended (from just before it, for a mark cut in two), else the one
  // found before. The three marks end in "=\"", so one walk back through
  // the appended part finds them all, and ends once it has.
  struct Mark {
    TextView text;
    std::size_t& found;
    bool seen = false;
  };
  Mark all[] = {{u" COLOR=\"", marks.colour}, {u" SIZE=\"", marks.size}, {u" FACE=\"", marks.face}};
  constexpr std::size_t kLongestMark = 8;
  const std::size_t from = marks.searched >= kLongestMark ? marks.searched - kLongestMark + 1 : 0;
  int unseen = 3;
  // Each quote from the last back to the one at from + 1.
  for (std::size_t end = html.size(); unseen > 0 && end >= from + 2; --end) {
    const std::size_t quote = FindLastUnit(html, u'"', from + 1, end);
    if (quote == TextView::npos) break;
    end = quote + 1;
    if (html[end - 2] != u'=') continue;
    for (Mark& m : all) {
      if (m.seen || end < from + m.text.size()) continue;
      if (html.substr(end - m.text.size(), m.text.size()) == m.text) {
        m.found = end - m.text.size();
        m.seen = true;
        --unseen;
      }
    }
  }
  const std::size_t colour = marks.colour;
  const std::size_t size = marks.size;
  const std::size_t face = marks.face;
  marks.searched = html.size();
  const std::size_t k = std::min(html.size(), kEdge);
  std::copy_n(html.begin(), k, marks.edges.begin());
  std::copy_n(html.end() - static_cast<std::ptrdiff_t>(k), k, marks.edges.begin() + kEdge);
  if (colour != TextView::npos) st.CurrentColour = Trim(html.substr(colour + 8, 7));
  if (size != TextView::npos) {
    Text value(html.substr(size + 7, 2));
    ReplaceIn(value, u"\""sv, u""sv, Compare::Binary);
    st.CurrentSize = Trim(value);
  }
  if (face != TextView::npos) {
    const TextView after = html.substr(face + 7);
    if (const std::size_t quote = after.find(u'"'); quote != TextView::npos) {
      Text name(after.substr(0, quote + 1));
      ReplaceIn(name, u"\""sv, u""sv, Compare::Binary);
      st.CurrentFace = Trim(name);
    }
  }
}

// Step 6.1: a run without a blank. Returns false when nothing is written.
enum class NoBlank { Nothing, ControlOnly, Split };

NoBlank SplitWithoutBlank(RunParts& r) {
  Text& run = r.run;
  if (!StartsWithText(run, u"plain\\pard\\"sv)) {
    for (int k = 9; k >= 0; --k) R(run, u"\\viewkind" + NumberText(k) + u"\\", u" \\plain\\pard\\"sv);
    const Pos blank = InStr(1, run, u" "sv, Compare::Binary);
    if (blank == 0) return NoBlank::Nothing;
    r.control = Trim(MidView(run, blank));
    r.text.clear();
    return NoBlank::ControlOnly;
  }
  if (HasExact(run, u"\\'"sv)) {
    r.control = DecodeHexEscapes(run, run);
    if (r.control != run) {
      ReplaceIn(run, u"\\'"sv, u" \\'"sv, Compare::Binary);
      return NoBlank::Split;
    }
  }
  r.control = run;
  r.text.clear();
  return NoBlank::ControlOnly;
}

void ConvertRun(RunParts& r) {
  ConversionState& st = State();
  Text& run = r.run;

  // 1. Counting.
  if (Len(run) >= 7 || st.RunCount >= 1) ++st.RunCount;

  // Steps 2 to 6 search the run through one index of it: most of their
  // find texts hold a pair of units the run has not, and are not searched.
  IndexedText indexed(run);
  const auto find = [&](TextView what) -> Pos {
    return indexed.MayOccur(what) ? InStr(1, run, what, Compare::Text) : 0;
  };

  // 2. A right-aligned picture.
  if (const Pos p = find(u"\\qr\\"sv); p > 0) {
    const Pos blank = InStr(p, run, u" "sv, Compare::Text);
    const Text word = Mid(run, p, blank - p);
    if (!Contains(Trim(word), u" "sv) && Has(Mid(run, blank, 25), PictureOpenMark.substr(1))) {
      ReplaceIn(run, PictureCloseMark, RightPictureCloseMark, Compare::Text, Occurrences::First);
      indexed.Edited();
    }
  }

  // 3. Whole-run rules, and 4, the paragraph ends.
  indexed.Apply(kWholeRunRules);
  if (indexed.Has(u"\\par \\lang"sv)) indexed.Apply(LanguageRules());
  indexed.Apply(RunTailRules());
  ParagraphEnds(indexed);

  // 5. Hidden character groups.
  constexpr TextView kHiddenChars = u"{\\*\\lchars ([\\'";
  if (const Pos p = find(kHiddenChars); p > 0 && InStr(p, run, u"}"sv, Compare::Text) > 0) {
    RemoveGroupFrom(run, kHiddenChars);
    indexed.Edited();
  }
  if (constexpr TextView kFollowingChars = u"{\\*\\fchars "; find(kFollowingChars) > 0) {
    RemoveGroupFrom(run, kFollowingChars);
    indexed.Edited();
  }

  // 6. Splitting.
  std::int16_t split = CheckedInt16(InStr(1, run, u" "sv, Compare::Binary));
  bool textPasses = true;
  if (split == 0) {
    const NoBlank how = SplitWithoutBlank(r);
    indexed.Edited();
    switch (how) {
      case NoBlank::Nothing: return;
      case NoBlank::ControlOnly: textPasses = false; break;
      case NoBlank::Split: split = CheckedInt16(InStr(1, run, u" "sv, Compare::Binary)); break;
    }
  }
  if (textPasses) {
    if (run.ends_with(u" }"sv) && !EndsWithText(run, u"\\par }"sv)) return;
    if (const Pos p = find(u"{\\pict\\"sv); p > 0) {
      const Pos close = InStr(p, run, u"}"sv, Compare::Text);
      if (close > 0) {
        run.erase(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(close - p + 1));
        indexed.Edited();
      }
    }
    Pos object = find(u"{\\object\\objemb{"sv);
    if (object == 0) object = find(u"{\\object\\"sv);
    if (object > 0) {
      const Pos close = InStr(object, run, u"}}"sv, Compare::Text);
      if (close > 0) {
        run.erase(static_cast<std::size_t>(object - 1), static_cast<std::size_t>(close - object + 1));
        indexed.Edited();
      }
    }
    const Pos escape = find(u"\\'"sv);
    if (escape > 0 && escape < split) {
      r.control.assign(MidView(run, 1, escape - 1));
      r.text.assign(MidView(run, escape));
    } else {
      const Pos brace = find(u"\\{"sv);
      if (brace > 0 && brace < split) split = CheckedInt16(brace);
      r.control.assign(MidView(run, 1, split - 1));
      r.text.assign(MidView(run, split + 1));
      // Without "\cf" the control part holds none of the six.
      if (!Has(r.control, u"?\\u"sv) && Has(r.control, u"\\cf"sv)) {
        for (int n = 1; n <= 6; ++n) {
          const Text colour = u"\\cf" + NumberText(n);
          if (Has(r.control, colour)) {
            R(r.control, colour, u""sv);
            r.text = colour + u" " + r.text;
          }
        }
      }
    }
    FlattenNestedGroups(r.text);  // 7
    EndCentre(run);               // 8
    if (Len(r.text) >= 2) TextPassesFirst(r);  // 9
  }

  // 10. List items.
  if (HasExact(r.text, BulletItemMark)) {
    r.close += Repeat(u"</li>"sv, CountOccurrences(r.text, BulletItemMark, Compare::Binary));
    r.close += Repeat(u"</ul>"sv, CountOccurrences(r.text, u"<ul>"sv, Compare::Text));
    r.textIndex.Replace(BulletItemMark, u"<li>"sv, Compare::Binary);
  }
  r.textIndex.Replace(BulletParagraphMark, u"</li><br>"sv, Compare::Text);

  if (!ReadControlWords(r)) return;  // 11: the run is abandoned
  CarryFont(r);          // 12
  TextPassesSecond(r);   // 13

  // 14. Leading blank.
  if (st.RunCount < 2 && r.text.starts_with(u" "sv)) r.text.replace(0, 1, u"&nbsp;"sv);

  WriteOutput(r);  // 15

  // 16. State.
  if (r.wroteInlineSize) ReadBackFontState();
  st.PendingIndent = st.Indent;
  st.Indent.clear();
}

}  // namespace

void ConvertRTFRun(Text& run) {
  // The parts are kept from one run to the next on each thread, so that a
  // run's texts take no allocation once they have room; each run starts
  // them afresh, even after one that raised an error.
  thread_local RunParts parts;
  parts.Reset();
  parts.run.swap(run);
  ConvertRun(parts);
  // The room of an exceptionally long run is not kept.
  parts.ReleaseLong();
}

}  // namespace skeinlet::detail
