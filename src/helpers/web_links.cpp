// Web addresses, news addresses, UNC and drive paths to anchors
// (LinkWebAddresses), and the wrapped "&lt;file:" / "&lt;mailto:" form
// (LinkWrappedAddresses), with the scan tables they share and the working
// copy both scanners (and LinkEmailAddresses) search.
#include "helpers/links.hpp"

#include "text/rules.hpp"

#include "engine/state.hpp"
#include "text/errors.hpp"

#include <algorithm>
#include <optional>
#include <utility>

namespace skeinlet::detail {

// ---------------------------------------------------------------------------
// Scan tables

namespace {

// In table order; entries 74 to 78 close the table so that the scans, which
// stop three entries short of its end, never end an address at ":", at the
// second backslash or at "/".
constexpr TextView kLinkTerminators[] = {
    u" ",      u"\n",     u"\r",     u"}",      u"{",      u">",
    u">",      u"<",      u">",      u"|",      u"(",      u")",
    u"*",      u"^",      u"\"",     u"`",      u"\u00AC", u"\u00A6",
    u"[",      u"]",      u"\u00A3", u"!",      u";",      u"\u20AC",
    u"\u0081", u"\u0192", u"\u201E", u"\u2020", u"\u2021", u"\u2030",
    u"\u2039", u"\u0152", u"\u008D", u"\u20AC", u"\u0081", u"\u017D",
    u"\u008F", u"\u0090", u"'",      u"\u02DC", u"\u2122", u"\u203A",
    u"\u009D", u"\u017E", u"\u00A1", u"\u00A4", u"\u00A5", u"\u00A7",
    u"\u00A8", u"\u00A9", u"\u00AA", u"\u00AB", u"\u00AE", u"\u00B0",
    u"\u00B1", u"\u00B2", u"\u00B3", u"\u00B4", u"\u00B5", u"\u00B6",
    u"\u00B7", u"\u00B8", u"\u00B9", u"\u00BA", u"\u00BB", u"\u00BC",
    u"\u00BD", u"\u00BE", u"\u00BF", u"\u00D7", u"\u00DE", u"\u00F7",
    u"\u00FE", u"\\",     u"\t",     u":",      u"\\",     u"/",
};
static_assert(std::size(kLinkTerminators) == 78);

// The drive prefixes "a:\" to "z:\" come between "file://" and "\\". The
// upper-case entries never match: the scan looks at the lower-cased text.
constexpr TextView kLinkPrefixesBeforeDrives[] = {
    u"http://",  u"HTTP://", u"news:",   u"WWW.",    u"www.",
    u"https://", u"ftp://",  u"FTP://",  u"file:\\\\", u"file://",
};
constexpr TextView kLinkPrefixAfterDrives = u"\\\\";

constexpr TextView kWrappedLinkPrefixes[] = {
    u"&lt;file:",
    u"&lt;mailto:",
    u"&lt;file://",
};
constexpr TextView kWrappedLinkTerminator = u"&gt;";
constexpr int kWrappedLinkTerminatorCount = 5;

constexpr Pos kFoundSlots = 2000;
constexpr Pos kIterationLimit = 1995;
constexpr Pos kWebAddressLength = 200;
constexpr Pos kWrappedAddressLength = 100;

template <std::size_t N>
void FillTable(BoundedArray<Text>& table, const TextView (&entries)[N]) {
  table.Redim(0, static_cast<std::int64_t>(N));
  for (std::size_t i = 0; i < N; ++i)
    table[static_cast<std::int64_t>(i) + 1] = Text(entries[i]);
}

void FillLinkPrefixes(BoundedArray<Text>& table) {
  constexpr std::int64_t before = std::size(kLinkPrefixesBeforeDrives);
  table.Redim(0, before + 26 + 1);
  for (std::int64_t i = 0; i < before; ++i)
    table[i + 1] = Text(kLinkPrefixesBeforeDrives[i]);
  for (int d = 0; d < 26; ++d) {
    Text drive = u"a:\\";
    drive[0] = static_cast<char16_t>(u'a' + d);
    table[before + 1 + d] = std::move(drive);
  }
  table[before + 27] = Text(kLinkPrefixAfterDrives);
}

void FillLinkTerminators(BoundedArray<Text>& table) { FillTable(table, kLinkTerminators); }

void FillWrappedLinkPrefixes(BoundedArray<Text>& table) { FillTable(table, kWrappedLinkPrefixes); }

void FillWrappedLinkTerminators(BoundedArray<Text>& table) {
  table.Redim(0, kWrappedLinkTerminatorCount);
  for (int i = 1; i <= kWrappedLinkTerminatorCount; ++i)
    table[i] = Text(kWrappedLinkTerminator);
}

}  // namespace

void BuildLinkPrefixes() { FillLinkPrefixes(State().LinkPrefixes); }

void BuildLinkTerminators() { FillLinkTerminators(State().LinkTerminators); }

void BuildWrappedLinkPrefixes() { FillWrappedLinkPrefixes(State().LinkPrefixes); }

void BuildWrappedLinkTerminators() { FillWrappedLinkTerminators(State().LinkTerminators); }

Text LinkAnchor(TextView target, TextView label) {
  Text a;
  a.reserve(target.size() + label.size() + 15);
  a += u"<a href=\"";
  a += target;
  a += u"\">";
  a += label;
  a += u"</a>";
  return a;
}

// ---------------------------------------------------------------------------
// LinkEntries

LinkEntries::LinkEntries(std::vector<Text> entries)
    : items(std::move(entries)) {
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].empty()) {
      anyEmpty = true;
      continue;
    }
    const char16_t first = items[k].front();
    std::uint16_t b = BucketOf(first);
    if (b == 0) {
      buckets.emplace_back();
      b = static_cast<std::uint16_t>(buckets.size());
      if (first < direct.size()) {
        direct[first] = b;
      } else {
        beyond.insert(std::lower_bound(beyond.begin(), beyond.end(), first, UnitBefore), {first, b});
      }
    }
    buckets[b - 1].push_back(static_cast<std::uint16_t>(k));
  }
  // Anchors: the first unit of each entry that is neither a letter, a digit
  // nor a blank, else its first unit.
  auto common = [](char16_t c) {
    return c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
           (c >= u'A' && c <= u'Z');
  };
  std::size_t units = 0;
  std::vector<std::vector<Anchored>> found;
  for (std::size_t k = 0; k < items.size() && !anyEmpty; ++k) {
    const TextView entry = items[k];
    std::size_t offset = 0;
    while (offset < entry.size() && common(entry[offset])) ++offset;
    if (offset == entry.size()) offset = 0;
    std::size_t slot = 0;
    while (slot < units && anchorUnits[slot] != entry[offset]) ++slot;
    if (slot == units) {
      if (units == anchorUnits.size()) return;  // more than four: no anchors
      anchorUnits[units++] = entry[offset];
      found.emplace_back();
    }
    found[slot].push_back({static_cast<std::uint16_t>(k), static_cast<std::uint16_t>(offset)});
    longestOffset = std::max(longestOffset, offset);
  }
  if (units == 0) return;
  for (std::size_t slot = units; slot < anchorUnits.size(); ++slot)
    anchorUnits[slot] = anchorUnits[0];
  anchored = std::move(found);
}

