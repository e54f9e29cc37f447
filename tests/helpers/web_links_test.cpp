#include "helpers/links.hpp"

#include <gtest/gtest.h>

#include "engine/state.hpp"

#include <optional>
#include <random>

namespace skeinlet::detail {
namespace {

Text Anchor(TextView target, TextView label) {
  return u"<a href=\"" + Text(target) + u"\">" + Text(label) + u"</a>";
}

// Runs the scan both ways and checks that they agree on the text and on
// what they recorded, and that each tells whether it changed the text.
template <class Scan>
Text BothWays(Text html, Scan scan) {
  const Text before = html;
  Text plain = html;
  const bool reportedPlain = scan(plain, LinkScanMode::Plain);
  EXPECT_EQ(reportedPlain, plain != before);
  const BoundedArray<Text> plainFound = State().FoundLinks;
  const bool reported = scan(html, LinkScanMode::Edit);
  EXPECT_EQ(reported, html != before);
  EXPECT_EQ(html, plain);
  for (std::int64_t i = 0; i <= 2000; ++i) EXPECT_EQ(State().FoundLinks[i], plainFound[i]);
  return html;
}

Text Web(Text html) {
  BuildLinkPrefixes();
  BuildLinkTerminators();
  return BothWays(std::move(html), [](Text& t, LinkScanMode m) { return LinkWebAddresses(t, m); });
}

Text Wrapped(Text html) {
  BuildWrappedLinkPrefixes();
  BuildWrappedLinkTerminators();
  return BothWays(std::move(html), [](Text& t, LinkScanMode m) { return LinkWrappedAddresses(t, m); });
}

TEST(LinkTables, EntriesInOrder) {
  BuildLinkPrefixes();
  const BoundedArray<Text>& p = State().LinkPrefixes;
  ASSERT_EQ(p.UBound(), 37);
  const TextView before[] = {u"http://", u"HTTP://", u"news:",   u"WWW.",     u"www.",
                             u"https://", u"ftp://", u"FTP://", u"file:\\\\", u"file://"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i + 1], before[i]) << i + 1;
  EXPECT_EQ(p[11], u"a:\\");
  EXPECT_EQ(p[13], u"c:\\");
  EXPECT_EQ(p[36], u"z:\\");
  EXPECT_EQ(p[37], u"\\\\");

  BuildLinkTerminators();
  const BoundedArray<Text>& t = State().LinkTerminators;
  ASSERT_EQ(t.UBound(), 78);
  // One character per entry, typed from the list.
  const Text expected =
      u" \n\r}{>><>|()*^\"`\u00AC\u00A6[]\u00A3!;\u20AC\u0081\u0192\u201E\u2020\u2021"
      u"\u2030\u2039\u0152\u008D\u20AC\u0081\u017D\u008F\u0090'\u02DC\u2122\u203A"
      u"\u009D\u017E\u00A1\u00A4\u00A5\u00A7\u00A8\u00A9\u00AA\u00AB\u00AE\u00B0"
      u"\u00B1\u00B2\u00B3\u00B4\u00B5\u00B6\u00B7\u00B8\u00B9\u00BA\u00BB\u00BC"
      u"\u00BD\u00BE\u00BF\u00D7\u00DE\u00F7\u00FE\\\t:\\/";
  ASSERT_EQ(expected.size(), 78u);
  for (std::int64_t i = 1; i <= 78; ++i)
    EXPECT_EQ(t[i], Text(1, expected[static_cast<std::size_t>(i - 1)])) << i;

