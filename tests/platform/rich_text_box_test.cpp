// The rich text control: what its reader makes of RTF, what its writer
// writes, the plain text, and the round trips the callers rely on.
#include "platform/rich_text_box.hpp"
#include "platform/rtf_reader.hpp"
#include "platform/rtf_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace skeinlet::detail {
namespace {

constexpr TextView kPlainHeader =
    u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
    u"\\viewkind4\\uc1";

Text PlainOf(TextView rtf) {
  RichTextBox box;
  box.SetTextRTF(rtf);
  return box.GetText();
}

Text RewriteOf(TextView rtf) {
  RichTextBox box;
  box.SetTextRTF(rtf);
  return box.TextRTF();
}

// The writer's body: what follows "\viewkind4\uc1" up to the closing brace.
Text BodyOf(TextView rtf) {
  const Text all = RewriteOf(rtf);
  const auto start = all.find(u"\\viewkind4\\uc1");
  const auto end = all.rfind(u"}\r\n");
  if (start == Text::npos || end == Text::npos) return all;
  return all.substr(start + 14, end - start - 14);
}

const Paragraph& FirstParagraph(const RtfDocument& doc) { return doc.body.at(0).paragraph(); }

TEST(RichTextReader, CharacterFormatting) {
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\fonttbl{\\f0\\froman Times;}{\\f3\\fswiss\\fcharset0 Arial;}}"
      u"{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      u"\\f3\\fs20 a{\\b\\i\\ul\\strike\\super\\caps\\cf1\\highlight2 b}c\\b1 d\\b0\\ulnone\\sub e"
      u"\\plain f\\par}");
  const auto& runs = FirstParagraph(doc).inlines;
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[0].text, u"a");
  EXPECT_EQ(doc.fonts.at(runs[0].format.font).name, u"Arial");
  EXPECT_EQ(runs[0].format.size, 20);
  const CharFormat& b = runs[1].format;
  EXPECT_TRUE(b.bold && b.italic && b.strike && b.caps);
  EXPECT_EQ(b.underline, Underline::Single);
  EXPECT_EQ(b.script, Script::Super);
  EXPECT_EQ(b.colour, 0xFF0000u);
  EXPECT_EQ(b.highlight, 0x0000FFu);
  // The group's end restores the format: "c" is like "a" again.
  EXPECT_EQ(runs[2].text, u"c");
  EXPECT_FALSE(runs[2].format.bold);
  EXPECT_EQ(runs[2].format.colour, kAutoColour);
  EXPECT_EQ(runs[3].text, u"d");
  EXPECT_TRUE(runs[3].format.bold);
  EXPECT_EQ(runs[4].text, u"e");
  EXPECT_EQ(runs[4].format.script, Script::Sub);
  EXPECT_EQ(runs[5].text, u"f");
  EXPECT_EQ(runs[5].format.script, Script::None);  // \plain ends the subscript
  EXPECT_EQ(doc.fonts.at(runs[5].format.font).name, u"Times");  // \plain: the \deff font
  EXPECT_EQ(runs[5].format.size, 24);
}

TEST(RichTextReader, ParagraphFormatting) {
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240\\sl360\\slmult1\\tqr\\tx5000\\tx720 One\\par "
      u"Two\\par\\pard Three\\par}");
  ASSERT_EQ(doc.body.size(), 3u);
  const ParaFormat& f = *doc.body[0].paragraph().format;
  EXPECT_EQ(f.alignment, Alignment::Centre);
  EXPECT_EQ(f.leftIndent, 720);
  EXPECT_EQ(f.rightIndent, 360);
  EXPECT_EQ(f.firstIndent, -360);
  EXPECT_EQ(f.spaceBefore, 120);
  EXPECT_EQ(f.spaceAfter, 240);
  EXPECT_EQ(f.lineSpacing, 360);
  EXPECT_TRUE(f.lineMultiple);
  ASSERT_EQ(f.tabs.size(), 2u);
  EXPECT_EQ(f.tabs[0], (TabStop{5000, TabKind::Right}));
  EXPECT_EQ(f.tabs[1], (TabStop{720, TabKind::Left}));
  // Paragraph properties last until \pard.
  EXPECT_EQ(*doc.body[1].paragraph().format, f);
  EXPECT_EQ(*doc.body[2].paragraph().format, ParaFormat{});
}