bool LinkEntries::HasUnit(char16_t c) const noexcept {
  const std::uint16_t b = BucketOf(c);
  if (b == 0) return false;
  for (std::uint16_t k : buckets[b - 1])
    if (items[k].size() == 1) return true;
  return false;
}

// ---------------------------------------------------------------------------
// LinkScanText

namespace {

// Room left for anchors when the text is taken in: 2000 anchors of a
// hundred characters or so fit without moving the text again.
std::size_t InitialGap(std::size_t length) { return length / 8 + 4096; }

}  // namespace

LinkScanText::LinkScanText(Text html, LinkScanMode mode)
    : mode_(mode), buf_(std::move(html)), takenLength_(buf_.size()) {
  const std::size_t length = buf_.size();
  const std::size_t gap = mode_ == LinkScanMode::Edit ? InitialGap(length) : 0;
  gapBegin_ = length;
  gapEnd_ = length + gap;
  // Both buffers are made at their final size at once: growing a string
  // past its room doubles it, which on a long document costs more than
  // the whole gap.
  if (buf_.capacity() < gapEnd_) {
    Text grown;
    grown.reserve(gapEnd_);
    grown.append(buf_);
    buf_ = std::move(grown);
  }
  buf_.resize(gapEnd_);
  // The lower-case copy is written once, through a buffer that stays in the
  // cache, rather than zero-filled at full length and then overwritten.
  // It has the room the text has, so that a full gap can be widened in
  // place in both (Reserve).
  lower_.reserve(buf_.capacity());
  constexpr std::size_t kChunk = 2048;
  char16_t chunk[kChunk];
  for (std::size_t at = 0; at < length; at += kChunk) {
    const std::size_t n = std::min(kChunk, length - at);
    LowerUnits(buf_.data() + at, n, chunk);
    lower_.append(chunk, n);
  }
  lower_.resize(gapEnd_);
}

