// HTMLRTFConverter: HTML to RTF.
//
// ConvertHtmlToRtf frames the page, reads its language, runs the whole-text
// passes over it and then walks it once from tag to tag: each tag is offered
// to every row of the tag table (TagTable), whose handlers append RTF to
// OutputRtf, and each run of text between two tags is escaped and appended
// with the size, colour and language in force. The header (font table,
// colour table, default language) goes in front at the end.
//
//   Text html = u"<p align=center>Hi</p>", folder;
//   std::int16_t borders = 0;
//   Text rtf = ConvertHtmlToRtf(html, folder, folder, borders);
//   // "{\rtf1\ansi\deff0{\fonttbl..." ... "\qc\lang1033\fs24\cf1 Hi\r\n\par\ql}"
//   // and html is now empty
//
// Every routine works on the calling thread's HtmlRtfState; tag handlers
// receive the upper-cased tag text.
#pragma once

#include "html2rtf/converter_state.hpp"
#include "text/array.hpp"
#include "text/rules.hpp"
#include "text/text.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace skeinlet::detail {

// A unit of a tag, attribute or entity name: an ASCII letter or digit.
constexpr bool IsNameUnit(char16_t c) noexcept {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// --- The driver ---

Text ConvertHtmlToRtf(Text& html, Text& styleFolder, Text& imageFolder,
                      std::int16_t& drawBorders);

// The document language: LanguageStack reset to its base entry, taken from
// Charset and then from the LANG of the first BODY (else HTML) tag.
void DocumentLanguage(HtmlRtfState& s);
// "{\rtf1\ansi", the font table, the colour table, the default language
// and, unless a table came before any text, "\pard\plain\tx0".
Text RtfHeader(const HtmlRtfState& s);

// Windows language identifier of LanguageStack(index).
std::int32_t LanguageToLcid(std::int64_t index);

// Whether the array was never dimensioned.
template <class T>
bool IsArrayEmpty(const BoundedArray<T>& array) {
  return !array.Dimensioned();
}
// Index of the first entry equal to value (case-sensitive), from index 0;
// 0 when there is none or the array is empty.
std::int64_t IndexOfEntry(const BoundedArray<Text>& array, TextView value);
// The same through the list's index.
std::int64_t IndexOfEntry(const EntryIndex& index, TextView value);
// Value of the two hexadecimal digits of colour at start (1, 3 or 5); 0
// when they are not hexadecimal.
std::int32_t HexPairValue(TextView colour, Pos start);

// What a tag handler is given: the upper-cased tag, the position of its "<"
// in WorkHtml and the driver's image folder.
struct TagCall {
  const Text& Tag;
  Pos Position;
  const Text& ImageFolder;
};

enum class TagTest : std::uint8_t { StartsWith, Is, StartsWithOrIs, ContainsAny };

// One row of the tag table. StartsWithOrIs uses First for "starts with" and
// Second for "is"; ContainsAny passes when any of the three texts occurs.
struct TagRow {
  TagTest Test;
  TextView First;
  TextView Second;
  TextView Third;
  TextView Handler;  // the handler's name, for reading the table
  void (*Handle)(const TagCall&);
};

std::span<const TagRow> TagTable();
bool RowPasses(const TagRow& row, TextView tag);
// The names of the handlers of every row that `tag` passes, in table order.
std::vector<TextView> RowsPassed(TextView tag);
// Offers the tag to every row; a failing handler is abandoned and the next
// row is still offered the tag.
void OfferTag(const Text& tag, Pos position, const Text& imageFolder);

// The escaping of one text run, in the driver's order.
void EscapeRun(Text& run);

// --- Text runs ---

void CollapseSpaces(Text& run);
void ConvertNumericReferences(Text& run);
void ConvertNamedEntities(Text& run);
// The named-entity table ConvertNamedEntities applies, in its order.
std::span<const Rule> NamedEntityRules();

// --- Character formatting ---

void StartFont(const Text& tag);
void EndFont();
void StartSpan(const Text& tag);
void EndSpan();
void ApplyBackgroundColour(const Text& tag);
Text ParseColourAttribute(const Text& tag);
Text NormaliseColour(TextView value);
Text ColourComponentToHex(TextView component);
Text HtmlSizeToHalfPoints(TextView value, bool isPoints);
// The RGB(r, g, b) form of a colour value as six hexadecimal digits; "" when
// it is not one. Used by ParseColourAttribute and StartSpan.
void ConvertRgbForm(Text& v);
// Registering a face or a colour: appended unless an equal entry exists.
void RegisterEntry(BoundedArray<Text>& array, std::int16_t& count,
                   EntryIndex& index, const Text& value);

// --- Paragraphs, blocks and inline tags ---

void Emit(TextView rtf);
// Appends "\\intbl\\itap" and the table depth inside a table; nothing outside.
void AppendTableSuffix(Text& to);
void EmitTableSuffix();

void BoldOn();
void BoldOff();
void ItalicOn();
void ItalicOff();
void UnderlineOn();
void UnderlineOff();
void StrikeOn();
void SubscriptOn();
void SuperscriptOn();
void GroupClose();
void Centre();
void AlignLeft();
void DefinitionIndent();
void StartDefinitionTerm();

void BreakParagraph();
void DefinitionBreak();
void StartBlockquote();
void EndBlockquote();
void StartParagraph(const Text& tag);
void EndParagraph(const Text& tag);
void StartLink(const Text& tag);
void EndLink();
void HorizontalRule(const Text& tag);

// --- Lists ---

void StartUnorderedList();
void StartOrderedList();
void EndUnorderedList();
void EndOrderedList();
void StartListItem();
void EndListItem();

// --- Tables ---

void StartTable(const Text& tag, Pos position);
void EndTable();
void StartRow(const Text& tag, Pos position);
void EndRow();
void StartCell(const Text& tag, Pos position);
void EndCell();

// --- Images ---

void InsertImage(const Text& tag, const Text& imageFolder);

// --- Pre-passes and the document head ---

void StripCommentsAndStyles(Text& html);
void MarkTableParagraphs(Text& html);
void ExpandRowSpans(Text& html);
void ConvertHeadings(Text& html);
void ConvertSmall(Text& html);

bool DetectCharset(Text& html);
void CleanWordHtml(Text& html);
void ReadStyleSheets(Text& html, const Text& styleFolder);
void ApplyStyleRules(Text& html);

}  // namespace skeinlet::detail
