#include "fresh_state.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace skeinlet::detail {
namespace {

std::string Names(TextView tag) {
  std::string out;
  for (TextView n : RowsPassed(tag)) {
    if (!out.empty()) out += ", ";
    for (char16_t c : n) out += static_cast<char>(c);
  }
  return out;
}

TEST(TagTable, EachRowOnItsOwnTag) {
  struct Case {
    TextView Tag;
    const char* Rows;
  };
  const Case cases[] = {
      {u"<A HREF=\"X\">", "StartLink"},
      {u"<A>", "StartLink"},
      {u"</A>", "EndLink"},
      {u"<B>", "bold on"},
      {u"<B CLASS=X>", "bold on"},
      {u"</B>", "bold off"},
      {u"<BR>", "BreakParagraph"},
      {u"<BR/>", "BreakParagraph"},
      {u"<BLOCKQUOTE TYPE=CITE>", "StartBlockquote"},
      {u"</BLOCKQUOTE>", "EndBlockquote"},
      {u"<CENTER>", "centre"},
      {u"</CENTER>", "left"},
      {u"<DD>", "definition indent"},
      {u"</DD>", "DefinitionBreak"},
      {u"<DL COMPACT>", "DefinitionBreak"},
      {u"</DL>", "DefinitionBreak"},
      {u"<DT>", "StartDefinitionTerm"},
      {u"</DT>", "DefinitionBreak"},
      {u"<DIV ALIGN=RIGHT>", "StartParagraph"},
      {u"</DIV>", "EndParagraph"},
      {u"<EM>", "italic on"},
      {u"</EM>", "italic off"},
      {u"<FONT FACE=X>", "StartFont"},
      {u"</FONT>", "EndFont"},
      {u"<HR NOSHADE>", "HorizontalRule"},
      {u"<I>", "italic on"},
      {u"<I ID=Y>", "italic on"},
      {u"</I>", "italic off"},
      {u"<IMG SRC=A.PNG>", "InsertImage"},
      {u"<LI>", "StartListItem"},
      {u"<LI VALUE=3>", "StartListItem"},
      {u"</LI>", "EndListItem"},
      {u"<OL>", "StartOrderedList"},
      {u"<OL START=2>", "StartOrderedList"},
      {u"</OL>", "EndOrderedList"},
      {u"<P>", "StartParagraph"},
      {u"<P CLASS=X>", "StartParagraph"},
      {u"</P>", "EndParagraph"},
      {u"<SPAN>", "StartSpan"},
      {u"</SPAN>", "EndSpan"},
      {u"<STRIKE>", "strike on"},
      {u"</STRIKE>", "group close"},
      {u"<STRONG>", "bold on"},
      {u"</STRONG>", "bold off"},
      {u"<SUB>", "subscript on"},
      {u"</SUB>", "group close"},
      {u"<SUP>", "superscript on"},
      {u"</SUP>", "group close"},
      {u"<TABLE BORDER=1>", "StartTable"},
      {u"</TABLE>", "EndTable"},
      {u"<TD>", "StartCell"},
      {u"</TD>", "EndCell"},
      {u"<TR>", "StartRow"},
      {u"</TR>", "EndRow"},
      {u"<U>", "underline on"},
      {u"<U CLASS=Z>", "underline on"},
      {u"</U>", "underline off"},
      {u"<UL>", "StartUnorderedList"},
      {u"<UL TYPE=DISC>", "StartUnorderedList"},
      {u"</UL>", "EndUnorderedList"},
      {u"<X STYLE=\"BACKGROUND-COLOR:RED\">", "ApplyBackgroundColour"},
      {u"<X BACK=RED>", "ApplyBackgroundColour"},
      {u"<X BGCOLOR=RED>", "ApplyBackgroundColour"},
  };
  for (const Case& c : cases) {
    std::string tag;
    for (char16_t ch : c.Tag) tag += static_cast<char>(ch);
    EXPECT_EQ(Names(c.Tag), c.Rows) << tag;
  }
}

TEST(TagTable, RowsAreIndependentTests) {
  // Several rows: in table order.
  EXPECT_EQ(Names(u"<TD BGCOLOR=RED>"), "StartCell, ApplyBackgroundColour");
  EXPECT_EQ(Names(u"<SPAN STYLE=\"BACKGROUND-COLOR:YELLOW\">"), "StartSpan, ApplyBackgroundColour");
  EXPECT_EQ(Names(u"<FONT BACK=BLUE>"), "StartFont, ApplyBackgroundColour");
  EXPECT_EQ(Names(u"<HR BGCOLOR=RED>"), "HorizontalRule, ApplyBackgroundColour");
  // Prefixes that reach other tags.
  EXPECT_EQ(Names(u"<EMBED SRC=X>"), "italic on");
  EXPECT_EQ(Names(u"<DIR>"), "");
  EXPECT_EQ(Names(u"<SUBMIT>"), "subscript on");
  EXPECT_EQ(Names(u"<TDX>"), "StartCell");
  EXPECT_EQ(Names(u"<TRACK>"), "StartRow");
  EXPECT_EQ(Names(u"<FONTX>"), "StartFont");
  // Prefixes that do not.
  for (TextView none : {u"<ABBR>", u"<BIG>", u"<BODY>", u"<PRE>", u"<PARAM>", u"<TH>",
                        u"<TBODY>", u"<S>", u"<LINK>", u"<ULX>", u"<A", u"<IFRAME>",
                        u"<HTML>", u"<H1>", u"</BR>", u"</TD >", u"</P CLASS=X>"})
    EXPECT_EQ(Names(none), "") << static_cast<int>(none.size());
  // A BR tag passes only its own row, and a BLOCKQUOTE tag is not bold.
  EXPECT_EQ(Names(u"<BR CLEAR=ALL>"), "BreakParagraph");
  EXPECT_EQ(Names(u"<BLOCKQUOTE>"), "StartBlockquote");
}

TEST(TagTable, RowsFoundByTheTagsStartAreEveryRowThatPasses) {
  // Every row of the table is asked, in order, and the answer compared with
  // the rows the tag's first units lead to: short tags, tags made of the
  // rows' own texts and their cut or lengthened forms, and random ones.
  auto everyRow = [](TextView tag) {
    std::vector<TextView> names;
    for (const TagRow& row : TagTable())
      if (RowPasses(row, tag)) names.push_back(row.Handler);
    return names;
  };
  std::vector<Text> tags = {u"", u"<", u"<>", u"</", u"<A", u"</>", u"<BR", u"BGCOLOR=<B>"};
  for (const TagRow& row : TagTable()) {
    for (const TextView t : {row.First, row.Second, row.Third}) {
      if (t.empty()) continue;
      for (std::size_t n = 0; n <= t.size(); ++n) tags.push_back(Text(t.substr(0, n)));
      tags.push_back(Text(t) + u">");
      tags.push_back(Text(t) + u" BACK=1>");
      tags.push_back(u"<P STYLE=\"" + Text(t) + u"\">");
    }
  }
  std::mt19937 rng(3);
  // Units beyond ASCII start no row and are not keys of the index.
  const char16_t units[] = u"<>/ ABDEFGHILMOPRSTUV=:-\u00C1\u0142\uFFFF";
  for (int k = 0; k < 20000; ++k) {
    Text tag = u"<";
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) tag += units[rng() % (std::size(units) - 1)];
    tags.push_back(tag);
  }
  for (const Text& tag : tags)
    ASSERT_EQ(RowsPassed(tag), everyRow(tag)) << std::string(tag.begin(), tag.end());

