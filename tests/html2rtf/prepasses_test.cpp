#include "html2rtf/html_to_rtf.hpp"
#include "html2rtf/prepasses.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>

namespace skeinlet::detail {
namespace {

Text Pass(void (*pass)(Text&), TextView html) {
  Text t(html);
  pass(t);
  return t;
}

TEST(Prepasses, CommentsAndStyleBlocks) {
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"ab<!-- x -->cd<!--y-->e"), u"abcde");
  // Unterminated: the comment and all after it stay.
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"a<!--b<!-- c -->d"), u"ad");
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"a<!-- never closed <b>x</b>"),
            u"a<!-- never closed <b>x</b>");
  // A cut that joins the text around it into a new comment start.
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"<!<!--x-->-- y -->z"), u"z");
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"1<style type=x>p{}</STYLE>2<Style>q</style>3"),
            u"123");
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"1<STYLE>p {color:red}<p>x"),
            u"1<STYLE>p {color:red}<p>x");
  // Comments go first, so a style end inside a comment does not end the block.
  EXPECT_EQ(Pass(StripCommentsAndStyles, u"<style><!-- </style> -->b{}</style>t"), u"t");
}

TEST(Prepasses, DivisionsInsideTables) {
  EXPECT_EQ(Pass(MarkTableParagraphs, u"<table><tr><td><div>x</div></td></tr></table>"),
            u"<table><tr><td><P NOPARAGRAPH >x</P></div></td></tr></table>");
  EXPECT_EQ(Pass(MarkTableParagraphs, u"<div align=right>y</div><table></table><div>z</div>"),
            u"<div align=right>y</div><table></table><div>z</div>");
  // Nested divisions and a second table.
  EXPECT_EQ(Pass(MarkTableParagraphs,
                u"<TABLE><TD><DIV class=a><DIV>i</DIV>o</DIV></TABLE><DIV>-</DIV>"
                u"<TABLE><DIV>2</DIV></TABLE>"),
            u"<TABLE><TD><P NOPARAGRAPH  class=a><P NOPARAGRAPH >i</P></DIV>o</P></DIV>"
            u"</TABLE><DIV>-</DIV><TABLE><P NOPARAGRAPH >2</P></DIV></TABLE>");
  // A table without its end runs to the end of the text.
  EXPECT_EQ(Pass(MarkTableParagraphs, u"<table><div>a"), u"<table><P NOPARAGRAPH >a");
}

TEST(Prepasses, RowSpansGetPlaceholderCells) {
  EXPECT_EQ(Pass(ExpandRowSpans,
                u"<table><tr><td rowspan=3>A</td><td>B</td></tr>"
                u"<tr><td>C</td></tr><tr><td>D</td></tr><tr><td>E</td></tr></table>"),
            u"<table><tr><td rowspan=3>A</td><td>B</td></tr>"
            u"<tr><TD ROWMERGE=TRUE></TD><td>C</td></tr>"
            u"<tr><TD ROWMERGE=TRUE></TD><td>D</td></tr><tr><td>E</td></tr></table>");
  // Column 3 after a two-column cell; quoted span; the row below has a
  // nested table in its first cell, which counts as one cell.
  EXPECT_EQ(Pass(ExpandRowSpans,
                u"<TABLE><TR><TD COLSPAN=2>a</TD><TD ROWSPAN=\"2\">b</TD></TR>"
                u"<TR><TD><TABLE><TR><TD>n</TD></TR></TABLE></TD><TD>c</TD><TD>d</TD></TR>"
                u"</TABLE>"),
            u"<TABLE><TR><TD COLSPAN=2>a</TD><TD ROWSPAN=\"2\">b</TD></TR>"
            u"<TR><TD><TABLE><TR><TD>n</TD></TR></TABLE></TD><TD>c</TD>"
            u"<TD ROWMERGE=TRUE></TD><TD>d</TD></TR></TABLE>");
  // More rows asked for than the table has; rows of an enclosing table are
  // not touched.
  EXPECT_EQ(Pass(ExpandRowSpans,
                u"<table><tr><td><table><tr><td rowspan=9>x</td></tr></table></td></tr>"
                u"<tr><td>o</td></tr></table>"),
            u"<table><tr><td><table><tr><td rowspan=9>x</td></tr></table></td></tr>"
            u"<tr><td>o</td></tr></table>");
  // Outside any table, or with no number: nothing happens.
  EXPECT_EQ(Pass(ExpandRowSpans, u"rowspan=2 <td rowspan>"), u"rowspan=2 <td rowspan>");
}

