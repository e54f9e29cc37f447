// ConvertHtmlToRtf: the frame, the set-up, the document language, the
// whole-text passes, the walk with its tag table, and the header.
#include "html2rtf/html_to_rtf.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace skeinlet::detail {
namespace {

struct LanguageCode {
  TextView Code;
  std::int32_t Lcid;
};
// Decided by the first two letters of a language code.
constexpr LanguageCode kLanguagePrefixes[] = {
    {u"FR", 1036}, {u"DE", 1031}, {u"IT", 1040}, {u"NL", 1043}, {u"EL", 1032},
    {u"ES", 1034}, {u"PT", 2070}, {u"AR", 1025}, {u"HE", 1037}, {u"RU", 1049},
    {u"JA", 1041}, {u"UR", 1056}, {u"ZH", 1028},
};
// Whole codes that override the two letters.
constexpr LanguageCode kLanguageCodes[] = {{u"X-KOREAN", 1042}, {u"ZH-TW", 1054}};
constexpr std::int32_t kEnglishLcid = 1033;

struct CharsetLanguage {
  std::int16_t Charset;
  TextView Language;
  TextView DefaultLanguageWord;
};
constexpr CharsetLanguage kCharsetLanguages[] = {
    {134, u"ZH", u"\\deflang1028"},
    {128, u"JA", u"\\deflang1041"},
    {129, u"X-KOREAN", u"\\deflang1042"},
    {136, u"ZH-TW", u"\\deflang1054"},
};

// Adapters from the tag table's one signature to the handlers' own.
template <void (*F)()>
void Plain(const TagCall&) { F(); }
template <void (*F)(const Text&)>
void WithTag(const TagCall& c) { F(c.Tag); }
template <void (*F)(const Text&, Pos)>
void WithPosition(const TagCall& c) { F(c.Tag, c.Position); }
void InsertImageRow(const TagCall& c) { InsertImage(c.Tag, c.ImageFolder); }

// FONT and SPAN see every backslash that stands before a double quote
// removed.
template <void (*F)(const Text&)>
void WithPlainQuotes(const TagCall& c) {
  if (c.Tag.find(u"\\\"") == Text::npos) return F(c.Tag);
  Text tag = c.Tag;
  ReplaceIn(tag, u"\\\"", u"\"", Compare::Binary);
  F(tag);
}

using T = TagTest;
constexpr TagRow kTagTable[] = {
    {T::StartsWithOrIs, u"<A ", u"<A>", {}, u"StartLink", WithTag<StartLink>},
    {T::Is, u"</A>", {}, {}, u"EndLink", Plain<EndLink>},
    {T::StartsWithOrIs, u"<B ", u"<B>", {}, u"bold on", Plain<BoldOn>},
    {T::Is, u"</B>", {}, {}, u"bold off", Plain<BoldOff>},
    {T::StartsWith, u"<BR", {}, {}, u"BreakParagraph", Plain<BreakParagraph>},
    {T::StartsWith, u"<BLOCKQUOTE", {}, {}, u"StartBlockquote", Plain<StartBlockquote>},
    {T::Is, u"</BLOCKQUOTE>", {}, {}, u"EndBlockquote", Plain<EndBlockquote>},
    {T::StartsWith, u"<CENTER", {}, {}, u"centre", Plain<Centre>},
    {T::Is, u"</CENTER>", {}, {}, u"left", Plain<AlignLeft>},
    {T::StartsWith, u"<DD", {}, {}, u"definition indent", Plain<DefinitionIndent>},
    {T::Is, u"</DD>", {}, {}, u"DefinitionBreak", Plain<DefinitionBreak>},
    {T::StartsWith, u"<DL", {}, {}, u"DefinitionBreak", Plain<DefinitionBreak>},
    {T::Is, u"</DL>", {}, {}, u"DefinitionBreak", Plain<DefinitionBreak>},
    {T::StartsWith, u"<DT", {}, {}, u"StartDefinitionTerm", Plain<StartDefinitionTerm>},
    {T::Is, u"</DT>", {}, {}, u"DefinitionBreak", Plain<DefinitionBreak>},
    {T::StartsWith, u"<DIV", {}, {}, u"StartParagraph", WithTag<StartParagraph>},
    {T::Is, u"</DIV>", {}, {}, u"EndParagraph", WithTag<EndParagraph>},
    {T::StartsWith, u"<EM", {}, {}, u"italic on", Plain<ItalicOn>},
    {T::Is, u"</EM>", {}, {}, u"italic off", Plain<ItalicOff>},
    {T::StartsWith, u"<FONT", {}, {}, u"StartFont", WithPlainQuotes<StartFont>},
    {T::Is, u"</FONT>", {}, {}, u"EndFont", Plain<EndFont>},
    {T::StartsWith, u"<HR", {}, {}, u"HorizontalRule", WithTag<HorizontalRule>},
    {T::StartsWithOrIs, u"<I ", u"<I>", {}, u"italic on", Plain<ItalicOn>},
    {T::Is, u"</I>", {}, {}, u"italic off", Plain<ItalicOff>},
    {T::StartsWith, u"<IMG", {}, {}, u"InsertImage", InsertImageRow},
    {T::StartsWithOrIs, u"<LI ", u"<LI>", {}, u"StartListItem", Plain<StartListItem>},
    {T::Is, u"</LI>", {}, {}, u"EndListItem", Plain<EndListItem>},
    {T::StartsWithOrIs, u"<OL ", u"<OL>", {}, u"StartOrderedList", Plain<StartOrderedList>},
    {T::Is, u"</OL>", {}, {}, u"EndOrderedList", Plain<EndOrderedList>},
    {T::StartsWithOrIs, u"<P ", u"<P>", {}, u"StartParagraph", WithTag<StartParagraph>},
    {T::Is, u"</P>", {}, {}, u"EndParagraph", WithTag<EndParagraph>},
    {T::StartsWith, u"<SPAN", {}, {}, u"StartSpan", WithPlainQuotes<StartSpan>},
    {T::Is, u"</SPAN>", {}, {}, u"EndSpan", Plain<EndSpan>},
    {T::StartsWith, u"<STRIKE", {}, {}, u"strike on", Plain<StrikeOn>},
    {T::Is, u"</STRIKE>", {}, {}, u"group close", Plain<GroupClose>},
    {T::StartsWith, u"<STRONG", {}, {}, u"bold on", Plain<BoldOn>},
    {T::Is, u"</STRONG>", {}, {}, u"bold off", Plain<BoldOff>},
    {T::StartsWith, u"<SUB", {}, {}, u"subscript on", Plain<SubscriptOn>},
    {T::Is, u"</SUB>", {}, {}, u"group close", Plain<GroupClose>},
    {T::StartsWith, u"<SUP", {}, {}, u"superscript on", Plain<SuperscriptOn>},
    {T::Is, u"</SUP>", {}, {}, u"group close", Plain<GroupClose>},
    {T::StartsWith, u"<TABLE", {}, {}, u"StartTable", WithPosition<StartTable>},
    {T::Is, u"</TABLE>", {}, {}, u"EndTable", Plain<EndTable>},
    {T::StartsWith, u"<TD", {}, {}, u"StartCell", WithPosition<StartCell>},
    {T::Is, u"</TD>", {}, {}, u"EndCell", Plain<EndCell>},
    {T::StartsWith, u"<TR", {}, {}, u"StartRow", WithPosition<StartRow>},
    {T::Is, u"</TR>", {}, {}, u"EndRow", Plain<EndRow>},
    {T::StartsWithOrIs, u"<U ", u"<U>", {}, u"underline on", Plain<UnderlineOn>},
    {T::Is, u"</U>", {}, {}, u"underline off", Plain<UnderlineOff>},
    {T::StartsWithOrIs, u"<UL ", u"<UL>", {}, u"StartUnorderedList", Plain<StartUnorderedList>},
    {T::Is, u"</UL>", {}, {}, u"EndUnorderedList", Plain<EndUnorderedList>},
    {T::ContainsAny, u"BACKGROUND-COLOR:", u"BACK=", u"BGCOLOR=", u"ApplyBackgroundColour",
     WithTag<ApplyBackgroundColour>},
};

// RowPasses looks for a "contains" text only in a tag holding "=" or ":".
constexpr bool ContainsTextsEndInEqualsOrColon() {
  for (const TagRow& row : kTagTable) {
    if (row.Test != TagTest::ContainsAny) continue;
    for (const TextView t : {row.First, row.Second, row.Third})
      if (!t.empty() && t.back() != u'=' && t.back() != u':') return false;
  }
  return true;
}
static_assert(ContainsTextsEndInEqualsOrColon());

// TagRowIndex keys a row by the two ASCII units after the "<" its texts
// start with.
constexpr bool StartTextsAreKeyed() {
  for (const TagRow& row : kTagTable) {
    if (row.Test == TagTest::ContainsAny) continue;
    for (const TextView t : {row.First, row.Second})
      if (!t.empty() && (t.size() < 3 || t[0] != u'<' || t[1] >= 128 || t[2] >= 128)) return false;
  }
  return true;
}
static_assert(StartTextsAreKeyed());

// The value of LANG= in a BODY or HTML tag: up to the first blank after
// it, else up to the ">".
void ReadLanguage(HtmlRtfState& s, const Text& tag, Pos lang) {
  const Pos from = lang + 5;
  Pos end = InStr(lang, tag, u" ", Compare::Binary);
  if (end == 0) end = InStr(lang, tag, u">", Compare::Binary);
  Text value = Mid(tag, from, end - from);
  ReplaceIn(value, u"\"", u"", Compare::Binary);
  if (!value.empty()) s.LanguageStack[0] = value;
}

}  // namespace

