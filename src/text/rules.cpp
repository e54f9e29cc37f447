#include "text/rules.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SKEINLET_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skeinlet::detail {

std::size_t ApplyRule(Text& text, const Rule& rule) {
  return ReplaceIn(text, rule.find, rule.replace, rule.compare,
                   rule.occurrences);
}

namespace {

// From this length a text is indexed through a byte per slot.
constexpr std::size_t kByteSetFrom = 16384;

// From this length a text's single units beyond ASCII are looked up before
// a search, once this many searches for one have found nothing: building
// the set, which skips ASCII eight units at a time, costs about as much as
// one such search.
constexpr std::size_t kUnitSetFrom = 16384;
constexpr std::size_t kVainBeforeUnitSet = 1;

// From this length a search for four units or more is looked up in the
// text's runs of four instead of its pairs. Building them costs about as
// much as four searches of the whole text, twice the pairs (bench_indexes),
// but a long text holds most pairs there are and few of the runs of four.
constexpr std::size_t kQuadsFrom = 65536;

// Below this many rules a table is searched rule by rule.
constexpr std::size_t kIndexedTable = 4;

// Packs marked bytes (top bit set) into bits: words[w] bit k is byte
// 64 * w + k.
void PackMarks(const std::uint8_t* marks, std::uint64_t* words, std::size_t count) noexcept {
  for (std::size_t word = 0; word < count; ++word) {
    const std::uint8_t* bytes = marks + word * 64;
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    for (unsigned q = 0; q < 4; ++q) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + q * 16));
      bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(v))} << (16 * q);
    }
#else
    for (unsigned k = 0; k < 64; ++k) bits |= std::uint64_t{bytes[k] >> 7} << k;
#endif
    words[word] = bits;
  }
}

}  // namespace

void PairIndex::Build(TextView text) noexcept {
  const char16_t* lower = LowerTable();
  const std::size_t n = text.size();
  if (n < kByteSetFrom) {
    pairs_.fill(0);
    if (n == 0) return;
    std::uint32_t previous = lower[text[0]];
    for (std::size_t i = 1; i < n; ++i) {
      const std::uint32_t current = lower[text[i]];
      Set(PairSlot(previous, current));
      previous = current;
    }
    return;
  }
  // A long text marks one byte per slot and packs the bytes into bits at
  // the end: a plain store per pair, where updating a bit would make each
  // pair wait for the last update of its word (pairs repeat often). A
  // marked byte has its top bit set, which is the bit the packing reads.
  alignas(16) std::array<std::uint8_t, kSlots> seen{};
  std::uint32_t previous = lower[text[0]];
  for (std::size_t i = 1; i < n; ++i) {
    const std::uint32_t current = lower[text[i]];
    seen[PairSlot(previous, current)] = 0x80;
    previous = current;
  }
  PackMarks(seen.data(), pairs_.data(), pairs_.size());
}

void PairIndex::Add(char16_t a, char16_t b) noexcept {
  const char16_t* lower = LowerTable();
  Set(PairSlot(lower[a], lower[b]));
}

void PairIndex::Add(TextView piece) noexcept {
  const char16_t* lower = LowerTable();
  for (std::size_t i = 1; i < piece.size(); ++i)
    Set(PairSlot(lower[piece[i - 1]], lower[piece[i]]));
}

void PairIndex::AddEdges(TextView text, std::span<const std::size_t> sites,
                         std::size_t length) noexcept {
  const char16_t* lower = LowerTable();
  const std::size_t n = text.size();
  for (const std::size_t at : sites) {
    if (at > 0 && at < n) Set(PairSlot(lower[text[at - 1]], lower[text[at]]));
    if (length > 0 && at + length < n) {
      const std::size_t end = at + length;
      Set(PairSlot(lower[text[end - 1]], lower[text[end]]));
    }
  }
}

