#include "engine/state.hpp"
#include "helpers/code_pages.hpp"
#include "normalise/marks.hpp"
#include "normalise/run_parts.hpp"
#include "tables/cell_boundaries.hpp"
#include "text/errors.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <bit>
#include <optional>
#include <vector>

namespace skeinlet::detail {
using namespace std::string_view_literals;
namespace {


void R(Text& t, TextView find, TextView replace) { ReplaceIn(t, find, replace, Compare::Text); }
bool HasExact(TextView t, TextView s) { return Contains(t, s, Compare::Binary); }
bool Has(TextView t, TextView s) { return Contains(t, s, Compare::Text); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
Text Quoted(TextView v) { return u"\"" + Text(v) + u"\""; }

// --- Step 3: character escapes. ---

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 134: return 936;
    case 128: return 932;
    case 129: return 949;
    case 136: return 950;
    case 177: case 181: return 1255;
    case 178: case 179: case 180: return 1256;
    case 238: return 1250;
    case 204: return 1251;
    case 161: return 1253;
    case 162: return 1254;
    case 186: return 1257;
    case 163: return 1258;
    case 222: return 874;
    default: return 936;  // any other non-zero character set
  }
}

// The number of the last font switch "\fN" followed by a backslash or a
// blank in text[0, end), N at most FontCount; -1 when there is none.
int LastFontSwitch(TextView text, std::size_t end, int fontCount) {
  std::size_t at = end;
  while (at > 0) {
    at = text.rfind(u"\\f"sv, at - 1);
    if (at == TextView::npos) return -1;
    std::size_t d = at + 2;
    int n = 0;
    std::size_t digits = 0;
    while (d < end && IsDigit(text[d]) && digits < 6) n = n * 10 + (text[d++] - u'0'), ++digits;
    // The delimiter may be the backslash of the escape run itself.
    if (digits > 0 && d < text.size() && (text[d] == u'\\' || text[d] == u' ') &&
        n <= fontCount)
      return n;
    if (at == 0) return -1;
  }
  return -1;
}

// The last "\fN" word of the control part; -1 when there is none.
int ControlFontSwitch(TextView control) {
  int found = -1;
  std::size_t at = 0;
  while ((at = control.find(u"\\f"sv, at)) != TextView::npos) {
    std::size_t d = at + 2;
    int n = 0;
    std::size_t digits = 0;
    while (d < control.size() && IsDigit(control[d]) && digits < 6)
      n = n * 10 + (control[d++] - u'0'), ++digits;
    if (digits > 0) found = n;
    at += 2;
  }
  return found;
}

void DecodeMultiByteEscapes(RunParts& r) {
  ConversionState& st = State();
  Text& t = r.text;
  std::size_t from = 0;
  for (;;) {
    const std::size_t p = t.find(u"\\'"sv, from);
    if (p == Text::npos) return;
    std::size_t q = p;
    while (q + 1 < t.size() && t[q] == u'\\' && t[q + 1] == u'\'') q += 4;
    q = std::min(q, t.size());
    const Text escapes = t.substr(p, q - p);
    if (TrimView(escapes).empty()) return;
    int font = LastFontSwitch(t, p, st.FontCount);
    if (font < 0) font = ControlFontSwitch(r.control);
    if (font < 0) font = st.CurrentFontNumber;
    Text decoded;
    const int charset = st.FontCharsets[font];
    if (escapes.size() <= 4 || charset == 0) {
      decoded = DecodeHexEscapes(escapes, r.control);
    } else {
      if (!r.codePages) r.codePages = std::make_unique<CodePageConverter>();
      decoded = u" " + r.codePages->Decode(CodePageOfCharset(charset), escapes);
    }
    t.replace(p, escapes.size(), decoded);
    // Go on after what was written: an escape no table knows stays.
    from = p + decoded.size();
  }
}

// --- Step 4: special characters. ---

struct SpecialWord {
  TextView escaped;
  TextView withBlank;
  TextView word;
  TextView entity;
};

constexpr SpecialWord kSpecialWords[] = {
    {u"\\\\emdash", u"\\emdash ", u"\\emdash", u"&mdash;"},
    {u"\\\\endash", u"\\endash ", u"\\endash", u"&ndash;"},
    {u"\\\\lquote", u"\\lquote ", u"\\lquote", u"&lsquo;"},
    {u"\\\\rquote", u"\\rquote ", u"\\rquote", u"&rsquo;"},
    {u"\\\\ldblquote ", u"\\ldblquote ", u"\\ldblquote", u"&ldquo;"},
    {u"\\\\rdblquote", u"\\rdblquote ", u"\\rdblquote", u"&rdquo;"},
};

// --- Step 5: line ends. ---

constexpr Rule kLineEnds[] = {
    {u"\\par \\f", u"<br> \\f"},
    {u"\\par \\b0", u"<br></b>"},
    {u"\\par \\b", u"<br><b>"},
    {u"\\par }", u"<br>"},
    {u"\\pard", ParagraphWordMark},
    {u"\r\n\\par }", u"<br>\r\n"},
    {u"\r\n\\par ", u"<br>\r\n"},
    {u"\r\n\\par", u"<br>\r\n"},
    {u"\\par }", u"<br>\r\n"},
    {u"\\par ", u"<br>\r\n"},
    {u"\\par", u"<br>\r\n"},
    {ParagraphWordMark, u"\\pard"},
};

// Removes, while `probe` occurs (exact), the first `word` and the digits
// after it up to the next backslash or blank. A removal changes nothing
// before the word it removed, so the next searches for the probe and the
// word start at the first place where one can now begin: before the first
// probe found, or overlapping the removal.
void RemoveLanguageWords(IndexedText& it, TextView probe, TextView word) {
  Text& t = it.text();
  if (!it.MayOccur(probe)) return;
  std::size_t probeFrom = 0;
  std::size_t wordFrom = 0;
  for (;;) {
    const std::size_t p = FindIndex(t, probe, probeFrom, Compare::Binary);
    if (p == TextView::npos) return;
    const std::size_t at = FindIndex(t, word, wordFrom, Compare::Binary);
    if (at == TextView::npos) return;
    std::size_t end = at + word.size();
    while (end < t.size() && t[end] != u'\\' && t[end] != u' ') ++end;
    t.erase(at, end - at);
    it.Replaced(at, 0);
    probeFrom = std::min(p, at + 1 - std::min(at + 1, probe.size()));
    wordFrom = at + 1 - std::min(at + 1, word.size());
  }
}

// --- Step 6: inline underline, bold and italic. ---

const RuleTable& ColourBehindFormattingEnds() {
  static const RuleTable table = [] {
    RuleTable t;
    const auto all = Range(0, 9);
    t.AddFamily(u"\\cf{N}\\i0", u"\\i0\\cf{N}", all);
    t.AddFamily(u"\\cf{N}\\b0\\i0", u"\\b0\\i0\\cf{N}", all);
    t.AddFamily(u"\\cf{N}\\b0", u"\\b0\\cf{N}", all);
    t.AddFamily(u"\\cf{N}\\ulnone\\b0\\i0", u"\\ulnone\\b0\\i0\\cf{N}", all);
    t.AddFamily(u"\\cf{N}\\ulnone\\b0", u"\\ulnone\\b0\\cf{N}", all);
    t.AddFamily(u"\\cf{N}\\ulnone", u"\\ulnone\\cf{N}", all);
    return t;
  }();
  return table;
}

constexpr Rule kUnderline[] = {
    {u"\\ulnone ", u"</u>"}, {u"\\ul ", u"<u>"}, {u"\\ulnone", u"</u>"},
    {u"\\ul0", u"</u>"},     {u"\\ul1", u"<u>"}, {u"\\ul", u"<u>"},
};

constexpr Rule kBold[] = {
    {u"\\brd", BorderWordMark}, {u"\\b0 ", u"</b>"}, {u"\\b ", u"<b>"},
    {u"\\b0", u"</b>"},         {u"\\b1", u"<b>"},   {u"\\b", u"<b>"},
    {BorderWordMark, u"\\brd"},
};

constexpr Rule kItalic[] = {
    {u"\\intbl", InTableWordMark}, {u"\\i0 ", u"</i>"}, {u"\\i ", u"<i>"},
    {u"\\i0", u"</i>"},            {u"\\i1", u"<i>"},   {u"\\i", u"<i>"},
    {InTableWordMark, u"\\intbl"},
};

// --- Step 10: restorations and the inline switches. ---

// The control word at `p` ends before the first blank after it, else the
// first backslash, else "&", else "<"; 0 when none follows.
Pos SwitchEnd(const Text& t, Pos p) {
  for (const TextView end : {u" "sv, u"\\"sv, u"&"sv, u"<"sv}) {
    const Pos e = InStr(p + 1, t, end, Compare::Binary);
    if (e > 0) return e;
  }
  return 0;
}

// Visits each switch `word` of the text part, searching on 5 characters
// after each find; `visit` gets the find and its control word's end and
// returns false to end the pass. A find that no end follows is skipped.
template <class Visit>
void ForEachSwitch(Text& t, TextView word, Visit visit) {
  Pos p = InStr(1, t, word, Compare::Binary);
  while (p > 0) {
    const Pos e = SwitchEnd(t, p);
    if (e > 0 && !visit(p, e)) return;
    p = p + 5 > Len(t) ? 0 : InStr(p + 5, t, word, Compare::Binary);
  }
}

// The switch before two non-breaking spaces and a reference, before one
// non-breaking space, before a blank, and before a backslash becomes the tag.
void ReplaceSwitchForms(IndexedText& it, const Text& sw, const Text& tag) {
  it.Replace(sw + u"&nbsp;&nbsp;&#", tag + u"&#");
  it.Replace(sw + u"&nbsp;", tag);
  it.Replace(sw + u" ", tag);
  it.Replace(sw + u"\\", tag + u"\\");
}

void InlineSizes(RunParts& r, IndexedText& it) {
  ConversionState& st = State();
  Text& t = it.text();
  ForEachSwitch(t, u"\\fs"sv, [&](Pos p, Pos e) {
    const Text digits = Mid(t, p + 3, e - p - 3);
    if (!IsNumeric(digits)) return false;
    const std::int32_t n = ToInt32(digits);
    const std::int16_t s = RoundToInt16(n / 2.0);
    const Text sw = u"\\fs" + NumberText(n);
    if (s >= 1) {
      const Text& size = st.FontSizeMap[s];
      r.wroteInlineSize = true;
      if (!DropsFontMarkup()) {
        ReplaceSwitchForms(it, sw, u"<font SIZE=" + Quoted(size) + u">");
        st.CurrentSize = Trim(size);
      }
    }
    if (s < 1 || DropsFontMarkup()) {
      it.Replace(sw + u"&nbsp;", u""sv);
      it.Replace(sw + u" ", u""sv);
      it.Replace(sw, u""sv);
    }
    return true;
  });
}

// The font numbers 0..count that the face pass may have to replace, walked
// from the highest down.
class FontNumberSet {
 public:
  explicit FontNumberSet(std::int64_t count)
      : words_(static_cast<std::size_t>(count / 64 + 1), 0) {}
  void Add(std::int64_t k) { words_[Word(k)] |= Bit(k); }
  void Remove(std::int64_t k) { words_[Word(k)] &= ~Bit(k); }
  // The highest member at or below k, or -1.
  std::int64_t HighestUpTo(std::int64_t k) const {
    if (k < 0) return -1;
    std::size_t w = Word(k);
    std::uint64_t bits = words_[w] & (~std::uint64_t{0} >> (63 - k % 64));
    while (bits == 0) {
      if (w == 0) return -1;
      bits = words_[--w];
    }
    return static_cast<std::int64_t>(w * 64 + 63 - static_cast<std::size_t>(std::countl_zero(bits)));
  }