TEST(RichTextReader, UnicodeEscapesAndTheirFallbacks) {
  // \ucN drops the next N characters; "\'hh" and control symbols count as one.
  EXPECT_EQ(PlainOf(u"{\\rtf1 a\\u8364?b\\uc2\\u8364\\'80\\'80c\\uc0\\u915 d\\u-3913?}"),
            u"a\u20acb\u20acc\u0393d\uf0b7?");  // after \uc0 nothing is dropped
  // A group's end stops the dropping; \uc is restored with the group.
  EXPECT_EQ(PlainOf(u"{\\rtf1 {\\uc3\\u915}xyz\\u916?w}"), u"\u0393xyz\u0394w");
  // Surrogate pairs arrive as two escapes.
  EXPECT_EQ(PlainOf(u"{\\rtf1 \\u55357?\\u56489?}"), u"\U0001F4A9");
  EXPECT_EQ(PlainOf(u"{\\rtf1 \\ldblquote x\\rdblquote\\~\\emdash\\bullet\\{\\}\\\\}"),
            u"\u201cx\u201d\u00a0\u2014\u2022{}\\");
}

TEST(RichTextReader, DestinationsOutsideTheText) {
  EXPECT_EQ(PlainOf(u"{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s1 Heading;}}"
                    u"{\\*\\generator W;}{\\*\\unknown {\\b no}}{\\*\\bkmkstart b}"
                    u"{\\footnote n}Body {\\unknownword kept}\\par}"),
            u"Body kept");
  // Headers and footers are read into their own stories.
  const RtfDocument doc =
      ReadRtf(u"{\\rtf1{\\header {\\b Top}\\par}{\\footerf Foot\\par}Body\\par}");
  ASSERT_EQ(doc.headers.size(), 2u);
  EXPECT_EQ(doc.headers[0].kind, u"header");
  EXPECT_EQ(doc.headers[0].blocks.at(0).paragraph().inlines.at(0).text, u"Top");
  EXPECT_EQ(doc.headers[1].kind, u"footerf");
  EXPECT_EQ(PlainText(doc), u"Body");
  // The alternatives of \upr: the Unicode one is read.
  EXPECT_EQ(PlainOf(u"{\\rtf1 \"{\\upr{[G]}{\\*\\ud{[\\uc0\\u915]}}}\"}"), u"\"[\u0393]\"");
}

TEST(RichTextReader, FieldsAndPictures) {
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1 See {\\field{\\*\\fldinst{ HYPERLINK \"http://a.example/\" }}"
      u"{\\fldrslt{\\ul\\cf1 the site}}} and page {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}."
      u"{\\pict\\wmetafile8\\picw10\\pich20\\picwgoal30\\pichgoal40 01ff\r\nA0}"
      u"{\\*\\shppict{\\pict\\pngblip\\bin3 \x89PN}}{\\nonshppict{\\pict\\wmetafile8 00}}\\par}");
  const auto& pieces = FirstParagraph(doc).inlines;
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_EQ(pieces[0].text, u"See ");
  ASSERT_EQ(pieces[1].kind(), InlineKind::Field);
  EXPECT_EQ(pieces[1].field().instruction, u"HYPERLINK \"http://a.example/\"");
  ASSERT_EQ(pieces[1].field().result.size(), 1u);
  EXPECT_EQ(pieces[1].field().result[0].text, u"the site");
  EXPECT_EQ(pieces[1].field().result[0].format.underline, Underline::Single);
  // Other fields leave their result as text.
  EXPECT_EQ(pieces[2].text, u" and page 7.");
  ASSERT_EQ(pieces[3].kind(), InlineKind::Picture);
  const Picture& wmf = pieces[3].picture();
  EXPECT_EQ(wmf.kind, u"wmetafile");
  EXPECT_EQ(wmf.kindParam, 8);
  EXPECT_EQ(wmf.width, 10);
  EXPECT_EQ(wmf.goalHeight, 40);
  EXPECT_EQ(wmf.data, std::string("\x01\xff\xa0", 3));
  ASSERT_EQ(pieces[4].kind(), InlineKind::Picture);
  EXPECT_EQ(pieces[4].picture().data, "\x89PN");
  EXPECT_EQ(PlainText(doc), u"See the site and page 7.");
}

TEST(RichTextReader, LinksInsideAnotherField) {
  // A contents field holds one link per entry; the links stay links.
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\field{\\*\\fldinst TOC \\\\o}{\\fldrslt "
      u"{\\field{\\*\\fldinst HYPERLINK \\\\l \"_Toc1\"}{\\fldrslt One}}\\tab 1}}\\par}");
  const auto& pieces = FirstParagraph(doc).inlines;
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].kind(), InlineKind::Field);
  EXPECT_EQ(pieces[0].field().result.at(0).text, u"One");
  EXPECT_EQ(pieces[1].text, u"\t1");
}

