#include "platform/picture_files.hpp"

#include <skeinlet/convert.hpp>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skeinlet::detail {
namespace {

bool IsSeparator(char16_t c) noexcept { return c == u'\\' || c == u'/'; }

std::string Utf8(TextView s) { return skeinlet::ToUtf8(s); }

class Descriptor {
 public:
  explicit Descriptor(int fd) noexcept : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const noexcept { return fd_; }
  int release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace

PicturePrefix SplitPicturePrefix(TextView prefix) {
  std::size_t cut = 0;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (IsSeparator(prefix[i])) cut = i + 1;
  return {Text(prefix.substr(0, cut)), Text(prefix.substr(cut))};
}

std::string PictureFolderPath(TextView folder) {
  Text posix(folder);
  for (char16_t& c : posix)
    if (c == u'\\') c = u'/';
  return Utf8(posix);
}

bool IsPlainFileName(TextView fileName) noexcept {
  if (fileName.empty() || fileName == u"." || fileName == u"..") return false;
  for (const char16_t c : fileName)
    if (IsSeparator(c) || c == 0) return false;
  return true;
}

bool WritePictureFile(TextView folder, TextView fileName,
                      std::string_view bytes) {
  if (!IsPlainFileName(fileName)) return false;
  for (const char16_t c : folder)
    if (c == 0) return false;
  const std::string path = PictureFolderPath(folder);
  const std::string dir = path.empty() ? std::string(".") : path;
  if (dir.find_first_not_of('/') == std::string::npos) return false;  // the root

  const Descriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) return false;
  const std::string name = Utf8(fileName);
  Descriptor fd(::openat(dirFd.get(), name.c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                         0644));
  if (fd.get() < 0) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::unlinkat(dirFd.get(), name.c_str(), 0);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  const int raw = fd.release();
  if (::close(raw) != 0) {
    ::unlinkat(dirFd.get(), name.c_str(), 0);
    return false;
  }
  return true;
}

}  // namespace skeinlet::detail
