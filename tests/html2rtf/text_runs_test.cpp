#include "fresh_state.hpp"

#include "text/errors.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace skeinlet::detail {
namespace {

Text Numeric(Text run) {
  ConvertNumericReferences(run);
  return run;
}
Text Named(Text run) {
  ConvertNamedEntities(run);
  return run;
}
Text Escaped(Text run) {
  EscapeRun(run);
  return run;
}

TEST(TextRuns, SpacesAndEscapes) {
  Text run = u"a   b  c d";
  CollapseSpaces(run);
  EXPECT_EQ(run, u"a b c d");
  run = u"   ";
  CollapseSpaces(run);
  EXPECT_EQ(run, u" ");
  // Runs of blanks at either end, blanks kept apart by one other unit, and
  // runs with nothing to collapse.
  for (const auto& [before, after] : std::initializer_list<std::pair<TextView, TextView>>{
           {u"", u""}, {u" ", u" "}, {u"ab", u"ab"}, {u"a b", u"a b"}, {u"  a", u" a"},
           {u"a  ", u"a "}, {u" a b ", u" a b "}, {u"a \u00A0 b", u"a \u00A0 b"},
           {u"  a  b   c    ", u" a b c "}, {u"a\t\t  \tb", u"a\t\t \tb"}}) {
    run = Text(before);
    CollapseSpaces(run);
    EXPECT_EQ(run, after) << std::string(before.begin(), before.end());
  }
  // Non-breaking spaces are collapsed neither before nor after they turn
  // into blanks.
  EXPECT_EQ(Escaped(u"a\\~\\~b"), u"a  b");
  EXPECT_EQ(Escaped(u"a \\~ b"), u"a   b");
  // Backslashes first, then braces; the words the references write are
  // not escaped again.
  EXPECT_EQ(Escaped(u"\\{x}"), u"\\\\\\{x\\}");
  EXPECT_EQ(Escaped(u"&#123;&lt;"), u"\\'7B\\'3C");
  EXPECT_EQ(Escaped(u"a\\b"), u"a\\\\b");
  // A brace alone is escaped too; a run without any is left as it is.
  EXPECT_EQ(Escaped(u"x}y"), u"x\\}y");
  EXPECT_EQ(Escaped(u"x{y"), u"x\\{y");
  EXPECT_EQ(Escaped(u"plain text"), u"plain text");
}

TEST(TextRuns, HexadecimalReferences) {
  EXPECT_EQ(Numeric(u"&#xe9;"), u"\\'e9");
  EXPECT_EQ(Numeric(u"&#X4A;x&#xaB;"), u"\\'4Ax\\'aB");
  // Two characters of any kind; nothing checks that they are digits.
  EXPECT_EQ(Numeric(u"&#xZZ;"), u"\\'ZZ");
  // The replacement is searched again: its two characters can start the
  // next reference.
  EXPECT_EQ(Numeric(u"&#x&#;x41;"), u"\\'\\'41");
  // Other lengths stay, and the decimal pass then stops at the "x".
  Text run = u"&#x1;&#x41;&#66;";
  EXPECT_THROW(ConvertNumericReferences(run), Error);
  EXPECT_EQ(run, u"&#x1;\\'41&#66;");
  run = u"&#65;&#x1F600;&#66;";
  EXPECT_THROW(ConvertNumericReferences(run), Error);
  EXPECT_EQ(run, u"\\'41&#x1F600;&#66;");
}

TEST(TextRuns, DecimalReferences) {
  EXPECT_EQ(Numeric(u"&#233;"), u"\\'E9");
  EXPECT_EQ(Numeric(u"&#65;"), u"\\'41");
  EXPECT_EQ(Numeric(u"&#16;&#255;&#15;&#256;"), u"\\'10\\'FF\\u15\\'3F\\u256\\'3F");
  EXPECT_EQ(Numeric(u"&#8364;"), u"\\u8364\\'3F");
  EXPECT_EQ(Numeric(u"&#9;"), u"\\u9\\'3F");
  EXPECT_EQ(Numeric(u"&#128512;"), u"\\u128512\\'3F");
  EXPECT_EQ(Numeric(u"&#0065;"), u"\\'41");
  // A reference without ";" after it stays.
  EXPECT_EQ(Numeric(u"a&#65 b"), u"a&#65 b");
  // The ";" of the next reference ends the first one.
  Text bad = u"&#65 &#66;";
  EXPECT_THROW(ConvertNumericReferences(bad), Error);
  EXPECT_EQ(bad, u"&#65 &#66;");
  // 50 digits overflow; an empty number is no number.
  Text run = u"&#65;&#" + Text(50, u'9') + u";&#66;";
  EXPECT_THROW(ConvertNumericReferences(run), Error);
  EXPECT_EQ(run, u"\\'41&#" + Text(50, u'9') + u";&#66;");
  run = u"&#;";
  EXPECT_THROW(ConvertNumericReferences(run), Error);
  EXPECT_EQ(run, u"&#;");
}

TEST(TextRuns, NamedEntitiesInOrder) {
  EXPECT_EQ(Named(u"&quot;&amp;&lt;&gt;"), u"\\'22\\'26\\'3C\\'3E");
  // The ampersand goes first: what is left is no entity.
  EXPECT_EQ(Named(u"&amp;lt;"), u"\\'26lt;");
  EXPECT_EQ(Named(u"&amp;eacute;"), u"\\'26eacute;");
  EXPECT_EQ(Named(u"&Eacute;&eacute;&EACUTE;"), u"Éé&EACUTE;");
  EXPECT_EQ(Named(u"x&sup2;"), u"x\\super 2\\nosupersub");
  EXPECT_EQ(Named(u"&sup1;&sup3;"), u"\\super 1\\nosupersub\\super 3\\nosupersub");
  EXPECT_EQ(Named(u"&brvbar;&brkbar;"), u"||");
  EXPECT_EQ(Named(u"&curren;&sect;&uml;&copy;&laquo;&not;&shy;&reg;&deg;&plusmn;"),
            u"¤§¨©«¬\u00AD®°±");
  EXPECT_EQ(Named(u"&acute;&micro;&para;&middot;&cedil;&raquo;"), u"´µ¶·¸»");
  EXPECT_EQ(Named(u"&Aacute;&Acirc;&Auml;&Ccedil;&Euml;&Iacute;&Icirc;&ETH;"), u"ÁÂÄÇËÍÎÐ");
  EXPECT_EQ(Named(u"&Ograve;&Oacute;&Ocirc;&Ouml;&Otilde;&Oslash;"), u"ÒÓÔÖÕØ");
  EXPECT_EQ(Named(u"&Ugrave;&Uacute;&Ucirc;&Uuml;&Yacute;&THORN;&szlig;"), u"ÙÚÛÜÝÞß");
  EXPECT_EQ(Named(u"&agrave;&aacute;&acirc;&auml;&atilde;&aring;&aelig;&ccedil;"),
            u"àáâäãåæç");
  EXPECT_EQ(Named(u"&egrave;&ecirc;&euml;&igrave;&iacute;&icirc;&iuml;&eth;&ntilde;"),
            u"èêëìíîïðñ");
  EXPECT_EQ(Named(u"&ograve;&oacute;&ocirc;&ouml;&otilde;&oslash;"), u"òóôöõø");
  EXPECT_EQ(Named(u"&ugrave;&uacute;&ucirc;&uuml;&yacute;&thorn;&yuml;"), u"ùúûüýþÿ");
  // Not in the list.
  EXPECT_EQ(Named(u"&pound;&Agrave;&euro;&nbsp;&Aring;&times;"),
            u"&pound;&Agrave;&euro;&nbsp;&Aring;&times;");
}

}  // namespace
}  // namespace skeinlet::detail