Text LinkScanText::Cut(Pos start, Pos length) const {
  if (start < 1 || length < 0) RaiseError(Error::kInvalidCall);
  const Pos len = Length();
  if (start > len) return {};
  const std::size_t b = static_cast<std::size_t>(start - 1);
  const std::size_t e = static_cast<std::size_t>(std::min(len, start - 1 + length));
  Text out;
  out.reserve(e - b);
  if (b < gapBegin_) out.append(buf_, b, std::min(e, gapBegin_) - b);
  if (e > gapBegin_) {
    const std::size_t from = std::max(b, gapBegin_);
    out.append(buf_, from + GapLength(), e - from);
  }
  return out;
}

Text LinkScanText::CutLower(Pos start, Pos length) const {
  if (start < 1 || length < 0) RaiseError(Error::kInvalidCall);
  const Pos len = Length();
  if (start > len) return {};
  const std::size_t b = static_cast<std::size_t>(start - 1);
  const std::size_t e = static_cast<std::size_t>(std::min(len, start - 1 + length));
  Text out;
  out.reserve(e - b);
  for (std::size_t i = b; i < e; ++i) out += lower_[Index(i)];
  return out;
}

char16_t LinkScanText::LowerChar(Pos p) const {
  if (p < 1) RaiseError(Error::kInvalidCall);
  if (p > Length()) return 0;
  return lower_[Index(static_cast<std::size_t>(p - 1))];
}

bool LinkScanText::LowerMatchesAt(std::size_t i, TextView entry) const noexcept {
  const std::size_t len = static_cast<std::size_t>(Length());
  if (entry.size() > len - i) return false;
  for (std::size_t j = 0; j < entry.size(); ++j)
    if (lower_[Index(i + j)] != entry[j]) return false;
  return true;
}

Pos LinkScanText::Find(Pos from, TextView find) const {
  if (from < 1) RaiseError(Error::kInvalidCall);
  if (mode_ == LinkScanMode::Plain) return InStr(from, lower_, find, Compare::Binary);
  const Pos len = Length();
  if (len == 0 || from > len) return 0;
  if (find.empty()) return from;
  std::size_t i = static_cast<std::size_t>(from - 1);
  if (i < gapBegin_) {
    const TextView before(lower_.data(), gapBegin_);
    const std::size_t at = FindIndex(before, find, i, Compare::Binary);
    if (at != TextView::npos) return static_cast<Pos>(at) + 1;
    // Occurrences that run across the gap.
    std::size_t s = gapBegin_ >= find.size() ? gapBegin_ - find.size() + 1 : 0;
    for (s = std::max(s, i); s < gapBegin_; ++s)
      if (LowerMatchesAt(s, find)) return static_cast<Pos>(s) + 1;
    i = gapBegin_;
  }
  const TextView after(lower_.data() + gapEnd_, static_cast<std::size_t>(len) - gapBegin_);
  const std::size_t at = FindIndex(after, find, i - gapBegin_, Compare::Binary);
  return at == TextView::npos ? 0 : static_cast<Pos>(at + gapBegin_) + 1;
}