namespace {

// The four units from `p` as one key, each folded to its lower case with
// bit 5 set (so that a unit and its lower case agree, and ASCII needs no
// table: a collision only lets a search run). Unit k is bits 16k to 16k+15.
constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80ull;
constexpr std::uint64_t kBit5 = 0x0020002000200020ull;

inline std::uint64_t QuadAt(const char16_t* p, const char16_t* lower) noexcept {
  std::uint64_t units;
  std::memcpy(&units, p, sizeof units);
  if ((units & kNotAscii) == 0) return units | kBit5;
  std::uint64_t quad = 0;
  for (unsigned k = 0; k < 4; ++k)
    quad |= std::uint64_t{static_cast<std::uint16_t>(lower[p[k]] | 0x20)} << (16 * k);
  return quad;
}

#if defined(SKEINLET_AVX2)
// Marks the runs of four that start in [i, returned), below `end`, sixteen
// starts at a time while all the units they read are ASCII; stops at the
// first block that is not. Four loads, one to three units apart, hold in
// their 32-bit lanes the low and high halves of the runs at the even and
// the odd starts. `mark` is given each slot.
template <class Mark>
__attribute__((target("avx2"))) std::size_t MarkAsciiQuadsAvx2(const char16_t* p, std::size_t n,
                                                               std::size_t i, std::size_t end,
                                                               Mark mark,
                                                               std::uint32_t lowFactor,
                                                               std::uint32_t highFactor,
                                                               unsigned shift) noexcept {
  const __m256i notAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
  const __m256i bit5 = _mm256_set1_epi16(0x20);
  const __m256i low = _mm256_set1_epi32(static_cast<int>(lowFactor));
  const __m256i high = _mm256_set1_epi32(static_cast<int>(highFactor));
  const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
  alignas(32) std::uint32_t slots[16];
  // The starts i to i + 15 read the units i to i + 18.
  for (; i + 19 <= n && i + 16 <= end; i += 16) {
    const auto at = [&](std::size_t k) __attribute__((target("avx2"))) {
      return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + k));
    };
    const __m256i a0 = at(0), a1 = at(1), a2 = at(2), a3 = at(3);
    if (!_mm256_testz_si256(_mm256_or_si256(a0, a3), notAscii)) break;
    const auto slot = [&](__m256i lowHalves, __m256i highHalves) __attribute__((target("avx2"))) {
      const __m256i l = _mm256_mullo_epi32(_mm256_or_si256(lowHalves, bit5), low);
      const __m256i h = _mm256_mullo_epi32(_mm256_or_si256(highHalves, bit5), high);
      return _mm256_srl_epi32(_mm256_xor_si256(l, h), count);
    };
    _mm256_store_si256(reinterpret_cast<__m256i*>(slots), slot(a0, a2));
    _mm256_store_si256(reinterpret_cast<__m256i*>(slots + 8), slot(a1, a3));
    for (const std::uint32_t s : slots) mark(s);
  }
  return i;
}
#endif

}  // namespace

