#include "fresh_state.hpp"

#include "text/errors.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

Text Offer(TextView tag) {
  OfferTag(Text(tag), 1, Text());
  return Emitted();
}

TEST(Blocks, SimpleEmitters) {
  FreshState();
  EXPECT_EQ(Offer(u"<B>") + Offer(u"</B>") + Offer(u"<STRONG>") + Offer(u"</STRONG>"),
            uR"(\b1\b0\b1\b0)");
  EXPECT_EQ(Offer(u"<I>") + Offer(u"</I>") + Offer(u"<EM>") + Offer(u"</EM>"),
            uR"(\i1\i0\i1\i0)");
  EXPECT_EQ(Offer(u"<U>") + Offer(u"</U>"), uR"(\ul1\ul0)");
  EXPECT_EQ(Offer(u"<STRIKE>") + Offer(u"</STRIKE>"), uR"({\strike })");
  EXPECT_EQ(Offer(u"<SUB>") + Offer(u"</SUB>"), uR"({\sub })");
  EXPECT_EQ(Offer(u"<SUP>") + Offer(u"</SUP>"), uR"({\super })");
  EXPECT_EQ(Offer(u"<CENTER>") + Offer(u"</CENTER>"), uR"(\qc\ql)");
  EXPECT_EQ(Offer(u"<DD>"), uR"(\li600)");
  EXPECT_EQ(Offer(u"<DT>"), u"\\pard\\ql\\li0\r\n");
  // Nothing tracks nesting: an end alone still writes its word.
  EXPECT_EQ(Offer(u"</SUP>"), u"}");
  EXPECT_EQ(Offer(u"<EMBED SRC=X>"), uR"(\i1)");
}

TEST(Blocks, BreaksInListsAndTables) {
  HtmlRtfState& s = FreshState();
  s.TextInParagraph = true;
  BreakParagraph();
  EXPECT_EQ(Emitted(), u"\r\n\\par");
  EXPECT_FALSE(s.TextInParagraph);
  s.InListItem = true;
  BreakParagraph();
  EXPECT_EQ(Emitted(), u"\r\n\\par\\pard");
  s.TableDepth = 2;
  BreakParagraph();
  EXPECT_EQ(Emitted(), u"\r\n\\par\\pard\\intbl\\itap2");
  s.InListItem = false;
  DefinitionBreak();
  EXPECT_EQ(Emitted(), u"\r\n\\par\\pard\r\n");
}

TEST(Blocks, Quotations) {
  HtmlRtfState& s = FreshState();
  StartBlockquote();
  EXPECT_EQ(Emitted(), u"\\pard\\li720\\ri720\\sb100\\sa100\r\n");
  StartBlockquote();
  EXPECT_EQ(Emitted(), u"\\par \\pard\\li1440\\ri720\\sb100\\sa100\r\n");
  EndBlockquote();
  EXPECT_EQ(Emitted(), u"\\par \\pard\r\n\\li720\\ri720\\sb100\\sa100\r\n");
  EndBlockquote();
  EXPECT_EQ(Emitted(), u"\\par \\pard\r\n\\li0\\ri0\\sb100\\sa100\r\n");
  EndBlockquote();
  EXPECT_EQ(s.BlockquoteIndent, 0);
  EXPECT_EQ(Emitted(), u"\\par \\pard\r\n\\li0\\ri0\\sb100\\sa100\r\n");
  s.TableDepth = 1;
  StartBlockquote();
  EXPECT_EQ(Emitted(), u"\\pard\\intbl\\itap1\\li720\\ri720\\sb100\\sa100\r\n");
  // 45 levels fit in the indent's 16 bits; the 46th fails before it
  // writes anything.
  s.TableDepth = 0;
  for (int i = 2; i <= 45; ++i) StartBlockquote();
  Emitted();
  EXPECT_THROW(StartBlockquote(), Error);
  EXPECT_EQ(Emitted(), u"");
  EXPECT_EQ(s.BlockquoteIndent, 45 * 720);
}