std::size_t LinkScanText::ScanEntries(std::size_t from, std::size_t below,
                                      const LinkEntries& entries,
                                      std::size_t& which) const noexcept {
  const std::size_t len = static_cast<std::size_t>(Length());
  below = std::min(below, len);
  if (!entries.anchored.empty()) return ScanAnchors(from, below, entries, which);
  for (std::size_t i = from; i < below; ++i) {
    const std::uint16_t b = entries.BucketOf(lower_[Index(i)]);
    if (b == 0) continue;
    for (std::uint16_t k : entries.buckets[b - 1]) {
      if (LowerMatchesAt(i, entries.items[k])) {
        which = k;
        return i;
      }
    }
  }
  return TextView::npos;
}

std::size_t LinkScanText::ScanAnchors(std::size_t from, std::size_t below,
                                      const LinkEntries& entries,
                                      std::size_t& which) const noexcept {
  // Every match starting at i has its entry's anchor at i + offset, so the
  // anchors from `from` on find them all. The earliest start wins, and at
  // one start the first entry; once a match is known, no anchor more than
  // the longest offset past its start can begin an earlier one.
  if (from >= below) return TextView::npos;
  const std::size_t len = static_cast<std::size_t>(Length());
  std::size_t best = TextView::npos, bestEntry = 0;
  std::size_t limit = std::min(len, below + entries.longestOffset);
  // The logical positions [from, limit) lie in two stretches of lower_,
  // before the gap and after it.
  for (const bool afterGap : {false, true}) {
    const std::size_t begin = afterGap ? std::max(from, gapBegin_) : from;
    const std::size_t end = afterGap ? limit : std::min(limit, gapBegin_);
    if (begin >= end) continue;
    const std::size_t shift = afterGap ? GapLength() : 0;
    const TextView stretch(lower_.data(), end + shift);
    for (std::size_t at = begin + shift;; ++at) {
      at = FindAnyUnit(stretch, at, entries.anchorUnits);
      if (at == TextView::npos || at - shift >= limit) break;
      const std::size_t p = at - shift;
      std::size_t slot = 0;
      while (entries.anchorUnits[slot] != stretch[at]) ++slot;
      for (const LinkEntries::Anchored& a : entries.anchored[slot]) {
        if (a.offset > p - from) continue;
        const std::size_t i = p - a.offset;
        if (i >= below) continue;
        if (best != TextView::npos && (i > best || (i == best && a.entry >= bestEntry))) continue;
        if (LowerMatchesAt(i, entries.items[a.entry])) {
          best = i;
          bestEntry = a.entry;
          limit = std::min(limit, best + entries.longestOffset + 1);
        }
      }
    }
  }
  if (best != TextView::npos) which = bestEntry;
  return best;
}

std::size_t LinkScanText::ScanEntry(std::size_t from, std::size_t below,
                                    TextView entry) const noexcept {
  below = std::min(below, static_cast<std::size_t>(Length()));
  for (std::size_t i = from; i < below; ++i)
    if (LowerMatchesAt(i, entry)) return i;
  return TextView::npos;
}

