#include "text/rules.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <random>
#include <utility>
#include <vector>

// Counting allocator for the whole test program: ApplyRules must not
// allocate on a text where nothing matches. Counting is switched on only
// around the calls being measured.
namespace {
bool g_counting = false;
long g_allocations = 0;

void* CountedAlloc(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace skeinlet::detail {
namespace {

long AllocationsDuring(auto&& f) {
  g_allocations = 0;
  g_counting = true;
  f();
  g_counting = false;
  return g_allocations;
}

TEST(ApplyRules, RulesRunInOrderOnTheCurrentText) {
  constexpr Rule kChain[] = {{u"a", u"b"}, {u"b", u"c"}};
  constexpr Rule kReversed[] = {{u"b", u"c"}, {u"a", u"b"}};
  Text t = u"ab";
  ApplyRules(t, kChain);
  EXPECT_EQ(t, u"cc");
  t = u"ab";
  ApplyRules(t, kReversed);
  EXPECT_EQ(t, u"bc");

  constexpr Rule kFirstOnly[] = {{u"x", u"y", kFirst}};
  t = u"xXx";
  ApplyRules(t, kFirstOnly);
  EXPECT_EQ(t, u"yXx");

  // Text compare is the default column.
  constexpr Rule kCompare[] = {{u"Par", u"P", kAll, kExact}, {u"b", u"B"}};
  t = u"par Par PAR b";
  ApplyRules(t, kCompare);
  EXPECT_EQ(t, u"par P PAR B");
  constexpr Rule kFolded[] = {{u"Par", u"P", kAll, kText}};
  t = u"par Par PAR";
  ApplyRules(t, kFolded);
  EXPECT_EQ(t, u"P P P");

  t = u"<li></li><li></li>x";
  EXPECT_EQ(ApplyRule(t, {u"<LI></LI>", u""}), 2u);
  EXPECT_EQ(t, u"x");
  EXPECT_EQ(ApplyRule(t, {u"", u"never"}), 0u);
  EXPECT_EQ(t, u"x");
}

TEST(ApplyRules, GuardIsTestedOnceBeforeTheFirstRule) {
  constexpr Rule kBlock[] = {{u"\\pntext", u""}, {u"x", u"y"}};
  Text t = u"\\pntext x";
  EXPECT_TRUE(ApplyGuarded(t, u"\\pntext", kBlock));
  EXPECT_EQ(t, u" y");  // the second rule ran although the guard is gone

  t = u"x x";
  EXPECT_FALSE(ApplyGuarded(t, u"\\pntext", kBlock));
  EXPECT_EQ(t, u"x x");

  // A rule that would create the guard does not make the block run.
  constexpr Rule kMakesGuard[] = {{u"x", u"G"}, {u"G", u"done"}};
  t = u"x";
  EXPECT_FALSE(ApplyGuarded(t, u"G", kMakesGuard));
  EXPECT_EQ(t, u"x");

  constexpr Rule kOne[] = {{u"x", u"y", kAll, kExact}};
  t = u"\\PNTEXT x";
  EXPECT_TRUE(ApplyGuarded(t, u"\\pntext", kOne));
  EXPECT_EQ(t, u"\\PNTEXT y");
  t = u"\\PNTEXT x";
  EXPECT_FALSE(ApplyGuarded(t, u"\\pntext", kOne, Compare::Binary));
  EXPECT_EQ(t, u"\\PNTEXT x");
}

TEST(RuleTable, RangeAndFamilies) {
  EXPECT_EQ(Range(1, 9), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Range(20, 0), (std::vector<int>{20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10,
                                            9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(Range(3, 3), (std::vector<int>{3}));

  RuleTable t;
  t.AddFamily(u"\\par {\\pntext\\f0 {N})\\tab}\\b ",
              u"\\par \\b{\\pntext\\f0 {N})\\tab}\\b ", Range(1, 9));
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[0].find, u"\\par {\\pntext\\f0 1)\\tab}\\b ");
  EXPECT_EQ(t[0].replace, u"\\par \\b{\\pntext\\f0 1)\\tab}\\b ");
  EXPECT_EQ(t[8].find, u"\\par {\\pntext\\f0 9)\\tab}\\b ");
  EXPECT_EQ(t[8].replace, u"\\par \\b{\\pntext\\f0 9)\\tab}\\b ");
  EXPECT_EQ(t[0].occurrences, kAll);
  EXPECT_EQ(t[0].compare, kText);

  RuleTable sizes;
  sizes.AddFamily(u"\\f{N}\\fs{N} ", u"<font size=\"{N}\">", Range(20, 0), kFirst, kExact);
  ASSERT_EQ(sizes.size(), 21u);
  EXPECT_EQ(sizes[0].find, u"\\f20\\fs20 ");
  EXPECT_EQ(sizes[0].replace, u"<font size=\"20\">");
  EXPECT_EQ(sizes[20].find, u"\\f0\\fs0 ");
  EXPECT_EQ(sizes[20].replace, u"<font size=\"0\">");
  EXPECT_EQ(sizes[11].find, u"\\f9\\fs9 ");
  EXPECT_EQ(sizes[20].occurrences, kFirst);
  EXPECT_EQ(sizes[20].compare, kExact);

  RuleTable slot;
  slot.AddFamily(u"#-#", u"[#]", {7, -1}, kAll, kText, u"#");
  ASSERT_EQ(slot.size(), 2u);
  EXPECT_EQ(slot[0].find, u"7-7");
  EXPECT_EQ(slot[1].find, u"-1--1");
  EXPECT_EQ(slot[1].replace, u"[-1]");

  Text doc = u"\\par {\\pntext\\f0 3)\\tab}\\b x";
  ApplyRules(doc, t);
  EXPECT_EQ(doc, u"\\par \\b{\\pntext\\f0 3)\\tab}\\b x");
}

TEST(RuleTable, NotationIsExpanded) {
  EXPECT_EQ(ExpandNotation(u"a{CRLF}b{CR}c{LF}d{SP}e{COLOUR}f", u"red"),
            u"a\r\nb\rc\nd e" u"redf");
  EXPECT_EQ(ExpandNotation(u"{COLOUR}|{SP}{SP}"), u"|  ");
  EXPECT_EQ(ExpandNotation(u"{N}{crlf}{CRLF"), u"{N}{crlf}{CRLF");
  EXPECT_EQ(ExpandNotation(u""), u"");

  static constexpr Rule kSeries[] = {
      {u"</tr>{CRLF}<tr>{SP}", u"</tr><tr><td>"},
      {u"color={COLOUR}", u"<{COLOUR}>", kFirst, kExact},
  };
  const RuleTable table = RuleTable::FromNotation(kSeries, u"#ff0000");
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].find, u"</tr>\r\n<tr> ");
  EXPECT_EQ(table[0].replace, u"</tr><tr><td>");
  EXPECT_EQ(table[1].find, u"color=#ff0000");
  EXPECT_EQ(table[1].replace, u"<#ff0000>");
  EXPECT_EQ(table[1].occurrences, kFirst);
  EXPECT_EQ(table[1].compare, kExact);

  Text html = u"</TR>\r\n<tr> x color=#ff0000 color=#ff0000";
  ApplyRules(html, table);
  EXPECT_EQ(html, u"</tr><tr><td>x <#ff0000> color=#ff0000");
}

// Short texts live inside the string object; the rules must keep pointing
// at them while the table grows and after it is moved.
RuleTable ManyShortRules() {
  RuleTable t;
  for (int i = 0; i < 300; ++i) t.AddFamily(u"<{N}>", u"{N}", {i});
  t.Add(u"a much longer find text than any small buffer holds", u"long");
  return t;
}

TEST(RuleTable, StaysValidWhenGrownAndMoved) {
  RuleTable a = ManyShortRules();
  RuleTable b(std::move(a));
  ASSERT_EQ(b.size(), 301u);
  EXPECT_EQ(b[0].find, u"<0>");
  EXPECT_EQ(b[0].replace, u"0");
  EXPECT_EQ(b[123].find, u"<123>");
  EXPECT_EQ(b[299].replace, u"299");
  EXPECT_EQ(b[300].find, u"a much longer find text than any small buffer holds");

  RuleTable c;
  c.Add(u"old", u"gone");
  c = std::move(b);
  ASSERT_EQ(c.size(), 301u);
  EXPECT_EQ(c[7].find, u"<7>");
  EXPECT_EQ(c[300].replace, u"long");

  std::vector<RuleTable> tables;
  for (int i = 0; i < 8; ++i) tables.push_back(ManyShortRules());  // reallocates
  EXPECT_EQ(tables[0][42].find, u"<42>");

  RuleTable copy;
  copy.Append(c.rules());
  c = RuleTable();  // the copied texts do not depend on c
  Text doc = u"<5><250>x";
  ApplyRules(doc, copy);
  EXPECT_EQ(doc, u"5250x");
}

TEST(ApplyRules, NoAllocationWhenNothingMatches) {
  RuleTable table;
  table.AddFamily(u"\\pard\\plain\\f{N} ", u"<p class=\"f{N}\">", Range(0, 99));
  table.AddFamily(u"<font size=\"{N}\">", u"\\fs{N} ", Range(0, 99), kAll, kExact);
  table.AddFamily(u"\\\u212A{N}", u"", Range(0, 99));
  Text doc;
  for (int i = 0; i < 2000; ++i) doc += u"\\par plain text with \\b bold\\b0 words ";
  const Text before = doc;
  ApplyRules(doc, table);  // builds the case tables once

  // A text this long is indexed by its runs of four, whose bits are the
  // one allocation, whatever the number of rules.
  EXPECT_EQ(AllocationsDuring([&] { ApplyRules(doc, table); }), 1);
  EXPECT_EQ(AllocationsDuring([&] { ApplyGuarded(doc, u"\\pntext", table); }), 0);
  EXPECT_EQ(AllocationsDuring([&] { ApplyGuarded(doc, u"\\par", table); }), 1);
  const Text shorter = doc.substr(0, 60000);
  Text copy = shorter;
  EXPECT_EQ(AllocationsDuring([&] { ApplyRules(copy, table); }), 0);
  EXPECT_EQ(copy, shorter);
  EXPECT_EQ(AllocationsDuring([&] { ReplaceIn(doc, u"absent", u"x", kExact); }), 0);
  EXPECT_EQ(doc, before);

  // Shrinking replacements work in place.
  EXPECT_EQ(AllocationsDuring([&] { ReplaceIn(doc, u"\\b0 ", u"", kExact); }), 0);
  // The counter is live: a growing replacement does allocate.
  EXPECT_GT(AllocationsDuring([&] { ReplaceIn(doc, u"\\b ", u"<b>!", kExact); }), 0);
}

TEST(ApplyRules, SkippingRulesThatCannotMatchChangesNothing) {
  // Rules whose find text holds a pair of units absent from the text are
  // skipped; the result must be that of every rule searched in turn,
  // including rules that only match what an earlier rule wrote, either
  // case, and the Kelvin sign that lower-cases to "k".
  std::mt19937 rng(99);
  const TextView units[] = {u"a", u"B", u"k", u"K", u"\u212A", u"\\", u"<", u">", u" ", u"1", u"\u00e9"};
  auto piece = [&](std::size_t most) {
    Text t;
    const std::size_t n = rng() % most;
    for (std::size_t k = 0; k < n; ++k) t += units[rng() % std::size(units)];
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    RuleTable table;
    const std::size_t rules = 1 + rng() % 12;
    for (std::size_t k = 0; k < rules; ++k)
      table.Add(piece(4), piece(4), rng() % 5 == 0 ? kFirst : kAll, rng() % 3 == 0 ? kExact : kText);
    Text text = piece(40);
    Text expected = text;
    for (const Rule& rule : table.rules()) ApplyRule(expected, rule);
    ApplyRules(text, table);
    ASSERT_EQ(text, expected) << "round " << round;
  }
  // Long texts are indexed another way (a byte per slot, packed afterwards).
  for (int round = 0; round < 60; ++round) {
    RuleTable table;
    for (std::size_t k = 0; k < 12; ++k)
      table.Add(Text(units[rng() % std::size(units)]) + piece(3), piece(4),
                rng() % 5 == 0 ? kFirst : kAll, rng() % 3 == 0 ? kExact : kText);
    Text text;
    const std::size_t length = 16000 + rng() % 1000;
    while (text.size() < length) text += units[rng() % std::size(units)];
    Text expected = text;
    for (const Rule& rule : table.rules()) ApplyRule(expected, rule);
    ApplyRules(text, table);
    ASSERT_EQ(text, expected) << "long round " << round;
  }
}

TEST(IndexedText, KeepsEveryPairOfTheTextThroughReplacementsAndEdits) {
  // A sequence of replacements, tests and outside edits on one text must
  // give what the plain calls give, and after each step every pair of
  // units in the text must still be found: in particular the pairs a
  // replacement forms with its neighbours, and those an empty replacement
  // forms by joining the units on either side of what it removed.
  std::mt19937 rng(2024);
  const TextView units[] = {u"a", u"B", u"b", u"k", u"K", u"\u212A", u"\\", u"<", u" ", u"1", u"\u00e9", u"\u00c9"};
  auto piece = [&](std::size_t most) {
    Text t;
    const std::size_t n = rng() % most;
    for (std::size_t k = 0; k < n; ++k) t += units[rng() % std::size(units)];
    return t;
  };
  // (And on a long text, whose single units are looked up too, every unit.)
  auto everyPairFound = [](IndexedText& indexed) {
    const Text copy = indexed.text();
    for (std::size_t i = 0; i + 2 <= copy.size(); ++i)
      if (!indexed.Has(TextView(copy).substr(i, 2))) return false;
    for (std::size_t i = 0; i < copy.size(); ++i)
      if (!indexed.Has(TextView(copy).substr(i, 1), kExact)) return false;
    return true;
  };
  for (int round = 0; round < 400; ++round) {
    // Some texts are long enough to be indexed through the byte per slot.
    const bool longText = round % 40 == 0;
    Text text = piece(longText ? 1 : 60);
    while (longText && text.size() < 17000) text += units[rng() % std::size(units)];
    Text plain = text;
    IndexedText indexed(text);
    for (int step = 0; step < 40; ++step) {
      const unsigned what = rng() % 10;
      if (what < 6) {
        const Text find = piece(4), with = rng() % 3 == 0 ? Text() : piece(4);
        const Occurrences occ = rng() % 4 == 0 ? kFirst : kAll;
        const Compare cmp = rng() % 3 == 0 ? kExact : kText;
        std::vector<std::size_t> sites;
        ASSERT_EQ(indexed.Replace(find, with, cmp, occ), ReplaceIn(plain, find, with, cmp, occ, sites));
        ASSERT_TRUE(std::ranges::equal(indexed.Sites(), sites)) << "round " << round;
      } else if (what < 9) {
        const Text find = piece(5);
        const Compare cmp = rng() % 2 == 0 ? kExact : kText;
        ASSERT_EQ(indexed.Has(find, cmp), Contains(plain, find, cmp)) << "round " << round;
      } else {
        // An edit made directly on the text, replacing up to three units
        // (none: an insertion; and an empty piece: a removal), then either
        // noted where it was made or marked as an edit of any kind.
        const std::size_t at = plain.empty() ? 0 : rng() % plain.size();
        const std::size_t removed = std::min<std::size_t>(rng() % 4, plain.size() - at);
        const Text inserted = piece(5);
        plain.replace(at, removed, inserted);
        text.replace(at, removed, inserted);
        if (rng() % 2 == 0) {
          indexed.Replaced(at, inserted.size());
        } else {
          indexed.Edited();
        }
      }
      ASSERT_EQ(text, plain) << "round " << round << " step " << step;
      if (!longText) {
        ASSERT_TRUE(everyPairFound(indexed)) << "round " << round << " step " << step;
      }
    }
    if (longText) {
      ASSERT_TRUE(everyPairFound(indexed)) << "round " << round;
    }
  }
}

TEST(IndexedText, UnitRulesInOnePassMatchTheRulesInTurn) {
  // Tables of one-unit rules (beyond ASCII or not, a unit found twice,
  // empty replacements, and now and then a replacement that holds a unit a
  // rule finds, which is applied rule by rule) on random texts, short and
  // long; the long ones have their indexes built first and must find what
  // the rules wrote.
  const char16_t units[] = {u'a', u'<', u'\u00e9', u'\u00c9', u'\u00fc', u'\u20ac', u'\u0178'};
  const TextView replacements[] = {u"", u"&#233;", u"x", u"&amp;", u"\u00e9", u"<"};
  std::mt19937 rng(20261212);
  for (int round = 0; round < 400; ++round) {
    std::vector<Rule> table;
    const std::size_t count = rng() % 6;
    for (std::size_t k = 0; k < count; ++k)
      table.push_back({TextView(&units[rng() % std::size(units)], 1),
                       replacements[rng() % std::size(replacements)], kAll, kExact});
    Text text(round % 10 == 0 ? 70000 + rng() % 100 : rng() % 300, u'b');
    for (char16_t& c : text)
      if (rng() % 5 == 0) c = units[rng() % std::size(units)];
    Text expected = text;
    ApplyRules(expected, table);
    IndexedText indexed(text);
    ASSERT_FALSE(indexed.Has(u"&#233;&amp;"));
    indexed.ApplyUnitRules(table);
    ASSERT_EQ(text, expected) << round;
    for (const Rule& r : table) {
      const Text written = u"b" + Text(r.replace) + u"b";
      if (expected.find(written) == Text::npos) continue;
      ASSERT_TRUE(indexed.Has(written)) << round;
    }
  }
}

TEST(IndexedText, NotedEditsKeepTheIndexes) {
  // A long text of "ab": its pairs, runs of four and units are built, then
  // an edit made in another way writes "zz\u00e9" and notes it. What it
  // wrote, and the runs across its edges, are found; a failing edit has
  // the indexes built again.
  Text text;
  for (int k = 0; k < 40000; ++k) text += u"ab";
  IndexedText indexed(text);
  EXPECT_FALSE(indexed.Has(u"zz"));
  EXPECT_FALSE(indexed.Has(u"bzza"));
  for (int k = 0; k < 3; ++k) EXPECT_FALSE(indexed.Has(u"\u00e9"));
  indexed.EditNoting([&](Text& t) {
    t.insert(1000, u"zz\u00e9");
    indexed.NoteWritten(std::vector<Written>{{1000, 3}});
  });
  EXPECT_TRUE(indexed.Has(u"zz"));
  EXPECT_TRUE(indexed.Has(u"babz"));  // the run of four across the left edge
  EXPECT_TRUE(indexed.Has(u"\u00e9ab"));
  EXPECT_TRUE(indexed.Has(u"\u00e9"));
  // Only the place of a removal: the units on both sides meet.
  indexed.EditNoting([&](Text& t) {
    t.erase(2000, 1);  // a "b": "...aba|ab..."
    indexed.NoteWritten(std::vector<Written>{{2000, 0}});
  });
  EXPECT_TRUE(indexed.Has(u"abaab"));
  // A long stretch, sixteen runs at a time while ASCII and one by one
  // around a unit beyond it: each of its runs of four is found.
  const Text stretch = u"The quick brown fox jumps over the l\u00e4zy dog, 0123456789 times";
  indexed.EditNoting([&](Text& t) {
    t.insert(5000, stretch);
    indexed.NoteWritten(std::vector<Written>{{5000, stretch.size()}});
  });
  for (std::size_t i = 0; i + 4 <= stretch.size(); ++i)
    EXPECT_TRUE(indexed.Has(TextView(stretch).substr(i, 4))) << i;
  EXPECT_THROW(indexed.EditNoting([&](Text& t) {
    t.insert(3000, u"qqqq");
    throw Error(5, "", "");
  }),
               Error);
  EXPECT_TRUE(indexed.Has(u"qqqq"));
}

TEST(IndexedText, ALongTextsUnitsFollowItsChanges) {
  // A long text of one unit: every other unit is absent until a
  // replacement, a noted edit or an outside edit writes it.
  Text text(20000, u'a');
  IndexedText indexed(text);
  EXPECT_FALSE(indexed.Has(u"\u00e9"));
  EXPECT_TRUE(indexed.Has(u"A"));  // either case
  EXPECT_FALSE(indexed.Has(u"A", kExact));
  EXPECT_EQ(indexed.Replace(u"\u00e9", u"x"), 0u);
  EXPECT_EQ(indexed.Replace(u"aa", u"\u00c9", kExact, kFirst), 1u);
  EXPECT_TRUE(indexed.Has(u"\u00e9"));
  EXPECT_EQ(indexed.Replace(u"\u00e9", u"<"), 1u);
  EXPECT_FALSE(indexed.Has(u"\u00e9"));  // a unit set stays set: only a search says no
  EXPECT_TRUE(indexed.Has(u"<", kExact));
  text.replace(5, 1, u"\u212A");
  indexed.Replaced(5, 1);
  EXPECT_TRUE(indexed.Has(u"k"));  // the Kelvin sign lower-cases to "k"
  text[9] = u'z';
  indexed.Edited();
  EXPECT_TRUE(indexed.Has(u"z", kExact));
  indexed.Edit()[11] = u'y';
  EXPECT_TRUE(indexed.Has(u"y", kExact));
  // A later rule finds the unit an earlier one wrote.
  constexpr Rule kTable[] = {{u"aaa", u"q"}, {u"b", u"c"}, {u"q", u"r"}, {u"r", u"s"}};
  Text expected = text;
  for (const Rule& rule : kTable) ApplyRule(expected, rule);
  indexed.Apply(kTable);
  EXPECT_EQ(text, expected);
  EXPECT_GT(CountOccurrences(text, u"s", kExact), 6000);

  // The set is built after one vain search, passing over blocks of eight
  // ASCII units: a lone unit beyond ASCII at any offset of a block, or in
  // the tail after the last block, is found.
  for (const std::size_t at : {0u, 7u, 8u, 9u, 15u, 12345u, 19995u, 19999u}) {
    Text t(20000, u'a');
    t[at] = u'Œ';
    IndexedText it(t);
    EXPECT_EQ(it.Replace(u"ü", u"x"), 0u);
    EXPECT_FALSE(it.Has(u"é")) << at;
    EXPECT_TRUE(it.Has(u"œ")) << at;  // its lower case
    EXPECT_EQ(it.Replace(u"Œ", u"b", kExact), 1u) << at;
  }
}

TEST(IndexedText, AnEditReportingNoChangeKeepsTheIndex) {
  Text text = u"abc";
  IndexedText indexed(text);
  EXPECT_FALSE(indexed.Has(u"xy"));
  // Reported as a change: the index is built again and finds the new pair.
  EXPECT_TRUE(indexed.EditReporting([](Text& t) {
    t += u"xy";
    return true;
  }));
  EXPECT_TRUE(indexed.Has(u"xy"));
  EXPECT_FALSE(indexed.EditReporting([](Text&) { return false; }));
  EXPECT_TRUE(indexed.Has(u"xy"));
  EXPECT_FALSE(indexed.Has(u"zz"));
  // An edit that throws half-way leaves the index to be built again.
  EXPECT_THROW(indexed.EditReporting([](Text& t) -> bool {
    t += u"zz";
    throw std::runtime_error("half-way");
  }),
               std::runtime_error);
  EXPECT_TRUE(indexed.Has(u"zz"));
}

TEST(IndexedText, ASequenceOfTablesGivesWhatEachTableGives) {
  // Rules of a later table match only what an earlier table wrote, or
  // what an earlier table's removal joined together.
  constexpr Rule kFirstTable[] = {
      {u"\\par\\pard", u"<p>"}, {u"{}", u""}, {u"x", u"y"}, {u"\\b0", u"</b>"},
  };
  constexpr Rule kSecondTable[] = {
      {u"<p><p>", u"<p>"}, {u"ab", u"[ab]"}, {u"yy", u"z"}, {u"</B>\\i", u"</b><i>"},
  };
  const Text start = u"\\par\\pard\\par\\pard a{}b xx \\b0\\i A{}{}B";
  Text expected = start;
  ApplyRules(expected, kFirstTable);
  ApplyRules(expected, kSecondTable);
  EXPECT_EQ(expected, u"<p> [ab] z </b><i> [ab]");

  Text text = start;
  IndexedText indexed(text);
  indexed.Apply(kFirstTable);
  indexed.Apply(kSecondTable);
  EXPECT_EQ(text, expected);
}

TEST(QuadIndex, TheWideBuildMarksWhatTheNarrowOneMarks) {
  // The wide build hashes sixteen starts at a time while the units they
  // read are ASCII. Stretches of ASCII of every length between other
  // units, and texts that end at every offset of a block: each width must
  // find every run of four in the text, and answer every other find as the
  // narrow build does.
  std::mt19937 rng(5);
  const TextView ascii[] = {u"a", u"B", u"\\", u" ", u"{", u"7", u"z", u"Q"};
  const TextView other[] = {u"\u00e9", u"\u212A", u"\u0416"};
  for (int round = 0; round < 24; ++round) {
    Text text;
    while (text.size() < 3000 + static_cast<std::size_t>(round)) {
      const std::size_t stretch = rng() % 40;
      for (std::size_t k = 0; k < stretch; ++k) text += ascii[rng() % std::size(ascii)];
      text += other[rng() % std::size(other)];
    }
    if (round % 2 == 0) text.append(40, u'x');  // a long ASCII end
    QuadIndex narrow, wide;
    const ScanWidth before = SetScanWidth(ScanWidth::Sse2);
    narrow.Build(text);
    SetScanWidth(ScanWidth::Avx2);
    wide.Build(text);
    SetScanWidth(before);
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
      const TextView run = TextView(text).substr(i, 4);
      ASSERT_TRUE(narrow.MayContain(run)) << "round " << round << " at " << i;
      ASSERT_TRUE(wide.MayContain(run)) << "round " << round << " at " << i;
    }
    for (int k = 0; k < 2000; ++k) {
      Text find;
      for (int u = 0; u < 4; ++u) find += ascii[rng() % std::size(ascii)];
      ASSERT_EQ(wide.MayContain(find), narrow.MayContain(find)) << "round " << round;
    }
  }
}

TEST(IndexedText, ALongTextsRunsOfFourFollowItsChanges) {
  // On a long text a find of four units or more is looked up in the runs
  // of four: those a replacement or a noted edit forms (with its
  // neighbours, or by joining what a removal leaves on either side) must
  // be found at once, in either case, and what is absent stays absent.
  std::mt19937 rng(77);
  const TextView base[] = {u"a", u"b", u"\\", u" "};
  const TextView units[] = {u"a", u"b", u"\\", u" ", u"K", u"k", u"\u212A", u"\u00c9", u"\u00e9", u"z", u"{"};
  auto piece = [&](std::size_t least, std::size_t most) {
    Text t;
    const std::size_t n = least + rng() % (most - least + 1);
    for (std::size_t k = 0; k < n; ++k) t += units[rng() % std::size(units)];
    return t;
  };
  // Every run of four that starts in one of the ranges [from, to) is found.
  // The text is copied once per check, not once per range: a replacement
  // of every "a" has thousands of sites.
  using Range = std::pair<std::size_t, std::size_t>;
  auto runsFoundIn = [](IndexedText& indexed, const std::vector<Range>& ranges) {
    const Text copy = indexed.text();
    for (const auto& [from, to] : ranges)
      for (std::size_t i = from; i < to && i + 4 <= copy.size(); ++i)
        if (!indexed.Has(TextView(copy).substr(i, 4))) return false;
    return true;
  };
  auto runsFound = [&](IndexedText& indexed, std::size_t from, std::size_t to) {
    return runsFoundIn(indexed, {Range(from, to)});
  };
  {
    // Either case, in ASCII and beyond it.
    Text text(70000, u'a');
    text.replace(100, 4, u"KKKK");
    text.replace(200, 4, u"\u00c9\u00c9\u00c9\u00c9");
    IndexedText indexed(text);
    EXPECT_TRUE(indexed.Has(u"kkkk"));
    EXPECT_TRUE(indexed.Has(u"\u212Ak\u212AK"));
    EXPECT_TRUE(indexed.Has(u"\u00e9\u00e9\u00e9\u00e9"));
    EXPECT_TRUE(indexed.Has(u"KKKK", kExact));
    EXPECT_FALSE(indexed.Has(u"kkkkk"));
    EXPECT_EQ(indexed.Replace(u"aaaa", u"Ab", kExact, kFirst), 1u);
    EXPECT_TRUE(indexed.Has(u"abaa"));
  }
  {
    // A build over ASCII and other units mixed at every offset, and a
    // length that leaves a tail after the last whole block.
    Text text;
    while (text.size() < 70003) text += units[rng() % std::size(units)];
    IndexedText indexed(text);
    ASSERT_TRUE(runsFound(indexed, 0, 2000));
    ASSERT_TRUE(runsFound(indexed, text.size() - 2000, text.size()));
  }
  for (int round = 0; round < 4; ++round) {
    Text text;
    while (text.size() < 70000) text += base[rng() % std::size(base)];
    Text plain = text;
    IndexedText indexed(text);
    EXPECT_FALSE(indexed.Has(u"ab{z"));
    for (int step = 0; step < 60; ++step) {
      const unsigned what = rng() % 10;
      if (what < 5) {
        const Text find = piece(1, 3), with = piece(0, 4);
        const Occurrences occ = rng() % 2 == 0 ? kFirst : kAll;
        std::vector<std::size_t> sites;
        ASSERT_EQ(indexed.Replace(find, with, kText, occ), ReplaceIn(plain, find, with, kText, occ, sites));
        std::vector<Range> written;
        for (const std::size_t at : indexed.Sites()) written.emplace_back(at < 3 ? 0 : at - 3, at + with.size());
        ASSERT_TRUE(runsFoundIn(indexed, written)) << "round " << round << " step " << step;
      } else if (what < 8) {
        const Text find = piece(4, 6);
        const Compare cmp = rng() % 2 == 0 ? kExact : kText;
        ASSERT_EQ(indexed.Has(find, cmp), Contains(plain, find, cmp)) << "round " << round;
      } else {
        const std::size_t at = rng() % plain.size();
        const std::size_t removed = std::min<std::size_t>(rng() % 4, plain.size() - at);
        const Text inserted = piece(0, 4);
        plain.replace(at, removed, inserted);
        text.replace(at, removed, inserted);
        if (what == 8) {
          indexed.Replaced(at, inserted.size());
        } else {
          indexed.Edited();
        }
        ASSERT_TRUE(runsFound(indexed, at < 3 ? 0 : at - 3, at + inserted.size()))
            << "round " << round << " step " << step;
      }
      ASSERT_EQ(text, plain);
    }
    ASSERT_TRUE(runsFound(indexed, 0, text.size())) << "round " << round;
  }
}

}  // namespace
}  // namespace skeinlet::detail
