#include "text/numeric.hpp"

#include "text/errors.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace skeinlet::detail {
namespace {

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// The decimal number occupying all of `s` apart from surrounding blanks,
// copied to ASCII with a "d"/"D" exponent written as "e". Empty when `s` is
// not numeric.
std::string DecimalImage(TextView s) {
  s = TrimView(s);
  std::string out;
  std::size_t i = 0;
  const std::size_t n = s.size();
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') out.push_back('-');
    ++i;
    // The legacy runtime allowed blanks between the sign and the digits.
    while (i < n && s[i] == u' ') ++i;
  }
  std::size_t digits = 0;
  while (i < n && IsDigit(s[i])) {
    out.push_back(static_cast<char>(s[i++]));
    ++digits;
  }
  if (i < n && s[i] == u'.') {
    out.push_back('.');
    ++i;
    while (i < n && IsDigit(s[i])) {
      out.push_back(static_cast<char>(s[i++]));
      ++digits;
    }
  }
  if (digits == 0) return {};
  if (i < n && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
    out.push_back('e');
    ++i;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) out.push_back(static_cast<char>(s[i++]));
    std::size_t expDigits = 0;
    while (i < n && IsDigit(s[i])) {
      out.push_back(static_cast<char>(s[i++]));
      ++expDigits;
    }
    if (expDigits == 0) return {};
  }
  if (i != n) return {};
  if (out == "-" || out.empty()) return {};
  return out;
}

// from_chars leaves the value alone when it is out of range; tell overflow
// from underflow by the decimal magnitude of the first significant digit.
bool IsOverflowImage(const std::string& image) {
  long long magnitude = 0;  // power of ten of the first significant digit
  bool seenPoint = false;
  bool significant = false;
  long long intDigits = 0;
  long long leadingFractionZeros = 0;
  std::size_t i = 0;
  if (i < image.size() && image[i] == '-') ++i;
  for (; i < image.size() && image[i] != 'e'; ++i) {
    const char c = image[i];
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    if (!significant && c == '0') {
      if (seenPoint) ++leadingFractionZeros;
      continue;
    }
    if (!seenPoint) ++intDigits;
    significant = true;
    if (seenPoint) break;
  }
  magnitude = intDigits > 0 ? intDigits - 1 : -(leadingFractionZeros + 1);
  const auto e = image.find('e');
  long long exponent = 0;
  if (e != std::string::npos) {
    const char* p = image.data() + e + 1;
    const char* end = image.data() + image.size();
    if (p < end && *p == '+') ++p;
    auto [ptr, ec] = std::from_chars(p, end, exponent);
    (void)ptr;
    if (ec == std::errc::result_out_of_range)
      exponent = image[e + 1] == '-' ? -1000000 : 1000000;
  }
  return magnitude + exponent > 0;
}

double ParseImage(const std::string& image) {
  double v = 0;
  const char* first = image.data();
  const char* last = first + image.size();
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec == std::errc::result_out_of_range) {
    // Underflow towards zero is a value of 0; overflow is an error.
    if (!IsOverflowImage(image)) return 0.0;
    RaiseError(Error::kOverflow);
  }
  if (ec != std::errc() || ptr != last) RaiseError(Error::kTypeMismatch);
  if (!std::isfinite(v)) RaiseError(Error::kOverflow);
  return v;
}

template <class Int>
Int RoundTo(double v) {
  if (std::isnan(v)) RaiseError(Error::kOverflow);
  const double r = std::nearbyint(v);  // round half to even
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max()))
    RaiseError(Error::kOverflow);
  return static_cast<Int>(r);
}

template <class Int>
Int Checked(std::int64_t v) {
  if (v < std::numeric_limits<Int>::min() ||
      v > std::numeric_limits<Int>::max())
    RaiseError(Error::kOverflow);
  return static_cast<Int>(v);
}

bool IsValBlank(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\n';
}

int DigitValue(char16_t c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return 99;
}

// &H and &O literals: up to four hex digits (six octal) are an Integer and
// wrap to negative as the 16-bit type did; longer ones are a Long.
double RadixVal(TextView s, std::size_t i, int radix) {
  std::uint64_t v = 0;
  std::size_t digits = 0;
  for (; i < s.size(); ++i) {
    if (IsValBlank(s[i])) continue;
    const int d = DigitValue(s[i]);
    if (d >= radix) break;
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    ++digits;
    if (v > 0xFFFFFFFFull) return 0;
  }
  if (digits == 0) return 0;
  const bool small = radix == 16 ? digits <= 4 : v <= 0xFFFF;
  if (small && v <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

}  // namespace

bool IsNumeric(TextView s) noexcept {
  try {
    const std::string image = DecimalImage(s);
    if (image.empty()) return false;
    double v = 0;
    auto [ptr, ec] = std::from_chars(image.data(), image.data() + image.size(), v);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return !IsOverflowImage(image);
    return ec == std::errc();
  } catch (...) {
    return false;
  }
}

double ToDouble(TextView s) {
  const std::string image = DecimalImage(s);
  if (image.empty()) RaiseError(Error::kTypeMismatch);
  return ParseImage(image);
}

std::int16_t RoundToInt16(double v) { return RoundTo<std::int16_t>(v); }
std::int32_t RoundToInt32(double v) { return RoundTo<std::int32_t>(v); }

std::int16_t ToInt16(TextView s) { return RoundToInt16(ToDouble(s)); }
std::int32_t ToInt32(TextView s) { return RoundToInt32(ToDouble(s)); }

std::int16_t CheckedInt16(std::int64_t v) { return Checked<std::int16_t>(v); }
std::int32_t CheckedInt32(std::int64_t v) { return Checked<std::int32_t>(v); }

double Val(TextView s) noexcept {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && IsValBlank(s[i])) ++i;
  if (i + 1 < n && s[i] == u'&') {
    const char16_t k = s[i + 1];
    if (k == u'h' || k == u'H') return RadixVal(s, i + 2, 16);
    if (k == u'o' || k == u'O') return RadixVal(s, i + 2, 8);
  }
  std::string image;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') image.push_back('-');
    ++i;
  }
  bool point = false;
  bool digits = false;
  for (; i < n; ++i) {
    const char16_t c = s[i];
    if (IsValBlank(c)) continue;
    if (IsDigit(c)) {
      image.push_back(static_cast<char>(c));
      digits = true;
    } else if (c == u'.' && !point) {
      image.push_back('.');
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (i < n && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    while (j < n && IsValBlank(s[j])) ++j;
    if (j < n && (s[j] == u'+' || s[j] == u'-')) exponent.push_back(static_cast<char>(s[j++]));
    bool expDigits = false;
    for (; j < n; ++j) {
      if (IsValBlank(s[j])) continue;
      if (!IsDigit(s[j])) break;
      exponent.push_back(static_cast<char>(s[j]));
      expDigits = true;
    }
    if (expDigits) image += exponent;
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(image.data(), image.data() + image.size(), v);
  (void)ptr;
  if (ec == std::errc::result_out_of_range)
    return IsOverflowImage(image)
               ? (image[0] == '-' ? -std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::infinity())
               : 0.0;
  if (ec != std::errc()) return 0;
  return v;
}

Text Hex16(std::int16_t v) {
  return Hex32(static_cast<std::int32_t>(static_cast<std::uint16_t>(v)));
}

Text Hex32(std::int32_t v) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::uint32_t u = static_cast<std::uint32_t>(v);
  char16_t buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[u & 0xF];
    u >>= 4;
  } while (u != 0);
  Text out;
  out.reserve(static_cast<std::size_t>(n));
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

}  // namespace skeinlet::detail
