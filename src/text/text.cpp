#include "text/text.hpp"

#include "text/case_tables.hpp"
#include "text/errors.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <string.h>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SKEINLET_AVX2 1
#define SKEINLET_AVX512 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace skeinlet::detail {

namespace {

// The code units a case-insensitive search must stop at for `unit`.
struct Variants {
  std::array<char16_t, 4> units{};
  std::size_t count = 0;
  bool complete = true;  // false: more variants than fit; scan unit by unit
};

// Full 64K tables built from the generated pairs while the toolkit is
// compiled, plus for every lower-cased unit the other units that lower-case
// to it (so that a case-insensitive search for "k" also stops at "K" and at
// KELVIN SIGN). Being constant data, they cost a program nothing at start
// and only the pages a conversion reads are ever loaded.
using UnitTable = std::array<char16_t, 65536>;

constexpr UnitTable FullTable(const CasePair* pairs, std::size_t count) {
  UnitTable table{};
  for (std::size_t c = 0; c < table.size(); ++c) table[c] = static_cast<char16_t>(c);
  for (std::size_t i = 0; i < count; ++i) table[pairs[i].from] = pairs[i].to;
  return table;
}

constexpr UnitTable kLower = FullTable(kLowerPairs, std::size(kLowerPairs));
constexpr UnitTable kUpper = FullTable(kUpperPairs, std::size(kUpperPairs));

constexpr std::size_t CountPreimages() {
  std::size_t n = 0;
  for (std::size_t c = 0; c < kLower.size(); ++c)
    if (kLower[c] != c) ++n;
  return n;
}

// (lowered unit, source unit) for every unit whose lower-case differs.
using Preimages = std::array<std::pair<char16_t, char16_t>, CountPreimages()>;

constexpr Preimages BuildPreimages() {
  Preimages p{};
  std::size_t n = 0;
  for (std::size_t c = 0; c < kLower.size(); ++c)
    if (kLower[c] != c) p[n++] = {kLower[c], static_cast<char16_t>(c)};
  std::sort(p.begin(), p.end());
  return p;
}

constexpr Preimages kPreimages = BuildPreimages();

constexpr Variants ComputeVariants(char16_t unit) {
  Variants v;
  const char16_t lowered = kLower[unit];
  v.units[v.count++] = lowered;
  const auto range = std::equal_range(
      kPreimages.begin(), kPreimages.end(), std::pair<char16_t, char16_t>(lowered, 0),
      [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto it = range.first; it != range.second; ++it) {
    if (v.count == v.units.size()) {
      v.complete = false;
      break;
    }
    v.units[v.count++] = it->second;
  }
  return v;
}

// Variants of every ASCII unit, which begins and ends most searched texts.
constexpr std::array<Variants, 128> AsciiVariants() {
  std::array<Variants, 128> a{};
  for (std::size_t c = 0; c < a.size(); ++c) a[c] = ComputeVariants(static_cast<char16_t>(c));
  return a;
}

struct CaseTables {
  static constexpr const UnitTable& lower = kLower;
  static constexpr const UnitTable& upper = kUpper;
  std::array<Variants, 128> ascii;

  Variants Compute(char16_t unit) const { return ComputeVariants(unit); }
};

constexpr CaseTables kCaseTables{AsciiVariants()};

const CaseTables& Tables() noexcept { return kCaseTables; }

// The variants of `unit`: an ASCII unit's where they are kept, another's
// computed into `own`.
const Variants* VariantsOf(const CaseTables& t, char16_t unit, Variants& own) {
  if (unit < t.ascii.size()) return &t.ascii[unit];
  own = t.Compute(unit);
  return &own;
}

inline bool MatchesAt(const char16_t* text, TextView find, Compare cmp,
                      const CaseTables* t) noexcept {
  // Unit by unit, without calling memcmp: find texts are short, and a call
  // inside a vector scan's loop would cost it its registers.
  if (cmp == Compare::Binary) {
    for (std::size_t j = 0; j < find.size(); ++j)
      if (text[j] != find[j]) return false;
    return true;
  }
  for (std::size_t j = 0; j < find.size(); ++j)
    if (t->lower[text[j]] != t->lower[find[j]]) return false;
  return true;
}

// The vector search. Candidate starts are compared on their first and last
// unit against every unit a match may hold there, a block of starts at a
// time; only starts where both agree are verified in full. The number of
// variants is a template argument so that the comparisons unroll.
struct ScanJob {
  const char16_t* data;
  TextView find;
  Compare cmp;
  const CaseTables* tables;
  const Variants* first;
  const Variants* last;
  std::size_t lastStart;  // the last index a match can start at
};

// Scans starts from `i` while a whole block fits; returns the match, or npos
// with `i` at the first start not yet looked at.
using BlockScan = std::size_t (*)(const ScanJob&, std::size_t& i);

// The block loop shared by the scanners: `candidates(at)` gives PerStart
// mask bits per start of the Block starts from `at` whose first and last
// units agree with the find text's. The starts left over at the end, fewer
// than a block, are looked at as one more block that ends at the last start:
// the starts it repeats were looked at already and held no match, and any
// before `i` are masked off. The loop makes no call (MatchesAt compares in
// line), so that the compares keep their registers.
template <std::size_t Block, unsigned PerStart, class Candidates>
inline __attribute__((always_inline)) std::size_t ScanBlocks(const ScanJob& job, std::size_t& next,
                                                             Candidates&& candidates) {
  static_assert(Block * PerStart <= 32);
  constexpr unsigned kStartBits = (1u << PerStart) - 1;
  const char16_t* data = job.data;
  const TextView find = job.find;
  const Compare cmp = job.cmp;
  const CaseTables* tables = job.tables;
  auto verify = [&](std::size_t at0, unsigned mask) {
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      const std::size_t at = at0 + bit / PerStart;
      if (MatchesAt(data + at, find, cmp, tables)) return at;
      mask &= ~(kStartBits << bit);
    }
    return TextView::npos;
  };
  const std::size_t starts = job.lastStart + 1;
  std::size_t i = next;
  for (; i + Block <= starts; i += Block) {
    if (const unsigned mask = candidates(i); mask != 0) {
      const std::size_t at = verify(i, mask);
      if (at != TextView::npos) return at;
    }
  }
  if (i < starts && starts >= Block) {
    const std::size_t at0 = starts - Block;
    const unsigned mask = candidates(at0) & (~0u << (PerStart * (i - at0)));
    next = starts;
    return mask != 0 ? verify(at0, mask) : TextView::npos;
  }
  next = i;
  return TextView::npos;
}

#if defined(__SSE2__)
template <std::size_t F, std::size_t L>
std::size_t ScanSse2(const ScanJob& job, std::size_t& i) {
  __m128i f[F], l[L];
  for (std::size_t k = 0; k < F; ++k) f[k] = _mm_set1_epi16(static_cast<short>(job.first->units[k]));
  for (std::size_t k = 0; k < L; ++k) l[k] = _mm_set1_epi16(static_cast<short>(job.last->units[k]));
  const char16_t* data = job.data;
  const std::size_t tail = job.find.size() - 1;
  auto candidates = [&](std::size_t at) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + tail));
    __m128i ea = _mm_cmpeq_epi16(a, f[0]);
    for (std::size_t k = 1; k < F; ++k) ea = _mm_or_si128(ea, _mm_cmpeq_epi16(a, f[k]));
    __m128i eb = _mm_cmpeq_epi16(b, l[0]);
    for (std::size_t k = 1; k < L; ++k) eb = _mm_or_si128(eb, _mm_cmpeq_epi16(b, l[k]));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
  };
  return ScanBlocks<8, 2>(job, i, candidates);
}
#endif