void DocumentLanguage(HtmlRtfState& s) {
  s.LanguageStack.Redim(0, 0);
  s.LanguageDepth = 1;
  s.LanguageStack[0] = u"EN";
  for (const CharsetLanguage& c : kCharsetLanguages)
    if (s.Charset == c.Charset) s.LanguageStack[0] = Text(c.Language);

  // No character outside ASCII upper-cases to a letter of "<BODY" or
  // "<HTML", so searching the text case-insensitively finds what a search
  // of its upper-cased copy would, without the copy.
  const Text& w = s.WorkHtml;
  const Pos b = InStr(1, w, u"<BODY", Compare::Text);
  if (b == 0) return;
  const Pos e = InStr(b, w, u">", Compare::Binary);
  if (e == 0) return;
  const Text body = UCase(MidView(w, b, e - b + 1));
  if (const Pos l = InStr(1, body, u"LANG=", Compare::Binary); l > 0) {
    ReadLanguage(s, body, l);
    return;
  }
  const Pos h = InStr(1, w, u"<HTML", Compare::Text);
  if (h == 0) return;
  const Pos he = InStr(h, w, u">", Compare::Binary);
  if (he == 0) return;
  const Text html = UCase(MidView(w, h, he - h + 1));
  if (const Pos l = InStr(1, html, u"LANG=", Compare::Binary); l > 0) ReadLanguage(s, html, l);
}