 private:
  static std::size_t Word(std::int64_t k) { return static_cast<std::size_t>(k / 64); }
  static std::uint64_t Bit(std::int64_t k) { return std::uint64_t{1} << (k % 64); }
  std::vector<std::uint64_t> words_;
};

// Which font numbers the face pass has work for. A font with a name has
// work wherever its switch "\fK" occurs, in either case, and the switch of K
// is a prefix of every longer digit run after "\f" ("\f12" has work for 1
// and 12). A font without a name only removes "\fK " and "\fK&nbsp;", so it
// has work only where one of those occurs.
class FaceWork {
 public:
  FaceWork(std::int64_t count, std::vector<bool> unnamed)
      : count_(count), unnamed_(std::move(unnamed)), set_(count) {}

  FontNumberSet& Set() { return set_; }

  // Adds every number with work at a switch starting in [from, to) of t.
  void Scan(TextView t, std::size_t from, std::size_t to) {
    ForEachWork(t, from, to, [&](std::int64_t k) { set_.Add(k); });
  }

  // Calls add(k) for every number k with work at a switch starting in
  // [from, to) of t.
  template <class Add>
  void ForEachWork(TextView t, std::size_t from, std::size_t to, Add&& add) const {
    to = std::min(to, t.size());
    const char16_t* lower = LowerTable();
    for (std::size_t i = from; i + 2 < t.size() && i < to; ++i) {
      if (lower[t[i]] != u'\\' || lower[t[i + 1]] != u'f') continue;
      std::int64_t k = 0;
      for (std::size_t j = i + 2; j < t.size(); ++j) {
        const char16_t d = lower[t[j]];
        if (!IsDigit(d)) break;
        k = k * 10 + (d - u'0');
        if (k > count_) break;
        if (!unnamed_[static_cast<std::size_t>(k)] || RemovableAt(t, j + 1)) add(k);
        if (k == 0) break;  // no number is written with a leading 0
      }
    }
  }

