// Reading a whole file that must be a regular file of bounded size: the
// picture and style sheet readers, which take paths from the documents they
// convert, so a path to a folder, a device or a pipe must not stall or
// exhaust a conversion.
#pragma once

#include <cstddef>
#include <string>

namespace skeinlet::detail {

// The whole of the file at `path` into `bytes`. False, with `bytes`
// undefined, when it cannot be opened, is not a regular file (or a link to
// one), or holds more than `cap` bytes. The kind and size are asked of the
// opened file, not of the name, so the name cannot be swapped in between;
// it is opened without blocking, so a pipe without a writer does not wait.
bool ReadRegularFile(const std::string& path, std::size_t cap, std::string& bytes);

}  // namespace skeinlet::detail