void QuadIndex::Build(TextView text) {
  // As the pairs of a long text: a byte per slot, packed into bits at the
  // end, so that each run of four is a plain store. The bytes are kept for
  // the thread's next build.
  thread_local std::vector<std::uint8_t> seen;
  seen.assign(std::size_t{1} << kBits, 0);
  const char16_t* lower = LowerTable();
  const char16_t* p = text.data();
  std::size_t i = 0;
  // Four starts at a time from the eight units read from i while they are
  // all ASCII, shifted into place, instead of four reads. Where the
  // processor has AVX2, sixteen at a time while they are ASCII; a block
  // that is not is passed over four starts at a time before the wide loop
  // is tried again.
  const bool wide = CurrentScanWidth() >= ScanWidth::Avx2;
  std::size_t wideFrom = 0;
  for (; i + 8 <= text.size(); i += 4) {
#if defined(SKEINLET_AVX2)
    if (wide && i >= wideFrom) {
      std::uint8_t* const bytes = seen.data();
      i = MarkAsciiQuadsAvx2(
          p, text.size(), i, text.size(), [bytes](std::uint32_t s) { bytes[s] = 0x80; },
          kLowFactor, kHighFactor, 32 - kBits);
      wideFrom = i + 16;
      if (i + 8 > text.size()) break;
    }
#else
    (void)wide;
    (void)wideFrom;
#endif
    std::uint64_t low, high;
    std::memcpy(&low, p + i, sizeof low);
    std::memcpy(&high, p + i + 4, sizeof high);
    if (((low | high) & kNotAscii) != 0) {
      for (std::size_t k = i; k < i + 4; ++k) seen[Slot(QuadAt(p + k, lower))] = 0x80;
      continue;
    }
    low |= kBit5;
    high |= kBit5;
    seen[Slot(low)] = 0x80;
    seen[Slot(low >> 16 | high << 48)] = 0x80;
    seen[Slot(low >> 32 | high << 32)] = 0x80;
    seen[Slot(low >> 48 | high << 16)] = 0x80;
  }
  for (; i + 4 <= text.size(); ++i) seen[Slot(QuadAt(p + i, lower))] = 0x80;
  bits_.resize(std::size_t{1} << (kBits - 6));
  PackMarks(seen.data(), bits_.data(), bits_.size());
}

void QuadIndex::AddStarts(TextView text, std::size_t from, std::size_t to) noexcept {
  const char16_t* lower = LowerTable();
  if (text.size() < 4) return;
  to = std::min(to, text.size() - 3);
  std::size_t i = from;
#if defined(SKEINLET_AVX2)
  // Sixteen starts at a time while they are ASCII, as the build does.
  if (to >= i + 16 && CurrentScanWidth() >= ScanWidth::Avx2) {
    std::uint64_t* const bits = bits_.data();
    i = MarkAsciiQuadsAvx2(
        text.data(), text.size(), i, to,
        [bits](std::uint32_t s) { bits[s >> 6] |= std::uint64_t{1} << (s & 63); }, kLowFactor,
        kHighFactor, 32 - kBits);
  }
#endif
  for (; i < to; ++i) Set(Slot(QuadAt(text.data() + i, lower)));
}

bool QuadIndex::MayContain(TextView find) const noexcept {
  const char16_t* lower = LowerTable();
  for (std::size_t i = 0; i + 4 <= find.size(); ++i) {
    const std::uint32_t slot = Slot(QuadAt(find.data() + i, lower));
    if (!(bits_[slot >> 6] >> (slot & 63) & 1)) return false;
  }
  return true;
}

void IndexedText::AddQuads(std::span<const std::size_t> sites, std::size_t length) noexcept {
  // A run of four made by a replacement starts at most three units before
  // it and ends at most three after it.
  for (const std::size_t at : sites)
    quads_.AddStarts(text_, at < 3 ? 0 : at - 3, at + length);
}

void IndexedText::AddUnits(TextView piece) noexcept {
  const char16_t* lower = LowerTable();
  std::uint8_t* units = units_.data();
  for (const char16_t c : piece) units[lower[c]] = 1;
}

void IndexedText::BuildUnits() {
  // Every ASCII unit is taken to occur (a long text holds most of them), so
  // that a block of eight ASCII units is passed over at once.
  units_.assign(65536, 0);
  std::fill_n(units_.begin(), 128, std::uint8_t{1});
  const char16_t* lower = LowerTable();
  std::uint8_t* units = units_.data();
  const char16_t* p = text_.data();
  const std::size_t n = text_.size();
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, notAscii), zero)) == 0xFFFF) continue;
    for (std::size_t k = i; k < i + 8; ++k) units[lower[p[k]]] = 1;
  }
#endif
  for (; i < n; ++i) units[lower[p[i]]] = 1;
  unitsBuilt_ = true;
}