#if defined(SKEINLET_AVX2)
template <std::size_t F, std::size_t L>
__attribute__((target("avx2"))) std::size_t ScanAvx2(const ScanJob& job, std::size_t& i) {
  __m256i f[F], l[L];
  for (std::size_t k = 0; k < F; ++k) f[k] = _mm256_set1_epi16(static_cast<short>(job.first->units[k]));
  for (std::size_t k = 0; k < L; ++k) l[k] = _mm256_set1_epi16(static_cast<short>(job.last->units[k]));
  const char16_t* data = job.data;
  const std::size_t tail = job.find.size() - 1;
  auto candidates = [&](std::size_t at) __attribute__((target("avx2"))) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + tail));
    __m256i ea = _mm256_cmpeq_epi16(a, f[0]);
    for (std::size_t k = 1; k < F; ++k) ea = _mm256_or_si256(ea, _mm256_cmpeq_epi16(a, f[k]));
    __m256i eb = _mm256_cmpeq_epi16(b, l[0]);
    for (std::size_t k = 1; k < L; ++k) eb = _mm256_or_si256(eb, _mm256_cmpeq_epi16(b, l[k]));
    return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(ea, eb)));
  };
  return ScanBlocks<16, 2>(job, i, candidates);
}
#endif

#if defined(SKEINLET_AVX512)
// Thirty-two starts a block; the compares give one mask bit per start.
template <std::size_t F, std::size_t L>
__attribute__((target("avx512bw"))) std::size_t ScanAvx512(const ScanJob& job, std::size_t& i) {
  __m512i f[F], l[L];
  for (std::size_t k = 0; k < F; ++k) f[k] = _mm512_set1_epi16(static_cast<short>(job.first->units[k]));
  for (std::size_t k = 0; k < L; ++k) l[k] = _mm512_set1_epi16(static_cast<short>(job.last->units[k]));
  const char16_t* data = job.data;
  const std::size_t tail = job.find.size() - 1;
  auto candidates = [&](std::size_t at) __attribute__((target("avx512bw"))) {
    const __m512i a = _mm512_loadu_si512(data + at);
    const __m512i b = _mm512_loadu_si512(data + at + tail);
    __mmask32 ea = _mm512_cmpeq_epi16_mask(a, f[0]);
    for (std::size_t k = 1; k < F; ++k) ea |= _mm512_cmpeq_epi16_mask(a, f[k]);
    __mmask32 eb = _mm512_cmpeq_epi16_mask(b, l[0]);
    for (std::size_t k = 1; k < L; ++k) eb |= _mm512_cmpeq_epi16_mask(b, l[k]);
    return static_cast<unsigned>(ea & eb);
  };
  return ScanBlocks<32, 1>(job, i, candidates);
}
#endif