TEST(RichTextWriter, TakingThePlainTextGivesItAndEmptiesTheDocument) {
  // Paragraphs, rows, a field and hidden text, repeated past the number of
  // blocks after which the released ones go back to the system.
  Text rtf = u"{\\rtf1 ";
  for (int i = 0; i < 3000; ++i)
    rtf += u"p" + NumberText(i) + u"{\\v h}\\par{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\par"
           u"\\trowd\\cellx100\\cellx200\\intbl a\\cell b\\par c\\cell\\row\\pard ";
  rtf += u"end}";
  RtfDocument doc = ReadRtf(rtf);
  ASSERT_GT(doc.body.size(), 8192u);
  const Text plain = PlainText(doc);
  EXPECT_TRUE(plain.starts_with(u"p0\r\nlink\r\na\tb\r\nc\r\np1\r\n"));
  EXPECT_EQ(TakePlainText(doc, rtf.size()), plain);
  EXPECT_TRUE(doc.body.empty());
  RichTextBox box;
  box.SetTextRTF(rtf);
  EXPECT_EQ(box.TakeText(), plain);
  EXPECT_EQ(box.GetText(), u"");  // the control is left empty
}

TEST(RichTextReader, Tables) {
  const Text rtf =
      u"{\\rtf1 Before\\par"
      u"\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\cellx1000\\cellx2000"
      u"\\pard\\intbl a\\cell b1\\par b2\\cell\\row"
      u"\\trowd\\cellx1500\\pard\\intbl c\\cell\\row"
      u"\\pard After\\par}";
  const RtfDocument doc = ReadRtf(rtf);
  ASSERT_EQ(doc.body.size(), 4u);
  ASSERT_EQ(doc.body[1].kind(), BlockKind::Row);
  const Row& row = doc.body[1].row();
  ASSERT_EQ(row.cells.size(), 2u);
  EXPECT_EQ(row.cells[1].paragraphs.size(), 2u);
  ASSERT_EQ(row.format.cells.size(), 2u);
  EXPECT_EQ(row.format.cells[0].right, 1000);
  EXPECT_TRUE(row.format.cells[0].borderTop);
  EXPECT_FALSE(row.format.cells[1].borderTop);
  EXPECT_EQ(doc.body[2].row().format.cells.at(0).right, 1500);
  EXPECT_EQ(PlainText(doc), u"Before\r\na\tb1\r\nb2\r\nc\r\nAfter");
  // A row left open at the end of the text, and nested cells.
  EXPECT_EQ(PlainOf(u"{\\rtf1\\trowd\\cellx100\\intbl x\\cell y"), u"x\ty\r\n");
  EXPECT_EQ(PlainOf(u"{\\rtf1\\intbl p\\nestcell q\\nestcell{\\*\\nesttableprops\\trowd}\\nestrow\\cell\\row}"),
            u"p\tq\t\r\n\r\n");
}

