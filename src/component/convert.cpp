// The class Convert: argument handling of the eight methods.
#include <skeinlet/convert.hpp>

#include "engine/rtf_to_html.hpp"
#include "helpers/xhtml_lists.hpp"
#include "html2rtf/html_to_rtf.hpp"
#include "platform/rich_text_box.hpp"
#include "platform/tidy_xhtml.hpp"
#include "text/errors.hpp"
#include "text/text.hpp"

namespace skeinlet {
namespace {

using detail::Compare;
using detail::InStr;
using detail::LCase;
using detail::Len;
using detail::Mid;
using detail::Pos;
using detail::Trim;

constexpr Pos kConvertRtfFixLimit = 15000;

// The small document that carries a page header through the rich text
// control and the engine.
constexpr TextView kHeaderRtfPrologue =
    u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset 0 Arial;}"
    u"{\\f1\\fnil\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset2 Symbol;}}";
constexpr TextView kHeaderColourTable = u"{\\colortbl ;\\red0\\green0\\blue255;}";
constexpr TextView kHeaderViewLine = u"\\viewkind4\\uc1\\pard\\lang1033\\fs20 ";

// The word that marks a record header (patient records with transfer and
// admission dates and a record number): its presence switches on the
// emphasis rules of ConvertRTFHeader. Compared case-insensitively.
constexpr TextView kHeaderMarkerWord = u"PATIENT";
constexpr Pos kOtherFixLimit = 10000;

// Short documents written by one old producer carry "\''b0 " for "\b0 ".
void SmallDocumentFix(Text& rtf, Pos limit) {
  if (Len(rtf) < limit) detail::ReplaceIn(rtf, u"\\''b0 ", u"\\b0 ", Compare::Text);
}

bool IsOnTrimmed(const Text& flag) { return LCase(Trim(flag)) == u"yes"; }
bool IsOn(const Text& flag) { return LCase(flag) == u"yes"; }

// Loads the RTF into the rich text control and replaces it with the
// control's rewrite. The source is released as soon as it is read, before
// the rewrite is written, so the document is never held twice over.
void RewriteThrough(detail::RichTextBox& rtf1, Text& rtf) {
  rtf1.SetTextRTF(rtf);
  Text().swap(rtf);
  rtf = rtf1.TextRTF();
}

// The clean-up round trip; the control (the hidden form's rtf1) lives for
// this one use only.
void CleanRtfRoundTrip(Text& rtf) {
  detail::RichTextBox rtf1;
  RewriteThrough(rtf1, rtf);
}

// The XHTML converter followed by the list fix-up.
Text ToXhtml(const Text& html) {
  Text x = detail::TidyDLL_ToXHTML(html);
  return detail::FixXhtmlLists(x);
}

// Everything after the ">" that ends the first "<BODY" tag of `html`
// (searched in `probe`, which has the same positions); all of html when
// there is no such tag or no ">" after it.
Text AfterBodyTag(const Text& html, TextView probe) {
  const Pos p = InStr(1, probe, u"<BODY", Compare::Binary);
  if (p == 0) return html;
  const Pos q = InStr(p + 2, probe, u">", Compare::Binary);
  if (q == 0) return html;
  return Mid(html, q + 1);
}

// The text without its last `count` characters, then CR LF. Error 5 when
// the text is shorter.
Text CutTail(const Text& text, Pos count) {
  return detail::Left(text, Len(text) - count) + u"\r\n";
}

}  // namespace

Text Convert::ConvertRTF(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
                         Text& mGenerator, Text& mLinks, Text& mDoDebug,
                         Text& mConvertImages, Text& mImageFolder,
                         Text& mImageFormat, Text& mCleanRTF, Text& mImageName) {
  SmallDocumentFix(mRTF_Text, kConvertRtfFixLimit);
  if (IsOnTrimmed(mCleanRTF)) CleanRtfRoundTrip(mRTF_Text);
  Text mode = u"no";
  return detail::RtfToHtml(mRTF_Text, mHTML_Title, mHTML_Colour, mGenerator,
                           mLinks, mDoDebug, mConvertImages, mImageFolder,
                           mImageFormat, mImageName, mode);
}

Text Convert::ConvertRTFPlain(Text& mRTF_Text) {
  SmallDocumentFix(mRTF_Text, kOtherFixLimit);
  detail::RichTextBox rtf1;
  RewriteThrough(rtf1, mRTF_Text);
  return rtf1.TakeText();
}

