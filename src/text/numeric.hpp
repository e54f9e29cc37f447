// Numeric tests and conversions with the legacy runtime's semantics.
//
// "Numeric" is decimal notation: optional blanks, optional sign, digits with
// an optional decimal point and exponent, optional blanks.
//
//   IsNumeric(u" -12.5 ")   -> true
//   ToInt16(u"2.5")         -> 2   (round half to even)
//   ToInt16(u"40000")       -> Error 6 "Overflow"
//   ToInt16(u"abc")         -> Error 13 "Type mismatch"
//   Val(u"12px")            -> 12
#pragma once

#include "text/text.hpp"

#include <cstdint>

namespace skeinlet::detail {

bool IsNumeric(TextView s) noexcept;

// The value of a numeric string; error 13 when it is not numeric, error 6
// when it is out of the range of a double.
double ToDouble(TextView s);

// Round half to even, then range check (error 6 outside the type).
std::int16_t RoundToInt16(double v);
std::int32_t RoundToInt32(double v);

// String conversions: error 13 when not numeric, 6 when out of range.
std::int16_t ToInt16(TextView s);
std::int32_t ToInt32(TextView s);

// Range-checked narrowing of an integer (error 6 outside the type), for
// values held in 16-bit variables by the documented algorithms.
std::int16_t CheckedInt16(std::int64_t v);
std::int32_t CheckedInt32(std::int64_t v);

// The number at the start of the value: blanks, tabs and line breaks are
// skipped anywhere, then an optional sign, digits, decimal point and
// exponent, or &H / &O followed by hex or octal digits; 0 when none.
double Val(TextView s) noexcept;

// Upper-case hexadecimal without leading zeros. Negative values are written
// in two's complement of their type, as the legacy runtime did
// (Hex16(-1) = "FFFF", Hex32(-1) = "FFFFFFFF").
Text Hex16(std::int16_t v);
Text Hex32(std::int32_t v);

}  // namespace skeinlet::detail