namespace {

void FrameDocument(Text& html) {
  if (!Contains(html, u"<body", Compare::Text)) html = u"<body>\r\n" + html;
  if (!Contains(html, u"<html", Compare::Text)) html = u"<html>\r\n" + html;
  if (!Contains(html, u"</body>", Compare::Text)) html += u"\r\n</body>";
  if (!Contains(html, u"</html>", Compare::Text)) html += u"\r\n</html>";
}

void WholeTextPasses(HtmlRtfState& s, std::int16_t drawBorders) {
  Text& w = s.WorkHtml;
  // Every CR goes, then every LF, then every CR LF (of which none is left
  // by then): one pass that drops both units does all three.
  EraseUnits(w, u'\r', u'\n');
  SkipOnError([&] { ReplaceIn(w, u"&nbsp;", u"\\~", Compare::Binary); });
  SkipOnError([&] { StripCommentsAndStyles(w); });
  SkipOnError([&] { MarkTableParagraphs(w); });
  SkipOnError([&] { ExpandRowSpans(w); });
  SkipOnError([&] { ConvertHeadings(w); });
  SkipOnError([&] { ConvertSmall(w); });
  SkipOnError([&] {
    const Pos b = InStr(1, w, u"<BODY", Compare::Text);
    if (b > 1) w.erase(0, static_cast<std::size_t>(b - 1));
  });
  SkipOnError([&] {
    if (!s.StyleRules[0].Source.empty()) ApplyStyleRules(w);
  });
  SkipOnError([&] { SetUpTables(s, drawBorders); });
}

// One text run: the text between a tag's ">" and the next "<", delimiters
// excluded.
void WriteRun(HtmlRtfState& s, Text& run) {
  s.TextSeen = true;
  if (!s.TextInParagraph) run.erase(0, run.find_first_not_of(u' '));  // LTrim, in place
  if (s.TableDepth > 0) std::erase(run, u'\t');
  EscapeRun(run);
  if (!run.empty()) {
    s.TextInParagraph = true;
    if (s.PendingParagraph) {
      SkipOnError([] { BreakParagraph(); });
      s.PendingParagraph = false;
    }
  }
  if (s.TableDepth > 0) s.TextInCell = true;
  SkipOnError([&] {
    const std::int32_t lcid = LanguageToLcid(s.LanguageDepth - 1);
    const FormatRecord& top = s.FormatStack.Current();
    s.OutputRtf += u"\\lang";
    AppendNumber(s.OutputRtf, lcid);
    s.OutputRtf += u"\\fs";
    AppendNumber(s.OutputRtf, top.Size);
    if (!s.InLink) {
      s.OutputRtf += u"\\cf";
      AppendNumber(s.OutputRtf, top.Colour);
    }
    s.OutputRtf += u' ';
    s.OutputRtf += run;
  });
}

void Walk(HtmlRtfState& s, const Text& imageFolder) {
  const Text& w = s.WorkHtml;
  const Pos length = Len(w);
  Pos pos = 1;
  Text tag;  // each tag upper-cased in turn
  Text run;  // each text run in turn
  // InStr(from, w, unit), searched in the text as it is now.
  const auto find = [&w](Pos from, TextView unit) -> Pos {
    const std::size_t at = FindIndex(w, unit, static_cast<std::size_t>(from - 1), Compare::Binary);
    return at == TextView::npos ? 0 : static_cast<Pos>(at) + 1;
  };
  for (Pos round = 0; round < length; ++round) {
    // After the first round `pos` is where the last run ended, at a "<".
    const Pos start =
        pos <= Len(w) && w[static_cast<std::size_t>(pos - 1)] == u'<' ? pos : find(pos, u"<");
    if (start == 0) return;
    const Pos end = find(start, u">");
    if (end == 0) return;  // a "<" that no ">" closes ends the walk
    UCaseInto(MidView(w, start, end - start + 1), tag);
    OfferTag(tag, start, imageFolder);

    // A handler may have changed WorkHtml behind the tag; the run is found
    // in the text as it is now.
    const Pos e2 = find(end, u">");
    if (e2 == 0) return;
    const Pos s2 = find(e2, u"<");
    if (s2 == 0) return;
    if (s2 - e2 + 1 >= 3) {
      run.assign(MidView(w, e2 + 1, s2 - e2 - 1));
      WriteRun(s, run);
    }
    pos = s2;
  }
}

}  // namespace

