// Paragraph, block and inline tag handlers of HTMLRTFConverter.
#include "html2rtf/html_to_rtf.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

constexpr TextView kCrLf = u"\r\n";

// The words of the simple emitters.
constexpr TextView kBoldOn = u"\\b1";
constexpr TextView kBoldOff = u"\\b0";
constexpr TextView kItalicOn = u"\\i1";
constexpr TextView kItalicOff = u"\\i0";
constexpr TextView kUnderlineOn = u"\\ul1";
constexpr TextView kUnderlineOff = u"\\ul0";
constexpr TextView kStrikeOn = u"{\\strike ";
constexpr TextView kSubscriptOn = u"{\\sub ";
constexpr TextView kSuperscriptOn = u"{\\super ";
constexpr TextView kGroupClose = u"}";
constexpr TextView kCentre = u"\\qc";
constexpr TextView kLeft = u"\\ql";
constexpr TextView kDefinitionIndent = u"\\li600";
constexpr TextView kDefinitionTerm = u"\\pard\\ql\\li0\r\n";

struct Alignment {
  TextView Value;
  TextView Word;
};
constexpr Alignment kAlignments[] = {
    {u"LEFT", u"\\ql"}, {u"RIGHT", u"\\qr"}, {u"CENTER", u"\\qc"}, {u"JUSTIFY", u"\\qj"}};

void RemoveAll(Text& s, TextView what) { ReplaceIn(s, what, u"", Compare::Binary); }

Text Between(const Text& s, Pos from, Pos to) { return Mid(s, from, to - from); }

Text QuoteIndent(std::int16_t indent) {
  return u"\\li" + NumberText(indent) + u"\\ri720\\sb100\\sa100" + Text(kCrLf);
}

}  // namespace

void Emit(TextView rtf) { HtmlRtf().OutputRtf.append(rtf); }

void AppendTableSuffix(Text& to) {
  const std::int16_t depth = HtmlRtf().TableDepth;
  if (depth <= 0) return;
  to += u"\\intbl\\itap";
  AppendNumber(to, depth);
}

void EmitTableSuffix() { AppendTableSuffix(HtmlRtf().OutputRtf); }

void BoldOn() { Emit(kBoldOn); }
void BoldOff() { Emit(kBoldOff); }
void ItalicOn() { Emit(kItalicOn); }
void ItalicOff() { Emit(kItalicOff); }
void UnderlineOn() { Emit(kUnderlineOn); }
void UnderlineOff() { Emit(kUnderlineOff); }
void StrikeOn() { Emit(kStrikeOn); }
void SubscriptOn() { Emit(kSubscriptOn); }
void SuperscriptOn() { Emit(kSuperscriptOn); }
void GroupClose() { Emit(kGroupClose); }
void Centre() { Emit(kCentre); }
void AlignLeft() { Emit(kLeft); }
void DefinitionIndent() { Emit(kDefinitionIndent); }
void StartDefinitionTerm() { Emit(kDefinitionTerm); }

void BreakParagraph() {
  HtmlRtfState& s = HtmlRtf();
  Emit(u"\r\n\\par");
  if (s.InListItem) {
    Emit(u"\\pard");
    EmitTableSuffix();
  }
  s.TextInParagraph = false;
}

void DefinitionBreak() {
  BreakParagraph();
  Emit(u"\\pard\r\n");
}

void StartBlockquote() {
  HtmlRtfState& s = HtmlRtf();
  s.BlockquoteIndent = CheckedInt16(std::int64_t{s.BlockquoteIndent} + 720);
  Emit(s.BlockquoteIndent == 720 ? u"\\pard" : u"\\par \\pard");
  EmitTableSuffix();
  Emit(QuoteIndent(s.BlockquoteIndent));
}

void EndBlockquote() {
  HtmlRtfState& s = HtmlRtf();
  s.BlockquoteIndent = CheckedInt16(std::int64_t{s.BlockquoteIndent} - 720);
  if (s.BlockquoteIndent < 0) s.BlockquoteIndent = 0;
  Emit(u"\\par \\pard\r\n");
  EmitTableSuffix();
  if (s.BlockquoteIndent != 0)
    Emit(QuoteIndent(s.BlockquoteIndent));
  else
    Emit(u"\\li0\\ri0\\sb100\\sa100\r\n");
}