  BuildWrappedLinkPrefixes();
  ASSERT_EQ(p.UBound(), 3);
  EXPECT_EQ(p[1], u"&lt;file:");
  EXPECT_EQ(p[2], u"&lt;mailto:");
  EXPECT_EQ(p[3], u"&lt;file://");
  BuildWrappedLinkTerminators();
  ASSERT_EQ(t.UBound(), 5);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(t[i], u"&gt;");
}

// The scans group the entries of the tables the Build routines make once;
// a table changed after them is scanned as it now stands, and the built
// tables again once they are rebuilt.
TEST(LinkTables, ChangedTablesAreScannedAsTheyStand) {
  const auto scan = [](Text html) {
    return BothWays(std::move(html), [](Text& t, LinkScanMode m) { return LinkWebAddresses(t, m); });
  };
  const Text text = u"see www.a.org and web.b.org;c here";
  const Text built = u"see " + Anchor(u"http://www.a.org", u"www.a.org") + u" and web.b.org;c here";
  EXPECT_EQ(Web(text), built);
  const auto prefixesOf = [](std::optional<LinkEntries>& own, BuiltLinkTables set) {
    return EntriesOf({State().LinkPrefixes, UpperBound(State().LinkPrefixes)}, own, set).items;
  };
  std::optional<LinkEntries> own;
  prefixesOf(own, BuiltLinkTables::Web);
  EXPECT_FALSE(own.has_value());
  // The wrapped set does not hold the web prefixes: asked there, they are
  // grouped for that call alone, and are still the web prefixes.
  EXPECT_EQ(prefixesOf(own, BuiltLinkTables::Wrapped).at(4), u"www.");
  EXPECT_TRUE(own.has_value());
  own.reset();

  State().LinkPrefixes[5] = u"web.";  // was "www."
  EXPECT_EQ(scan(text), u"see www.a.org and " + Anchor(u"web.b.org", u"web.b.org") + u";c here");
  EXPECT_EQ(prefixesOf(own, BuiltLinkTables::Web).at(4), u"web.");
  EXPECT_TRUE(own.has_value());
  // A terminator taken out of the table no longer ends an address.
  State().LinkTerminators[23] = u"#";  // was ";"
  EXPECT_EQ(scan(text), u"see www.a.org and " + Anchor(u"web.b.org;c", u"web.b.org;c") + u" here");

  EXPECT_EQ(Web(text), built);
  BuildLinkPrefixes();
  EXPECT_EQ(Wrapped(u"a &lt;mailto:ann@site.org&gt; b"),
            u"a " + Anchor(u"mailto:ann@site.org", u"ann@site.org") + u" b");
  // The wrapped tables are grouped in their own set, once.
  std::optional<LinkEntries> wrappedOwn;
  EXPECT_EQ(prefixesOf(wrappedOwn, BuiltLinkTables::Wrapped).at(0), u"&lt;file:");
  EXPECT_FALSE(wrappedOwn.has_value());
}

TEST(LinkWebAddresses, AddressKinds) {
  // A full stop after the address stays outside.
  EXPECT_EQ(Web(u"Visit www.example.com. Then"),
            u"Visit " + Anchor(u"http://www.example.com", u"www.example.com") + u". Then");
  // "?", "=" and "&" belong to the address; the ";" of "&amp;" is a
  // terminator, so the address ends there.
  EXPECT_EQ(Web(u"see http://a.org/p?x=1&amp;y=2 now"),
            u"see " + Anchor(u"http://a.org/p?x=1&amp", u"http://a.org/p?x=1&amp") +
                u";y=2 now");
  EXPECT_EQ(Web(u"see http://a.org/p?x=1&y=2 now"),
            u"see " + Anchor(u"http://a.org/p?x=1&y=2", u"http://a.org/p?x=1&y=2") + u" now");
  // Drive paths keep their backslashes and go to file://; letter case stays.
  EXPECT_EQ(Web(u"open C:\\Data\\report.doc now"),
            u"open " + Anchor(u"file://C:\\Data\\report.doc", u"C:\\Data\\report.doc") +
                u" now");
  // Network paths go to themselves.
  EXPECT_EQ(Web(u"on \\\\server\\share\\f.txt here"),
            u"on " + Anchor(u"\\\\server\\share\\f.txt", u"\\\\server\\share\\f.txt") +
                u" here");
  // "file:\\" paths go to themselves too.
  EXPECT_EQ(Web(u"at file:\\\\c:\\x.txt here"),
            u"at " + Anchor(u"file:\\\\c:\\x.txt", u"file:\\\\c:\\x.txt") + u" here");
  // Upper-case addresses are found through the lower-cased copy.
  EXPECT_EQ(Web(u"see HTTP://A.ORG ok"),
            u"see " + Anchor(u"HTTP://A.ORG", u"HTTP://A.ORG") + u" ok");
  EXPECT_EQ(Web(u"see WWW.A.ORG ok"),
            u"see " + Anchor(u"http://WWW.A.ORG", u"WWW.A.ORG") + u" ok");
  // Short but longer than three characters: linked.
  EXPECT_EQ(Web(u"get ftp://a and news:ab ok"),
            u"get " + Anchor(u"ftp://a", u"ftp://a") + u" and " +
                Anchor(u"news:ab", u"news:ab") + u" ok");
  // Three characters or fewer: not.
  EXPECT_EQ(Web(u"go c:\\ and \\\\ back"), u"go c:\\ and \\\\ back");
  // An "@" with a "." after it is left for the e-mail scan.
  EXPECT_EQ(Web(u"see http://me@host.org ok"), u"see http://me@host.org ok");
  // Tags end addresses.
  EXPECT_EQ(Web(u"<p>www.a.org</p>"),
            u"<p>" + Anchor(u"http://www.a.org", u"www.a.org") + u"</p>");
  EXPECT_EQ(Web(u"nothing to link here"), u"nothing to link here");
  EXPECT_EQ(Web(u""), u"");
  // At the very end of the text the full stop test looks past the end, so
  // the stop stays in the address.
  EXPECT_EQ(Web(u"www."), Anchor(u"http://www.", u"www."));
  EXPECT_EQ(Web(u"Visit www.x.org."),
            u"Visit " + Anchor(u"http://www.x.org.", u"www.x.org."));
}

TEST(LinkWebAddresses, BracketsRepeatsAndLimits) {
  // The bracketed repeat goes with its brackets; the blank stays.
  EXPECT_EQ(Web(u"Go to www.x.org &lt;http://www.x.org&gt; today"),
            u"Go to " + Anchor(u"http://www.x.org", u"www.x.org") + u"  today");
  // A bracketed address on its own is linked inside its brackets.
  EXPECT_EQ(Web(u"Go to &lt;http://y.org&gt; today"),
            u"Go to &lt;" + Anchor(u"http://y.org", u"http://y.org") + u"&gt; today");
  EXPECT_EQ(State().FoundLinks[1], u"http://y.org");

  // 200 characters at most.
  const Text path(250, u'p');
  const Text address = u"http://" + path;
  const Text cut = address.substr(0, 200);
  EXPECT_EQ(Web(u"long " + address + u" end"),
            u"long " + Anchor(cut, cut) + address.substr(200) + u" end");

  // 1995 addresses at most.
  Text many;
  for (int i = 0; i < 2100; ++i) many += u"www.site" + NumberText(i) + u".org ";
  const Text linked = Web(many);
  EXPECT_EQ(CountOccurrences(linked, u"<a href=", Compare::Binary), 1995);
  EXPECT_EQ(State().FoundLinks[1995], u"www.site1994.org");
  EXPECT_EQ(State().FoundLinks[1996], u"");
  EXPECT_NE(linked.find(u"</a> www.site1995.org "), Text::npos);
}

TEST(LinkWrappedAddresses, OnlyWrappedForms) {
  EXPECT_EQ(Wrapped(u"Mail &lt;mailto:ann@site.org&gt; now"),
            u"Mail " + Anchor(u"mailto:ann@site.org", u"ann@site.org") + u" now");
  // "&lt;file://" replaces "&lt;file:" at the same place.
  EXPECT_EQ(Wrapped(u"See &lt;file://c:\\dir\\f.txt&gt; now"),
            u"See " + Anchor(u"file://c:\\dir\\f.txt", u"c:\\dir\\f.txt") + u" now");
  EXPECT_EQ(Wrapped(u"See &lt;file:c:\\dir\\f.txt&gt; now"),
            u"See " + Anchor(u"file://c:\\dir\\f.txt", u"c:\\dir\\f.txt") + u" now");
  EXPECT_EQ(Wrapped(u"Bare www.x.org and http://y.org stay"),
            u"Bare www.x.org and http://y.org stay");

  // The scan goes on as many characters after the anchor as its prefix had,
  // so a wrapped address right behind another waits for the second scan.
  const Text two = u"Mail &lt;mailto:ann@site.org&gt;&lt;mailto:bob@site.org&gt; now";
  const Text once = Wrapped(two);
  EXPECT_EQ(once, u"Mail " + Anchor(u"mailto:ann@site.org", u"ann@site.org") +
                      u"&lt;mailto:bob@site.org&gt; now");
  EXPECT_EQ(Wrapped(once), u"Mail " + Anchor(u"mailto:ann@site.org", u"ann@site.org") +
                               Anchor(u"mailto:bob@site.org", u"bob@site.org") + u" now");

  // The "&gt;" is looked for from six characters into a mailto address, so
  // a five-character address runs on for 100 characters, and the four after
  // it go too.
  EXPECT_EQ(Wrapped(u"&lt;mailto:a@b.c&gt; tail"),
            Anchor(u"mailto:a@b.c&gt; tail", u"a@b.c&gt; tail"));
}

// Documents made of address-like pieces, so that both ways meet every
// branch: repeats, brackets, e-mail look-alikes, paths, long runs, letter
// case, terminators beyond the first 256 units and the ends of the text.
Text Generated(std::mt19937& rng) {
  static const TextView pieces[] = {
      u"www.a.org",  u"WWW.B.ORG", u"http://c.org/x?y=1&amp;z", u"https://d.net",
      u"ftp://e",    u"news:ff",   u"c:\\dir\\f.txt",           u"\\\\srv\\sh",
      u"file:\\\\g", u"file://h",  u"&lt;",                     u"&gt;",
      u"&lt;http://www.a.org&gt;", u"&lt;mailto:ann@x.org&gt;", u"&lt;file://c:\\p&gt;",
      u"&lt;file:q.txt&gt;",       u"ann@x.org", u"bob@y.z.com", u"a@b",
      u" ",          u" ",         u".",          u",",          u"<p>",
      u"</p>",       u"\r\n",      u"\u00C0",     u"\u0152",     u"xyz",
      u"\u20AC",     u"\u017D",     u"\u2020",
      u"@",          u"-",         u":",          u"\\",         u"/",
      u"&lt;mailto:", u"mailto:",  u"<a href=\"", u"\">",        u"</a>"};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> count(0, 120);
  Text doc;
  const int n = count(rng);
  for (int i = 0; i < n; ++i) {
    doc += pieces[pick(rng)];
    if (rng() % 40 == 0) doc += Text(rng() % 260, u'k');
  }
  return doc;
}

TEST(LinkScans, EditBufferMatchesPlainCopyOnGeneratedDocuments) {
  std::mt19937 rng(20261206);
  Pos anchors = 0;
  for (int round = 0; round < 400; ++round) {
    const Text doc = Generated(rng);
    SCOPED_TRACE(ToUtf8(doc));
    anchors += CountOccurrences(Web(doc), u"<a href", Compare::Binary);
    Text twice = Wrapped(doc);
    anchors += CountOccurrences(Wrapped(twice), u"<a href", Compare::Binary);
    BuildLinkPrefixes();
    BuildLinkTerminators();
    Text plain = doc, edit = doc;
    LinkEmailAddresses(plain, LinkScanMode::Plain);
    LinkEmailAddresses(edit, LinkScanMode::Edit);
    EXPECT_EQ(edit, plain);
    anchors += CountOccurrences(edit, u"<a href", Compare::Binary);
    // Stage 6's two scans on one working copy, its gap left where the
    // e-mail scan put it, against the same scans each on its own copy.
    Text apart = plain;
    const bool webApart = LinkWebAddresses(apart, LinkScanMode::Plain);
    LinkScanText shared(doc, LinkScanMode::Edit);
    EXPECT_EQ(LinkEmailAddresses(shared), plain != doc);
    EXPECT_EQ(LinkWebAddresses(shared), webApart);
    EXPECT_EQ(shared.Take(), apart);
    if (HasFailure()) break;
  }
  EXPECT_GT(anchors, 4000);
}

// Edits anywhere (behind the gap, across it, past the end, with the resume
// point before the kept part) and enough inserted text to outgrow the gap.
TEST(LinkScanText, EditsAgreeWithPlainCopy) {
  std::mt19937 rng(7);
  Text start;
  for (int i = 0; i < 3000; ++i) start += static_cast<char16_t>(u"aB@.\\ &Lt;\u00C9"[rng() % 10]);
  LinkScanText plain(start, LinkScanMode::Plain), edit(start, LinkScanMode::Edit);
  const LinkEntries entries(
      {u"b.", u"xx&lt;", u"ba@", u"\\\\", u". a", u"&lt;", u"b.a"});
  ASSERT_FALSE(entries.anchored.empty());
  int hits = 0;
  for (int step = 0; step < 3000; ++step) {
    const Pos len = plain.Length();
    const Pos keep = static_cast<Pos>(rng() % static_cast<unsigned>(len + 3));
    const Pos resume = keep + 1 + static_cast<Pos>(rng() % 7) - (rng() % 50 == 0 ? 4 : 0);
    const Text insert = Text(rng() % 12, u'X') + u"&Lt;";
    plain.Splice(keep, insert, std::max<Pos>(resume, 1));
    edit.Splice(keep, insert, std::max<Pos>(resume, 1));
    ASSERT_EQ(edit.Length(), plain.Length());
    const Pos at = 1 + static_cast<Pos>(rng() % static_cast<unsigned>(plain.Length() + 1));
    ASSERT_EQ(edit.Cut(at, 40), plain.Cut(at, 40));
    ASSERT_EQ(edit.CutLower(at, 40), plain.CutLower(at, 40));
    ASSERT_EQ(edit.LowerChar(at), plain.LowerChar(at));
    ASSERT_EQ(edit.Find(at, u"&lt;"), plain.Find(at, u"&lt;"));
    ASSERT_EQ(edit.Find(at, u"x&"), plain.Find(at, u"x&"));
    // The earliest of several entries, looked for through their anchors
    // (".", "&", "@" and "\\") in the edit buffer and entry by entry in
    // the plain copy, below the end or a nearer bound; the last two entries
    // start where earlier ones do.
    for (const bool after : {false, true}) {
      const Pos below = rng() % 2 ? plain.Length() : at + static_cast<Pos>(rng() % 40);
      Pos bestPlain = below, bestEdit = below;
      Text prefixPlain, prefixEdit;
      plain.EarliestPrefix(at, entries, after, bestPlain, prefixPlain);
      edit.EarliestPrefix(at, entries, after, bestEdit, prefixEdit);
      ASSERT_EQ(bestEdit, bestPlain) << step;
      ASSERT_EQ(prefixEdit, prefixPlain) << step;
      hits += prefixPlain.empty() ? 0 : 1;
    }
  }
  EXPECT_GT(hits, 3000);
  EXPECT_EQ(plain.CutLower(1, 4), LCase(plain.Cut(1, 4)));
  EXPECT_THROW(plain.Splice(-1, u"", 1), Error);
  EXPECT_THROW(edit.Cut(0, 1), Error);
  EXPECT_EQ(edit.Take(), plain.Take());
}

// Splices that outgrow the gap many times over, in a text taken in with
// room to spare (as a document's is) and in one without: the gap of the
// first is widened in place until the room is used up, then both move to
// new buffers.
TEST(LinkScanText, OutgrownGapsKeepTheText) {
  std::mt19937 rng(11);
  Text start;
  for (int i = 0; i < 5000; ++i) start += static_cast<char16_t>(u"aB.\\ \u00C9"[rng() % 6]);
  Text spare;
  spare.reserve(start.size() * 4);
  spare.assign(start);
  LinkScanText plain(start, LinkScanMode::Plain), tight(start, LinkScanMode::Edit),
      roomy(std::move(spare), LinkScanMode::Edit);
  for (int step = 0; step < 1500; ++step) {
    const Pos keep = static_cast<Pos>(rng() % static_cast<unsigned>(plain.Length() + 1));
    const Pos resume = keep + 1 + static_cast<Pos>(rng() % 5);
    const Text insert = Text(20 + rng() % 40, u'Q') + u"\u00C9";
    for (LinkScanText* t : {&plain, &tight, &roomy}) t->Splice(keep, insert, resume);
    const Pos at = 1 + static_cast<Pos>(rng() % static_cast<unsigned>(plain.Length()));
    ASSERT_EQ(roomy.Cut(at, 60), plain.Cut(at, 60)) << step;
    ASSERT_EQ(roomy.CutLower(at, 60), plain.CutLower(at, 60)) << step;
    ASSERT_EQ(tight.CutLower(at, 60), plain.CutLower(at, 60)) << step;
  }
  EXPECT_GT(plain.Length(), 60000);
  const Text want = plain.Take();
  EXPECT_EQ(tight.Take(), want);
  EXPECT_EQ(roomy.Take(), want);
}

}  // namespace
}  // namespace skeinlet::detail
