#include "platform/code_page.hpp"

#include <iconv.h>

#include <cerrno>

namespace skeinlet::detail {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

std::string IconvName(int codePage) {
  switch (codePage) {
    case 10000: return "MACINTOSH";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(codePage);
  }
}

bool IsDoubleBytePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 ||
         codePage == 950 || codePage == 1361;
}

// A code page iconv can convert to UTF-16, or 1252.
int Usable(int codePage) {
  return CodePageAvailable(codePage) ? codePage : kDefaultCodePage;
}

iconv_t OpenDecoder(int codePage) { return iconv_open("UTF-16LE", IconvName(codePage).c_str()); }
iconv_t OpenEncoder(int codePage) { return iconv_open(IconvName(codePage).c_str(), "UTF-16LE"); }

enum class Outcome { Done, Incomplete, Invalid };

// Converts one short piece in one call; `out` gets what came out.
Outcome Convert(iconv_t cd, const char* in, std::size_t inSize, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[16];
  char* inPtr = const_cast<char*>(in);
  std::size_t inLeft = inSize;
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  const int error = errno;
  // Flush what a stateful converter still holds back.
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.assign(buffer, sizeof buffer - outLeft);
  if (r == static_cast<std::size_t>(-1))
    return error == EINVAL ? Outcome::Incomplete : Outcome::Invalid;
  return inLeft == 0 ? Outcome::Done : Outcome::Invalid;
}

Text FromUtf16Bytes(const std::string& bytes) {
  Text text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

// The table of a code page's single bytes; in a double-byte page the lead
// bytes are marked and get no character.
void FillSingleBytes(iconv_t cd, bool doubleByte, std::array<char16_t, 256>& single,
                     std::array<bool, 256>& lead) {
  std::string out;
  for (int b = 0; b < 256; ++b) {
    single[b] = static_cast<char16_t>(b);
    lead[b] = false;
    if (b < 0x80) continue;
    const char byte = static_cast<char>(b);
    const Outcome outcome = Convert(cd, &byte, 1, out);
    const Text decoded = FromUtf16Bytes(out);
    if (outcome == Outcome::Done && decoded.size() == 1) {
      single[b] = decoded[0];
    } else if (outcome == Outcome::Incomplete && doubleByte) {
      lead[b] = true;
      single[b] = kReplacement;
    }
    // A byte the page leaves unassigned keeps its own value, as the
    // command-line tool reads such bytes.
  }
}

}  // namespace

int CodePageOfCharset(int charset) noexcept {
  switch (charset) {
    case 0: return 1252;
    case 2: return 1252;  // symbol fonts: bytes stay bytes
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: case 179: case 180: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
  }
}

int CharsetOfCodePage(int codePage) noexcept {
  switch (codePage) {
    case 932: return 128;
    case 949: return 129;
    case 1361: return 130;
    case 936: return 134;
    case 950: return 136;
    case 1253: return 161;
    case 1254: return 162;
    case 1258: return 163;
    case 1255: return 177;
    case 1256: return 178;
    case 1257: return 186;
    case 1251: return 204;
    case 874: return 222;
    case 1250: return 238;
    case 10000: return 77;
    default: return 0;
  }
}

bool CodePageAvailable(int codePage) {
  if (codePage <= 0 || codePage > 65535) return false;
  // UTF-7 and UTF-8 as "code pages" are not single- or double-byte pages.
  if (codePage == 65000 || codePage == 65001) return false;
  iconv_t cd = OpenDecoder(codePage);
  if (cd == kNoIconv) return false;
  iconv_close(cd);
  return true;
}

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(Usable(codePage)) {
  doubleByte_ = IsDoubleBytePage(codePage_);
  iconv_t cd = OpenDecoder(codePage_);
  if (cd == kNoIconv) {
    // Not even 1252: bytes stand for themselves.
    codePage_ = kDefaultCodePage;
    doubleByte_ = false;
    for (int b = 0; b < 256; ++b) single_[b] = static_cast<char16_t>(b);
    return;
  }
  FillSingleBytes(cd, doubleByte_, single_, lead_);
  if (doubleByte_) {
    iconv_ = cd;
  } else {
    iconv_close(cd);
  }
}

CodePageDecoder::~CodePageDecoder() {
  if (iconv_ != nullptr) iconv_close(static_cast<iconv_t>(iconv_));
}

void CodePageDecoder::Decode(std::string_view bytes, Text& out) {
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (!lead_[b]) {
      out.push_back(single_[b]);
      continue;
    }
    if (i + 1 == n) return;  // a lead byte cut off at the end
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    const auto key = static_cast<std::uint16_t>(b << 8 | trail);
    auto found = pairs_.find(key);
    if (found == pairs_.end()) {
      const char pair[2] = {static_cast<char>(b), static_cast<char>(trail)};
      std::string raw;
      Text decoded;
      if (Convert(static_cast<iconv_t>(iconv_), pair, 2, raw) == Outcome::Done)
        decoded = FromUtf16Bytes(raw);
      if (decoded.empty()) decoded.push_back(kReplacement);
      found = pairs_.emplace(key, std::move(decoded)).first;
    }
    out += found->second;
    ++i;
  }
}

CodePageEncoder::CodePageEncoder(int codePage) : codePage_(Usable(codePage)) {
  doubleByte_ = IsDoubleBytePage(codePage_);
  if (doubleByte_) {
    iconv_t cd = OpenEncoder(codePage_);
    if (cd != kNoIconv) {
      iconv_ = cd;
      return;
    }
    codePage_ = kDefaultCodePage;
    doubleByte_ = false;
  }
  iconv_t cd = OpenDecoder(codePage_);
  if (cd == kNoIconv) return;
  std::array<char16_t, 256> single{};
  std::array<bool, 256> lead{};
  FillSingleBytes(cd, false, single, lead);
  iconv_close(cd);
  // Only bytes that decode to a character of their own encode back; an
  // unassigned byte keeps the "\uN" form.
  std::string probe;
  iconv_t check = OpenEncoder(codePage_);
  for (int b = 0x80; b < 256; ++b) {
    const char16_t c = single[b];
    if (c == kReplacement || single_.count(c) != 0) continue;
    if (check != kNoIconv) {
      const char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
      if (Convert(check, unit, 2, probe) != Outcome::Done || probe.size() != 1) continue;
    }
    single_.emplace(c, static_cast<std::uint16_t>(b));
  }
  if (check != kNoIconv) iconv_close(check);
}

CodePageEncoder::~CodePageEncoder() {
  if (iconv_ != nullptr) iconv_close(static_cast<iconv_t>(iconv_));
}

bool CodePageEncoder::Encode(char16_t c, std::string& bytes) {
  if (c < 0x80) {
    bytes.push_back(static_cast<char>(c));
    return true;
  }
  if (!doubleByte_) {
    auto found = single_.find(c);
    if (found == single_.end()) return false;
    bytes.push_back(static_cast<char>(found->second));
    return true;
  }
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  auto found = cache_.find(c);
  if (found == cache_.end()) {
    const char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::string encoded;
    if (Convert(static_cast<iconv_t>(iconv_), unit, 2, encoded) != Outcome::Done)
      encoded.clear();
    // Some converters write a substitute instead of failing.
    if (encoded == "?") encoded.clear();
    found = cache_.emplace(c, std::move(encoded)).first;
  }
  if (found->second.empty()) return false;
  bytes += found->second;
  return true;
}

}  // namespace skeinlet::detail
