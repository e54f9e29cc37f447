// Addresses to anchors: web addresses, file paths and e-mail addresses in
// the document HTML, the wrapped "&lt;mailto:" and "&lt;file:" forms, and
// underlined link text followed by its bracketed address.
//
// The scan tables (LinkPrefixes, LinkTerminators) are per-thread state,
// filled by the Build routines before a scan.
#pragma once

#include "text/array.hpp"
#include "text/text.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace skeinlet::detail {

void BuildLinkPrefixes();
void BuildLinkTerminators();
void BuildWrappedLinkPrefixes();
void BuildWrappedLinkTerminators();

// These rewrite the document HTML in place; each returns whether it
// changed it.
bool LinkWebAddresses(Text& html);
bool LinkWrappedAddresses(Text& html);
bool LinkEmailAddresses(Text& html);

// The e-mail scanner's checks: the cleaned address, or "" when the
// candidate holds none; a word with stray punctuation cut off its ends.
Text ValidateEmail(TextView candidate);
Text StripAddressPunctuation(TextView word);

// These too; each returns whether it changed the HTML.
bool TidyUnderlinedLinks(Text& html);
bool LinkUnderlinedAddresses(Text& html);

// --- The scanners' working copy ---
//
// The scanners search a lower-cased twin of the HTML and cut from the HTML
// itself, lower-casing the whole text again after every change. The Edit
// form keeps both texts in gap buffers changed only where the edit is, and
// looks for all entries of a table in one pass; the Plain form rebuilds and
// lower-cases the whole text after every change and looks for each entry
// with its own InStr, as the scanners were first written. Both give the
// same text; the tests run both.
enum class LinkScanMode : std::uint8_t { Edit, Plain };

bool LinkWebAddresses(Text& html, LinkScanMode mode);
bool LinkWrappedAddresses(Text& html, LinkScanMode mode);
bool LinkEmailAddresses(Text& html, LinkScanMode mode);

// "<a href=" + quote + target + quote + ">" + label + "</a>".
Text LinkAnchor(TextView target, TextView label);

// A scan table's entries, grouped by first code unit for the one-pass search.
struct LinkEntries {
  explicit LinkEntries(std::vector<Text> entries);
  // Whether some one-character entry is `c`.
  bool HasUnit(char16_t c) const noexcept;

  std::vector<Text> items;
  bool anyEmpty = false;
  // The bucket number + 1 of the entries that start with `c`; 0 for none.
  std::uint16_t BucketOf(char16_t c) const noexcept {
    if (c < direct.size()) return direct[c];
    const auto at = std::lower_bound(beyond.begin(), beyond.end(), c, UnitBefore);
    return at != beyond.end() && at->first == c ? at->second : 0;
  }
  static bool UnitBefore(const std::pair<char16_t, std::uint16_t>& entry, char16_t unit) noexcept {
    return entry.first < unit;
  }
  // Every scan makes its tables afresh, a small document's few times
  // over: the first units below 256 are looked up directly and the rest,
  // a handful, in order.
  std::array<std::uint16_t, 256> direct{};
  std::vector<std::pair<char16_t, std::uint16_t>> beyond;  // sorted by unit
  std::vector<std::vector<std::uint16_t>> buckets;  // entry indices, in order

  // Each entry's anchor: a unit of it that is seldom in text (not a letter,
  // a digit or a blank where it has one), so that a scan can look for at
  // most four units and try only the entries anchored there. Empty when
  // the entries need more than four.
  struct Anchored {
    std::uint16_t entry;
    std::uint16_t offset;  // of the anchor in the entry
  };
  std::array<char16_t, 4> anchorUnits{};
  std::vector<std::vector<Anchored>> anchored;  // per anchor unit, in entry order
  std::size_t longestOffset = 0;
};

// The entries 1 to `last` of a scan table (none of a table never
// dimensioned); without the backslash when `withoutBackslash`, for the
// addresses whose prefix has one.
struct EntryRange {
  const BoundedArray<Text>& table;
  std::int64_t last;
  bool withoutBackslash = false;

