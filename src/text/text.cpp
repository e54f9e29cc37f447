#include "text/text.hpp"

#include "text/case_tables.hpp"
#include "text/errors.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
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

// Full 64K tables built once from the generated pairs, plus for every
// lower-cased unit the other units that lower-case to it (so that a
// case-insensitive search for "k" also stops at "K" and at KELVIN SIGN).
struct CaseTables {
  std::array<char16_t, 65536> lower{};
  std::array<char16_t, 65536> upper{};
  // (lowered unit, source unit) for every unit whose lower-case differs.
  std::vector<std::pair<char16_t, char16_t>> preimages;

  CaseTables() {
    for (std::size_t c = 0; c < 65536; ++c) {
      lower[c] = static_cast<char16_t>(c);
      upper[c] = static_cast<char16_t>(c);
    }
    for (std::size_t i = 0; i < kLowerPairsCount; ++i)
      lower[kLowerPairs[i].from] = kLowerPairs[i].to;
    for (std::size_t i = 0; i < kUpperPairsCount; ++i)
      upper[kUpperPairs[i].from] = kUpperPairs[i].to;
    for (std::size_t c = 0; c < 65536; ++c)
      if (lower[c] != c) preimages.emplace_back(lower[c], static_cast<char16_t>(c));
    std::sort(preimages.begin(), preimages.end());
    for (std::size_t c = 0; c < ascii.size(); ++c) ascii[c] = Compute(static_cast<char16_t>(c));
  }

  // Variants of every ASCII unit, which begins and ends most searched texts.
  std::array<Variants, 128> ascii{};

  Variants Compute(char16_t unit) const {
    Variants v;
    const char16_t lowered = lower[unit];
    v.units[v.count++] = lowered;
    auto range = std::equal_range(
        preimages.begin(), preimages.end(), std::pair<char16_t, char16_t>(lowered, 0),
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
};

const CaseTables& Tables() noexcept {
  static const CaseTables tables;
  return tables;
}

Variants VariantsOf(const CaseTables& t, char16_t unit) {
  return unit < t.ascii.size() ? t.ascii[unit] : t.Compute(unit);
}

inline bool MatchesAt(const char16_t* text, TextView find, Compare cmp,
                      const CaseTables* t) noexcept {
  if (cmp == Compare::Binary)
    return std::memcmp(text, find.data(), find.size() * sizeof(char16_t)) == 0;
  for (std::size_t j = 0; j < find.size(); ++j)
    if (t->lower[text[j]] != t->lower[find[j]]) return false;
  return true;
}

bool InSet(const Variants& v, char16_t c) noexcept {
  for (std::size_t k = 0; k < v.count; ++k)
    if (v.units[k] == c) return true;
  return false;
}

#if defined(__SSE2__)
inline __m128i EqualAny(__m128i block, const Variants& v, const __m128i* needles) noexcept {
  __m128i eq = _mm_cmpeq_epi16(block, needles[0]);
  for (std::size_t k = 1; k < v.count; ++k)
    eq = _mm_or_si128(eq, _mm_cmpeq_epi16(block, needles[k]));
  return eq;
}
#endif

}  // namespace

char16_t LowerUnit(char16_t c) noexcept { return Tables().lower[c]; }
const char16_t* LowerTable() noexcept { return Tables().lower.data(); }
char16_t UpperUnit(char16_t c) noexcept { return Tables().upper[c]; }

Text LCase(TextView s) {
  const auto& t = Tables();
  Text out(s);
  for (auto& c : out) c = t.lower[c];
  return out;
}

Text UCase(TextView s) {
  const auto& t = Tables();
  Text out(s);
  for (auto& c : out) c = t.upper[c];
  return out;
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

std::size_t FindIndex(TextView text, TextView find, std::size_t from,
                      Compare cmp) noexcept {
  const std::size_t n = text.size(), m = find.size();
  if (from > n) return TextView::npos;
  if (m == 0) return from;
  if (m > n - from) return TextView::npos;

  const CaseTables* t = cmp == Compare::Text ? &Tables() : nullptr;
  Variants first, last;
  if (t) {
    first = VariantsOf(*t, find.front());
    last = VariantsOf(*t, find.back());
  } else {
    first.units[0] = find.front();
    last.units[0] = find.back();
    first.count = last.count = 1;
  }
  const char16_t* data = text.data();
  std::size_t i = from;
  const std::size_t lastStart = n - m;  // the last index a match can start at

#if defined(__SSE2__)
  if (first.complete && last.complete) {
    __m128i f[4], l[4];
    for (std::size_t k = 0; k < first.count; ++k)
      f[k] = _mm_set1_epi16(static_cast<short>(first.units[k]));
    for (std::size_t k = 0; k < last.count; ++k)
      l[k] = _mm_set1_epi16(static_cast<short>(last.units[k]));
    // Compare eight candidate starts at once on their first and last unit;
    // only starts where both agree are verified in full.
    while (i + 8 <= lastStart + 1) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + m - 1));
      unsigned mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(EqualAny(a, first, f), EqualAny(b, last, l))));
      while (mask != 0) {
        const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
        const std::size_t at = i + bit / 2;
        if (MatchesAt(data + at, find, cmp, t)) return at;
        mask &= ~(3u << bit);
      }
      i += 8;
    }
  }
#endif
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
  (void)InSet;
  return TextView::npos;
}

Pos InStr(Pos start, TextView text, TextView find, Compare cmp) {
  if (start < 1) RaiseError(Error::kInvalidCall);
  if (text.empty() || start > Len(text)) return 0;
  if (find.empty()) return start;
  const std::size_t at = FindIndex(text, find, static_cast<std::size_t>(start - 1), cmp);
  return at == TextView::npos ? 0 : static_cast<Pos>(at) + 1;
}

Pos CountOccurrences(TextView text, TextView find, Compare cmp) {
  if (text.empty() || find.empty()) return 0;
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

std::size_t ReplaceIn(Text& text, TextView find, TextView replace, Compare cmp,
                      Occurrences occ) {
  if (find.empty()) return 0;
  std::size_t at = FindIndex(text, find, 0, cmp);
  if (at == TextView::npos) return 0;
  const std::size_t m = find.size();
  if (occ == Occurrences::First) {
    text.replace(at, m, replace);
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
  Text out;
  out.reserve(text.size() + (replace.size() - m) * 4 + 16);
  std::size_t read = 0;
  while (at != TextView::npos) {
    out.append(text, read, at - read);
    out.append(replace);
    read = at + m;
    ++count;
    at = FindIndex(text, find, read, cmp);
  }
  out.append(text, read, TextView::npos);
  text.swap(out);
  return count;
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

}  // namespace skeinlet::detail