// Inlined into Replace and Has: most of a table's rules end here, and the
// call would cost about as much as the lookup.
inline __attribute__((always_inline)) bool IndexedText::MayOccurHere(TextView find) {
  if (find.size() > text_.size()) return false;
  if (find.empty()) return true;
  if (find.size() == 1) {
    // A short text is searched at once; a long one is first looked up in
    // its units beyond ASCII.
    if (text_.size() < kUnitSetFrom) return true;
    const char16_t lowered = LowerUnit(find.front());
    if (lowered < 0x80) return true;
    if (!unitsBuilt_) {
      if (vainUnitSearches_ < kVainBeforeUnitSet) return true;
      BuildUnits();
    }
    if (units_[lowered]) return true;
  } else if (find.size() >= 4 && text_.size() >= kQuadsFrom) {
    if (!quadsBuilt_) {
      quads_.Build(text_);
      quadsBuilt_ = true;
    }
    if (quads_.MayContain(find)) return true;
  } else {
    if (!built_) {
      index_.Build(text_);
      built_ = true;
    }
    if (index_.MayContain(find)) return true;
  }
#if defined(SKEINLET_CHECK_SKIPS)
  ProveSkip(find);
#endif
  return false;
}

#if defined(SKEINLET_CHECK_SKIPS)
// The checking build proves every skip: the find text really is absent.
void IndexedText::ProveSkip(TextView find) const {
  if (FindIndex(text_, find, 0, Compare::Text) != TextView::npos) {
    std::fputs("skeinlet: the index skipped a find text that occurs\n", stderr);
    std::abort();
  }
}
#endif

bool IndexedText::MayOccur(TextView find) { return MayOccurHere(find); }

std::size_t IndexedText::Replace(TextView find, TextView replace, Compare cmp,
                                 Occurrences occ) {
  sites_.clear();
  // Most rules end at a lookup in the pairs, once they are built: that
  // path makes no call but the last, so it needs no registers saved.
  const std::size_t m = find.size();
  // A find text longer than the text (most of a table's rules on a short
  // run) ends here, before the call.
  if (m > text_.size()) return 0;
  if (built_ && m >= 2 && (m < 4 || text_.size() < kQuadsFrom)) {
    if (index_.MayContain(find)) return ReplaceFound(find, replace, cmp, occ);
#if defined(SKEINLET_CHECK_SKIPS)
    ProveSkip(find);
#endif
    return 0;
  }
  return ReplaceOther(find, replace, cmp, occ);
}

std::size_t IndexedText::ReplaceOther(TextView find, TextView replace, Compare cmp,
                                      Occurrences occ) {
  if (find.empty() || !MayOccurHere(find)) return 0;
  return ReplaceFound(find, replace, cmp, occ);
}

std::size_t IndexedText::ReplaceFound(TextView find, TextView replace, Compare cmp,
                                      Occurrences occ) {
  const bool built = built_, unitsBuilt = unitsBuilt_, quadsBuilt = quadsBuilt_;
  // Should the replacement fail half-way, the index is built again.
  built_ = unitsBuilt_ = quadsBuilt_ = false;
  const std::size_t count = ReplaceIn(text_, find, replace, cmp, occ, sites_);
  NoteUnitSearch(find, count > 0);
  if (built) {
    if (count > 0) {
      index_.Add(replace);
      index_.AddEdges(text_, sites_, replace.size());
    }
    built_ = true;
  }
  if (unitsBuilt) {
    if (count > 0) AddUnits(replace);
    unitsBuilt_ = true;
  }
  if (quadsBuilt) {
    if (count > 0) AddQuads(sites_, replace.size());
    quadsBuilt_ = true;
  }
  return count;
}

void IndexedText::Replaced(std::span<const std::size_t> sites, std::size_t length) noexcept {
  const TextView text(text_);
  if (built_) {
    for (const std::size_t at : sites)
      if (at < text.size()) index_.Add(text.substr(at, length));
    index_.AddEdges(text_, sites, length);
  }
  if (unitsBuilt_)
    for (const std::size_t at : sites)
      if (at < text.size()) AddUnits(text.substr(at, length));
  if (quadsBuilt_) AddQuads(sites, length);
}