TEST(Prepasses, HeadingsAndSmall) {
  EXPECT_EQ(Pass(ConvertHeadings, u"<h1>T</h1><H2 ALIGN=center>U</H2>"),
            u"<FONT SIZE=\"6\"><P>T</P></FONT><BR><FONT SIZE=\"5\"><P ALIGN=center>U"
            u"</P></FONT><BR>");
  EXPECT_EQ(Pass(ConvertHeadings, u"<h3><h4><h5><h6></h3></h4></h5></h6>"),
            u"<FONT SIZE=\"4\"><P><FONT SIZE=\"3\"><P><FONT SIZE=\"2\"><P>"
            u"<FONT SIZE=\"1\"><P></P></FONT><BR></P></FONT><BR></P></FONT><BR>"
            u"</P></FONT><BR>");
  // Tags that begin like a heading and are none leave the text as it is;
  // a heading after many of them, in either case, is still found.
  const Text lookalikes = u"<hr><html><head><h0><h7></h0></H7><hx></h>x</h1x <h";
  EXPECT_EQ(Pass(ConvertHeadings, lookalikes), lookalikes);
  Text many;
  for (int i = 0; i < 5000; ++i) many += u"<hr><HEAD></html>";
  EXPECT_EQ(Pass(ConvertHeadings, many), many);
  EXPECT_EQ(Pass(ConvertHeadings, many + u"<H6>a</h6>"),
            many + u"<FONT SIZE=\"1\"><P>a</P></FONT><BR>");
  EXPECT_EQ(Pass(ConvertHeadings, many + u"</H4>"), many + u"</P></FONT><BR>");
  EXPECT_EQ(Pass(ConvertSmall, u"<small>a</SMALL><Small x>"),
            u"<FONT SIZE=\"2\">a</FONT><Small x>");
}

TEST(Prepasses, ElementExtents) {
  using namespace extent;
  EXPECT_EQ(ElementLength(u"<td><table><td>x</td></table></td><td>", 1, u"TD"), 34);
  EXPECT_EQ(ExtractElement(u"<P>a<PRE>b</PRE><p>c</p></P>tail", u"P"),
            u"<P>a<PRE>b</PRE><p>c</p></P>");
  EXPECT_EQ(ElementLength(u"<div>open", 1, u"DIV"), 9);
  EXPECT_EQ(ElementLength(u"no tag", 1, u"DIV"), 0);
}