Text RtfHeader(const HtmlRtfState& s) {
  const Text charset = NumberText(s.Charset);
  Text f = u"\\deff0{\\fonttbl";
  if (IsArrayEmpty(s.RtfFonts)) {
    f += u"{\\f0\\froman\\fcharset" + charset + u" Times New Roman;}}";
  } else {
    for (std::int64_t i = 0; i <= s.RtfFonts.UBound(); ++i)
      f += u"{\\f" + NumberText(i) + u"\\fnil\\fcharset" + charset + u" " + s.RtfFonts[i] + u";}";
    f += u"}";
  }
  Text c = u"{\\colortbl ;";
  if (!IsArrayEmpty(s.RtfColours)) {
    for (std::int64_t i = 0; i <= s.RtfColours.UBound(); ++i) {
      const Text& colour = s.RtfColours[i];
      c += u"\\red" + NumberText(HexPairValue(colour, 1)) + u"\\green" +
           NumberText(HexPairValue(colour, 3)) + u"\\blue" +
           NumberText(HexPairValue(colour, 5)) + u";";
    }
  }
  c += u"}";
  Text h = u"{\\rtf1\\ansi" + f + u"\r\n" + c + u"\r\n";
  Text language;
  for (const CharsetLanguage& cl : kCharsetLanguages)
    if (s.Charset == cl.Charset) language = Text(cl.DefaultLanguageWord);
  if (language.empty()) SkipOnError([&] { language = u"\\deflang" + NumberText(LanguageToLcid(0)); });
  h += language;
  if (!s.TableBeforeText) h += u"\\pard\\plain\\tx0";
  return h;
}