Text Convert::ConvertNoBody(Text& mRTF_Text, Text& mHTML_Title,
                            Text& mHTML_Colour, Text& mGenerator, Text& mLinks,
                            Text& mDoDebug, Text& mConvertImages,
                            Text& mImageFolder, Text& mImageFormat,
                            Text& mCleanRTF, Text& mImageName, Text& mDoXHTML) {
  SmallDocumentFix(mRTF_Text, kOtherFixLimit);
  if (IsOnTrimmed(mCleanRTF)) CleanRtfRoundTrip(mRTF_Text);
  Text mode = u"no";
  Text html = detail::RtfToHtml(mRTF_Text, mHTML_Title, mHTML_Colour,
                                mGenerator, mLinks, mDoDebug, mConvertImages,
                                mImageFolder, mImageFormat, mImageName, mode);
  if (IsOn(mDoXHTML)) {
    html = ToXhtml(html);
    constexpr TextView kDocType =
        u"<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 3.2//EN\">";
    detail::ReplaceIn(html, Text(kDocType) + u"\r\n", u"", Compare::Text);
    detail::ReplaceIn(html, kDocType, u"", Compare::Text);
    html = CutTail(html, 14);
    html = AfterBodyTag(html, detail::UCase(html));
  } else {
    html = AfterBodyTag(html, detail::UCase(html));
    html = CutTail(html, 20);
  }
  detail::ReplaceIn(html, u"</body>", u"", Compare::Text);
  detail::ReplaceIn(html, u"</body", u"", Compare::Text);
  return html;
}

Text Convert::ConvertRTFHeader(Text& mRTF_Text, Text& mHTML_Title,
                               Text& mHTML_Colour, Text& mGenerator,
                               Text& mLinks, Text& mDoDebug,
                               Text& mConvertImages, Text& mImageFolder,
                               Text& mImageFormat, Text& mImageName) {
  using detail::ReplaceIn;
  Pos p = InStr(1, mRTF_Text, u"{\\headerf ", Compare::Text);
  if (p == 0) p = InStr(1, mRTF_Text, u"{\\header ", Compare::Text);
  if (p == 0) return Text();
  Pos q = InStr(p, mRTF_Text, u"{\\footerf ", Compare::Text);
  if (q == 0) q = InStr(p, mRTF_Text, u"{\\footer ", Compare::Text);
  if (q == 0) return Text();

  // The cut starts 10 characters after the mark whichever mark was found
  // and ends two characters before the footer mark; a footer mark fewer
  // than 11 characters on gives a negative length (error 5).
  Text h = Text(kHeaderRtfPrologue) + u"\r\n" + Text(kHeaderColourTable) +
           u"\r\n" + Text(kHeaderViewLine) + u"\r\n\\par \r\n";
  h += Mid(mRTF_Text, p + 10, q - p - 11);
  h += u"\r\n\\par }";
  ReplaceIn(h, u"\r\npard\\", u"\\pard\\", Compare::Text);
  ReplaceIn(h, u"\npard\\", u"\\pard\\", Compare::Text);
  ReplaceIn(h, u"\rpard\\", u"\\pard\\", Compare::Text);

  {
    detail::RichTextBox rtf1;
    RewriteThrough(rtf1, h);
  }
  Text mode = u"no";
  Text html = detail::RtfToHtml(h, mHTML_Title, mHTML_Colour, mGenerator,
                                mLinks, mDoDebug, mConvertImages, mImageFolder,
                                mImageFormat, mImageName, mode);
  if (InStr(1, html, kHeaderMarkerWord, Compare::Text) > 0) {
    using detail::Occurrences;
    ReplaceIn(html, u"\"Times New Roman\"", u"\"Arial\"", Compare::Text);
    ReplaceIn(html, u"</font></b></b><font FACE=\"Arial\" >TRANSFER DATE:",
              u"<tr><td></td><td></font></b></b><font FACE=\"Arial\" ><b>TRANSFER DATE:",
              Compare::Text, Occurrences::First);
    ReplaceIn(html, u"ADMISSION&nbsp;&nbsp;DATE:", u"<b>ADMISSION&nbsp;&nbsp;DATE:</b>",
              Compare::Text, Occurrences::First);
    ReplaceIn(html, u"</font></b></b><font FACE=\"Arial\" >",
              u"<tr><td></td><td></font></b></b><font FACE=\"Arial\" ><b>",
              Compare::Text, Occurrences::First);
    ReplaceIn(html, u"MR#:", u"<b>MR#:</b>", Compare::Text, Occurrences::First);
  }
  return html;
}

Text Convert::ConvertRawHTML(Text& mRTF_Text, Text& mHTML_Title,
                             Text& mHTML_Colour, Text& mGenerator, Text& mLinks,
                             Text& mDoDebug, Text& mConvertImages,
                             Text& mImageFolder, Text& mImageFormat,
                             Text& mCleanRTF, Text& mImageName) {
  SmallDocumentFix(mRTF_Text, kOtherFixLimit);
  if (IsOnTrimmed(mCleanRTF)) CleanRtfRoundTrip(mRTF_Text);
  Text mode = u"yes";
  const Text html = detail::RtfToHtml(mRTF_Text, mHTML_Title, mHTML_Colour,
                                      mGenerator, mLinks, mDoDebug,
                                      mConvertImages, mImageFolder,
                                      mImageFormat, mImageName, mode);
  return AfterBodyTag(html, html);
}

Text Convert::ConvertHTML2RTF(Text& mHTML_Text, Text& mImageFolder,
                              Text& mDo_Border) {
  std::int16_t border = IsOn(mDo_Border) ? 1 : 0;
  return detail::ConvertHtmlToRtf(mHTML_Text, mImageFolder, mImageFolder, border);
}