TEST(Blocks, ParagraphsAlignmentAndLanguage) {
  HtmlRtfState& s = FreshState();
  StartParagraph(u"<P ALIGN=\"CENTER\">");
  EXPECT_EQ(Emitted(), uR"(\qc)");
  EXPECT_EQ(s.LanguageDepth, 2);
  EXPECT_EQ(s.LanguageStack[1], u"EN");
  EndParagraph(u"</P>");
  EXPECT_EQ(Emitted(), u"\r\n\\par\\ql");
  EXPECT_EQ(s.LanguageDepth, 1);
  // At the base entry nothing more happens.
  EXPECT_THROW(EndParagraph(u"</P>"), Error);
  EXPECT_EQ(Emitted(), u"");
  EXPECT_EQ(s.LanguageDepth, 1);

  for (auto [tag, word] : {std::pair<TextView, TextView>{u"<P ALIGN=LEFT>", uR"(\ql)"},
                           {u"<P ALIGN='RIGHT' CLASS=X>", uR"(\qr)"},
                           {u"<DIV ALIGN =JUSTIFY>", uR"(\qj)"},
                           // the blank after "=" stays in the value
                           {u"<DIV ALIGN = \"JUSTIFY\">", u""},
                           {u"<P ALIGN=\"MIDDLE\">", u""}}) {
    StartParagraph(Text(tag));
    EXPECT_EQ(Emitted(), word);
  }
  // A value too short to reach the end search fails the handler before
  // its language is pushed.
  const std::int16_t depth = s.LanguageDepth;
  EXPECT_THROW(StartParagraph(u"<P ALIGN=C>"), Error);
  EXPECT_EQ(s.LanguageDepth, depth);

  FreshState();
  StartParagraph(u"<P LANG=\"FR-CA\">");
  EXPECT_EQ(s.LanguageStack[1], u"FR");
  StartParagraph(u"<P>");
  EXPECT_EQ(s.LanguageStack[2], u"FR");
  StartParagraph(u"<DIV LANG=DE>");
  EXPECT_EQ(s.LanguageStack[3], u"DE");
  EXPECT_EQ(LanguageToLcid(3), 1031);
  // The identifier of each entry, asked in turns, and again once an entry
  // has changed.
  for (const auto& [index, lcid] : {std::pair{0, 1033}, {1, 1036}, {3, 1031}, {1, 1036}, {0, 1033}})
    EXPECT_EQ(LanguageToLcid(index), lcid) << index;
  s.LanguageStack[1] = u"JA";
  EXPECT_EQ(LanguageToLcid(1), 1041);
  s.LanguageStack[1] = u"ZH-TW";
  EXPECT_EQ(LanguageToLcid(1), 1054);
  Emitted();

  // Text in the paragraph, an owed break, a table and list items.
  FreshState();
  s.TextInParagraph = true;
  StartParagraph(u"<P>");
  EXPECT_EQ(Emitted(), u"\r\n\\par");
  s.PendingParagraph = true;
  StartParagraph(u"<P NOPARAGRAPH >");
  EXPECT_EQ(Emitted(), u"");
  EXPECT_TRUE(s.PendingParagraph);
  s.TableDepth = 1;
  s.TextInParagraph = true;
  StartParagraph(u"<P>");
  EXPECT_EQ(Emitted(), u"\r\n\\par\\ql");
  EXPECT_FALSE(s.PendingParagraph);
  EndParagraph(u"</P>");
  EXPECT_EQ(Emitted(), u"");
  EXPECT_TRUE(s.PendingParagraph);
  s.TableDepth = 0;
  s.PendingParagraph = false;
  s.InListItem = true;
  s.ParagraphsInItem = 0;
  StartParagraph(u"<P>");
  EXPECT_EQ(Emitted(), u"");
  StartParagraph(u"<P>");
  EXPECT_EQ(Emitted(), u" \\plain\\cf1\\fi900 ");
  EXPECT_EQ(s.ParagraphsInItem, 2);
}

TEST(Blocks, Links) {
  HtmlRtfState& s = FreshState();
  StartLink(u"<A HREF=\"HTTP://EXAMPLE.COM/Page.HTM\">");
  EXPECT_EQ(Emitted(),
            u"{\\field{\\*\\fldinst { HYPERLINK http://example.com/page.htm }}{\\fldrslt {\\ul\\cf4 ");
  EXPECT_TRUE(s.InLink);
  StartLink(u"<A HREF=\"B.HTM\">");
  EXPECT_EQ(Emitted(), u"");
  EndLink();
  EXPECT_EQ(Emitted(), u"}}}");
  EndLink();
  EXPECT_EQ(Emitted(), u"");
  for (TextView tag : {u"<A NAME=X>", u"<A HREF=PAGE.HTM>", u"<A HREF=\"\">"}) {
    StartLink(Text(tag));
    EXPECT_EQ(Emitted(), u"");
    EXPECT_FALSE(s.InLink);
  }
}

TEST(Blocks, HorizontalRules) {
  FreshState();
  const Text rule = u"\r\n\\par\\trowd\\trgaph30\\trrh-30\\trleft-30 \\clcbpatraw1"
                    u"\\cellx9514\\intbl\\par\\cell\\row\\pard\\par\r\n";
  HorizontalRule(u"<HR>");
  EXPECT_EQ(Emitted(), rule);
  HorizontalRule(u"<HR SIZE=2>");
  EXPECT_EQ(Emitted(), rule);
  HorizontalRule(u"<HR SIZE=\"4\" NOSHADE>");
  EXPECT_EQ(Emitted(), u"\r\n\\par\\trowd\\trgaph30\\trrh-60\\trleft-30 \\clcbpatraw1"
                       u"\\cellx9514\\intbl\\par\\cell\\row\\pard\\par\r\n");
  HorizontalRule(u"<HR STYLE=\"HEIGHT:10PX;\" BGCOLOR=RED>");
  EXPECT_EQ(Emitted(), u"\r\n\\par\\trowd\\trgaph30\\trrh-150\\trleft-30 \\clcbpatraw2"
                       u"\\cellx9514\\intbl\\par\\cell\\row\\pard\\par\r\n");
  EXPECT_THROW(HorizontalRule(u"<HR SIZE=THIN>"), Error);
  EXPECT_EQ(Emitted(), u"");
}

}  // namespace
}  // namespace skeinlet::detail