TEST(RichTextReader, CodePages) {
  // \ansicpg decodes "\'hh"; a font's character set or \cpg overrides it.
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fnil Arial;}"
                    u"{\\f1\\fnil\\fcharset128 MS Mincho;}{\\f2\\fnil\\fcharset0\\cpg1253 G;}}"
                    u"\\f0\\'cf\\'f0\\'e8 \\f1\\'82\\'a0\\'83e \\f2\\'e1}"),
            u"\u041f\u0440\u0438 \u3042\u30c6 \u03b1");
  // Characters set as 1252 by the caller's byte decoding go back to their
  // bytes when the font's code page is another one.
  EXPECT_EQ(PlainOf(u"{\\rtf1\\ansi\\ansicpg1251 \u00cf\u00f0\u00e8}"), u"\u041f\u0440\u0438");
  // Font names are decoded in their own character set.
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 Mincho;}}}");
  EXPECT_EQ(doc.fonts.at(0).name, u"\uff2d\uff33 Mincho");
}

TEST(RichTextReader, ListParagraphs) {
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
      u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720 One\\par"
      u"{\\pntext\\f1\\'B7\\tab}Two\\par"
      u"\\pard{\\listtext\\f0 3.\\tab}\\ls1 Three\\par}");
  ASSERT_EQ(doc.body.size(), 3u);
  const Paragraph& one = doc.body[0].paragraph();
  EXPECT_EQ(one.format->numbering.kind, NumberKind::Bullet);
  EXPECT_EQ(doc.fonts.at(one.format->numbering.font).name, u"Symbol");
  EXPECT_EQ(one.format->numbering.before, u"\u00b7");
  EXPECT_EQ(one.listText(), u"\u00b7");
  EXPECT_EQ(*doc.body[1].paragraph().format, *one.format);
  const Paragraph& three = doc.body[2].paragraph();
  EXPECT_EQ(three.format->numbering.kind, NumberKind::Decimal);
  EXPECT_EQ(three.format->numbering.after, u".");
  EXPECT_EQ(three.listText(), u"3.");
  // Number texts are not part of the plain text.
  EXPECT_EQ(PlainText(doc), u"One\r\nTwo\r\nThree");
}

TEST(RichTextReader, ParagraphsOfManyPiecesAndOfFewKeepThemAll) {
  // Pieces are gathered in one buffer and handed on, a paragraph at a time;
  // a paragraph of very many keeps the buffer itself. Each paragraph has
  // its own pieces only, also after a long one and inside a table.
  for (const int many : {3, 4095, 4096, 5000}) {
    Text rtf = u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}\\pard ";
    Text expected;
    for (int i = 0; i < many; ++i) {
      rtf += (i % 2 ? u"\\b0 " : u"\\b ") + NumberText(i % 10);
      expected += NumberText(i % 10);
    }
    rtf += u"\\b0\\par short\\par\\trowd\\cellx1000\\intbl {\\b x}y\\cell\\row\\pard last\\par}";
    const RtfDocument doc = ReadRtf(rtf);
    ASSERT_EQ(doc.body.size(), 4u);
    EXPECT_EQ(doc.body[0].paragraph().inlines.size(), static_cast<std::size_t>(many));
    EXPECT_EQ(doc.body[1].paragraph().inlines.size(), 1u);
    EXPECT_EQ(doc.body[2].row().cells.at(0).paragraphs.at(0).inlines.size(), 2u);
    EXPECT_EQ(PlainText(doc), expected + u"\r\nshort\r\nxy\r\nlast");
  }
}

