// The debug dump is not written yet: the option is accepted and the
// conversion goes on without the file.
#include "helpers/debug_dump.hpp"

namespace skeinlet::detail {

void WriteDebugDump(Text) {}

}  // namespace skeinlet::detail