constexpr std::size_t kMostVariants = std::tuple_size_v<decltype(Variants::units)>;

// How many units a search for one unit looks at one by one before it scans
// by blocks.
constexpr std::size_t kNearStarts = 8;
// Below this many starts a search takes the unit loop.
constexpr std::size_t kShortScan = 32;

// One scanner per pair of variant counts: entry (F - 1) * 4 + (L - 1).
template <template <std::size_t, std::size_t> class Pick, std::size_t... I>
constexpr std::array<BlockScan, sizeof...(I)> Scanners(std::index_sequence<I...>) {
  return {Pick<I / kMostVariants + 1, I % kMostVariants + 1>::fn...};
}
#if defined(__SSE2__)
template <std::size_t F, std::size_t L>
struct PickSse2 {
  static constexpr BlockScan fn = &ScanSse2<F, L>;
};
constexpr auto kSse2Scanners =
    Scanners<PickSse2>(std::make_index_sequence<kMostVariants * kMostVariants>());
#endif
#if defined(SKEINLET_AVX2)
template <std::size_t F, std::size_t L>
struct PickAvx2 {
  static constexpr BlockScan fn = &ScanAvx2<F, L>;
};
constexpr auto kAvx2Scanners =
    Scanners<PickAvx2>(std::make_index_sequence<kMostVariants * kMostVariants>());
#endif
#if defined(SKEINLET_AVX512)
template <std::size_t F, std::size_t L>
struct PickAvx512 {
  static constexpr BlockScan fn = &ScanAvx512<F, L>;
};
constexpr auto kAvx512Scanners =
    Scanners<PickAvx512>(std::make_index_sequence<kMostVariants * kMostVariants>());
#endif

ScanWidth WidestScan() noexcept {
#if defined(SKEINLET_AVX2)
  __builtin_cpu_init();
#if defined(SKEINLET_AVX512)
  if (__builtin_cpu_supports("avx512bw")) return ScanWidth::Avx512;
#endif
  if (__builtin_cpu_supports("avx2")) return ScanWidth::Avx2;
#endif
#if defined(__SSE2__)
  return ScanWidth::Sse2;
#else
  return ScanWidth::Scalar;
#endif
}

// Read once when the library is loaded, not behind a guard on every
// search. A search made before then (by another static initialiser) sees
// Scalar, which finds the same.
const ScanWidth kWidest = WidestScan();
ScanWidth Widest() noexcept { return kWidest; }

// The width asked for on this thread; used as min(asked, Widest()).
thread_local ScanWidth t_scanWidth = ScanWidth::Avx512;

}  // namespace

ScanWidth CurrentScanWidth() noexcept { return std::min(t_scanWidth, Widest()); }

ScanWidth SetScanWidth(ScanWidth width) noexcept {
  const ScanWidth before = std::min(t_scanWidth, Widest());
  t_scanWidth = width;
  return before;
}

constinit const char16_t* const kLowerUnits = kCaseTables.lower.data();
char16_t UpperUnit(char16_t c) noexcept { return Tables().upper[c]; }