void LinkScanText::EarliestPrefix(Pos start, const LinkEntries& entries,
                                  bool bestAfterEntry, Pos& best,
                                  Text& prefix) const {
  if (start < 1) RaiseError(Error::kInvalidCall);
  if (mode_ == LinkScanMode::Plain || entries.anyEmpty) {
    for (const Text& entry : entries.items) {
      const Pos found = Find(start, entry);
      if (found > 0 && found < best) {
        best = bestAfterEntry ? found + Len(entry) : found;
        prefix = entry;
      }
    }
    return;
  }
  // The earliest position at which any entry occurs, and the first entry
  // there, is what the entry-by-entry search settles on: entries before it
  // in the table are overruled by it. Only when best moves past the entry
  // can a later entry that starts before that point still take over.
  if (best < 1) return;
  std::size_t which = 0;
  const std::size_t at = ScanEntries(static_cast<std::size_t>(start - 1),
                                     static_cast<std::size_t>(best - 1), entries, which);
  if (at == TextView::npos) return;
  Pos found = static_cast<Pos>(at) + 1;
  if (!bestAfterEntry) {
    best = found;
    prefix = entries.items[which];
    return;
  }
  best = found + Len(entries.items[which]);
  for (std::size_t k = which + 1; k < entries.items.size(); ++k) {
    const std::size_t hit =
        ScanEntry(at, static_cast<std::size_t>(best - 1), entries.items[k]);
    if (hit == TextView::npos) continue;
    best = static_cast<Pos>(hit) + 1 + Len(entries.items[k]);
    which = k;
  }
  prefix = entries.items[which];
}

Pos LinkScanText::EarliestTerminator(Pos from, Pos end, const LinkEntries& entries) const {
  if (from < 1) RaiseError(Error::kInvalidCall);
  if (mode_ == LinkScanMode::Plain || entries.anyEmpty) {
    for (const Text& entry : entries.items) {
      const Pos found = Find(from, entry);
      if (found > 0 && found < end) end = found;
    }
    return end;
  }
  if (end <= from) return end;
  std::size_t which = 0;
  const std::size_t at = ScanEntries(static_cast<std::size_t>(from - 1),
                                     static_cast<std::size_t>(end - 1), entries, which);
  return at == TextView::npos ? end : static_cast<Pos>(at) + 1;
}

void LinkScanText::MoveGap(std::size_t to) {
  const std::size_t gap = GapLength();
  if (to < gapBegin_) {
    const std::size_t n = gapBegin_ - to;
    std::char_traits<char16_t>::move(&buf_[to + gap], &buf_[to], n);
    std::char_traits<char16_t>::move(&lower_[to + gap], &lower_[to], n);
  } else if (to > gapBegin_) {
    const std::size_t n = to - gapBegin_;
    std::char_traits<char16_t>::move(&buf_[gapBegin_], &buf_[gapEnd_], n);
    std::char_traits<char16_t>::move(&lower_[gapBegin_], &lower_[gapEnd_], n);
  }
  gapBegin_ = to;
  gapEnd_ = to + gap;
}

void LinkScanText::Reserve(std::size_t insert) {
  if (GapLength() >= insert) return;
  const std::size_t len = static_cast<std::size_t>(Length());
  // The splices before the gap grew the text at a rate the rest of it is
  // likely to keep: the new gap holds that much for the rest (a quarter
  // more), and at least the initial gap, so that this is likely the last
  // time the text moves.
  std::size_t rest = 0;
  if (len > takenLength_ && gapBegin_ > 0)
    rest = static_cast<std::size_t>(static_cast<double>(len - takenLength_) / static_cast<double>(gapBegin_) *
                                    static_cast<double>(len - gapBegin_) * 1.25);
  const std::size_t gap = insert + std::max(InitialGap(len), rest);
  // The room both buffers have (the text's, kept from the document it was
  // taken from) is used first: widening the gap in place moves only the
  // text after it and takes no new memory.
  const std::size_t room = std::min(buf_.capacity(), lower_.capacity());
  if (room >= len + insert + InitialGap(len) / 4) {
    const std::size_t wide = std::min(room, len + gap) - len;
    const std::size_t tail = buf_.size() - gapEnd_;
    for (Text* b : {&buf_, &lower_}) {
      b->resize(len + wide);
      std::char_traits<char16_t>::move(b->data() + gapBegin_ + wide, b->data() + gapEnd_, tail);
    }
    gapEnd_ = gapBegin_ + wide;
    return;
  }
  // One buffer at a time, and only the gap is filled: the new buffer is
  // written once, and the old one is released before the next is made.
  auto regrow = [&](Text& from) {
    Text grown;
    grown.reserve(len + gap);
    grown.append(from, 0, gapBegin_);
    grown.resize(gapBegin_ + gap);
    grown.append(from, gapEnd_, Text::npos);
    from = std::move(grown);
  };
  regrow(buf_);
  regrow(lower_);
  gapEnd_ = gapBegin_ + gap;
}

