#include "platform/style_sheet_files.hpp"

#include <skeinlet/convert.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace skeinlet::detail {

std::string StyleSheetPath(TextView path) {
  std::string p = ToUtf8(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

Text ReadStyleSheetFile(TextView path) {
  const std::string p = StyleSheetPath(path);
  if (p.empty() || p.find('\0') != std::string::npos) return {};
  // O_NONBLOCK: opening a pipe with no writer must not wait for one. The
  // kind and size are asked of the opened file, not of the name, so that
  // the name cannot be swapped between the question and the reading.
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  Text text;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
      static_cast<std::size_t>(st.st_size) <= kStyleSheetSizeCap) {
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    text.reserve(got);
    for (const char c : bytes) text.push_back(static_cast<unsigned char>(c));
  }
  ::close(fd);
  return text;
}

}  // namespace skeinlet::detail