namespace {

// Maps `count` units through `table`; eight at a time while they are ASCII,
// where only the 26 letters from `first` change, each by `delta`.
void MapUnits(const char16_t* from, std::size_t count, char16_t* to, const char16_t* table,
              char16_t first, short delta) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  const __m128i before = _mm_set1_epi16(static_cast<short>(first - 1));
  const __m128i after = _mm_set1_epi16(static_cast<short>(first + 26));
  const __m128i change = _mm_set1_epi16(delta);
  for (; i + 8 <= count; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, notAscii), zero)) != 0xFFFF) {
      for (std::size_t k = i; k < i + 8; ++k) to[k] = table[from[k]];
      continue;
    }
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi16(v, before), _mm_cmplt_epi16(v, after));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_add_epi16(v, _mm_and_si128(letter, change)));
  }
#endif
  for (; i < count; ++i) to[i] = table[from[i]];
}

}  // namespace

void LowerUnits(const char16_t* from, std::size_t count, char16_t* to) noexcept {
  // 'A' to 'Z' gain 0x20.
  MapUnits(from, count, to, Tables().lower.data(), u'A', 0x20);
}

Text LCase(TextView s) {
  Text out(s);
  LowerUnits(out.data(), out.size(), out.data());
  return out;
}

Text UCase(TextView s) {
  Text out;
  UCaseInto(s, out);
  return out;
}

void UCaseAppend(TextView s, Text& out) {
  const std::size_t at = out.size();
  out.resize(at + s.size());
  MapUnits(s.data(), s.size(), out.data() + at, Tables().upper.data(), u'a', -0x20);
}

void UCaseInto(TextView s, Text& out) {
  out.resize(s.size());
  // 'a' to 'z' lose 0x20.
  MapUnits(s.data(), s.size(), out.data(), Tables().upper.data(), u'a', -0x20);
}

bool EqualsUpper(TextView s, TextView upper) noexcept {
  if (s.size() != upper.size()) return false;
  const auto& t = Tables();
  for (std::size_t i = 0; i < s.size(); ++i)
    if (t.upper[s[i]] != upper[i]) return false;
  return true;
}

bool Equal(TextView a, TextView b, Compare cmp) noexcept {
  if (a.size() != b.size()) return false;
  if (cmp == Compare::Binary) return a == b;
  const auto& t = Tables();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (t.lower[a[i]] != t.lower[b[i]]) return false;
  return true;
}

TextView MidView(TextView s, Pos start) {
  if (start < 1) RaiseError(Error::kInvalidCall);
  if (start > Len(s)) return {};
  return s.substr(static_cast<std::size_t>(start - 1));
}