std::int64_t IndexOfEntry(const BoundedArray<Text>& array, TextView value) {
  if (IsArrayEmpty(array)) return 0;
  for (std::int64_t i = 0; i <= array.UBound(); ++i)
    if (array[i] == value) return i;
  return 0;
}

std::int64_t IndexOfEntry(const EntryIndex& index, TextView value) {
  const auto it = index.find(Text(value));
  return it == index.end() ? 0 : it->second;
}

std::int32_t HexPairValue(TextView colour, Pos start) {
  const TextView pair = start >= 1 ? MidView(colour, start, 2) : TextView();
  if (pair.empty()) return 0;
  std::int32_t v = 0;
  for (const char16_t ch : pair) {
    int d = -1;
    if (ch >= u'0' && ch <= u'9') d = ch - u'0';
    else if (ch >= u'a' && ch <= u'f') d = ch - u'a' + 10;
    else if (ch >= u'A' && ch <= u'F') d = ch - u'A' + 10;
    if (d < 0) return 0;
    v = v * 16 + d;
  }
  return v;
}

std::int32_t LanguageToLcid(std::int64_t index) {
  // Called for every text run: the code is compared upper-cased in place.
  const TextView code = HtmlRtf().LanguageStack[index];
  // A document mostly keeps to one or two codes: the last one looked up
  // is remembered with its identifier.
  struct Last {
    Text Code;
    std::int32_t Lcid = 0;
    bool Known = false;
  };
  thread_local Last last;
  if (last.Known && last.Code == code) return last.Lcid;
  std::int32_t lcid = kEnglishLcid;
  const TextView two = code.substr(0, 2);
  for (const LanguageCode& l : kLanguagePrefixes)
    if (EqualsUpper(two, l.Code)) lcid = l.Lcid;
  for (const LanguageCode& l : kLanguageCodes)
    if (EqualsUpper(code, l.Code)) lcid = l.Lcid;
  last.Code.assign(code);
  last.Lcid = lcid;
  last.Known = true;
  return lcid;
}

std::span<const TagRow> TagTable() { return kTagTable; }

bool RowPasses(const TagRow& row, TextView tag) {
  switch (row.Test) {
    case TagTest::StartsWith:
      return tag.starts_with(row.First);
    case TagTest::Is:
      return tag == row.First;
    case TagTest::StartsWithOrIs:
      return tag.starts_with(row.First) || tag == row.Second;
    case TagTest::ContainsAny:
      // Every "contains" text of the table ends in "=" or ":", so a tag
      // with neither contains none of them.
      if (std::none_of(tag.begin(), tag.end(), [](char16_t c) { return c == u'=' || c == u':'; }))
        return false;
      for (const TextView t : {row.First, row.Second, row.Third})
        if (!t.empty() && tag.find(t) != TextView::npos) return true;
      return false;
  }
  return false;
}

namespace {

// The rows a tag can pass, found by the two units after its "<": every
// "starts with" or "is" text of the table is at least three units long and
// starts with "<", so a tag passes such a row only when it starts with the
// row's first three units. The "contains" rows are offered every tag.
// Each list is in table order, and RowPasses still decides.
class TagRowIndex {
 public:
  TagRowIndex() {
    lists_.emplace_back();  // list 0: no row starts so
    for (std::size_t r = 0; r < std::size(kTagTable); ++r) {
      const TagRow& row = kTagTable[r];
      if (row.Test == TagTest::ContainsAny) {
        everyTag_.push_back(static_cast<std::uint8_t>(r));
        continue;
      }
      for (const TextView t : {row.First, row.Second}) {
        if (t.empty()) continue;
        std::uint8_t& slot = slots_[Key(t)];
        if (slot == 0) {
          slot = static_cast<std::uint8_t>(lists_.size());
          lists_.emplace_back();
        }
        std::vector<std::uint8_t>& list = lists_[slot];
        if (list.empty() || list.back() != r) list.push_back(static_cast<std::uint8_t>(r));
      }
    }
  }