  // Marks the fonts whose tag can start a chain of replacements without
  // end: a tag that holds a switch with work for a font whose tag in turn
  // holds one, and so on round a cycle. Such a chain only ever grows the
  // text, as the full loop would until memory ran out.
  std::vector<bool> EndlessTags(const std::vector<Text>& tags) const {
    const std::size_t n = tags.size();
    std::vector<std::vector<std::size_t>> callers(n);
    std::vector<std::size_t> callees(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
      if (tags[k].empty()) continue;
      FontNumberSet inTag(count_);
      ForEachWork(tags[k], 0, tags[k].size(), [&](std::int64_t j) {
        if (!unnamed_[static_cast<std::size_t>(j)]) inTag.Add(j);
      });
      for (std::int64_t j = inTag.HighestUpTo(count_); j >= 0; j = inTag.HighestUpTo(j - 1)) {
        callers[static_cast<std::size_t>(j)].push_back(k);
        ++callees[k];
      }
    }
    // Peel off every font whose chain ends; what is left reaches a cycle.
    std::vector<bool> endless(n, true);
    std::vector<std::size_t> ends;
    for (std::size_t k = 0; k < n; ++k)
      if (callees[k] == 0) ends.push_back(k);
    while (!ends.empty()) {
      const std::size_t k = ends.back();
      ends.pop_back();
      endless[k] = false;
      for (const std::size_t caller : callers[k])
        if (--callees[caller] == 0) ends.push_back(caller);
    }
    return endless;
  }