TextView MidView(TextView s, Pos start, Pos length) {
  if (start < 1 || length < 0) RaiseError(Error::kInvalidCall);
  if (start > Len(s)) return {};
  return s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

Text Mid(TextView s, Pos start) { return Text(MidView(s, start)); }
Text Mid(TextView s, Pos start, Pos length) { return Text(MidView(s, start, length)); }

Text Left(TextView s, Pos length) {
  if (length < 0) RaiseError(Error::kInvalidCall);
  return Text(s.substr(0, static_cast<std::size_t>(std::min(length, Len(s)))));
}

Text Right(TextView s, Pos length) {
  if (length < 0) RaiseError(Error::kInvalidCall);
  const Pos n = std::min(length, Len(s));
  return Text(s.substr(static_cast<std::size_t>(Len(s) - n)));
}

TextView TrimView(TextView s) noexcept {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.substr(b, e - b);
}

Text Trim(TextView s) { return Text(TrimView(s)); }

Text LTrim(TextView s) {
  std::size_t b = 0;
  while (b < s.size() && s[b] == u' ') ++b;
  return Text(s.substr(b));
}

Text RTrim(TextView s) {
  std::size_t e = s.size();
  while (e > 0 && s[e - 1] == u' ') --e;
  return Text(s.substr(0, e));
}

namespace {

// The unit loop: each start from `i` to `lastStart` in turn.
std::size_t ScanUnits(const char16_t* data, TextView find, std::size_t i, std::size_t lastStart,
                      Compare cmp, const CaseTables* t) noexcept {
  const std::size_t m = find.size();
  if (t) {
    for (; i <= lastStart; ++i)
      if (t->lower[data[i]] == t->lower[find.front()] && MatchesAt(data + i, find, cmp, t))
        return i;
  } else {
    for (; i <= lastStart; ++i)
      if (data[i] == find.front() && data[i + m - 1] == find.back() &&
          MatchesAt(data + i, find, cmp, t))
        return i;
  }
  return TextView::npos;
}

// FindIndex from `i`, by blocks where it can: the part of a search that is
// set up once it has not ended in its first few units.
__attribute__((noinline)) std::size_t ScanFrom(TextView text, TextView find, std::size_t i,
                                               Compare cmp) noexcept {
  const std::size_t m = find.size();
  const char16_t* data = text.data();
  const std::size_t lastStart = text.size() - m;  // the last index a match can start at
  const CaseTables* t = cmp == Compare::Text ? &Tables() : nullptr;
  // A short stretch (a run's control words, a tag) is over before the
  // block scanners would have been set up.
  if (lastStart + 1 - i < kShortScan) return ScanUnits(data, find, i, lastStart, cmp, t);

  Variants firstOwn, lastOwn;
  const Variants* first = &firstOwn;
  const Variants* last = &lastOwn;
  if (t) {
    first = VariantsOf(*t, find.front(), firstOwn);
    last = VariantsOf(*t, find.back(), lastOwn);
  } else {
    firstOwn.units[0] = find.front();
    lastOwn.units[0] = find.back();
    firstOwn.count = lastOwn.count = 1;
  }
  const ScanWidth width = std::min(t_scanWidth, Widest());
  if (first->complete && last->complete && width != ScanWidth::Scalar) {
    const ScanJob job{data, find, cmp, t, first, last, lastStart};
    const std::size_t entry = (first->count - 1) * kMostVariants + (last->count - 1);
    // The widest scanner whose block the starts left fill at least once: a
    // narrower text would be left to the unit loop below.
    const std::size_t left = lastStart + 1 - i;
    BlockScan scan = nullptr;
#if defined(SKEINLET_AVX512)
    if (width == ScanWidth::Avx512 && left >= 32) scan = kAvx512Scanners[entry];
#endif
#if defined(SKEINLET_AVX2)
    if (scan == nullptr && width >= ScanWidth::Avx2 && left >= 16) scan = kAvx2Scanners[entry];
#endif
#if defined(__SSE2__)
    if (scan == nullptr) scan = kSse2Scanners[entry];
#endif
    if (scan != nullptr) {
      const std::size_t at = scan(job, i);
      if (at != TextView::npos) return at;
    }
  }
  return ScanUnits(data, find, i, lastStart, cmp, t);
}

}  // namespace

std::size_t FindIndex(TextView text, TextView find, std::size_t from,
                      Compare cmp) noexcept {
  const std::size_t n = text.size(), m = find.size();
  if (from > n) return TextView::npos;
  if (m == 0) return from;
  if (m > n - from) return TextView::npos;
  if (m != 1) return ScanFrom(text, find, from, cmp);

  // A search for one unit looks at the first few units one by one: many
  // (the next ">" of a tag, the next "<" after a short run) end there,
  // before a vector scan would have been set up. This part keeps to a few
  // registers, so that such a search costs little more than its loop.
  const char16_t* data = text.data();
  const std::size_t near = std::min(n, from + kNearStarts);
  std::size_t i = from;
  if (cmp == Compare::Text) {
    const char16_t* lower = Tables().lower.data();
    const char16_t unit = lower[find.front()];
    for (; i < near; ++i)
      if (lower[data[i]] == unit) return i;
  } else {
    const char16_t unit = find.front();
    for (; i < near; ++i)
      if (data[i] == unit) return i;
  }
  if (i == n) return TextView::npos;
  return ScanFrom(text, find, i, cmp);
}

std::size_t FindLastUnit(TextView text, char16_t unit, std::size_t from,
                         std::size_t end) noexcept {
  end = std::min(end, text.size());
  if (from >= end) return TextView::npos;
#if defined(__GLIBC__)
  if constexpr (std::endian::native == std::endian::little) {
    // A search for the unit's low byte; a hit in a high byte, or in the
    // low byte of another unit, is passed over.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const int low = unit & 0xFF;
    std::size_t length = 2 * (end - from);  // bytes from 2 * from not yet searched
    while (length > 0) {
      const void* hit = ::memrchr(bytes + 2 * from, low, length);
      if (hit == nullptr) break;
      const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
      if (at % 2 == 0 && text[at / 2] == unit) return at / 2;
      length = at - 2 * from;
    }
    return TextView::npos;
  }
#endif
  while (end > from)
    if (text[--end] == unit) return end;
  return TextView::npos;
}

unsigned UnitsIn(TextView s, const std::array<char16_t, 4>& units) noexcept {
  const char16_t* data = s.data();
  const std::size_t n = s.size();
  std::size_t i = 0;
  unsigned found = 0;
#if defined(__SSE2__)
  __m128i want[4], seen[4];
  for (std::size_t k = 0; k < 4; ++k) {
    want[k] = _mm_set1_epi16(static_cast<short>(units[k]));
    seen[k] = _mm_setzero_si128();
  }
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    for (std::size_t k = 0; k < 4; ++k) seen[k] = _mm_or_si128(seen[k], _mm_cmpeq_epi16(v, want[k]));
  }
  for (std::size_t k = 0; k < 4; ++k)
    if (_mm_movemask_epi8(seen[k]) != 0) found |= 1u << k;
#endif
  for (; i < n; ++i)
    for (std::size_t k = 0; k < 4; ++k)
      if (data[i] == units[k]) found |= 1u << k;
  return found;
}

