// skeinlet/error.hpp - the one exception type the library raises.
//
// Every failure that reaches a caller is a skeinlet::Error carrying the
// legacy error number, source and description, e.g.
//
//   try { html = conv.ConvertRTF(rtf, ...); }
//   catch (const skeinlet::Error& e) {
//     std::cerr << e.number() << ' ' << e.source() << ": " << e.description();
//   }
#pragma once

#include <stdexcept>
#include <string>

#if defined(_WIN32)
#define SKEINLET_API __declspec(dllexport)
#else
#define SKEINLET_API __attribute__((visibility("default")))
#endif

namespace skeinlet {

class SKEINLET_API Error : public std::runtime_error {
 public:
  // Legacy run-time error numbers.
  static constexpr long kInvalidCall = 5;         // "Invalid procedure call or argument"
  static constexpr long kOverflow = 6;            // "Overflow"
  static constexpr long kOutOfMemory = 7;         // "Out of memory"
  static constexpr long kSubscript = 9;           // "Subscript out of range"
  static constexpr long kTypeMismatch = 13;       // "Type mismatch"
  static constexpr long kCannotCreateObject = 429;  // a component is not available
  // Object errors are numbered from this base (e.g. base + 201).
  static constexpr long kObjectErrorBase = -2147221504L;

  // The source every run-time error of the component reports.
  static constexpr const char* kDefaultSource = "Tarnwick_Skeinlet_Dll";

  Error(long number, std::string source, std::string description);

  long number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }

  // The legacy description of a run-time error number ("Overflow" for 6).
  static std::string StandardDescription(long number);

 private:
  long number_;
  std::string source_;
  std::string description_;
};

}  // namespace skeinlet
