#include "helpers/links.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"
#include "text/rules.hpp"

#include <random>
#include <string>

namespace skeinlet::detail {
namespace {

Text Mailto(TextView address) {
  return u"<a href=\"mailto:" + Text(address) + u"\">" + Text(address) + u"</a>";
}

Text Email(Text html) {
  BuildLinkPrefixes();
  BuildLinkTerminators();
  const Text before = html;
  Text plain = html;
  const bool reportedPlain = LinkEmailAddresses(plain, LinkScanMode::Plain);
  EXPECT_EQ(reportedPlain, plain != before);
  const bool reported = LinkEmailAddresses(html);
  EXPECT_EQ(reported, html != before);
  EXPECT_EQ(html, plain);
  return html;
}

// The engine's HTML never starts with an address; the scan needs eleven
// characters in front of one to look for a wrapped repeat.
const Text kLead = u"<p>Please write to ";

TEST(LinkEmailAddresses, LinksWellFormedAddresses) {
  EXPECT_EQ(Email(kLead + u"ann@site.org today"), kLead + Mailto(u"ann@site.org") + u" today");
  EXPECT_EQ(State().FoundMail[1], u"ann@site.org");
  // A full stop after it stays outside.
  EXPECT_EQ(Email(kLead + u"ann@site.org. Thanks"),
            kLead + Mailto(u"ann@site.org") + u". Thanks");
  // The wrapped repeat goes; the blank in front of it stays.
  EXPECT_EQ(Email(kLead + u"ann@site.org &lt;mailto:ann@site.org&gt; today"),
            kLead + Mailto(u"ann@site.org") + u"  today");
  // A wrapped address that is not a repeat is linked inside its brackets.
  EXPECT_EQ(Email(kLead + u"&lt;mailto:bob@site.org&gt; today"),
            kLead + u"&lt;mailto:" + Mailto(u"bob@site.org") + u"&gt; today");
  // A comma is not a terminator: it is cut off the candidate and stays text.
  EXPECT_EQ(Email(kLead + u"x,ann@site.org now"), kLead + u"x," + Mailto(u"ann@site.org") + u" now");
  // ":" ends the candidate on the left.
  EXPECT_EQ(Email(kLead + u"mailto:ann@site.org now"),
            kLead + u"mailto:" + Mailto(u"ann@site.org") + u" now");
  // Two different addresses.
  EXPECT_EQ(Email(kLead + u"a.b@c.org or <b>d-e@f.net</b>"),
            kLead + Mailto(u"a.b@c.org") + u" or <b>" + Mailto(u"d-e@f.net") + u"</b>");
  // The same address twice, not wrapped: both linked.
  EXPECT_EQ(Email(kLead + u"ann@site.org and ann@site.org ok"),
            kLead + Mailto(u"ann@site.org") + u" and " + Mailto(u"ann@site.org") + u" ok");
}

TEST(LinkEmailAddresses, SplicesAreNotedInTheTextsIndex) {
  // A long text whose index is built before the scan: the anchors it
  // writes and the joins where it removes a wrapped repeat are found
  // afterwards, in both working modes.
  for (const LinkScanMode mode : {LinkScanMode::Edit, LinkScanMode::Plain}) {
    Text text = kLead + u"ann@site.org &lt;mailto:ann@site.org&gt; and bob@site.org ok ";
    while (text.size() < 70000) text += u"filler words ";
    IndexedText indexed(text);
    ASSERT_FALSE(indexed.Has(u"href"));
    ASSERT_FALSE(indexed.Has(u"\">"));
    indexed.EditNoting([&](Text& html) {
      BuildLinkPrefixes();
      BuildLinkTerminators();
      LinkScanText doc(std::move(html), mode);
      doc.NoteSplicesTo(&indexed);
      LinkEmailAddresses(doc);
      html = doc.Take();
    });
    const Text linked = Mailto(u"ann@site.org") + u"  and bob@site.org ok";
    ASSERT_NE(text.find(linked), Text::npos);
    EXPECT_TRUE(indexed.Has(linked));
  }
}

TEST(LinkEmailAddresses, LeavesTheRestAlone) {
  for (const Text tail : {u"ann@siteorg today", u"ann@.site.org today", u"ann-@site.org today",
                          u"a@b today", u"no address here at all"}) {
    EXPECT_EQ(Email(kLead + tail), kLead + tail);
  }
  EXPECT_EQ(Email(u""), u"");
  EXPECT_EQ(Email(u"@"), u"@");
  // Within the first eleven characters the test for the wrapped form cuts
  // before position 1, and that failing step is skipped: no anchor.
  EXPECT_EQ(Email(u"<p>ann@site.org today"), u"<p>ann@site.org today");
  // No terminator on the left: the candidate starts at position 2 (and
  // the address, found there, is recorded but not linked).
  EXPECT_EQ(Email(u"xann@site.org today"), u"xann@site.org today");
  EXPECT_EQ(State().FoundMail[1], u"ann@site.org");
}

TEST(ValidateEmail, CleansAndChecks) {
  EXPECT_EQ(ValidateEmail(u"a@b"), u"");
  EXPECT_EQ(ValidateEmail(u"ann@site.org"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"write ann@site.org now"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"x@y ann@site.org"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"(ann@site.org)"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"-ann@site.org."), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"ann@site.org?subject"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"#ann@site.org"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"ann@site.org&gt"), u"ann@site.org");
  EXPECT_EQ(ValidateEmail(u"ann@site"), u"");
  EXPECT_EQ(ValidateEmail(u"ann.@site.org"), u"");
  EXPECT_EQ(ValidateEmail(u"ann@-site.org"), u"");
  EXPECT_EQ(ValidateEmail(u"ann@site-.org"), u"");
}

TEST(StripAddressPunctuation, CutsStrayEnds) {
  EXPECT_EQ(StripAddressPunctuation(u"<ann@site.org>"), u"ann@site.org");
  EXPECT_EQ(StripAddressPunctuation(u"\"ann@site.org\","), u"ann@site.org");
  EXPECT_EQ(StripAddressPunctuation(u"ann@site.org"), u"ann@site.org");
  EXPECT_EQ(StripAddressPunctuation(u"no,at:all"), u"no,at:all");
  // Every character of the word before a stray one goes too.
  EXPECT_EQ(StripAddressPunctuation(u"a,b@c,d"), u"b@c");
  // "!" is cut only after the "@".
  EXPECT_EQ(StripAddressPunctuation(u"!a@b!"), u"!a@b");
}

// Literal forms, one character and one pass at a time, to hold the cursor
// forms against.
bool LikeBeforeAt(const std::u16string& w, char16_t c) {
  const auto pc = w.find(c);
  return pc != std::u16string::npos && w.find(u'@', pc + 1) != std::u16string::npos;
}
bool LikeAfterAt(const std::u16string& w, char16_t c) {
  const auto pa = w.find(u'@');
  return pa != std::u16string::npos && w.find(c, pa + 1) != std::u16string::npos;
}
Text StripByPasses(Text w) {
  const Text before = u", :<'\">`/\\+=|()&^%~$", after = u", :\"'<>`\\/+=|()&^%!$~";
  for (;;) {
    bool cut = false;
    for (char16_t c : before)
      if (LikeBeforeAt(w, c)) { w.erase(0, 1); cut = true; break; }
    if (cut) continue;
    for (char16_t c : after)
      if (LikeAfterAt(w, c)) { w.pop_back(); cut = true; break; }
    if (!cut) return w;
  }
}
Text ValidateByPasses(TextView candidate) {
  if (candidate.size() < 4) return {};
  const Text stray = u"\n\r?#}{()[]*!\u00A3$\t; ";
  std::size_t from = 0;
  while (from < candidate.size()) {
    std::size_t blank = candidate.find(u' ', from);
    std::size_t next = blank == TextView::npos ? candidate.size() : blank + 1;
    Text w(candidate.substr(from, next - from));
    from = next;
    if (w.find(u'@') == Text::npos) continue;
    w = StripByPasses(w);
    for (bool changed = true; changed && !w.empty();) {
      changed = true;
      if (w.back() == u'@') w.pop_back();
      else if (w.front() == u'@') w.erase(0, 1);
      else if (w.back() == u'-') w.pop_back();
      else if (w.front() == u'-') w.erase(0, 1);
      else if (w.back() == u'.') w.pop_back();
      else if (w.front() == u'.') w.erase(0, 1);
      else {
        changed = false;
        for (char16_t c : stray) {
          const auto pc = w.find(c);
          if (pc == Text::npos) continue;
          const auto pa = w.find(u'@');
          if (pa == Text::npos || pc >= pa) w.pop_back(); else w.erase(0, 1);
          changed = true;
          break;
        }
      }
    }
    bool bad = w.find(u'@') == Text::npos || w.find(u'.') == Text::npos;
    for (TextView pair : {u"@.", u".@", u"-.", u".-", u"@-", u"-@"})
      bad = bad || w.find(pair) != Text::npos;
    if (!bad) return w;
  }
  return {};
}

TEST(ValidateEmail, CursorFormsMatchPassByPass) {
  std::mt19937 rng(11);
  const Text alphabet = u"ab@.-,: <'\">`/\\+=|()&^%~$!?#{}[]*\u00A3\t;\r\nxy@.";
  for (int round = 0; round < 20000; ++round) {
    Text w;
    const std::size_t n = rng() % 16;
    for (std::size_t i = 0; i < n; ++i) w += alphabet[rng() % alphabet.size()];
    ASSERT_EQ(StripAddressPunctuation(w), StripByPasses(w)) << ToUtf8(w);
    ASSERT_EQ(ValidateEmail(w), ValidateByPasses(w)) << ToUtf8(w);
  }
}

TEST(ValidateEmail, LongWordsStayLinear) {
  // Half a million stray characters in front of the "@": cut one at a time
  // this would take hours.
  const Text word = Text(500000, u'%') + u"ann@site.org" + Text(500000, u')');
  EXPECT_EQ(ValidateEmail(word), u"ann@site.org");
}

}  // namespace
}  // namespace skeinlet::detail