  // Adds the work that writing `by` at each of sites in t can have made: a
  // switch and the blank or "&nbsp;" after it span at most 13 units, so only
  // the switches that start within 13 units of a site's ends can differ from
  // those wholly inside `by`, which are found once.
  void NoteReplacements(TextView t, std::span<const std::size_t> sites, TextView by) {
    constexpr std::size_t kLongestForm = 13;
    const std::size_t length = by.size();
    auto scanFrom = [&](std::size_t at, std::size_t to) {
      Scan(t, at > kLongestForm ? at - kLongestForm : 0, to);
    };
    if (length <= 2 * kLongestForm) {
      for (const std::size_t site : sites) scanFrom(site, site + length + 1);
      return;
    }
    Scan(by, 0, length - kLongestForm);
    for (const std::size_t site : sites) {
      scanFrom(site, site + kLongestForm + 1);
      scanFrom(site + length, site + length + 1);
    }
  }

 private:
  static bool RemovableAt(TextView t, std::size_t at) {
    if (at < t.size() && LowerUnit(t[at]) == u' ') return true;
    return at + 6 <= t.size() && EqualText(t.substr(at, 6), u"&nbsp;"sv);
  }

  std::int64_t count_;
  std::vector<bool> unnamed_;
  FontNumberSet set_;
};

// The font face pass. Every font number is handled, from the highest down,
// on every numeric find; a number with nothing to replace changes nothing
// but the current face, so only the numbers in the work set run their
// replacements. The set is found by one scan of the text and then kept up
// to date around each place the pass changes; a removal can join its
// neighbours into a new switch, and a face name may itself hold "\f".
// The face and number left behind are those of the lowest-numbered font
// with a name, as the full descending loop leaves them.
//
// A face name that holds switches makes tags that are replaced in turn. When
// those chains can go round without end, or grow the text past all measure,
// the pass fails with "Out of memory" where the full loop would have run
// until it did, and the run is abandoned.
void InlineFaces(RunParts& r, IndexedText& it) {
  // Passes that replace a font whose tags can go round without end; the
  // full loop never finishes once the text holds one, as its next find
  // always lies in the tag just written.
  constexpr int kMostEndlessPasses = 16;
  ConversionState& st = State();
  Text& t = it.text();
  const std::int64_t count = st.FontCount;
  const std::size_t mostUnits = t.size() * 4 + (std::size_t{1} << 20);
  std::int64_t lowestNamed = -1;
  std::optional<FaceWork> work;  // made at the first numeric find
  std::vector<Text> tags;        // of the fonts whose name holds "\f"
  std::vector<bool> endless;
  int endlessPasses = 0;
  auto replace = [&](TextView find, TextView by) {
    if (it.Replace(find, by) == 0) return false;
    work->NoteReplacements(t, it.Sites(), by);
    return true;
  };
  Pos p = InStr(1, t, u"\\f"sv, Compare::Binary);
  while (p > 0) {
    const Text seven = Mid(t, p, 7);
    // Cutting a find to three characters and a blank never makes a switch.
    if (Len(seven) >= 4 && !IsNumeric(MidView(seven, 3)) && seven[3] >= 128) {
      const Text cut = Left(seven, 3) + u" ";
      const auto at = static_cast<std::size_t>(p - 1);
      t.replace(at, seven.size(), cut);
      it.Replaced(at, cut.size());
      if (work) work->NoteReplacements(t, std::span(&at, 1), cut);
    }
    const Pos e = SwitchEnd(t, p);
    if (e > 0) {
      if (!IsNumeric(Mid(t, p + 2, e - p - 2))) return;
      if (!work) {
        // Read from the highest number down, so that a table that is not
        // there fails before anything changes, as the full loop does.
        std::vector<bool> unnamed(static_cast<std::size_t>(count + 1));
        for (std::int64_t k = count; k >= 0; --k) {
          unnamed[static_cast<std::size_t>(k)] = TrimView(st.FontNames[k]).empty();
          if (!unnamed[static_cast<std::size_t>(k)]) lowestNamed = k;
        }
        work.emplace(count, std::move(unnamed));
        work->Scan(t, 0, t.size());
        if (!DropsFontMarkup()) {
          tags.resize(static_cast<std::size_t>(count + 1));
          bool any = false;
          for (std::int64_t k = 0; k <= count; ++k) {
            const Text& name = st.FontNames[k];
            if (!TrimView(name).empty() && Has(name, u"\\f"sv)) {
              tags[static_cast<std::size_t>(k)] = u"<font FACE=" + Quoted(name) + u">";
              any = true;
            }
          }
          if (any) endless = work->EndlessTags(tags);
          else tags.clear();
        }
      }
      FontNumberSet& todo = work->Set();
      bool wentRound = false;
      for (std::int64_t k = todo.HighestUpTo(count); k >= 0; k = todo.HighestUpTo(k - 1)) {
        todo.Remove(k);
        const Text sw = u"\\f" + NumberText(k);
        const Text& name = st.FontNames[k];
        if (TrimView(name).empty()) {
          replace(sw + u" ", u""sv);
          replace(sw + u"&nbsp;", u""sv);
        } else if (DropsFontMarkup()) {
          replace(sw + u"&nbsp;", u""sv);
          replace(sw + u" ", u" "sv);
          replace(sw, u""sv);
        } else {
          const Text tag = u"<font FACE=" + Quoted(name) + u">";
          const auto at = static_cast<std::size_t>(k);
          const bool holdsSwitch = !tags.empty() && !tags[at].empty();
          // A tag that holds a switch can multiply the text with each form.
          auto replaceTag = [&](const Text& find, const Text& by) {
            if (holdsSwitch && by.size() > find.size()) {
              const auto matches = static_cast<std::size_t>(CountOccurrences(t, find, Compare::Text));
              if (t.size() + matches * (by.size() - find.size()) > mostUnits) RaiseError(Error::kOutOfMemory);
            }
            return replace(find, by);
          };
          bool changed = replaceTag(sw + u"&nbsp;&nbsp;&#", tag + u"&#");
          changed |= replaceTag(sw + u"&nbsp;", tag);
          changed |= replaceTag(sw + u" ", tag);
          changed |= replaceTag(sw, tag);
          if (changed && holdsSwitch) wentRound = wentRound || endless[at];
        }
      }
      if (wentRound && ++endlessPasses > kMostEndlessPasses) RaiseError(Error::kOutOfMemory);
      if (lowestNamed >= 0) {
        st.CurrentFace = Trim(st.FontNames[lowestNamed]);
        st.CurrentFontNumber = CheckedInt16(lowestNamed);
        r.wroteInlineSize = true;
      }
    }
    p = p + 5 > Len(t) ? 0 : InStr(p + 5, t, u"\\f"sv, Compare::Binary);
  }
}

void InlineColours(IndexedText& it) {
  ConversionState& st = State();
  Text& t = it.text();
  ForEachSwitch(t, u"\\cf"sv, [&](Pos p, Pos e) {
    const Text digits = Mid(t, p + 3, e - p - 3);
    if (!IsNumeric(digits)) return false;
    const std::int16_t n = ToInt16(digits);
    if (n <= st.ColourCount)
      ReplaceSwitchForms(it, u"\\cf" + NumberText(n),
                         u"<font COLOR=" + Quoted(st.ColourList[n]) + u">");
    return true;
  });
}

void InlineHighlights(IndexedText& it) {
  constexpr TextView kWord = u"\\highlight";
  Text& t = it.text();
  it.Replace(u"\\highlight0"sv, u"</span>"sv);
  std::size_t at = 0;
  while ((at = t.find(kWord, at)) != Text::npos) {
    std::size_t d = at + kWord.size();
    while (d < t.size() && IsDigit(t[d]) && d - at - kWord.size() < 5) ++d;
    if (d == at + kWord.size()) {
      at = d;
      continue;
    }
    const std::int16_t n = ToInt16(TextView(t).substr(at + kWord.size(), d - at - kWord.size()));
    const Text tag = u"</span><span style=" +
                     Quoted(u"background-color: " + State().ColourList[n]) + u">";
    t.replace(at, d - at, tag);
    it.Replaced(at, tag.size());
    at += tag.size();
  }
}

const RuleTable& SpacingRemoval() {
  static const RuleTable table = [] {
    RuleTable t;
    t.AddFamily(u"\\expndtw-{N}", u"", Range(0, 9));
    t.AddFamily(u"\\expndtw{N}", u"", Range(10, 40));
    t.AddFamily(u"\\expndtw{N}", u"", Range(0, 9));
    return t;
  }();
  return table;
}

constexpr Rule kStrikeSubSuper[] = {
    {u"\\\\strike", EscapedStrikeMark},
    {u"\\strike0&nbsp;", u"</strike>"},
    {u"\\strike0", u"</strike>"},
    {u"\\strike", u"<strike>"},
    {EscapedStrikeMark, u"\\\\strike"},
    {EscapedColourMark, u"\\\\cf"},
    {EscapedSizeMark, u"\\\\fs"},
    {EscapedFontMark, u"\\\\f"},
    {EscapedSpacingMark, u"\\\\expndtw"},
    {u"\\\\sub", EscapedSubMark},
    {u"\\\\super", EscapedSuperMark},
    {u"\\\\nosupersub", EscapedNoSuperSubMark},
    {u"\\super ", u"</sub><sup>"},
    {u"\\super", u"</sub><sup>"},
    {u"\\sub ", u"</sup><sub>"},
    {u"\\sub", u"</sup><sub>"},
    {u"\\nosupersub ", u"</sup></sub>"},
    {u"\\nosupersub", u"</sup></sub>"},
    {EscapedSubMark, u"\\\\sub"},
    {EscapedSuperMark, u"\\\\super"},
    {EscapedNoSuperSubMark, u"\\\\nosupersub"},
    {EscapedInlineLangMark, u"\\\\lang"},
};

constexpr Rule kSymbolsAndLines[] = {
    {u"\\u8734?", u"&#8734;"},
    {u"\\u8804?", u"&#8804;"},
    {u"\\u8805?", u"&#8805;"},
    {u"\\linex", LineXWordMark},
    {u"\\line", u"<br>"},
    {LineXWordMark, u"\\linex"},
    {u"\\'b7\\tab", u"</li></li></li><li>"},
};

// Keeps the first exact occurrence of `word` and removes the later ones.
void RemoveLaterOccurrences(Text& t, TextView word) {
  const std::size_t first = t.find(word);
  if (first == Text::npos) return;
  Text tail = t.substr(first + word.size());
  ReplaceIn(tail, word, u""sv, Compare::Binary);
  t.resize(first + word.size());
  t += tail;
}

void InlineAlignment(RunParts& r, IndexedText& it) {
  it.Replace(u"\\\\q"sv, EscapedAlignMark);
  // A switch that is not there adds nothing.
  auto count = [&it](TextView word) {
    return it.Has(word, Compare::Binary) ? CountOccurrences(it.text(), word, Compare::Binary) : 0;
  };
  const Pos centres = count(u"\\qc"sv);
  if (centres >= 2) {
    RemoveLaterOccurrences(it.Edit(), u"\\qc"sv);
  } else if (centres == 1) {
    it.Replace(u"\\qc"sv, u"<center>"sv);
    r.close += u"</CENTER>"sv;
  }
  const Pos rights = count(u"\\qr"sv);
  if (rights >= 2) {
    RemoveLaterOccurrences(it.Edit(), u"\\qr"sv);
  } else if (rights == 1) {
    it.Replace(u"\\qr"sv, u"<p align=\"right\">"sv);
    r.close += u"</p>"sv;
  }
  it.Replace(EscapedAlignMark, u"\\\\q"sv);
}

// "\up10" to "\up31", then "\up1" to "\up9" (and the same for "\dn").
RuleTable RaisedOrLoweredRules(TextView word, TextView tag) {
  RuleTable t;
  t.AddFamily(Text(word) + u"{N}", tag, Range(10, 31));
  t.AddFamily(Text(word) + u"{N}", tag, Range(1, 9));
  return t;
}

// --- Step 11: tables in the text part. ---

const RuleTable& TableRules() {
  static const RuleTable table = [] {
    RuleTable t;
    t.Add(u"\\cellx", CellxWordMark);
    t.Add(u"\\pard\\intbl", InTablePardMark);
    t.Add(u" \\trowd",
          u"<table BORDER=\"1\" CELLSPACING=\"0\" WIDTH=\"590\" bordercolorlight=\"#000000\" "
          u"bordercolordark=\"#000000\" bordercolor=\"#000000\"><tr><td>");
    t.Add(u"\\cell", u"</td><td>");
    t.Add(u"\\row<br>d", u"</tr></table>");
    t.Add(u"\\row<br>", u"</tr></table>");
    t.Add(u"\\row", u"</tr>");
    t.Add(u"\\intbl", u"<tr>");
    t.Add(CellxWordMark, u"\\cellx");
    t.Add(InTablePardMark, u"\\pard\\intbl");
    t.Add(u"</td><td></tr>", u"</td></tr>");
    t.Add(u"<tr><td><tr>", u"<tr><td>");
    auto rowBreaks = [&t] {
      t.Add(u"</tr>\n<tr>", u"</tr><tr><td>");
      t.Add(u"</tr>\r<tr>", u"</tr><tr><td>");
      t.Add(u"</tr>\n<tr>", u"</tr><tr><td>");
      t.Add(u"</tr>\r<tr>", u"</tr><tr><td>");
      t.Add(u"</tr>\r\n<tr> ", u"</tr><tr><td>");
      t.Add(u"</tr>\r\n<tr>", u"</tr><tr><td>");
    };
    rowBreaks();
    t.Add(u"</td><td></b></tr>", u"</b></td></tr>");
    t.Add(u"</td><td></u></tr>", u"</u></td></tr>");
    t.Add(u"</td><td></i></tr>", u"</i></td></tr>");
    t.Add(u"</td><td></ul></tr>", u"</ul></td></tr>");
    rowBreaks();
    t.Add(u" \\endtable", u"</table>");
    t.Add(u"\\endtable", u"</table>");
    return t;
  }();
  return table;
}

// --- Step 12: the control words left. ---

void RemoveControlWords(Text& t) {
  R(t, u"\\~"sv, u" "sv);
  constexpr TextView kSlash = u"\\";
  const std::size_t firstSlash = FindIndex(t, kSlash, 0, Compare::Binary);
  if (firstSlash == TextView::npos) {
    // No control word: the text stays as it is.
    R(t, EscapedBackslashMark, u"\\"sv);
    return;
  }
  // A control word ends at the first of these after its backslash.
  constexpr std::array<char16_t, 5> kWordEnds = {u' ', u'}', u'\r', u'\n', u'<'};
  Text out;
  out.reserve(t.size());
  std::size_t i = 0;
  for (bool first = true; i < t.size(); first = false) {
    const std::size_t slash = first ? firstSlash : FindIndex(t, kSlash, i, Compare::Binary);
    if (slash == TextView::npos) {
      out.append(t, i, Text::npos);
      break;
    }
    out.append(t, i, slash - i);
    const std::size_t end = FindAnyUnit(t, slash + 1, kWordEnds);
    if (end == TextView::npos) break;  // no terminator: the text ends here
    const TextView word = TextView(t).substr(slash, end - slash);
    if (FindIndex(word, u"\\u"sv, 0, Compare::Binary) != TextView::npos) {
      // A Unicode escape becomes a numeric character reference.
      Text ref(word);
      R(ref, u"?\\u"sv, u";&#"sv);
      R(ref, u"\\u"sv, u"&#"sv);
      ReplaceIn(ref, u"?"sv, u";"sv, Compare::Text, Occurrences::First);
      if (ref.find(u'\\') == Text::npos) {
        out += ref;
        i = end;
      } else {
        // Another control word is still inside: it is read again from its
        // backslash, with the reference as part of it.
        t = ref + t.substr(end);
        i = 0;
      }
    } else {
      // The word goes with its terminating blank.
      i = t[end] == u' ' ? end + 1 : end;
    }
  }
  t = std::move(out);
  R(t, EscapedBackslashMark, u"\\"sv);
}

}  // namespace

