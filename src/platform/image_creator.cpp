#include "platform/image_creator.hpp"
#include "platform/jpeg_tables.hpp"

#include "platform/regular_files.hpp"

#include "text/errors.hpp"

#include <skeinlet/convert.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
// A private copy: the picture extractor has its own, built without GIF.
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS 65536
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace skeinlet::detail {
namespace {

constexpr const char* kSource = "Tarnwick.RTFImageCreator";
constexpr long kFileNotFound = 53;
// Files larger than this are not pictures a page shows; decoding is refused
// beyond the pixel count, so a 20000 x 20000 BMP or GIF costs nothing.
constexpr std::size_t kMaxFileBytes = 32u << 20;
constexpr std::int64_t kMaxDecodedPixels = 40'000'000;
constexpr int kTwipsPerPixel = 15;  // 96 dots per inch
constexpr std::size_t kHexPerLine = 128;

[[noreturn]] void Fail(long number, const char* what) { RaiseError(number, kSource, what); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` but for letter case; the
// first in byte order when several do, "" when none does.
std::string MatchInFolder(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return std::string();
  const Text wanted = LCase(FromUtf8(name));
  std::string best;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (LCase(FromUtf8(candidate)) != wanted) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  ::closedir(dir);
  return best;
}

// The path on disk that `path` names whatever the letter case of each of its
// parts; "\" separates parts like "/". "" when there is no such file.
std::string FindFile(const std::string& path) {
  std::string found;
  std::size_t i = 0;
  if (!path.empty() && IsSeparator(path[0])) {
    found = "/";
    while (i < path.size() && IsSeparator(path[i])) ++i;
  }
  while (i < path.size()) {
    std::size_t j = i;
    while (j < path.size() && !IsSeparator(path[j])) ++j;
    const std::string part = path.substr(i, j - i);
    while (j < path.size() && IsSeparator(path[j])) ++j;
    i = j;
    const std::string prefix = found.empty() || found.back() == '/' ? found : found + "/";
    if (part == "." || part == "..") {
      found = prefix + part;
      continue;
    }
    if (Exists(prefix + part)) {
      found = prefix + part;
      continue;
    }
    if (!IsDirectory(found)) return std::string();
    const std::string match = MatchInFolder(found, part);
    if (match.empty()) return std::string();
    found = prefix + match;
  }
  return found;
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::string*>(context);
  out->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

struct Picture {
  const char* Blip;  // "\pngblip" or "\jpegblip"
  std::string Bytes;
  int Width = 0;
  int Height = 0;
};

// PNG and JPEG go into the RTF as they are; BMP and GIF (its first frame)
// are re-encoded to PNG, which every RTF reader shows.
Picture ReadPicture(std::string bytes) {
  if (bytes.size() > 0x7FFFFFFF) Fail(Error::kInvalidCall, "Picture file too large");
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int len = static_cast<int>(bytes.size());
  Picture p;
  int comp = 0;
  if (!JpegHuffmanTablesFit(bytes) ||
      !stbi_info_from_memory(data, len, &p.Width, &p.Height, &comp) || p.Width <= 0 ||
      p.Height <= 0)
    Fail(Error::kInvalidCall, "Not a picture file");
  if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    p.Blip = "\\pngblip";
    p.Bytes = std::move(bytes);
    return p;
  }
  if (bytes.compare(0, 3, "\xff\xd8\xff") == 0) {
    p.Blip = "\\jpegblip";
    p.Bytes = std::move(bytes);
    return p;
  }
  if (static_cast<std::int64_t>(p.Width) * p.Height > kMaxDecodedPixels)
    Fail(Error::kInvalidCall, "Picture too large");
  int w = 0, h = 0;
  stbi_uc* px = stbi_load_from_memory(data, len, &w, &h, &comp, 4);
  if (px == nullptr) Fail(Error::kInvalidCall, "Picture file cannot be read");
  std::string png;
  const int ok = stbi_write_png_to_func(AppendBytes, &png, w, h, 4, px, w * 4);
  stbi_image_free(px);
  if (!ok || png.empty()) Fail(Error::kInvalidCall, "Picture cannot be written");
  p.Blip = "\\pngblip";
  p.Bytes = std::move(png);
  p.Width = w;
  p.Height = h;
  return p;
}

std::string Number(std::int64_t v) { return std::to_string(v); }

class FileImageCreator final : public ImageCreator {
 public:
  Text CreateFromFile(Text& path, std::int16_t& width, std::int16_t& height, std::int16_t,
                      std::int16_t, bool, TextView key) override {
    if (key != ImageCreatorKey) Fail(Error::kInvalidCall, "Invalid procedure call or argument");
    const std::string file = FindFile(ToUtf8(path));
    std::string bytes;
    if (file.empty() || !ReadRegularFile(file, kMaxFileBytes, bytes) || bytes.empty())
      Fail(kFileNotFound, "File not found");
    const Picture p = ReadPicture(std::move(bytes));

    // The size asked for; one side alone keeps the picture's proportions.
    double w = width > 0 ? width : 0;
    double h = height > 0 ? height : 0;
    if (w == 0 && h == 0) {
      w = p.Width;
      h = p.Height;
    } else if (w == 0) {
      w = h * p.Width / p.Height;
    } else if (h == 0) {
      h = w * p.Height / p.Width;
    }
    std::string out = "{\\pict";
    out += p.Blip;
    out += "\\picw" + Number(p.Width) + "\\pich" + Number(p.Height);
    out += "\\picwgoal" + Number(std::llround(w * kTwipsPerPixel));
    out += "\\pichgoal" + Number(std::llround(h * kTwipsPerPixel));
    out += "\r\n";
    static constexpr char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + p.Bytes.size() * 2 + p.Bytes.size() / (kHexPerLine / 2) * 2 + 4);
    std::size_t column = 0;
    for (const char c : p.Bytes) {
      const auto b = static_cast<unsigned char>(c);
      out += kHex[b >> 4];
      out += kHex[b & 15];
      if ((column += 2) == kHexPerLine) {
        out += "\r\n";
        column = 0;
      }
    }
    out += "}\n";  // the last character is the one the caller drops
    Text result;
    result.reserve(out.size());
    for (const char c : out) result += static_cast<char16_t>(static_cast<unsigned char>(c));
    return result;
  }
};

}  // namespace

std::unique_ptr<ImageCreator> CreateImageCreator() {
  return std::make_unique<FileImageCreator>();
}

}  // namespace skeinlet::detail
