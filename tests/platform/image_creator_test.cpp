#include "platform/image_creator.hpp"

#include "text/errors.hpp"

#include <skeinlet/convert.hpp>

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace skeinlet::detail {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "skeinlet-img-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string Path() const { return path_.string(); }

 private:
  fs::path path_;
};

std::string FromHex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

// 2 x 1: a green and a blue pixel.
const std::string kPng = FromHex(
    "89504e470d0a1a0a0000000d49484452000000020000000108020000007b40e8dd0000000d49444154789c63f8"
    "cf0004ff01070001ffe2239e590000000049454e44ae426082");
// 1 x 1, white.
const std::string kGif = FromHex(
    "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");

// 3 x 2, 24-bit, bottom-up rows padded to four bytes.
std::string Bmp() {
  auto le = [](std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const std::string pixels(2 * 12, '\x40');
  return "BM" + le(54 + 24, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(3, 4) + le(2, 4) +
         le(1, 2) + le(24, 2) + le(0, 4) + le(24, 4) + le(2835, 4) + le(2835, 4) + le(0, 4) +
         le(0, 4) + pixels;
}

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

std::string Jpeg() {
  const unsigned char rgb[4 * 4 * 3] = {};
  std::string out;
  stbi_write_jpg_to_func(Append, &out, 4, 4, 3, rgb, 90);
  return out;
}

Text Create(const std::string& path, std::int16_t width = 0, std::int16_t height = 0,
            TextView key = ImageCreatorKey) {
  auto creator = CreateImageCreator();
  Text p = FromUtf8(path);
  return creator->CreateFromFile(p, width, height, 0, 0, false, key);
}

long FailureOf(const std::string& path, TextView key = ImageCreatorKey) {
  try {
    Create(path, 0, 0, key);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TEST(ImageCreator, PngAndJpegAsTheyAre) {
  TempFolder t;
  t.Write("Pics/Logo.png", kPng);
  t.Write("photo.JPG", Jpeg());
  // The whole path in capitals, as IMG tags deliver it.
  const Text png = Create(Upper(t.Path() + "/Pics/Logo.png"));
  const Text head = u"{\\pict\\pngblip\\picw2\\pich1\\picwgoal30\\pichgoal15\r\n89504e470d0a1a0a";
  EXPECT_TRUE(png.starts_with(head)) << ToUtf8(png);
  EXPECT_TRUE(png.ends_with(u"ae426082}\n")) << ToUtf8(png);
  // The hexadecimal data is the file itself, in lines of 128 digits.
  ASSERT_EQ(kPng.size(), 70u);
  EXPECT_EQ(png.size(), head.size() - 16 + 128 + 2 + 12 + 2);
  EXPECT_EQ(png.substr(head.size() - 16 + 128, 2), u"\r\n");
  // A size asked for sets the goal; one side alone keeps the proportions.
  EXPECT_TRUE(Create(t.Path() + "/pics/logo.png", 20, 10)
                  .starts_with(u"{\\pict\\pngblip\\picw2\\pich1\\picwgoal300\\pichgoal150\r\n"));
  EXPECT_TRUE(Create(t.Path() + "\\PICS\\LOGO.PNG", 0, 4)
                  .starts_with(u"{\\pict\\pngblip\\picw2\\pich1\\picwgoal120\\pichgoal60\r\n"));
  EXPECT_TRUE(Create(t.Path() + "/PHOTO.jpg")
                  .starts_with(u"{\\pict\\jpegblip\\picw4\\pich4\\picwgoal60\\pichgoal60\r\nffd8ff"));
}

TEST(ImageCreator, OtherFormatsBecomePng) {
  TempFolder t;
  t.Write("a.bmp", Bmp());
  t.Write("b.gif", kGif);
  EXPECT_TRUE(Create(t.Path() + "/A.BMP")
                  .starts_with(u"{\\pict\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30\r\n89504e47"));
  EXPECT_TRUE(Create(t.Path() + "/B.GIF")
                  .starts_with(u"{\\pict\\pngblip\\picw1\\pich1\\picwgoal15\\pichgoal15\r\n89504e47"));
}

TEST(ImageCreator, Failures) {
  TempFolder t;
  t.Write("notes.txt", "not a picture");
  t.Write("empty.png", "");
  t.Write("cut.bmp", Bmp().substr(0, 20));
  t.Write("sub/x.png", kPng);
  EXPECT_EQ(FailureOf(t.Path() + "/missing.png"), 53);
  EXPECT_EQ(FailureOf(t.Path() + "/SUB"), 53);
  EXPECT_EQ(FailureOf(t.Path() + "/empty.png"), 53);
  EXPECT_EQ(FailureOf(t.Path() + "/notes.txt"), 5);
  EXPECT_EQ(FailureOf(t.Path() + "/cut.bmp"), 5);
  EXPECT_EQ(FailureOf("/dev/zero"), 53);
  EXPECT_EQ(FailureOf(t.Path() + "/sub/x.png", u"another key"), 5);
  // ".." is followed like any part of the path.
  EXPECT_EQ(FailureOf(t.Path() + "/SUB/../sub/X.PNG"), 0);
}

}  // namespace
}  // namespace skeinlet::detail