template <std::size_t N>
std::size_t FindAnyUnit(TextView s, std::size_t from,
                        const std::array<char16_t, N>& units) noexcept {
  const char16_t* data = s.data();
  const std::size_t n = s.size();
  std::size_t i = from;
#if defined(__SSE2__)
  __m128i want[N];
  for (std::size_t k = 0; k < N; ++k) want[k] = _mm_set1_epi16(static_cast<short>(units[k]));
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    __m128i hit = _mm_cmpeq_epi16(v, want[0]);
    for (std::size_t k = 1; k < N; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, want[k]));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i < n; ++i)
    if (std::find(units.begin(), units.end(), data[i]) != units.end()) return i;
  return TextView::npos;
}
template std::size_t FindAnyUnit<4>(TextView, std::size_t, const std::array<char16_t, 4>&) noexcept;
template std::size_t FindAnyUnit<5>(TextView, std::size_t, const std::array<char16_t, 5>&) noexcept;

std::size_t FindRepeatedUnit(TextView s, char16_t unit) noexcept {
  const char16_t* data = s.data();
  const std::size_t n = s.size();
  std::size_t i = 1;
#if defined(__SSE2__)
  // Units i to i + 7 against the units before them.
  const __m128i u = _mm_set1_epi16(static_cast<short>(unit));
  for (; i + 8 <= n; i += 8) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 1));
    const int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(here, u), _mm_cmpeq_epi16(before, u)));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i < n; ++i)
    if (data[i] == unit && data[i - 1] == unit) return i;
  return TextView::npos;
}

void EraseUnits(Text& s, char16_t a, char16_t b) noexcept {
  char16_t* data = s.data();
  const std::size_t n = s.size();
  std::size_t read = 0, write = 0;
#if defined(__SSE2__)
  // A block without either unit moves down whole (it is read before it is
  // written, and the write position never passes the read position); one
  // with either is taken unit by unit.
  const __m128i va = _mm_set1_epi16(static_cast<short>(a));
  const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
  for (; read + 8 <= n; read += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + read));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb))) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + write), v);
      write += 8;
      continue;
    }
    for (std::size_t k = read; k < read + 8; ++k)
      if (data[k] != a && data[k] != b) data[write++] = data[k];
  }
#endif
  for (; read < n; ++read)
    if (data[read] != a && data[read] != b) data[write++] = data[read];
  s.resize(write);
}

Pos InStr(Pos start, TextView text, TextView find, Compare cmp) {
  if (start < 1) RaiseError(Error::kInvalidCall);
  if (text.empty() || start > Len(text)) return 0;
  if (find.empty()) return start;
  const std::size_t at = FindIndex(text, find, static_cast<std::size_t>(start - 1), cmp);
  return at == TextView::npos ? 0 : static_cast<Pos>(at) + 1;
}

namespace {

}  // namespace

std::size_t CommonStart(TextView a, TextView b) noexcept {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data() + i));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(x, y)));
    if (same != 0xFFFF) return i + static_cast<std::size_t>(std::countr_one(same)) / 2;
  }
#endif
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

std::size_t CommonEnd(TextView a, TextView b) noexcept {
  const std::size_t n = std::min(a.size(), b.size());
  const char16_t* x = a.data() + a.size();
  const char16_t* y = b.data() + b.size();
  std::size_t k = 0;  // units in common so far, counted from the ends
#if defined(__SSE2__)
  for (; k + 8 <= n; k += 8) {
    const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x - k - 8));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y - k - 8));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(u, v)));
    // The last unit of the block holds the top two bits.
    if (same != 0xFFFF) return k + static_cast<std::size_t>(std::countl_one(same << 16)) / 2;
  }