TEST(Prepasses, TagListAndElementEndsOnRandomTagSoup) {
  using namespace extent;
  // A literal reading: every "<" or "</" followed by a name of ASCII
  // letters and digits not starting with a digit, up to the next ">".
  struct Plain {
    Pos Start, End;
    Text Name;
    bool Closing;
  };
  auto readPlain = [](const Text& html) {
    std::vector<Plain> out;
    for (std::size_t lt = html.find(u'<'); lt != Text::npos; lt = html.find(u'<', lt + 1)) {
      const bool closing = lt + 1 < html.size() && html[lt + 1] == u'/';
      std::size_t from = lt + 1 + (closing ? 1 : 0), n = from;
      auto nameUnit = [](char16_t c) { return c < 0x80 && std::isalnum(static_cast<int>(c)); };
      while (n < html.size() && nameUnit(html[n])) ++n;
      if (n == from || (html[from] >= u'0' && html[from] <= u'9')) continue;
      const std::size_t gt = html.find(u'>', lt);
      if (gt == Text::npos) break;
      out.push_back({Pos(lt + 1), Pos(gt + 1), UCase(TextView(html).substr(from, n - from)), closing});
    }
    return out;
  };
  // The ends as described, with the names as strings.
  auto plainEnds = [](const Text& html, const std::vector<Plain>& tags) {
    std::vector<Pos> ends(tags.size(), 0);
    std::map<Text, std::vector<std::size_t>> open;
    for (std::size_t i = 0; i < tags.size(); ++i) {
      auto& stack = open[tags[i].Name];
      if (!tags[i].Closing) {
        stack.push_back(i);
      } else if (!stack.empty()) {
        ends[stack.back()] = tags[i].Start;
        stack.pop_back();
      }
    }
    const std::size_t body = UCase(html).find(u"</BODY");
    std::map<Text, Pos> next;
    for (std::size_t i = tags.size(); i-- > 0;) {
      if (tags[i].Closing) continue;
      if (ends[i] == 0) {
        if (next.count(tags[i].Name)) {
          ends[i] = next[tags[i].Name];
        } else if (body != Text::npos && Pos(body + 1) > tags[i].End) {
          ends[i] = Pos(body + 1);
        } else {
          ends[i] = Pos(html.size() + 1);
        }
      }
      next[tags[i].Name] = tags[i].Start;
    }
    return ends;
  };
  std::mt19937 rng(2026);
  const TextView pieces[] = {u"<b>", u"</B>", u"<i x=1>", u"</i>", u"<td>", u"</TD>", u"<Td>",
                             u"<span>", u"</span>", u"<1x>", u"< b>", u"<>", u"</>", u"x",
                             u" ", u"</body>", u"<b\u0131>", u"<P", u">", u"<br/>", u"<b2>"};
  for (int round = 0; round < 3000; ++round) {
    Text html;
    const int n = static_cast<int>(rng() % 40);
    for (int k = 0; k < n; ++k) html += pieces[rng() % std::size(pieces)];
    const TagList tags = ReadTags(html);
    const std::vector<Plain> plain = readPlain(html);
    ASSERT_EQ(tags.size(), plain.size()) << ToUtf8(html);
    for (std::size_t i = 0; i < plain.size(); ++i) {
      ASSERT_EQ(tags[i].Start, plain[i].Start) << ToUtf8(html);
      ASSERT_EQ(tags[i].End, plain[i].End) << ToUtf8(html);
      ASSERT_EQ(tags[i].Name, plain[i].Name) << ToUtf8(html);
      ASSERT_EQ(tags[i].Closing, plain[i].Closing) << ToUtf8(html);
      // One number per name, and only one name per number.
      for (std::size_t j = 0; j < i; ++j)
        ASSERT_EQ(tags.NameIndex(i) == tags.NameIndex(j), plain[i].Name == plain[j].Name);
    }
    ASSERT_EQ(ElementEnds(html, tags), plainEnds(html, plain)) << ToUtf8(html);
  }
  // A moved list keeps its names.
  TagList moved = ReadTags(u"<p><b>x</b></p>");
  const TagList list = std::move(moved);
  EXPECT_EQ(list[3].Name, u"P");
  EXPECT_EQ(list.NameCount(), 2u);
}

TEST(Prepasses, BadInputStaysBounded) {
  Text many;
  for (int i = 0; i < 20000; ++i) many += u"<!--";
  Text t = many;
  StripCommentsAndStyles(t);
  EXPECT_EQ(t, many);
  Text spans = u"<table>";
  for (int i = 0; i < 100; ++i) spans += u"<tr><td rowspan=30000>x</td><td>y</td></tr>";
  spans += u"</table>";
  Text s = spans;
  ExpandRowSpans(s);
  EXPECT_EQ(CountOccurrences(s, u"ROWMERGE", Compare::Binary), 99 * 100 / 2);
  Text divs = u"<table>";
  for (int i = 0; i < 2000; ++i) divs += u"<div>";
  Text d = divs;
  MarkTableParagraphs(d);
  EXPECT_EQ(CountOccurrences(d, u"NOPARAGRAPH", Compare::Binary), 2000);
}

}  // namespace
}  // namespace skeinlet::detail

