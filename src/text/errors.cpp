#include "text/errors.hpp"

#include <utility>

namespace skeinlet {

Error::Error(long number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::string Error::StandardDescription(long number) {
  switch (number) {
    case kInvalidCall: return "Invalid procedure call or argument";
    case kOverflow: return "Overflow";
    case 7: return "Out of memory";
    case kSubscript: return "Subscript out of range";
    case 11: return "Division by zero";
    case kTypeMismatch: return "Type mismatch";
    case 28: return "Out of stack space";
    case kCannotCreateObject: return "ActiveX component can't create object";
    default: return "Application-defined or object-defined error";
  }
}

}  // namespace skeinlet

namespace skeinlet::detail {

void RaiseError(long number) {
  throw Error(number, Error::kDefaultSource, Error::StandardDescription(number));
}

void RaiseError(long number, std::string source, std::string description) {
  throw Error(number, std::move(source), std::move(description));
}

}  // namespace skeinlet::detail