void LinkScanText::Splice(Pos keep, TextView insert, Pos resume) {
  // Left(html, keep) and Mid(html, resume) raise error 5 as the runtime did.
  if (keep < 0 || resume < 1) RaiseError(Error::kInvalidCall);
  const Pos len = Length();
  const Pos left = std::min(keep, len);
  const Pos right = std::min(resume - 1, len);
  if (mode_ == LinkScanMode::Plain || right < left) {
    // A resume point before the kept part repeats text: rebuild.
    Text html = Cut(1, left);
    html += insert;
    html += Cut(right + 1, len - right);
    IndexedText* const notes = notes_;
    const std::size_t splices = splices_;
    *this = LinkScanText(std::move(html), mode_);
    notes_ = notes;
    splices_ = splices + 1;
  } else {
    ++splices_;
    MoveGap(static_cast<std::size_t>(left));
    gapEnd_ += static_cast<std::size_t>(right - left);
    Reserve(insert.size());
    for (char16_t c : insert) {
      buf_[gapBegin_] = c;
      lower_[gapBegin_] = LowerUnit(c);
      ++gapBegin_;
    }
  }
  if (notes_ != nullptr) {
    // The inserted units and three on each side, as the text now stands.
    const Pos from = std::max<Pos>(left - 3, 0);
    const Pos to = std::min<Pos>(left + Len(insert) + 3, Length());
    notes_->NoteWritten(Cut(from + 1, to - from));
  }
}

Text LinkScanText::Take() {
  buf_.erase(gapBegin_, GapLength());
  lower_.clear();
  gapBegin_ = gapEnd_ = buf_.size();
  return std::move(buf_);
}

// ---------------------------------------------------------------------------
// The scans