  // Calls `offer` with each row `tag` can pass, in table order.
  template <typename Offer>
  void ForEach(TextView tag, Offer&& offer) const {
    const std::vector<std::uint8_t>& starts =
        tag.size() >= 3 && IsKeyUnit(tag[1]) && IsKeyUnit(tag[2]) ? lists_[slots_[Key(tag)]]
                                                                  : lists_[0];
    std::size_t a = 0, b = 0;
    while (a < starts.size() || b < everyTag_.size()) {
      const bool fromStarts =
          b == everyTag_.size() || (a < starts.size() && starts[a] < everyTag_[b]);
      offer(kTagTable[fromStarts ? starts[a++] : everyTag_[b++]]);
    }
  }

 private:
  // The table's texts are ASCII: a tag with a unit beyond it after its
  // "<" starts no row.
  static constexpr std::size_t kUnits = 128;
  static bool IsKeyUnit(char16_t c) noexcept { return c < kUnits; }
  static std::size_t Key(TextView t) noexcept { return t[1] * kUnits + t[2]; }
  std::uint8_t slots_[kUnits * kUnits] = {};  // list number by key; 0: none
  std::vector<std::vector<std::uint8_t>> lists_;
  std::vector<std::uint8_t> everyTag_;
};
static_assert(std::size(kTagTable) < 255, "row and list numbers are kept in a byte");

const TagRowIndex& RowIndex() {
  static const TagRowIndex index;
  return index;
}

}  // namespace

std::vector<TextView> RowsPassed(TextView tag) {
  std::vector<TextView> names;
  RowIndex().ForEach(tag, [&](const TagRow& row) {
    if (RowPasses(row, tag)) names.push_back(row.Handler);
  });
  return names;
}

void OfferTag(const Text& tag, Pos position, const Text& imageFolder) {
  const TagCall call{tag, position, imageFolder};
  RowIndex().ForEach(tag, [&](const TagRow& row) {
    if (RowPasses(row, tag)) SkipOnError([&] { row.Handle(call); });
  });
}

Text ConvertHtmlToRtf(Text& html, Text& styleFolder, Text& imageFolder,
                      std::int16_t& drawBorders) {
  FrameDocument(html);

  HtmlRtfState& s = HtmlRtf();
  s.Images = CreateImageCreator();
  // Released at the end of the header, and also when a step before the
  // driver's own error handling fails: the component never outlives the call.
  struct Release {
    HtmlRtfState& State;
    ~Release() { State.Images.reset(); }
  } release{s};
  ResetForConversion(s);
  // The caller's HTML is emptied on return; the working copy takes its
  // text over now instead of copying it, so that the walk never holds the
  // HTML twice beside the RTF it writes.
  s.WorkHtml = std::move(html);
  html.clear();
  if (DetectCharset(s.WorkHtml)) CleanWordHtml(s.WorkHtml);
  SetUpFormatStack(s);
  s.StyleRules.Redim(0, 0);
  s.StyleRules[0] = StyleSheetRecord{};
  ReadStyleSheets(s.WorkHtml, styleFolder);

  DocumentLanguage(s);
  WholeTextPasses(s, drawBorders);
  // The RTF of an HTML document is up to twice as long as it (a text run
  // of plain words is as long, a table row or a styled run longer); room
  // for that up front spares the body the moves of growing by doubling,
  // each of which holds the old and the new text at once, and leaves room
  // for the header in front of it. Room never written costs address space
  // only.
  s.OutputRtf.reserve(s.WorkHtml.size() * 2 + 65536);
  SkipOnError([&] { Walk(s, imageFolder); });

  Text header;
  SkipOnError([&] { header = RtfHeader(s); });
  s.Images.reset();
  // The document is the header put in front of the body written so far. The
  // HTML is let go first, and the body is extended where it lies instead of
  // being copied behind the header, so that no second copy of the body is
  // ever held.
  Text().swap(s.WorkHtml);
  Text result;
  result.swap(s.OutputRtf);
  result.insert(0, header);
  result += u"}";
  return result;
}

}  // namespace skeinlet::detail