  // A "contains" row passes a tag holding any one of its texts, wherever it
  // stands, and no tag without "=" or ":".
  for (const TagRow& row : TagTable()) {
    if (row.Test != TagTest::ContainsAny) continue;
    for (const TextView t : {row.First, row.Second, row.Third}) {
      if (t.empty()) continue;
      EXPECT_TRUE(RowPasses(row, Text(u"<TD ") + Text(t) + u"RED>"));
      EXPECT_TRUE(RowPasses(row, Text(t)));
    }
    EXPECT_FALSE(RowPasses(row, u"<TD BGCOLOR RED BACK BACKGROUND-COLOR>"));
  }
}

TEST(TagTable, OfferedTagsRunEveryRowEvenAfterAFailure) {
  HtmlRtfState& s = FreshState();
  const Text folder;
  // StartCell is empty for now; the background row still runs after it,
  // and fails at the table record because no table is open.
  OfferTag(u"<TD BGCOLOR=RED>", 1, folder);
  EXPECT_EQ(s.BackgroundColour, 2);
  EXPECT_EQ(Emitted(), u"");
  // The FONT row sees the tag with its backslash-quote pairs made plain.
  OfferTag(u"<FONT FACE=\\\"ARIAL\\\">", 1, folder);
  EXPECT_EQ(s.RtfFonts[2], u"ARIAL");
  EXPECT_EQ(Emitted(), u"\\f2");
}

}  // namespace
}  // namespace skeinlet::detail
