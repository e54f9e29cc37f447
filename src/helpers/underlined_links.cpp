// Underlined link text followed by its bracketed address, as rich text
// controls write hyperlink fields: TidyUnderlinedLinks joins the pair when
// the address is already an anchor, LinkUnderlinedAddresses when it is
// still text.
#include "helpers/links.hpp"

namespace skeinlet::detail {

namespace {

constexpr int kLoopLimit = 251;
constexpr int kFontTagLimit = 10;

constexpr TextView kAnchorBracketEnd = u"</a>&gt;</u>";
constexpr TextView kBlackAfterBracket = u"&gt;</u><font COLOR=\"#000000\">";

// The bracket's opening left at the end of the link text.
constexpr TextView kTidyTextTails[] = {u" &lt;", u"&lt;", u"&lt", u"&l"};
constexpr TextView kLinkTextTails[] = {u" &lt;", u" &lt", u"&lt;", u"&lt", u"&l"};
// Both brackets, taken off the address.
constexpr TextView kAddressBrackets[] = {u" &lt;", u" &lt", u"&lt;", u"&lt", u"&l",
                                         u" &gt;", u" &gt", u"&gt;", u"&gt", u"&g"};

template <std::size_t N>
void RemoveAll(Text& text, const TextView (&pieces)[N]) {
  for (TextView piece : pieces) ReplaceIn(text, piece, u"", Compare::Text);
}

// The font tag step: the font tags that open the link text are collected
// into `fonts` and taken out of it. False when the pass has to stop.
bool TakeFontTags(Text& m, Text& fonts) {
  int count = 0;
  while (InStr(1, m, u"<", Compare::Text) > 0) {
    const Pos close = InStr(1, m, u">", Compare::Text);
    if (!EqualText(Left(m, 6), u"<font ") || close == 0) return false;
    fonts = Left(m, close) + fonts;
    ReplaceIn(m, fonts, u"", Compare::Text);
    if (++count > kFontTagLimit) return false;
  }
  return InStr(1, m, u">", Compare::Text) == 0 && InStr(1, m, u"&l", Compare::Text) > 0;
}

// LastPosition with text comparison, searched from the end: the last
// occurrence is the one closest to the marker, and the head of a long
// document holds thousands of earlier ones.
Pos LastTextPosition(TextView text, TextView find) {
  if (text.empty() || find.empty() || find.size() > text.size()) return 0;
  const char16_t first = LowerUnit(find.front());
  for (std::size_t i = text.size() - find.size() + 1; i-- > 0;)
    if (LowerUnit(text[i]) == first && EqualText(text.substr(i, find.size()), find))
      return static_cast<Pos>(i) + 1;
  return 0;
}

// The opening "<u>" and the bracket's "&lt" that belong together, or false.
bool FindPair(TextView head, TextView open, Pos& q, Pos& r) {
  q = LastTextPosition(head, open);
  if (q == 0) return false;
  r = LastTextPosition(head, u"<u>");
  return r != 0 && r < q;
}

}  // namespace

bool TidyUnderlinedLinks(Text& html) {
  bool changed = false;
  for (int loop = 0; loop < kLoopLimit; ++loop) {
    const Pos p = InStr(1, html, kAnchorBracketEnd, Compare::Text);
    if (p == 0) break;
    const TextView head = MidView(html, 1, p + 11);

    Pos q = 0, r = 0;
    if (!FindPair(head, u"&lt;<a ", q, r)) break;

    Text m = Mid(head, r + 3, q - r);
    Text fonts;
    if (!TakeFontTags(m, fonts)) break;
    RemoveAll(m, kTidyTextTails);

    const Text tail = Mid(head, q);
    const Pos h = InStr(1, tail, u"href=\"", Compare::Text);
    if (h == 0) break;
    const Pos quote = InStr(h + 6, tail, u"\"", Compare::Text);
    const Text target = Mid(tail, h + 6, quote - (h + 6));

    // The font tags are dropped.
    if (ReplaceIn(html, u"<u>" + fonts + m + tail,
                  u"<u>" + LinkAnchor(target, Trim(m)) + u"</u>", Compare::Text) > 0)
      changed = true;
  }
  return changed;
}

bool LinkUnderlinedAddresses(Text& html) {
  bool changed = false;
  for (int loop = 0; loop < kLoopLimit; ++loop) {
    const Pos p = InStr(1, html, kBlackAfterBracket, Compare::Text);
    if (p == 0) break;
    const TextView head = MidView(html, 1, p + 3);

    Pos q = 0, r = 0;
    if (!FindPair(head, u"&lt;", q, r)) break;

    Text m = Mid(head, r + 3, q - r);
    Text fonts;
    if (!TakeFontTags(m, fonts)) break;
    RemoveAll(m, kLinkTextTails);

    Text address = Mid(head, q);
    RemoveAll(address, kAddressBrackets);
    address = Trim(address);
    if (InStr(1, address, u".", Compare::Text) == 0) break;

    // The font tags stay in front of the anchor; the "</u>" and black font
    // tag after the bracket stay where they are.
    if (ReplaceIn(html, u"<u>" + fonts + m + u" &lt;" + address + u"&gt;",
                  u"<u>" + fonts + LinkAnchor(address, Trim(m)) + u"</u>", Compare::Text) > 0)
      changed = true;
  }
  return changed;
}

}  // namespace skeinlet::detail