void IndexedText::NoteWritten(TextView window) noexcept {
  if (built_) index_.Add(window);
  if (unitsBuilt_) AddUnits(window);
  if (quadsBuilt_) quads_.AddStarts(window, 0, window.size());
}

void IndexedText::NoteWritten(std::span<const Written> stretches) noexcept {
  const TextView text(text_);
  for (const Written& w : stretches) {
    const std::size_t from = w.at < 3 ? 0 : w.at - 3;
    if (from >= text.size()) continue;
    NoteWritten(text.substr(from, w.at + w.length + 3 - from));
  }
}

void IndexedText::Apply(std::span<const Rule> rules) {
  for (const Rule& rule : rules) Apply(rule);
}

namespace {

// Whether ApplyUnitRules may rewrite the text in one pass for `rules`.
bool UnitRulesInOnePass(std::span<const Rule> rules) {
  if (rules.size() < 2 || rules.size() > 255) return false;
  for (const Rule& r : rules)
    if (r.find.size() != 1 || r.compare != Compare::Binary || r.occurrences != Occurrences::All)
      return false;
  for (const Rule& r : rules)
    for (const char16_t c : r.replace)
      for (const Rule& f : rules)
        if (f.find.front() == c) return false;
  return true;
}

}  // namespace

void IndexedText::ApplyUnitRules(std::span<const Rule> rules) {
  if (!UnitRulesInOnePass(rules)) {
    Apply(rules);
    return;
  }
  sites_.clear();
  // For each unit, one more than the index of the first rule that finds
  // it; the entries set are cleared again on the way out.
  thread_local std::vector<std::uint8_t> ruleOf(std::size_t{1} << 16, 0);
  struct Clear {
    std::span<const Rule> rules;
    ~Clear() {
      for (const Rule& r : rules) ruleOf[r.find.front()] = 0;
    }
  } clear{rules};
  bool allBeyondAscii = true;
  for (std::size_t k = rules.size(); k-- > 0;) {
    const char16_t c = rules[k].find.front();
    ruleOf[c] = static_cast<std::uint8_t>(k + 1);
    allBeyondAscii &= c >= 0x80;
  }
  const char16_t* p = text_.data();
  const std::size_t n = text_.size();
  const auto next = [&](std::size_t i) {
    for (; i < n; ++i) {
      if (allBeyondAscii) {
        // Eight ASCII units at a time: none of them is found.
        std::uint64_t a, b;
        while (i + 8 <= n) {
          std::memcpy(&a, p + i, sizeof a);
          std::memcpy(&b, p + i + 4, sizeof b);
          if (((a | b) & kNotAscii) != 0) break;
          i += 8;
        }
        if (i >= n) break;
      }
      if (ruleOf[p[i]] != 0) return i;
    }
    return n;
  };
  // The units found and their replacements first, so that the text can
  // grow where it stands, as a replacement does, rather than be copied.
  struct Hit {
    std::size_t at;
    TextView with;
  };
  thread_local std::vector<Hit> hits;
  thread_local std::vector<Written> written;
  hits.clear();
  written.clear();
  // The size so far, and where each replacement lands (an empty one moves
  // what follows back: the sums wrap as they should).
  std::size_t size = n;
  bool shrinks = false;
  for (std::size_t at = next(0); at < n; at = next(at + 1)) {
    const TextView with = rules[ruleOf[p[at]] - 1].replace;
    hits.push_back({at, with});
    written.push_back({at + (size - n), with.size()});
    size += with.size() - 1;
    shrinks |= with.empty();
  }
  if (hits.empty()) return;
  if (!shrinks) {
    // Every unit moves right: from the end, each part to its place.
    text_.resize(size);
    char16_t* data = text_.data();
    std::size_t read = n, write = size;
    for (std::size_t k = hits.size(); k-- > 0;) {
      const Hit& hit = hits[k];
      const std::size_t keep = read - (hit.at + 1);
      write -= keep;
      if (keep > 0) std::memmove(data + write, data + hit.at + 1, keep * sizeof(char16_t));
      write -= hit.with.size();
      std::memcpy(data + write, hit.with.data(), hit.with.size() * sizeof(char16_t));
      read = hit.at;
    }
  } else {
    Text out;
    out.reserve(size);
    std::size_t copied = 0;
    for (const Hit& hit : hits) {
      out.append(p + copied, hit.at - copied);
      out.append(hit.with);
      copied = hit.at + 1;
    }
    out.append(p + copied, n - copied);
    text_.swap(out);
  }
  NoteWritten(written);
}

