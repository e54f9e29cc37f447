// E-mail addresses to mailto anchors: LinkEmailAddresses, with its checks
// ValidateEmail and StripAddressPunctuation.
#include "helpers/links.hpp"

#include "engine/state.hpp"
#include "text/errors.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace skeinlet::detail {

namespace {

constexpr Pos kFoundSlots = 2000;
constexpr Pos kIterationLimit = 1995;
constexpr Pos kTryLimit = 30000;

// StripAddressPunctuation: characters cut when they stand before an "@",
// and when they stand after one. The order of each list decides nothing
// (every hit cuts the same end), but it is kept as written.
constexpr char16_t kStrayBeforeAt[] = {u',', u' ', u':', u'<', u'\'', u'"', u'>',
                                       u'`', u'/', u'\\', u'+', u'=', u'|', u'(',
                                       u')', u'&', u'^', u'%', u'~', u'$'};
constexpr char16_t kStrayAfterAt[] = {u',', u' ', u':', u'"', u'\'', u'<', u'>',
                                      u'`', u'\\', u'/', u'+', u'=', u'|', u'(',
                                      u')', u'&', u'^', u'%', u'!', u'$', u'~'};

// ValidateEmail: the first of these that the address holds decides which
// end is cut.
constexpr char16_t kStrayInAddress[] = {u'\n', u'\r', u'?', u'#', u'}', u'{',
                                        u'(',  u')',  u'[', u']', u'*', u'!',
                                        u'\u00A3', u'$', u'\t', u';', u' '};
constexpr TextView kBadPairs[] = {u"@.", u".@", u"-.", u".-", u"@-", u"-@"};

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// What each unit is to the checks, a bit per list; every unit of the lists
// is below 256.
enum UnitClass : std::uint32_t { kAtSign = 1, kBeforeAt = 2, kAfterAt = 4, kFirstStray = 8 };
static_assert(std::size(kStrayInAddress) + 3 <= 32);

std::uint32_t ClassOf(char16_t c) {
  static const std::array<std::uint32_t, 256> classes = [] {
    std::array<std::uint32_t, 256> t{};
    t[u'@'] |= kAtSign;
    for (char16_t u : kStrayBeforeAt) t[u] |= kBeforeAt;
    for (char16_t u : kStrayAfterAt) t[u] |= kAfterAt;
    for (std::size_t k = 0; k < std::size(kStrayInAddress); ++k)
      t[kStrayInAddress[k]] |= kFirstStray << k;
    return t;
  }();
  return c < 256 ? classes[c] : 0;
}

// The classes that occur in a word.
std::uint32_t ClassesIn(TextView word) {
  std::uint32_t present = 0;
  for (char16_t c : word) present |= ClassOf(c);
  return present;
}

// Occurrences of one class of unit in a word that is cut at both ends: the
// live part is [b, e) and the cursors follow it, so that every question
// costs next to nothing however long the word is. A class that the word
// does not hold is not looked for.
class UnitPositions {
 public:
  UnitPositions() = default;
  UnitPositions(TextView word, std::uint32_t cls, std::uint32_t present) {
    if (!(present & cls)) return;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (ClassOf(word[i]) & cls) at_.push_back(i);
    hi_ = at_.size();
  }
  void Narrow(std::size_t b, std::size_t e) {
    while (lo_ < hi_ && at_[lo_] < b) ++lo_;
    while (hi_ > lo_ && at_[hi_ - 1] >= e) --hi_;
  }
  bool Any() const { return lo_ < hi_; }
  std::size_t First() const { return Any() ? at_[lo_] : kNone; }
  std::size_t Last() const { return Any() ? at_[hi_ - 1] : kNone; }

 private:
  std::vector<std::size_t> at_;
  std::size_t lo_ = 0, hi_ = 0;
};

// StripAddressPunctuation on the live part [b, e) of `word`, which holds
// the classes `present`.
void StripRange(TextView word, std::uint32_t present, std::size_t& b, std::size_t& e) {
  if (!(present & kAtSign)) return;
  UnitPositions ats(word, kAtSign, present);
  UnitPositions before(word, kBeforeAt, present);
  UnitPositions after(word, kAfterAt, present);
  for (;;) {
    ats.Narrow(b, e);
    before.Narrow(b, e);
    after.Narrow(b, e);
    if (!ats.Any()) return;
    // "*c*@*": c somewhere before the last "@".
    if (before.Any() && before.First() < ats.Last()) {
      ++b;
      continue;
    }
    // "*@*c*": c somewhere after the first "@".
    if (after.Any() && after.Last() > ats.First()) {
      --e;
      continue;
    }
    return;
  }
}

// The cutting loop of ValidateEmail on [b, e): one change per pass. Only
// the stray characters the word holds are kept, in the list's order.
void TrimAddressRange(TextView word, std::uint32_t present, std::size_t& b, std::size_t& e) {
  UnitPositions ats(word, kAtSign, present);
  std::array<UnitPositions, std::size(kStrayInAddress)> strays;
  std::size_t held = 0;
  for (std::size_t k = 0; k < std::size(kStrayInAddress); ++k)
    if (present & (kFirstStray << k)) strays[held++] = UnitPositions(word, kFirstStray << k, present);

  while (b < e) {
    const char16_t first = word[b], last = word[e - 1];
    if (last == u'@') { --e; continue; }
    if (first == u'@') { ++b; continue; }
    if (last == u'-') { --e; continue; }
    if (first == u'-') { ++b; continue; }
    if (last == u'.') { --e; continue; }
    if (first == u'.') { ++b; continue; }
    ats.Narrow(b, e);
    bool cut = false;
    for (std::size_t k = 0; k < held; ++k) {
      UnitPositions& s = strays[k];
      s.Narrow(b, e);
      if (!s.Any()) continue;
      // InStr of the character against InStr of "@" (0 when there is none).
      const std::size_t c = s.First() - b + 1;
      const std::size_t at = ats.Any() ? ats.First() - b + 1 : 0;
      if (c >= at) --e; else ++b;
      cut = true;
      break;
    }
    if (!cut) return;
  }
}

Text CheckedAddress(TextView word) {
  std::size_t b = 0, e = word.size();
  const std::uint32_t present = ClassesIn(word);
  StripRange(word, present, b, e);
  TrimAddressRange(word, present, b, e);
  const TextView addr = word.substr(b, e - b);
  if (addr.find(u'@') == TextView::npos || addr.find(u'.') == TextView::npos) return {};
  for (TextView bad : kBadPairs)
    if (addr.find(bad) != TextView::npos) return {};
  return Text(addr);
}

}  // namespace

