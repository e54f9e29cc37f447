// The debug dump: the RTF as handed to the engine, in rtftext.txt in the
// system's temporary folder (the fixed "c:\rtftext.txt" of the platform the
// component was written for).
#include "helpers/debug_dump.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace skeinlet::detail {

namespace {

constexpr const char* kDumpName = "rtftext.txt";
constexpr const char* kDumpFailed = "Error, unable to create rtftext.txt file";

bool WriteDump(const Text& rtf) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) return false;
  std::ofstream out(folder / kDumpName, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  // Written in the system code page, which is UTF-8 here.
  const std::string bytes = ToUtf8(rtf);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.write("\r\n", 2);
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

void WriteDebugDump(Text rtf) {
  // Where the component showed a message box, one line on stderr; the
  // conversion goes on without the dump. (stdio, not iostreams: the
  // standard streams would be set up at the start of every program that
  // links the library.)
  if (!WriteDump(rtf)) {
    std::fputs(kDumpFailed, stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
  }
}

}  // namespace skeinlet::detail