bool IndexedText::Has(TextView find, Compare cmp) {
  if (!MayOccurHere(find)) return false;
  const bool found = Contains(text_, find, cmp);
  NoteUnitSearch(find, found);
  return found;
}

void ApplyRules(Text& text, std::span<const Rule> rules) {
  if (rules.size() < kIndexedTable) {
    for (const Rule& rule : rules) ApplyRule(text, rule);
    return;
  }
  IndexedText(text).Apply(rules);
}

bool ApplyGuarded(Text& text, TextView guard, std::span<const Rule> rules,
                  Compare guardCompare) {
  if (!Contains(text, guard, guardCompare)) return false;
  ApplyRules(text, rules);
  return true;
}

bool ApplyGuarded(IndexedText& text, TextView guard, std::span<const Rule> rules,
                  Compare guardCompare) {
  if (!text.Has(guard, guardCompare)) return false;
  text.Apply(rules);
  return true;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> values;
  const int step = first <= last ? 1 : -1;
  values.reserve(static_cast<std::size_t>((last - first) * step + 1));
  for (int v = first;; v += step) {
    values.push_back(v);
    if (v == last) break;
  }
  return values;
}

Text ExpandNotation(TextView notated, TextView colour) {
  struct Token {
    TextView name;
    TextView value;
  };
  const Token tokens[] = {
      {u"{CRLF}", u"\r\n"}, {u"{CR}", u"\r"},       {u"{LF}", u"\n"},
      {u"{SP}", u" "},      {u"{COLOUR}", colour},
  };
  Text out;
  out.reserve(notated.size());
  std::size_t i = 0;
  while (i < notated.size()) {
    bool matched = false;
    if (notated[i] == u'{') {
      for (const Token& t : tokens) {
        if (notated.substr(i, t.name.size()) == t.name) {
          out.append(t.value);
          i += t.name.size();
          matched = true;
          break;
        }
      }
    }
    if (!matched) out.push_back(notated[i++]);
  }
  return out;
}

TextView RuleTable::Keep(Text t) {
  storage_.push_back(std::move(t));
  return storage_.back();
}

RuleTable& RuleTable::Add(TextView find, TextView replace, Occurrences occ,
                          Compare cmp) {
  const TextView f = Keep(Text(find));
  const TextView r = Keep(Text(replace));
  rules_.push_back({f, r, occ, cmp});
  return *this;
}

RuleTable& RuleTable::Append(std::span<const Rule> rules) {
  for (const Rule& rule : rules)
    Add(rule.find, rule.replace, rule.occurrences, rule.compare);
  return *this;
}

RuleTable& RuleTable::AppendNotation(std::span<const Rule> rules,
                                     TextView colour) {
  for (const Rule& rule : rules)
    Add(ExpandNotation(rule.find, colour), ExpandNotation(rule.replace, colour),
        rule.occurrences, rule.compare);
  return *this;
}

RuleTable& RuleTable::AddFamily(TextView findTemplate,
                                TextView replaceTemplate,
                                std::span<const int> values, Occurrences occ,
                                Compare cmp, TextView slot) {
  for (const int v : values) {
    const Text digits = NumberText(v);
    Add(Replace(findTemplate, slot, digits, Compare::Binary),
        Replace(replaceTemplate, slot, digits, Compare::Binary), occ, cmp);
  }
  return *this;
}

}  // namespace skeinlet::detail