Text StripAddressPunctuation(TextView word) {
  std::size_t b = 0, e = word.size();
  StripRange(word, ClassesIn(word), b, e);
  return Text(word.substr(b, e - b));
}

Text ValidateEmail(TextView candidate) {
  try {
    if (Len(candidate) < 4) return {};
    // Words end at blanks and keep the blank that ends them.
    const Pos tries = std::min(Len(candidate) + 20, kTryLimit);
    std::size_t from = 0;
    for (Pos t = 0; t < tries && from < candidate.size(); ++t) {
      const std::size_t blank = candidate.find(u' ', from);
      const std::size_t next = blank == TextView::npos ? candidate.size() : blank + 1;
      const TextView word = candidate.substr(from, next - from);
      from = next;
      if (word.find(u'@') == TextView::npos) continue;
      Text addr = CheckedAddress(word);
      if (!addr.empty()) return addr;
    }
    return {};
  } catch (const Error&) {
    return {};
  }
}

bool LinkEmailAddresses(Text& html) { return LinkEmailAddresses(html, LinkScanMode::Edit); }

bool LinkEmailAddresses(Text& html, LinkScanMode mode) {
  LinkScanText doc(std::move(html), mode);
  const bool changed = LinkEmailAddresses(doc);
  html = doc.Take();
  return changed;
}

bool LinkEmailAddresses(LinkScanText& doc) {
  ConversionState& state = State();
  // All the entries: ":", "\" and "/" end an address here too.
  std::optional<LinkEntries> ownTerminators;
  const LinkEntries& terminators =
      EntriesOf({state.LinkTerminators, UpperBound(state.LinkTerminators)}, ownTerminators,
                BuiltLinkTables::Web);
  state.FoundMail.Redim(0, kFoundSlots);

  const std::size_t splices = doc.Splices();
  Pos n = 1, at = 0, end = 0, first = 0, p = 0;
  Text prev, candidate, addr, anchor;

  at = doc.Find(1, u"@");
  if (at == 0) return false;
  end = doc.Length();

  for (;;) {
    SkipOnError([&] { end = doc.EarliestTerminator(at + 1, end, terminators); });

    // The candidate starts right of the nearest terminator on the left,
    // and at position 2 when there is none.
    first = 2;
    for (Pos i = at - 1; i >= 1; --i) {
      if (terminators.HasUnit(doc.LowerChar(i))) {
        first = i + 1;
        break;
      }
    }
    SkipOnError([&] {
      if (doc.LowerChar(end - 1) == u'.') end = end - 1;
    });

    SkipOnError([&] { candidate = doc.Cut(first, end - first); });
    if (Len(candidate) > 3) {
      addr = ValidateEmail(candidate);
      if (!addr.empty()) {
        p = first + InStr(1, candidate, addr, Compare::Binary) - 1;
        state.FoundMail[n] = addr;
        anchor = LinkAnchor(u"mailto:" + addr, addr);
        SkipOnError([&] {
          // Every part of the test is evaluated, so a cut before position 1
          // skips the whole step.
          const bool prevSet = !TrimView(prev).empty();
          const bool openBefore = doc.Cut(p - 11, 11) == u"&lt;mailto:";
          const bool closeAfter = doc.Cut(p + Len(addr), 4) == u"&gt;";
          if (prevSet && openBefore && closeAfter && addr == prev) {
            // The wrapped repeat of the address just linked.
            SkipOnError([&] { doc.Splice(p - 12, {}, p + Len(addr) + 4); });
            prev.clear();
          } else {
            SkipOnError([&] { doc.Splice(p - 1, anchor, p + Len(addr)); });
            prev = addr;
          }
        });
        end = end + Len(anchor) - Len(addr);
        if (++n > kIterationLimit) break;
      }
    }

    SkipOnError([&] { at = doc.Find(end, u"@"); });
    if (at == 0 || at > doc.Length() - 4) break;
    end = doc.Length();
  }
  return doc.Splices() > splices;
}

}  // namespace skeinlet::detail