bool DropsFontMarkup() {
  const ConversionState& st = State();
  return st.NoFrame == u"yes" && st.RawKeepFonts != u"yes"sv;
}

void TextPassesFirst(RunParts& r) {
  ConversionState& st = State();
  Text& t = r.text;

  // 1. A group end among the last characters: the tail after the last
  // blank goes.
  {
    const TextView last = TextView(t).substr(t.size() - std::min<std::size_t>(10, t.size()));
    if (HasExact(last, u"}"sv) && HasExact(last, u"\\"sv) && !HasExact(last, u"\\\\"sv)) {
      const std::size_t tail = std::min<std::size_t>(80, t.size());
      const std::size_t blank = TextView(t).substr(t.size() - tail).rfind(u' ');
      t.resize(t.size() - tail + (blank == TextView::npos ? 0 : blank + 1));
    }
  }

  R(t, u"\\\\'"sv, EscapedQuoteMark);  // 2

  if (HasExact(t, u"\\'"sv)) {  // 3
    if (st.NonWesternFonts == u"yes"sv) DecodeMultiByteEscapes(r);
    if (HasExact(t, u"\\'b0"sv)) {
      R(t, u"\\f1\\'b0"sv, u"\\'b0 \\f1"sv);
      R(t, u"\\f2\\'b0"sv, u"\\'b0 \\f2"sv);
      R(t, u"\\f3\\'b0"sv, u"\\'b0 \\f3"sv);
    }
    t = DecodeHexEscapes(std::move(t), r.control);
  }

  // Steps 4 to 7, and the second group after them, share one index of the
  // text part; what changed it above was not noted.
  IndexedText& it = r.textIndex;
  it.Edited();
  for (const SpecialWord& s : kSpecialWords) {  // 4
    it.Replace(s.escaped, SpecialWordMark);
    it.Replace(s.withBlank, s.entity);
    it.Replace(s.word, s.entity);
    it.Replace(SpecialWordMark, s.escaped);
  }
  it.Replace(u"\\\\bullet"sv, SpecialWordMark);
  it.Replace(u"\\bullet"sv, u"<li>"sv);
  it.Replace(SpecialWordMark, u"\\\\bullet"sv);
  it.Replace(EscapedQuoteMark, u"\\\\'"sv);

  // 5. Line ends and languages.
  it.Replace(u"\\\\\r\n\\par "sv, Text(EscapedBackslashMark) + u"<br>\r\n");
  RemoveLanguageWords(it, u"\\par \\lang"sv, u" \\lang"sv);
  it.Replace(u"\\\\lang"sv, EscapedLangMark);
  RemoveLanguageWords(it, u"\\lang"sv, u"\\lang"sv);
  it.Replace(EscapedLangMark, u"\\\\lang"sv);
  if (it.Has(u"\\\\par"sv, Compare::Binary)) it.Replace(u"\\\\par"sv, EscapedParMark);
  it.Apply(kLineEnds);

  // 6. Inline underline, bold and italic.
  it.Replace(u"\\\\ul"sv, EscapedUnderlineMark);
  it.Replace(u"\\\\b"sv, EscapedBoldMark);
  it.Replace(u"\\\\i"sv, EscapedItalicMark);
  it.Replace(u"\\\\lang"sv, EscapedInlineLangMark);
  if (it.Has(u"\\cf"sv)) it.Apply(ColourBehindFormattingEnds());
  it.Apply(kUnderline);
  it.Apply(kBold);
  it.Apply(kItalic);
  it.Replace(EscapedUnderlineMark, u"\\\\ul"sv);
  it.Replace(EscapedBoldMark, u"\\\\b"sv);
  it.Replace(EscapedItalicMark, u"\\\\i"sv);
  it.Replace(u"\\\\cf"sv, EscapedColourMark);
  it.Replace(u"\\\\fs"sv, EscapedSizeMark);
  it.Replace(u"\\\\f"sv, EscapedFontMark);
  it.Replace(u"\\\\expndtw"sv, EscapedSpacingMark);
  if (it.Has(u"\\cf0"sv)) {
    it.Replace(u"\\cf0 "sv, u"<font COLOR=\"#000000\" >"sv);
    it.Replace(u"\\cf0"sv, u"<font COLOR=\"#000000\" >"sv);
  }

  // 7. Blanks and tabs.
  it.Replace(u"\\\\"sv, EscapedBackslashMark);
  it.Replace(u"<br>  &#"sv, u"<br> &#"sv);
  it.Replace(u"  "sv, u"&nbsp;&nbsp;"sv);
  it.Replace(u"b7\\tab"sv, BulletTabMark);
  it.Replace(u"\\tab"sv, Has(r.control, u"\\tx"sv) ? TabStopMark : TextView(u"&nbsp;&nbsp;&nbsp;"sv));
  it.Replace(BulletTabMark, u"b7\\tab"sv);
  it.Replace(EscapedParMark, u"\\par"sv);
  it.Replace(EscapedTabMark, u"\\tab"sv);
  it.Replace(u"\\{"sv, u"{"sv);
  it.Replace(u"\\}"sv, u"}"sv);
}

