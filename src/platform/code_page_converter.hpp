// CodePageConverter: decodes a run of "\'hh" escapes in a Windows code
// page, on iconv. One converter lives for one run; the iconv descriptors it
// opens are closed when it goes.
//
//   CodePageConverter cp;
//   cp.ToString932(u"\\'82\\'a0");   // -> u"\u3042" (HIRAGANA A)
//
// Bytes that do not decode become U+FFFD; characters of the argument that
// are not part of an escape are passed through.
#pragma once

#include "platform/code_page.hpp"
#include "text/text.hpp"

#include <map>
#include <memory>

namespace skeinlet::detail {

class CodePageConverter {
 public:
  CodePageConverter();
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;
  ~CodePageConverter();

  Text ToString874(TextView escapes) { return Decode(874, escapes); }
  Text ToString932(TextView escapes) { return Decode(932, escapes); }
  Text ToString936(TextView escapes) { return Decode(936, escapes); }
  Text ToString949(TextView escapes) { return Decode(949, escapes); }
  Text ToString950(TextView escapes) { return Decode(950, escapes); }
  Text ToString1250(TextView escapes) { return Decode(1250, escapes); }
  Text ToString1251(TextView escapes) { return Decode(1251, escapes); }
  Text ToString1253(TextView escapes) { return Decode(1253, escapes); }
  Text ToString1254(TextView escapes) { return Decode(1254, escapes); }
  Text ToString1255(TextView escapes) { return Decode(1255, escapes); }
  Text ToString1256(TextView escapes) { return Decode(1256, escapes); }
  Text ToString1257(TextView escapes) { return Decode(1257, escapes); }
  Text ToString1258(TextView escapes) { return Decode(1258, escapes); }

  // Any of the code pages above; error 5 for another one.
  Text Decode(int codePage, TextView escapes);

 private:
  CodePageDecoder& Open(int codePage);
  std::map<int, std::unique_ptr<CodePageDecoder>> decoders_;
};

}  // namespace skeinlet::detail