namespace skeinlet::detail {
namespace {

// MarkTableParagraphs with a fresh division search for every table.
void MarkTableParagraphsPlain(Text& html) {
  constexpr TextView kMarked = u"<P NOPARAGRAPH ";
  Pos t = InStr(1, html, u"<TABLE", Compare::Text);
  while (t > 0) {
    Pos length = extent::ElementLength(html, t, u"TABLE");
    if (length == 0) length = Len(html) - t + 1;
    Pos d = InStr(t, html, u"<DIV", Compare::Text);
    while (d >= 1 && d < t + length) {
      const Pos division = extent::ElementLength(html, d, u"DIV");
      const Pos c = d - 1 + LastPosition(MidView(html, d, division), u"<", Compare::Binary);
      if (c > d) {
        html.insert(static_cast<std::size_t>(c - 1), u"</P>");
        if (c < t + length) length += 4;
      }
      html.replace(static_cast<std::size_t>(d - 1), 4, kMarked);
      length += Len(kMarked) - 4;
      d = InStr(d, html, u"<DIV", Compare::Text);
    }
    t = t + length > Len(html) ? 0 : InStr(t + length, html, u"<TABLE", Compare::Text);
  }
}

TEST(Prepasses, TableParagraphMarksSameAsAFreshSearchPerTable) {
  std::mt19937 rng(3);
  const TextView pieces[] = {u"<TABLE>", u"</TABLE>", u"<table border=1>", u"<DIV>", u"</DIV>",
                             u"<div a>", u"x", u"<TD>", u"</td>", u"<p>"};
  for (int round = 0; round < 3000; ++round) {
    Text html;
    const int n = static_cast<int>(rng() % 40);
    for (int k = 0; k < n; ++k) html += pieces[rng() % std::size(pieces)];
    Text plain = html;
    MarkTableParagraphs(html);
    MarkTableParagraphsPlain(plain);
    ASSERT_EQ(html, plain) << "round " << round;
  }
}

TEST(Prepasses, AttributeValuesOfEitherFormAndAnyNameLength) {
  using extent::AttributeValue;
  EXPECT_EQ(AttributeValue(u"<P CLASS=\"A B\" ID=X>", u"CLASS"), u"A B");
  EXPECT_EQ(AttributeValue(u"<P CLASS=\"A B\" ID=X>", u"ID"), u"X");
  // NAME= is looked for before NAME =, and a name inside another is not it.
  EXPECT_EQ(AttributeValue(u"<P ID = ONE ID=TWO>", u"ID"), u"TWO");
  EXPECT_EQ(AttributeValue(u"<P ID = ONE>", u"ID"), u"ONE");
  EXPECT_EQ(AttributeValue(u"<P XID=1 ID = 2>", u"ID"), u"2");
  EXPECT_EQ(AttributeValue(u"<P XID=1>", u"ID"), u"");
  // Apostrophes quote only when asked to; an unclosed quote gives "".
  EXPECT_EQ(AttributeValue(u"<P ID='A B'>", u"ID"), u"'A");
  EXPECT_EQ(AttributeValue(u"<P ID='A B'>", u"ID", true), u"A B");
  EXPECT_EQ(AttributeValue(u"<P ID=\"A>", u"ID"), u"");
  // Names longer than any the converter asks for are found the same way.
  for (const std::size_t length : {29u, 30u, 31u, 64u}) {
    const Text name(length, u'N');
    EXPECT_EQ(AttributeValue(u"<P " + name + u"=V>", name), u"V") << length;
    EXPECT_EQ(AttributeValue(u"<P " + name + u" = \"W\">", name), u"W") << length;
    EXPECT_EQ(AttributeValue(u"<P " + name + u">", name), u"") << length;
  }
}

}  // namespace
}  // namespace skeinlet::detail
