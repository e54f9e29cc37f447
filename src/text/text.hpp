// The string toolkit: 1-based primitives over UTF-16 text.
//
// Positions count from 1 and 0 means "not found", so code that follows a
// documented algorithm reads like it:
//
//   Pos p = InStr(1, head, u"{\\colortbl", Compare::Binary);
//   if (p > 0) table = Mid(head, p, e - p + 2);
//
// The primitives raise skeinlet::Error exactly where the legacy runtime did:
// a start below 1 or a negative length is error 5.
#pragma once

#include <skeinlet/convert.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skeinlet::detail {

using skeinlet::Text;
using skeinlet::TextView;

// A 1-based position or a length. Signed, so that a negative length can be
// reported as the legacy runtime reported it instead of wrapping.
using Pos = std::int64_t;

// "exact"/binary compares code units; "text" compares case-insensitively
// through the 1:1 simple lower-case table.
enum class Compare : std::uint8_t { Binary, Text };

// --- Case mapping (one code unit to one code unit). ---
// The whole lower-case table, 65536 entries, for loops over every unit.
// Inline, as it is asked for by every indexed search and comparison: it
// costs a load. The table is constant data, and its address is set before
// any code runs.
extern const char16_t* const kLowerUnits;
inline const char16_t* LowerTable() noexcept { return kLowerUnits; }
inline char16_t LowerUnit(char16_t c) noexcept { return LowerTable()[c]; }
// to[i] = LowerUnit(from[i]) for i < count; a block of ASCII is lower-cased
// without the table. `to` may be `from`.
void LowerUnits(const char16_t* from, std::size_t count, char16_t* to) noexcept;
char16_t UpperUnit(char16_t c) noexcept;
Text LCase(TextView s);
Text UCase(TextView s);
// UCase into `out`, reusing its room (for loops over many short texts);
// `s` must not view `out`.
void UCaseInto(TextView s, Text& out);
// UCase appended to `out`; `s` must not view `out`.
void UCaseAppend(TextView s, Text& out);
// Whether `s` upper-cased unit by unit (UpperUnit) is `upper`, without a
// copy; `upper` is already upper case.
bool EqualsUpper(TextView s, TextView upper) noexcept;

// --- Comparison. ---
bool Equal(TextView a, TextView b, Compare cmp) noexcept;
inline bool EqualText(TextView a, TextView b) noexcept {
  return Equal(a, b, Compare::Text);
}

// --- Length and slicing (1-based). ---
inline Pos Len(TextView s) noexcept { return static_cast<Pos>(s.size()); }
// Mid(s, start): from start to the end. start < 1 raises error 5; a start
// beyond the end gives "".
Text Mid(TextView s, Pos start);
// Mid(s, start, length): length < 0 raises error 5.
Text Mid(TextView s, Pos start, Pos length);
// View forms of the same, for read-only use without a copy.
TextView MidView(TextView s, Pos start);
TextView MidView(TextView s, Pos start, Pos length);
// Left/Right: length < 0 raises error 5; a length beyond the text gives the
// whole text.
Text Left(TextView s, Pos length);
Text Right(TextView s, Pos length);

// Blanks (U+0020) only; TAB and line breaks stay.
Text Trim(TextView s);
Text LTrim(TextView s);
Text RTrim(TextView s);
TextView TrimView(TextView s) noexcept;

// --- Searching. ---
// InStr(start, text, find, cmp): 1-based position of the first occurrence of
// find at or after start, 0 when there is none. start < 1 raises error 5. An
// empty text gives 0; an empty find gives start (0 when start lies beyond
// the end of the text).
Pos InStr(Pos start, TextView text, TextView find,
          Compare cmp = Compare::Binary);
inline Pos InStr(TextView text, TextView find,
                 Compare cmp = Compare::Binary) {
  return InStr(1, text, find, cmp);
}
inline bool Contains(TextView text, TextView find,
                     Compare cmp = Compare::Text) {
  return !find.empty() && InStr(1, text, find, cmp) > 0;
}
// Number of occurrences, restarting one character after each match start
// (overlapping occurrences count); 0 for an empty text or find.
Pos CountOccurrences(TextView text, TextView find, Compare cmp);
// Position of the last occurrence (overlaps allowed); 0 when none.
Pos LastPosition(TextView text, TextView find, Compare cmp);

// 0-based search used by the toolkit and the rule engine: the index of the
// first occurrence of find at or after `from`, or TextView::npos. Scans with
// a vectorised search for every code unit that maps to find's first unit.
std::size_t FindIndex(TextView text, TextView find, std::size_t from,
                      Compare cmp) noexcept;

