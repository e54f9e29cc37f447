// Raising the legacy run-time errors, and the "skip a failing statement"
// helper.
//
//   RaiseError(Error::kOverflow);            // 6, "Overflow"
//   SkipOnError([&] { text = Mid(text, p, n); });  // a failing step is skipped
#pragma once

#include <skeinlet/error.hpp>

#include <string>

namespace skeinlet::detail {

using skeinlet::Error;

// Raises the run-time error `number` with the component's source and the
// legacy description.
[[noreturn]] void RaiseError(long number);
[[noreturn]] void RaiseError(long number, std::string source,
                             std::string description);

// Runs one step; a skeinlet::Error it raises is swallowed and the caller
// goes on with its next step. std::bad_alloc and logic errors pass through.
template <class Step>
void SkipOnError(Step&& step) {
  try {
    step();
  } catch (const Error&) {
  }
}

}  // namespace skeinlet::detail