void TextPassesSecond(RunParts& r) {
  ConversionState& st = State();
  Text& t = r.text;

  // 9. A paragraph start at the end of the text part: its "li" words
  // indent the next run.
  // (A forward search tells first, faster than the backward one, whether
  // there is one at all.)
  constexpr TextView kPard = u"\\pard\\";
  if (const std::size_t last = FindIndex(t, kPard, 0, Compare::Binary) == TextView::npos
                                   ? Text::npos
                                   : t.rfind(kPard);
      last != Text::npos && t.find(u' ', last) == Text::npos) {
    const Text tail = t.substr(last);
    t.resize(last);
    std::size_t at = 0;
    while ((at = tail.find(u'\\', at)) != Text::npos) {
      const std::size_t next = tail.find(u'\\', at + 1);
      const TextView word = TextView(tail).substr(at + 1, next == Text::npos ? Text::npos : next - at - 1);
      if (word.starts_with(u"li"sv) && IsNumeric(word.substr(2))) {
        const double v = ToDouble(word.substr(2));
        int spaces = 0;
        if (v >= 1 && v <= 399) spaces = 2;
        else if (v >= 400 && v <= 899) spaces = 4;
        else if (v >= 900 && v <= 1299) spaces = 6;
        else if (v >= 1300) spaces = 8;
        st.Indent += Repeat(u"&nbsp;"sv, spaces);
      }
      if (next == Text::npos) break;
      at = next;
    }
  }

  // 10. Restorations and remnants of the document head. The index of the
  // text part is the first group's, kept by the replacements since (step 9
  // only cuts the text short, which leaves it true).
  IndexedText& it = r.textIndex;
  it.Replace(u"\\pard"sv, u"</CENTER>"sv);
  it.Replace(EscapedPlainMark, u"\\plain\\"sv);
  it.Replace(RunPardMark, u"\\pard\\"sv);
  it.Replace(EscapedPardMark, u"\\pard\\"sv);
  it.Replace(u"Normal;}{\\s1 heading 1;}{\\s2 heading 2;}}"sv, u""sv);
  it.Replace(u"Normal;}}"sv, u""sv);
  if (it.Has(u"{\\pntext\\f"sv)) {
    for (int f = 1; f <= 9; ++f)
      it.Replace(u"{\\pntext\\f" + NumberText(f) + u"\\'B7&nbsp;&nbsp;&nbsp;}", u"<li>"sv);
  }
  InlineSizes(r, it);
  InlineFaces(r, it);
  InlineColours(it);
  if (it.Has(u"\\highlight"sv)) InlineHighlights(it);
  if (it.Has(u"\\expndtw"sv)) it.Apply(SpacingRemoval());
  it.Apply(kStrikeSubSuper);
  it.Apply(kSymbolsAndLines);
  InlineAlignment(r, it);
  it.Replace(u"\\\\dn"sv, EscapedDownMark);
  it.Replace(u"\\\\up"sv, EscapedUpMark);
  static const RuleTable raised = RaisedOrLoweredRules(u"\\up"sv, u"<sup>"sv);
  static const RuleTable lowered = RaisedOrLoweredRules(u"\\dn"sv, u"<sub>"sv);
  if (it.Has(u"\\up"sv)) it.Apply(raised);
  if (it.Has(u"\\dn"sv)) it.Apply(lowered);
  it.Replace(u"\\up0"sv, u"</sup></sub>"sv);
  it.Replace(EscapedDownMark, u"\\\\dn"sv);
  it.Replace(EscapedUpMark, u"\\\\up"sv);

  // 11. Tables.
  if (it.Has(u"\\cellx"sv) && CountOccurrences(t, u"\\cellx"sv, Compare::Text) > 3) {
    t = MarkCellBoundaries(std::move(t));
    it.Edited();
    const Text four = Repeat(CellBoundaryMark, 4);
    it.Replace(four, u" <tr><td>"sv, Compare::Binary, Occurrences::First);
  }
  it.Apply(TableRules());

  RemoveControlWords(t);  // 12
  it.Edited();
}

void RemoveLanguageWordsFrom(Text& text, TextView probe, TextView word) {
  IndexedText it(text);
  RemoveLanguageWords(it, probe, word);
}

void InlineFaceSwitches(RunParts& r) {
  IndexedText it(r.text);
  InlineFaces(r, it);
}

}  // namespace skeinlet::detail