TEST(RichTextReader, ParagraphsShareFormatsWithoutMixingThem) {
  // Three indents taking turns are shared; six taking turns are more than
  // the reader keeps at hand, and each paragraph still has its own.
  for (const int kinds : {3, 6}) {
    Text rtf = u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}";
    for (int i = 0; i < 4 * kinds; ++i)
      rtf += u"\\pard\\li" + NumberText(100 * (i % kinds + 1)) + u" p" + NumberText(i) + u"\\par";
    rtf += u"}";
    const RtfDocument doc = ReadRtf(rtf);
    ASSERT_EQ(doc.body.size(), 4u * kinds);
    for (int i = 0; i < 4 * kinds; ++i) {
      const Paragraph& p = doc.body[i].paragraph();
      EXPECT_EQ(p.format->leftIndent, 100 * (i % kinds + 1)) << kinds << " " << i;
      EXPECT_TRUE(p.format == doc.body[i % kinds].paragraph().format);
      if (i >= kinds) {
        EXPECT_EQ(p.format.SameAs(doc.body[i - kinds].paragraph().format), kinds == 3) << kinds << " " << i;
      }
    }
    EXPECT_EQ(RewriteOf(RewriteOf(rtf)), RewriteOf(rtf));
  }
  // An empty number text still gives the number its font; a paragraph
  // without one has none, and the default format.
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
      u"\\pard{\\pntext\\f1\\tab}{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'B7}}One\\par"
      u"\\pard Two\\par}");
  const Paragraph& one = doc.body.at(0).paragraph();
  EXPECT_EQ(one.listText(), u"");
  EXPECT_EQ(doc.fonts.at(one.listFormat().font).name, u"Symbol");
  const Paragraph& two = doc.body.at(1).paragraph();
  EXPECT_EQ(two.list, nullptr);
  EXPECT_EQ(two.listFormat(), CharFormat{});
  EXPECT_NE(BodyOf(u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
                   u"\\pard{\\pntext\\f1\\tab}{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'B7}}One\\par}")
                .find(u"\\pnf1"),
            Text::npos);
}

TEST(RichTextWriter, PlainTextInTheControlsDefaultFont) {
  RichTextBox box;
  box.SetText(u"one\r\ntwo\tthree");
  EXPECT_EQ(box.TextRTF(), Text(kPlainHeader) +
                               u"\\pard\\f0\\fs17 one\\par\r\n"
                               u"two\\tab three\\par\r\n"
                               u"}\r\n");
  // An empty control still writes one paragraph.
  RichTextBox empty;
  EXPECT_EQ(empty.TextRTF(), Text(kPlainHeader) + u"\\pard\\f0\\fs17\\par\r\n}\r\n");
  EXPECT_EQ(empty.GetText(), u"");
}

TEST(RichTextWriter, AHeaderLongerThanItsRoomStillLeadsTheBody) {
  // The header is written after the body, into room kept in front of it;
  // six hundred fonts and colours take more than that room.
  Text rtf = u"{\\rtf1{\\fonttbl";
  for (int f = 0; f < 600; ++f) rtf += u"{\\f" + NumberText(f) + u"\\fswiss Face" + NumberText(f) + u";}";
  rtf += u"}{\\colortbl;";
  for (int c = 1; c <= 600; ++c) rtf += u"\\red" + NumberText(c % 256) + u"\\green" + NumberText(c / 256) + u"\\blue7;";
  rtf += u"}";
  for (int f = 0; f < 600; ++f) rtf += u"{\\f" + NumberText(f) + u"\\cf" + NumberText(f + 1) + u" w" + NumberText(f) + u"}";
  rtf += u"\\par}";
  const Text out = RewriteOf(rtf);
  ASSERT_TRUE(out.starts_with(u"{\\rtf1\\ansi"));
  const auto body = out.find(u"\\viewkind4\\uc1\\pard");
  ASSERT_NE(body, Text::npos);
  EXPECT_GT(body, 4096u);
  EXPECT_NE(out.rfind(u"Face599;}", body), Text::npos);
  EXPECT_TRUE(out.ends_with(u"\\par\r\n}\r\n"));
  EXPECT_EQ(RewriteOf(out), out);
  Text words;
  for (int f = 0; f < 600; ++f) words += u"w" + NumberText(f);
  EXPECT_EQ(PlainOf(out), words);
}


