#include "engine/state.hpp"

namespace skeinlet::detail {

ConversionState& State() noexcept {
  thread_local ConversionState state;
  return state;
}

}  // namespace skeinlet::detail
