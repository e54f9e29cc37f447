#include <gtest/gtest.h>

#include <random>

#include "normalise/run_parts.hpp"
#include "text/text.hpp"

namespace skeinlet::detail {
namespace {

// The loop exactly as it is described, searching from the start after
// every replacement: the reference for the one-pass FlattenNestedGroups.
void FlattenByRescan(Text& text, int moveLimit) {
  for (;;) {
    const Pos a = InStr(1, text, u"{\\", Compare::Text);
    if (a == 0) return;
    Pos b = InStr(a, text, u"}", Compare::Text);
    if (b == 0) return;
    int moves = 0;
    Text span = Mid(text, a, b - a + 1);
    while (CountOccurrences(span, u"{", Compare::Text) != CountOccurrences(span, u"}", Compare::Text)) {
      if (++moves > moveLimit) return;
      ++b;
      span = Mid(text, a, b - a + 1);
    }
    Text replacement;
    if (CountOccurrences(span, u"{", Compare::Text) <= 1 && InStr(1, span, u";}", Compare::Text) == 0 &&
        InStr(1, span, u"{\\*\\", Compare::Text) == 0) {
      replacement = span;
      ReplaceIn(replacement, u"{", u"", Compare::Text, Occurrences::First);
      ReplaceIn(replacement, u"}", u"</b></i></u>", Compare::Text, Occurrences::First);
    }
    text.replace(static_cast<std::size_t>(a - 1), span.size(), replacement);
  }
}

Text Flat(Text text) {
  FlattenNestedGroups(text);
  return text;
}

TEST(FlattenNestedGroups, Examples) {
  EXPECT_EQ(Flat(u"a {\\b bold} c"), u"a \\b bold</b></i></u> c");
  // Nested groups go with their span; a brace before a flattened group
  // makes a new "{\" that is taken next.
  EXPECT_EQ(Flat(u"{\\i x {\\b y}}"), u"");
  EXPECT_EQ(Flat(u"{{\\b x}y}"), u"\\b x</b></i></u>y</b></i></u>");
  EXPECT_EQ(Flat(u"{\\f0 Arial;}z"), u"z");
  EXPECT_EQ(Flat(u"{\\*\\x y}z"), u"z");
  EXPECT_EQ(Flat(u"no groups {here}"), u"no groups {here}");
  EXPECT_EQ(Flat(u"{\\b unclosed"), u"{\\b unclosed");
}

TEST(FlattenNestedGroups, SameAsTheDescribedLoop) {
  std::mt19937 rng(12345);
  const char16_t alphabet[] = {u'{', u'}', u'\\', u'*', u';', u'b', u' ', u'x'};
  for (int round = 0; round < 5000; ++round) {
    const std::size_t len = rng() % 40;
    Text text;
    for (std::size_t k = 0; k < len; ++k) text.push_back(alphabet[rng() % std::size(alphabet)]);
    Text expected = text;
    FlattenByRescan(expected, 3800);
    ASSERT_EQ(Flat(text), expected) << ToUtf8(text);
  }
  // Long texts, and spans that give up at the move limit.
  Text longText;
  for (int k = 0; k < 2000; ++k) longText += (k % 7 == 0) ? u"{{\\b x}" : u"{\\i y} {z} ";
  Text expected = longText;
  FlattenByRescan(expected, 3800);
  EXPECT_EQ(Flat(longText), expected);
  Text unbalanced = u"a {\\b " + Text(5000, u'{') + u"}" + Text(100, u'x');
  expected = unbalanced;
  FlattenByRescan(expected, 3800);
  EXPECT_EQ(Flat(unbalanced), expected);
}

}  // namespace
}  // namespace skeinlet::detail