void StartParagraph(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  if (!Contains(tag, u"NOPARAGRAPH", Compare::Binary) && s.PendingParagraph) {
    BreakParagraph();
    s.PendingParagraph = false;
  }
  if (s.TextInParagraph && s.TableDepth < 1) BreakParagraph();
  if (s.TableDepth > 0) Emit(u"\\ql");
  if (s.ParagraphsInItem >= 1 && s.InListItem) Emit(u" \\plain\\cf1\\fi900 ");
  s.ParagraphsInItem = CheckedInt16(std::int64_t{s.ParagraphsInItem} + 1);

  Pos a = InStr(1, tag, u"ALIGN=", Compare::Binary);
  if (a == 0) a = InStr(1, tag, u"ALIGN =", Compare::Binary);
  if (a > 0) {
    Pos q = InStr(a + 10, tag, u"\"", Compare::Binary);
    if (q == 0) q = InStr(a + 10, tag, u" ", Compare::Binary);
    if (q == 0) q = InStr(a + 10, tag, u">", Compare::Binary);
    Text value = Between(tag, a + 6, q);
    for (TextView gone : {u"\"", u"'", u"="}) RemoveAll(value, gone);
    value = UCase(value);
    for (const Alignment& al : kAlignments)
      if (value == al.Value) Emit(al.Word);
  }

  Text language;
  const Pos l = InStr(1, tag, u"LANG=", Compare::Binary);
  if (l > 0) {
    Pos q = InStr(l + 6, tag, u"\"", Compare::Binary);
    if (q == 0) q = InStr(l + 5, tag, u" ", Compare::Binary);
    if (q == 0) q = InStr(l + 5, tag, u">", Compare::Binary);
    language = Between(tag, l + 5, q);
    RemoveAll(language, u"\"");
  }

  const std::int64_t top = s.LanguageStack.UBound() + 1;
  s.LanguageStack.RedimPreserve(top);
  s.LanguageDepth = CheckedInt16(std::int64_t{s.LanguageDepth} + 1);
  s.LanguageStack[top] = !language.empty() ? Left(UCase(language), 2)
                                           : s.LanguageStack[top - 1];
}

void EndParagraph(const Text&) {
  HtmlRtfState& s = HtmlRtf();
  // The document language at the bottom of the stack is never popped.
  const std::int64_t top = s.LanguageStack.UBound() - 1;
  if (top < s.LanguageStack.LBound()) RaiseError(Error::kSubscript);
  s.LanguageStack.RedimPreserve(top);
  s.LanguageDepth = CheckedInt16(std::int64_t{s.LanguageDepth} - 1);
  if (s.TableDepth < 1) {
    BreakParagraph();
    Emit(u"\\ql");
  } else {
    s.PendingParagraph = true;
  }
}

void StartLink(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  const Pos h = InStr(1, tag, u"HREF=", Compare::Binary);
  if (h == 0) return;
  const Pos q = InStr(h + 6, tag, u"\"", Compare::Binary);
  if (q == 0 || q == h + 6 || s.InLink) return;
  const Text target = LCase(Between(tag, h + 6, q));
  const std::int64_t blue = IndexOfEntry(s.RtfColourIndex, u"0000ff") + 1;
  Text& out = s.OutputRtf;
  out += u"{\\field{\\*\\fldinst { HYPERLINK ";
  out += target;
  out += u" }}{\\fldrslt {\\ul\\cf";
  AppendNumber(out, blue);
  out += u' ';
  s.InLink = true;
}

void EndLink() {
  HtmlRtfState& s = HtmlRtf();
  if (!s.InLink) return;
  Emit(u"}}}");
  s.InLink = false;
}

void HorizontalRule(const Text& tag) {
  HtmlRtfState& s = HtmlRtf();
  const Text c = ParseColourAttribute(tag);
  const std::int64_t n = IndexOfEntry(s.RtfColourIndex, c.empty() ? Text(u"000000") : c) + 1;

  Text value;
  Pos p = InStr(1, tag, u"SIZE=", Compare::Binary);
  if (p > 0) {
    Pos e = InStr(p + 5, tag, u" ", Compare::Binary);
    if (e == 0) e = InStr(p + 5, tag, u">", Compare::Binary);
    value = Between(tag, p + 5, e);
    RemoveAll(value, u"\"");
    RemoveAll(value, u"'");
  } else if ((p = InStr(1, tag, u"HEIGHT:", Compare::Binary)) > 0) {
    Pos e = InStr(p + 7, tag, u";", Compare::Binary);
    if (e == 0) e = InStr(p + 1, tag, u">", Compare::Binary);
    value = Between(tag, p + 7, e);
    RemoveAll(value, u"\"");
    RemoveAll(value, u"'");
    value = UCase(value);
    RemoveAll(value, u"PX");
  }
  const Text height =
      value.empty() ? Text(u"30")
                    : NumberText(CheckedInt16(std::int64_t{ToInt16(value)} * 15));
  Emit(u"\r\n\\par\\trowd\\trgaph30\\trrh-" + height + u"\\trleft-30 \\clcbpatraw" +
       NumberText(n) + u"\\cellx9514\\intbl\\par\\cell\\row\\pard\\par\r\n");
}

}  // namespace skeinlet::detail