#endif
  while (k < n && x[-1 - static_cast<std::ptrdiff_t>(k)] == y[-1 - static_cast<std::ptrdiff_t>(k)]) ++k;
  return k;
}

std::size_t UnitCursor::Next(std::size_t from) noexcept {
  for (;;) {
    if (base_ != TextView::npos && from >= base_ && from - base_ < 64) {
      const std::uint64_t m = mask_ & (~std::uint64_t{0} << (from - base_));
      if (m != 0) return base_ + static_cast<std::size_t>(std::countr_zero(m));
      from = base_ + 64;
    }
    if (from >= text_.size()) return TextView::npos;
    Load(from);
  }
}

void UnitCursor::Load(std::size_t base) noexcept {
  const char16_t* p = text_.data() + base;
  const std::size_t n = std::min<std::size_t>(64, text_.size() - base);
  std::uint64_t mask = 0;
  std::size_t k = 0;
#if defined(__SSE2__)
  // Sixteen units a compare pair, packed to a byte each for the mask.
  const __m128i u = _mm_set1_epi16(static_cast<short>(unit_));
  for (; k + 16 <= n; k += 16) {
    const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)), u);
    const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 8)), u);
    const auto bits = static_cast<std::uint64_t>(
        static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b))));
    mask |= bits << k;
  }
#endif
  for (; k < n; ++k)
    if (p[k] == unit_) mask |= std::uint64_t{1} << k;
  base_ = base;
  mask_ = mask;
}

std::size_t CountUnit(TextView text, char16_t unit) noexcept {
  const char16_t* data = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  std::size_t count = 0;
#if defined(__SSE2__)
  // A match is -1 in its lane of the compare; the lanes are subtracted into
  // eight counters, summed before any of them can overflow.
  const __m128i u = _mm_set1_epi16(static_cast<short>(unit));
  while (i + 8 <= n) {
    __m128i lanes = _mm_setzero_si128();
    const std::size_t stop = std::min(n - 7, i + std::size_t{8} * 32767);
    for (; i < stop; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(v, u));
    }
    alignas(16) std::uint16_t sums[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), lanes);
    for (const std::uint16_t c : sums) count += c;
  }
#endif
  for (; i < n; ++i) count += data[i] == unit;
  return count;
}

Pos CountOccurrences(TextView text, TextView find, Compare cmp) {
  if (text.empty() || find.empty()) return 0;
  if (find.size() == 1) {
    // Every unit that matches is an occurrence: one pass counts them.
    if (cmp == Compare::Binary) return static_cast<Pos>(CountUnit(text, find.front()));
    const auto& t = Tables();
    const char16_t unit = t.lower[find.front()];
    return std::count_if(text.begin(), text.end(), [&](char16_t c) { return t.lower[c] == unit; });
  }
  Pos count = 0;
  for (std::size_t at = FindIndex(text, find, 0, cmp); at != TextView::npos;
       at = FindIndex(text, find, at + 1, cmp))
    ++count;
  return count;
}

Pos LastPosition(TextView text, TextView find, Compare cmp) {
  if (text.empty() || find.empty()) return 0;
  Pos last = 0;
  for (std::size_t at = FindIndex(text, find, 0, cmp); at != TextView::npos;
       at = FindIndex(text, find, at + 1, cmp))
    last = static_cast<Pos>(at) + 1;
  return last;
}

namespace {

// The positions of a replacement's matches: the first few on the stack, as
// most replacements make few, and all of them in a vector past those.
class MatchList {
 public:
  void push_back(std::size_t at) {
    if (size_ < kFew) {
      few_[size_] = at;
    } else {
      if (size_ == kFew) more_.assign(few_.begin(), few_.end());
      more_.push_back(at);
    }
    ++size_;
  }
  std::size_t size() const noexcept { return size_; }
  std::span<const std::size_t> view() const noexcept {
    return size_ <= kFew ? std::span<const std::size_t>(few_.data(), size_)
                         : std::span<const std::size_t>(more_);
  }
  // Gives back the vector's memory; the list is not used after.
  void release() noexcept { std::vector<std::size_t>().swap(more_); }