// The index of the last `unit` in text[from, end), or TextView::npos (an
// exact comparison). Scans back with the C library's vectorised byte search
// where it has one.
std::size_t FindLastUnit(TextView text, char16_t unit, std::size_t from,
                         std::size_t end) noexcept;

// Which of `units` occur in `s`: bit k is set when units[k] does (an exact
// comparison), in one pass of eight units at a time where the processor
// can.
unsigned UnitsIn(TextView s, const std::array<char16_t, 4>& units) noexcept;

// The index of the first of `units` in s[from, s.size()), or
// TextView::npos (an exact comparison), eight units at a time where the
// processor can. Made for four and for five units; a smaller set repeats
// one of its units.
template <std::size_t N>
std::size_t FindAnyUnit(TextView s, std::size_t from,
                        const std::array<char16_t, N>& units) noexcept;

// A stretch that an edit wrote into a text: `length` units from index `at`
// (none where it only removed units, or joined two parts).
struct Written {
  std::size_t at = 0;
  std::size_t length = 0;
};

// How many units a and b have in common at their start, and at their end
// (at most the shorter size), eight units at a time where the processor
// can.
std::size_t CommonStart(TextView a, TextView b) noexcept;
std::size_t CommonEnd(TextView a, TextView b) noexcept;

// The positions of one unit in a text, found in increasing order (an exact
// comparison). Next(from) is the first index at or after `from` that holds
// the unit, or TextView::npos. The cursor keeps which of the 64 units from
// its last block are the unit, so a walk whose `from` does not go back
// reads each unit about once, however short the steps between matches.
class UnitCursor {
 public:
  UnitCursor(TextView text, char16_t unit) noexcept : text_(text), unit_(unit) {}
  std::size_t Next(std::size_t from) noexcept;

 private:
  void Load(std::size_t base) noexcept;
  TextView text_;
  char16_t unit_;
  std::size_t base_ = TextView::npos;  // the first index of the block held
  std::uint64_t mask_ = 0;             // bit k: text_[base_ + k] is the unit
};

// How many units of `text` are `unit`.
std::size_t CountUnit(TextView text, char16_t unit) noexcept;

// The first index i >= 1 with s[i - 1] and s[i] both `unit`, or
// TextView::npos.
std::size_t FindRepeatedUnit(TextView s, char16_t unit) noexcept;

// Removes every `a` and every `b` from `s`, keeping the order of the rest:
// std::erase_if with the two units, eight units at a time where the
// processor can.
void EraseUnits(Text& s, char16_t a, char16_t b) noexcept;

// How wide a block of candidate starts FindIndex compares at once: by
// default the widest the processor has (AVX-512BW, else AVX2, else SSE2). Tests and
// benchmarks narrow it on their own thread to compare the paths; a width the
// processor lacks falls back to the widest it has. Returns the width before.
enum class ScanWidth : std::uint8_t { Scalar, Sse2, Avx2, Avx512 };
ScanWidth SetScanWidth(ScanWidth width) noexcept;
// The width in use on this thread: the one asked for, where the processor
// has it.
ScanWidth CurrentScanWidth() noexcept;

// --- Replacement. ---
enum class Occurrences : std::uint8_t { All, First };

// Replaces find by replace over the whole of text, left to right, without
// rescanning inserted text. Returns the number of replacements made. Makes
// no allocation when find does not occur. An empty find changes nothing.
std::size_t ReplaceIn(Text& text, TextView find, TextView replace,
                      Compare cmp = Compare::Text,
                      Occurrences occ = Occurrences::All);
// The same, and sets sites to where each replacement now starts in text,
// in ascending order.
std::size_t ReplaceIn(Text& text, TextView find, TextView replace, Compare cmp,
                      Occurrences occ, std::vector<std::size_t>& sites);
// The same as a value-returning function.
Text Replace(TextView text, TextView find, TextView replace,
             Compare cmp = Compare::Text, Occurrences occ = Occurrences::All);

// --- Small conveniences. ---
Text Repeat(TextView piece, Pos count);
// ASCII (or Latin-1) narrow literal to Text; for building texts in loops.
Text Widen(std::string_view latin1);
// Decimal digits of a number, no blank in front (unlike the legacy Str).
Text NumberText(std::int64_t n);
// Appends NumberText(n) to `to` without building it first.
void AppendNumber(Text& to, std::int64_t n);

}  // namespace skeinlet::detail