TEST(RichTextWriter, TheLengthItIsToldToExpectChangesNothing) {
  // Paragraphs, a row between them, a line break and hidden text: the
  // writer and the plain text size their buffers from the length they are
  // told.
  const RtfDocument doc = ReadRtf(
      u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 first\\line line{\\v hidden} \\'e9\\par"
      u"\\trowd\\cellx1000\\cellx2000\\intbl a\\par b\\cell c\\cell\\row"
      u"\\pard after\\par last}");
  const Text rtf = WriteRtf(doc);
  ASSERT_NE(rtf.find(u"\\cell"), Text::npos);
  for (std::size_t expected : {std::size_t{1}, rtf.size() / 2, rtf.size(), rtf.size() * 10,
                               std::numeric_limits<std::size_t>::max()})
    EXPECT_EQ(WriteRtf(doc, expected), rtf) << expected;
  const Text plain = PlainText(doc);
  EXPECT_EQ(plain, u"first\r\nline \u00e9\r\na\r\nb\tc\r\nafter\r\nlast");
  for (std::size_t expected : {std::size_t{1}, plain.size(), std::numeric_limits<std::size_t>::max()})
    EXPECT_EQ(PlainText(doc, expected), plain) << expected;
  // A block read as the other kind is empty, not a fault.
  ASSERT_EQ(doc.body.at(1).kind(), BlockKind::Row);
  EXPECT_TRUE(doc.body[1].paragraph().inlines.empty());
  EXPECT_TRUE(doc.body[0].row().cells.empty());
  EXPECT_EQ(doc.body[1].row().cells.size(), 2u);
}
TEST(RichTextWriter, CharactersAndEscapes) {
  RichTextBox box;
  box.SetText(u"\\{x} caf\u00e9 \u20ac \u0416 \u2014\u2019\u00a0 \U0001F4A9");
  EXPECT_EQ(box.TextRTF(), Text(kPlainHeader) +
                               u"\\pard\\f0\\fs17\\\\\\{x\\} caf\\'e9 \\'80 \\u1046? "
                               u"\\emdash\\rquote\\~ \\u55357?\\u56489?\\par\r\n}\r\n");
}

TEST(RichTextWriter, FormattingIsWrittenAsChanges) {
  EXPECT_EQ(BodyOf(u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                   u"\\f0\\fs20 plain {\\b bold} {\\i\\cf1 red}\\par"
                   u"\\pard\\qc\\li720 centred\\par centred too\\par\\pard\\lang1036 left\\par}"),
            u"\\pard\\f0\\fs20 plain \\b bold\\b0  \\cf1\\i red\\cf0\\i0\\par\r\n"
            u"\\pard\\qc\\li720 centred\\par\r\n"
            u"centred too\\par\r\n"
            u"\\pard\\lang1036 left\\par\r\n");
  // The colour table holds the colours in use, in the order of first use;
  // a document without a font table is written in the control's font.
  EXPECT_EQ(RewriteOf(u"{\\rtf1{\\colortbl;\\red1\\green2\\blue3;\\red4\\green5\\blue6;}\\cf2 x\\cf1 y}"),
            u"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\r\n"
            u"{\\colortbl ;\\red4\\green5\\blue6;\\red1\\green2\\blue3;}\r\n"
            u"\\viewkind4\\uc1\\pard\\cf1\\f0\\fs24 x\\cf2 y\\par\r\n}\r\n");
}

}  // namespace
}  // namespace skeinlet::detail