 private:
  static constexpr std::size_t kFew = 32;
  std::array<std::size_t, kFew> few_;
  std::vector<std::size_t> more_;
  std::size_t size_ = 0;
};

std::size_t ReplaceNoting(Text& text, TextView find, TextView replace, Compare cmp,
                         Occurrences occ, std::vector<std::size_t>* sites) {
  if (sites) sites->clear();
  if (find.empty()) return 0;
  std::size_t at = FindIndex(text, find, 0, cmp);
  if (at == TextView::npos) return 0;
  const std::size_t m = find.size();
  if (occ == Occurrences::First) {
    text.replace(at, m, replace);
    if (sites) sites->push_back(at);
    return 1;
  }
  std::size_t count = 0;
  if (replace.size() <= m) {
    // Compact in place: the write position never overtakes the read
    // position, and the search only reads at or after the read position.
    char16_t* data = text.data();
    std::size_t read = 0, write = 0;
    while (at != TextView::npos) {
      const std::size_t keep = at - read;
      if (write != read && keep > 0) std::memmove(data + write, data + read, keep * sizeof(char16_t));
      write += keep;
      if (sites) sites->push_back(write);
      if (!replace.empty())
        std::memcpy(data + write, replace.data(), replace.size() * sizeof(char16_t));
      write += replace.size();
      read = at + m;
      ++count;
      at = FindIndex(text, find, read, cmp);
    }
    const std::size_t rest = text.size() - read;
    if (write != read && rest > 0) std::memmove(data + write, data + read, rest * sizeof(char16_t));
    text.resize(write + rest);
    return count;
  }
  // Growing: the matches are found first (each search starts after the last
  // match, as above), then the text is lengthened once and rebuilt in place
  // from the end, so that no second copy of a long text is ever built.
  MatchList matches;
  // Past this many matches their positions would take more room than a
  // second copy of the text, so the text is copied instead.
  const std::size_t most = std::max<std::size_t>(64, text.size() / 8);
  while (at != TextView::npos && matches.size() < most) {
    matches.push_back(at);
    at = FindIndex(text, find, at + m, cmp);
  }
  if (at != TextView::npos) {
    Text out;
    out.reserve(text.size() + (replace.size() - m) * 2 * matches.size());
    std::size_t read = 0;
    auto put = [&](std::size_t match) {
      out.append(text, read, match - read);
      if (sites) sites->push_back(out.size());
      out.append(replace);
      read = match + m;
      ++count;
    };
    for (const std::size_t match : matches.view()) put(match);
    matches.release();
    for (; at != TextView::npos; at = FindIndex(text, find, read, cmp)) put(at);
    out.append(text, read, TextView::npos);
    text.swap(out);
    return count;
  }
  const std::size_t oldSize = text.size();
  text.resize(oldSize + (replace.size() - m) * matches.size());
  char16_t* data = text.data();
  std::size_t read = oldSize, write = text.size();
  const std::span<const std::size_t> found = matches.view();
  for (auto match = found.rbegin(); match != found.rend(); ++match) {
    const std::size_t keep = read - (*match + m);
    write -= keep;
    if (keep > 0) std::memmove(data + write, data + *match + m, keep * sizeof(char16_t));
    write -= replace.size();
    std::memcpy(data + write, replace.data(), replace.size() * sizeof(char16_t));
    read = *match;
  }
  if (sites) {
    sites->reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
      sites->push_back(found[i] + i * (replace.size() - m));
  }
  return found.size();
}

}  // namespace

std::size_t ReplaceIn(Text& text, TextView find, TextView replace, Compare cmp,
                      Occurrences occ) {
  return ReplaceNoting(text, find, replace, cmp, occ, nullptr);
}

std::size_t ReplaceIn(Text& text, TextView find, TextView replace, Compare cmp,
                      Occurrences occ, std::vector<std::size_t>& sites) {
  return ReplaceNoting(text, find, replace, cmp, occ, &sites);
}

Text Replace(TextView text, TextView find, TextView replace, Compare cmp,
             Occurrences occ) {
  Text out(text);
  ReplaceIn(out, find, replace, cmp, occ);
  return out;
}

Text Repeat(TextView piece, Pos count) {
  Text out;
  if (count <= 0) return out;
  out.reserve(piece.size() * static_cast<std::size_t>(count));
  for (Pos i = 0; i < count; ++i) out.append(piece);
  return out;
}

Text Widen(std::string_view latin1) {
  Text out(latin1.size(), u'\0');
  for (std::size_t i = 0; i < latin1.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(latin1[i]));
  return out;
}

Text NumberText(std::int64_t n) {
  const std::string digits = std::to_string(n);
  return Widen(digits);
}

void AppendNumber(Text& to, std::int64_t n) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
  (void)ec;  // 24 characters hold every 64-bit number
  for (const char* d = digits; d != end; ++d) to += static_cast<char16_t>(*d);
}

}  // namespace skeinlet::detail