namespace {

bool EndsWith(TextView text, TextView tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::int64_t UpperBound(const BoundedArray<Text>& table) {
  return table.Dimensioned() ? table.UBound() : 0;
}

namespace {

// The entries of the tables the Build routines make, as each scan takes
// them, grouped once for the life of the process: a small document's scans
// would otherwise spend more on grouping them than on the search. Each set
// is grouped the first time a scan of its kind asks for it, so that a
// process that only ever links one way never groups the other.
const std::vector<LinkEntries>& BuiltTablesEntries(BuiltLinkTables set) {
  const auto group = [](void (*fillPrefixes)(BoundedArray<Text>&),
                        void (*fillTerminators)(BoundedArray<Text>&)) {
    BoundedArray<Text> prefixes, terminators;
    fillPrefixes(prefixes);
    fillTerminators(terminators);
    const std::int64_t lastTerminator = UpperBound(terminators) - 3;
    std::vector<LinkEntries> out;
    out.emplace_back(EntryRange{prefixes, UpperBound(prefixes)}.Items());
    out.emplace_back(EntryRange{terminators, lastTerminator}.Items());
    out.emplace_back(EntryRange{terminators, lastTerminator, true}.Items());
    out.emplace_back(EntryRange{terminators, UpperBound(terminators)}.Items());
    return out;
  };
  if (set == BuiltLinkTables::Web) {
    static const std::vector<LinkEntries> web = group(FillLinkPrefixes, FillLinkTerminators);
    return web;
  }
  static const std::vector<LinkEntries> wrapped =
      group(FillWrappedLinkPrefixes, FillWrappedLinkTerminators);
  return wrapped;
}

}  // namespace

const LinkEntries& EntriesOf(const EntryRange& range, std::optional<LinkEntries>& own,
                             BuiltLinkTables set) {
  for (const LinkEntries& built : BuiltTablesEntries(set))
    if (range.Holds(built.items)) return built;
  return own.emplace(range.Items());
}

namespace {

// The entries both scans take from the state's tables: the prefixes, and
// the terminators but the last three, with and without the backslash.
struct ScanTables {
  ScanTables(const ConversionState& state, BuiltLinkTables set)
      : prefixes(
            EntriesOf({state.LinkPrefixes, UpperBound(state.LinkPrefixes)}, ownPrefixes, set)),
        terminators(EntriesOf({state.LinkTerminators, UpperBound(state.LinkTerminators) - 3},
                              ownTerminators, set)),
        pathTerminators(EntriesOf(
            {state.LinkTerminators, UpperBound(state.LinkTerminators) - 3, true},
            ownPathTerminators, set)) {}
  ScanTables(const ScanTables&) = delete;
  ScanTables& operator=(const ScanTables&) = delete;

  std::optional<LinkEntries> ownPrefixes, ownTerminators, ownPathTerminators;
  const LinkEntries& prefixes;
  const LinkEntries& terminators;
  const LinkEntries& pathTerminators;
};

}  // namespace

bool LinkWebAddresses(Text& html) { return LinkWebAddresses(html, LinkScanMode::Edit); }

bool LinkWebAddresses(Text& html, LinkScanMode mode) {
  LinkScanText doc(std::move(html), mode);
  const bool changed = LinkWebAddresses(doc);
  html = doc.Take();
  return changed;
}

bool LinkWebAddresses(LinkScanText& doc) {
  ConversionState& state = State();
  const ScanTables tables(state, BuiltLinkTables::Web);
  const LinkEntries& prefixes = tables.prefixes;
  const LinkEntries& terminators = tables.terminators;
  const LinkEntries& pathTerminators = tables.pathTerminators;
  state.FoundLinks.Redim(0, kFoundSlots);

  const std::size_t splices = doc.Splices();
  Pos n = 1, start = 1, best = doc.Length(), end = 0;
  Text prev, anchor, prefix, found, candidate;

  for (;;) {
    SkipOnError([&] { doc.EarliestPrefix(start, prefixes, false, best, prefix); });
    if (best == 0) break;

    // An address ends at its earliest terminator, 200 characters at most;
    // paths keep their backslashes.
    end = best + kWebAddressLength;
    SkipOnError([&] {
      const bool path = InStr(1, prefix, u"\\", Compare::Binary) > 0;
      end = doc.EarliestTerminator(best + Len(prefix), end, path ? pathTerminators : terminators);
    });
    SkipOnError([&] {
      if (doc.LowerChar(end - 1) == u'.') end = end - 1;
    });

    SkipOnError([&] { candidate = doc.CutLower(best, end - best); });
    if (Len(candidate) <= 3) {
      start = end;
    } else {
      bool repeat = false;
      bool wrapped = false;
      SkipOnError([&] { wrapped = EndsWith(doc.Cut(best, end - best + 1), u"&gt;"); });
      if (wrapped) {
        // The bracketed repeat of the address just linked goes, with its
        // "&lt;" and "&gt;".
        SkipOnError([&] { found = doc.Cut(best, end - best - 3); });
        if (!TrimView(prev).empty() && InStr(1, found, prev, Compare::Text) > 0) {
          repeat = true;
          SkipOnError([&] { doc.Splice(best - 5, {}, best + Len(found) + 4); });
          prev.clear();
        }
      } else {
        Text c;
        SkipOnError([&] { c = doc.Cut(best, end - best); });
        const Pos at = InStr(1, c, u"@", Compare::Binary);
        if (at > 0 && InStr(at, c, u".", Compare::Binary) > 0) {
          found.clear();  // left for the e-mail scan
        } else {
          found = c;
          prev = c;
        }
      }

      if (!repeat) {
        if (LCase(Left(found, 3)) == u"www") {
          anchor = LinkAnchor(u"http://" + found, found);
        } else if (InStr(1, prefix, u":\\", Compare::Binary) == 0) {
          anchor = LinkAnchor(found, found);
        } else if (InStr(1, prefix, u"file:\\\\", Compare::Binary) == 0) {
          anchor = LinkAnchor(u"file://" + found, found);
        } else {
          anchor = LinkAnchor(found, found);
        }
        if (!found.empty()) {
          SkipOnError([&] { doc.Splice(best - 1, anchor, best + Len(found)); });
          state.FoundLinks[n] = found;
        }
      }

      start = end + Len(anchor) - Len(found);
      if (++n > kIterationLimit) break;
    }

    if (best > doc.Length() - 4) break;
    best = doc.Length();
  }
  return doc.Splices() > splices;
}

bool LinkWrappedAddresses(Text& html) { return LinkWrappedAddresses(html, LinkScanMode::Edit); }

bool LinkWrappedAddresses(Text& html, LinkScanMode mode) {
  LinkScanText doc(std::move(html), mode);
  const bool changed = LinkWrappedAddresses(doc);
  html = doc.Take();
  return changed;
}

bool LinkWrappedAddresses(LinkScanText& doc) {
  ConversionState& state = State();
  const ScanTables tables(state, BuiltLinkTables::Wrapped);
  const LinkEntries& prefixes = tables.prefixes;
  const LinkEntries& terminators = tables.terminators;
  const LinkEntries& pathTerminators = tables.pathTerminators;
  state.FoundLinks.Redim(0, kFoundSlots);

  const std::size_t splices = doc.Splices();
  Pos n = 1, start = 1, best = doc.Length(), end = 0;
  Text anchor, prefix, found, candidate;

  for (;;) {
    // best is the position just after the prefix.
    SkipOnError([&] { doc.EarliestPrefix(start, prefixes, true, best, prefix); });
    if (best == 0) break;

    end = best + kWrappedAddressLength;
    SkipOnError([&] {
      const bool path = InStr(1, prefix, u"\\", Compare::Binary) > 0;
      end = doc.EarliestTerminator(best + Len(prefix) - 5, end,
                                   path ? pathTerminators : terminators);
    });
    SkipOnError([&] {
      if (doc.LowerChar(end - 1) == u'.') end = end - 1;
    });

    SkipOnError([&] { candidate = doc.CutLower(best, end - best); });
    if (Len(candidate) <= 3) {
      start = end;
    } else {
      SkipOnError([&] {
        if (EndsWith(doc.Cut(best, end - best + 1), u"&gt;"))
          found = doc.Cut(best, end - best - 3);
        else
          found = doc.Cut(best, end - best);
      });

      if (InStr(1, prefix, u"file:", Compare::Binary) > 0)
        anchor = LinkAnchor(u"file://" + found, found);
      else if (InStr(1, prefix, u"mailto:", Compare::Binary) > 0)
        anchor = LinkAnchor(u"mailto:" + found, found);
      else
        anchor = LinkAnchor(found, found);

      // The prefix and the "&gt;" after the address go with it.
      if (!found.empty()) {
        SkipOnError([&] {
          doc.Splice(best - 1 - Len(prefix), anchor, best + 4 + Len(found));
        });
        state.FoundLinks[n] = found;
      }

      start = end + Len(anchor) - Len(found);
      if (++n > kIterationLimit) break;
    }

    if (best > doc.Length() - 4) break;
    best = doc.Length();
  }
  return doc.Splices() > splices;
}

}  // namespace skeinlet::detail