namespace skeinlet::detail {
namespace {

TEST(RichTextWriter, ListsInTheControlsNumberingForm) {
  EXPECT_EQ(BodyOf(u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
                   u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720 One\\par"
                   u"{\\pntext\\f1\\'B7\\tab}Two\\par"
                   u"\\pard{\\listtext\\f0 3.\\tab}\\ls1 Three\\par}"),
            u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720\\f0\\fs24 One\\par\r\n"
            u"{\\pntext\\f1\\'B7\\tab}Two\\par\r\n"
            u"\\pard{\\pntext\\f0 3.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}Three\\par\r\n");
}

TEST(RichTextWriter, TablesFieldsAndDoubleByteText) {
  EXPECT_EQ(BodyOf(u"{\\rtf1 Before\\par"
                   u"\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\cellx1000\\cellx2000"
                   u"\\pard\\intbl a\\cell b1\\par b2\\cell\\row"
                   u"\\trowd\\cellx1500\\pard\\intbl c\\cell\\row"
                   u"\\pard After\\par}"),
            u"\\pard\\f0\\fs24 Before\\par\r\n"
            u"\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrw10\\brdrs\\cellx1000\\cellx2000"
            u"\\pard\\intbl a\\cell b1\\par\r\nb2\\cell\\row\r\n"
            u"\\trowd\\trgaph108\\trleft-108\\cellx1500 c\\cell\\row\r\n"
            u"\\pard After\\par\r\n");
  EXPECT_EQ(BodyOf(u"{\\rtf1 See {\\field{\\*\\fldinst{ HYPERLINK \"http://a.example/\" }}"
                   u"{\\fldrslt{\\ul\\cf1 the site}}} end\\par}"),
            u"\\pard\\f0\\fs24 See {\\field{\\*\\fldinst{HYPERLINK \"http://a.example/\"}}"
            u"{\\fldrslt{\\ul the site}}} end\\par\r\n");
  const Text dbcs = RewriteOf(u"{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}}\\f0 \\'82\\'a0\\u54620?}");
  EXPECT_NE(dbcs.find(u"{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}}"), Text::npos);
  EXPECT_NE(dbcs.find(u"\\pard\\f0\\fs24\\'82\\'a0\\u54620?\\par\r\n"), Text::npos);
  // Pictures keep their data as hexadecimal lines.
  EXPECT_EQ(BodyOf(u"{\\rtf1{\\pict\\pngblip\\picw2\\pich3\\picwgoal4\\pichgoal5 89504E}\\par}"),
            u"\\pard\\f0\\fs24{\\pict\\pngblip\\picw2\\pich3\\picwgoal4\\pichgoal5\r\n89504e}\\par\r\n");
}

TEST(RichTextRoundTrip, TextThroughRtfComesBackUnchanged) {
  const Text texts[] = {
      u"", u"a", u"a\r\n", u"\r\n\r\n", u"x\ty\r\nz", u"  leading blanks and a trailing tab\t",
      u"\u0416\u20ac\u00e9\U0001F600 \u4e2d\u6587", u"{braces} and \\backslash\\ \\par",
      u"\u2014\u2013\u2018\u2019\u201c\u201d\u2022\u00a0\u00ad"};
  for (const Text& text : texts) {
    RichTextBox writer;
    writer.SetText(text);
    RichTextBox reader;
    reader.SetTextRTF(writer.TextRTF());
    EXPECT_EQ(reader.GetText(), text);
  }
  // Lone carriage returns and line feeds end lines too.
  RichTextBox box;
  box.SetText(u"a\rb\nc");
  EXPECT_EQ(box.GetText(), u"a\r\nb\r\nc");
}

// RTF read and written twice gives the same text the second time, and the
// rewrite keeps the plain text.
void ExpectStable(TextView rtf, const std::string& name) {
  RichTextBox first;
  first.SetTextRTF(rtf);
  const Text once = first.TextRTF();
  RichTextBox second;
  second.SetTextRTF(once);
  EXPECT_EQ(second.TextRTF(), once) << name;
  EXPECT_EQ(second.GetText(), first.GetText()) << name;
}

TEST(RichTextRoundTrip, RtfWrittenTwiceIsTheSame) {
  ExpectStable(u"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
               u"{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs20 a{\\b\\cf1 b}\\par"
               u"\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}x\\par"
               u"\\trowd\\cellx10\\cellx20\\intbl\\cell\\cell\\row"
               u"{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt y}}\\par}",
               "inline");
  const std::filesystem::path corpus = std::filesystem::path(SKEINLET_CORPUS_DIR) / "rtf";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int documents = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".rtf") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    Text rtf;
    for (unsigned char c : bytes.str()) rtf.push_back(c);  // bytes as Latin-1
    ExpectStable(rtf, entry.path().string());
    ++documents;
  }
  EXPECT_GT(documents, 0);
}

TEST(RichTextBox, TextThatIsNotRtfLoadsAsPlainText) {
  RichTextBox box;
  box.SetTextRTF(u"just words\r\n{not rtf}");
  EXPECT_EQ(box.GetText(), u"just words\r\n{not rtf}");
  EXPECT_NE(box.TextRTF().find(u"\\f0\\fs17 just words\\par\r\n\\{not rtf\\}\\par\r\n"), Text::npos);
  // Leading line breaks before "{\rtf" do not matter.
  box.SetTextRTF(u"\r\n {\\rtf1 x}");
  EXPECT_EQ(box.GetText(), u"x");
}

}  // namespace
}  // namespace skeinlet::detail