Text Convert::ConvertRTFXHTML(Text& mRTF_Text, Text& mHTML_Title,
                              Text& mHTML_Colour, Text& mGenerator,
                              Text& mLinks, Text& mDoDebug,
                              Text& mConvertImages, Text& mImageFolder,
                              Text& mImageFormat, Text& mCleanRTF,
                              Text& mImageName) {
  SmallDocumentFix(mRTF_Text, kOtherFixLimit);
  if (IsOnTrimmed(mCleanRTF)) CleanRtfRoundTrip(mRTF_Text);
  Text mode = u"no";
  const Text html = detail::RtfToHtml(mRTF_Text, mHTML_Title, mHTML_Colour,
                                      mGenerator, mLinks, mDoDebug,
                                      mConvertImages, mImageFolder,
                                      mImageFormat, mImageName, mode);
  return ToXhtml(html);
}

Text Convert::ConvertPlainHTML(Text& mPlain_Text, Text& mHTML_Title,
                               Text& mHTML_Colour, Text& mGenerator,
                               Text& mLinks, Text& mDoDebug) {
  {
    detail::RichTextBox rtf1;
    rtf1.SetText(mPlain_Text);
    Text().swap(mPlain_Text);
    mPlain_Text = rtf1.TextRTF();
  }
  // Images are never converted; the fixed folder, format and base name
  // only fill the engine's arguments.
  Text images = u"no";
  Text folder = u"C:\\windows\\temp\\";
  Text format = u"jpg";
  Text name = u"image";
  Text mode = u"no";
  return detail::RtfToHtml(mPlain_Text, mHTML_Title, mHTML_Colour, mGenerator,
                           mLinks, mDoDebug, images, folder, format, name, mode);
}

// --- UTF-8 conveniences. ---

namespace {
Text W(std::string_view s) { return FromUtf8(s); }
}  // namespace

std::string Convert::ConvertRTF(std::string_view a, std::string_view b,
                                std::string_view c, std::string_view d,
                                std::string_view e, std::string_view f,
                                std::string_view g, std::string_view h,
                                std::string_view i, std::string_view j,
                                std::string_view k) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f), G = W(g),
       H = W(h), I = W(i), J = W(j), K = W(k);
  return ToUtf8(ConvertRTF(A, B, C, D, E, F, G, H, I, J, K));
}

std::string Convert::ConvertRTFPlain(std::string_view a) {
  Text A = W(a);
  return ToUtf8(ConvertRTFPlain(A));
}

std::string Convert::ConvertNoBody(std::string_view a, std::string_view b,
                                   std::string_view c, std::string_view d,
                                   std::string_view e, std::string_view f,
                                   std::string_view g, std::string_view h,
                                   std::string_view i, std::string_view j,
                                   std::string_view k, std::string_view l) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f), G = W(g),
       H = W(h), I = W(i), J = W(j), K = W(k), L = W(l);
  return ToUtf8(ConvertNoBody(A, B, C, D, E, F, G, H, I, J, K, L));
}

std::string Convert::ConvertRTFHeader(std::string_view a, std::string_view b,
                                      std::string_view c, std::string_view d,
                                      std::string_view e, std::string_view f,
                                      std::string_view g, std::string_view h,
                                      std::string_view i, std::string_view j) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f), G = W(g),
       H = W(h), I = W(i), J = W(j);
  return ToUtf8(ConvertRTFHeader(A, B, C, D, E, F, G, H, I, J));
}

std::string Convert::ConvertRawHTML(std::string_view a, std::string_view b,
                                    std::string_view c, std::string_view d,
                                    std::string_view e, std::string_view f,
                                    std::string_view g, std::string_view h,
                                    std::string_view i, std::string_view j,
                                    std::string_view k) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f), G = W(g),
       H = W(h), I = W(i), J = W(j), K = W(k);
  return ToUtf8(ConvertRawHTML(A, B, C, D, E, F, G, H, I, J, K));
}

std::string Convert::ConvertHTML2RTF(std::string_view a, std::string_view b,
                                     std::string_view c) {
  Text A = W(a), B = W(b), C = W(c);
  return ToUtf8(ConvertHTML2RTF(A, B, C));
}

std::string Convert::ConvertRTFXHTML(std::string_view a, std::string_view b,
                                     std::string_view c, std::string_view d,
                                     std::string_view e, std::string_view f,
                                     std::string_view g, std::string_view h,
                                     std::string_view i, std::string_view j,
                                     std::string_view k) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f), G = W(g),
       H = W(h), I = W(i), J = W(j), K = W(k);
  return ToUtf8(ConvertRTFXHTML(A, B, C, D, E, F, G, H, I, J, K));
}

std::string Convert::ConvertPlainHTML(std::string_view a, std::string_view b,
                                      std::string_view c, std::string_view d,
                                      std::string_view e, std::string_view f) {
  Text A = W(a), B = W(b), C = W(c), D = W(d), E = W(e), F = W(f);
  return ToUtf8(ConvertPlainHTML(A, B, C, D, E, F));
}

}  // namespace skeinlet