  // Calls `visit` with each entry while it returns true.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    if (!table.Dimensioned()) return;
    const std::int64_t upper = std::min(last, table.UBound());
    for (std::int64_t i = 1; i <= upper; ++i) {
      const Text& entry = table[i];
      if (withoutBackslash && entry == u"\\") continue;
      if (!visit(entry)) return;
    }
  }
  std::vector<Text> Items() const {
    std::vector<Text> out;
    ForEach([&](const Text& entry) {
      out.push_back(entry);
      return true;
    });
    return out;
  }
  bool Holds(const std::vector<Text>& items) const {
    std::size_t k = 0;
    bool same = true;
    ForEach([&](const Text& entry) {
      same = k < items.size() && items[k] == entry;
      ++k;
      return same;
    });
    return same && k == items.size();
  }
};

// UBound, or 0 for a table never dimensioned.
std::int64_t UpperBound(const BoundedArray<Text>& table);

// The tables a scan is built for: those of BuildLinkPrefixes and
// BuildLinkTerminators, or those of their wrapped forms.
enum class BuiltLinkTables { Web, Wrapped };

// The LinkEntries of `range`. Those of the tables the Build routines of
// `set` make are built once and kept; any other list is built into `own`.
const LinkEntries& EntriesOf(const EntryRange& range, std::optional<LinkEntries>& own,
                             BuiltLinkTables set);

class IndexedText;

class LinkScanText {
 public:
  LinkScanText(Text html, LinkScanMode mode);

  Pos Length() const noexcept { return static_cast<Pos>(buf_.size() - GapLength()); }
  // Mid(html, start, length) and Mid(lc, start, length).
  Text Cut(Pos start, Pos length) const;
  Text CutLower(Pos start, Pos length) const;
  // The character of lc at p; 0 beyond the end; p < 1 is error 5.
  char16_t LowerChar(Pos p) const;
  // InStr(from, lc, find).
  Pos Find(Pos from, TextView find) const;

  // Step 1 of the scans: every entry is looked for in lc from `start`; an
  // entry found below `best` makes best its position (or, when
  // `bestAfterEntry`, the position just after it) and becomes `prefix`.
  void EarliestPrefix(Pos start, const LinkEntries& entries,
                      bool bestAfterEntry, Pos& best, Text& prefix) const;
  // Every entry is looked for in lc from `from`; the lowest hit below
  // `end` is returned, else `end`.
  Pos EarliestTerminator(Pos from, Pos end, const LinkEntries& entries) const;

  // html = Left(html, keep) & insert & Mid(html, resume); lc follows.
  void Splice(Pos keep, TextView insert, Pos resume);
  // Each splice from now on is noted in `indexed` (IndexedText::NoteWritten),
  // whose text this is while the scans run.
  void NoteSplicesTo(IndexedText* indexed) noexcept { notes_ = indexed; }
  // How many splices were made.
  std::size_t Splices() const noexcept { return splices_; }

  Text Take();

 private:
  std::size_t GapLength() const noexcept { return gapEnd_ - gapBegin_; }
  std::size_t Index(std::size_t i) const noexcept {
    return i < gapBegin_ ? i : i + GapLength();
  }
  bool LowerMatchesAt(std::size_t i, TextView entry) const noexcept;
  // 0-based index of the first position in [from, below) at which an entry
  // occurs in lc, and the first such entry; npos when none.
  std::size_t ScanEntries(std::size_t from, std::size_t below,
                          const LinkEntries& entries,
                          std::size_t& which) const noexcept;
  // ScanEntries through the entries' anchors.
  std::size_t ScanAnchors(std::size_t from, std::size_t below, const LinkEntries& entries,
                          std::size_t& which) const noexcept;
  // The same for one entry.
  std::size_t ScanEntry(std::size_t from, std::size_t below,
                        TextView entry) const noexcept;
  void MoveGap(std::size_t to);
  void Reserve(std::size_t insert);

  LinkScanMode mode_;
  Text buf_;    // html, with the gap
  Text lower_;  // lc, with the same gap
  std::size_t takenLength_ = 0;  // the length of the text taken in
  std::size_t gapBegin_ = 0;
  std::size_t gapEnd_ = 0;
  std::size_t splices_ = 0;
  IndexedText* notes_ = nullptr;
};

// The scans on a working copy made once: Stage 6 runs its two scans on
// one, so that the text is taken in and lower-cased once. Each returns
// whether it changed the text.
bool LinkWebAddresses(LinkScanText& doc);
bool LinkWrappedAddresses(LinkScanText& doc);
bool LinkEmailAddresses(LinkScanText& doc);

}  // namespace skeinlet::detail
