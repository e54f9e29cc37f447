// The debug dump: the RTF handed to the engine, written to a fixed file
// when the debug option is on.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

void WriteDebugDump(Text rtf);

}  // namespace skeinlet::detail
