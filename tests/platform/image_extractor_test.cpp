#include "platform/image_extractor.hpp"
#include "platform/jpeg_tables.hpp"

#include <gtest/gtest.h>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/picture_files.hpp"

namespace skeinlet::detail {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "skeinlet-pict-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  // The folder as the picture stages pass it, with "\" separators.
  Text Prefix(std::string_view base) const {
    std::string s = path_.string() + "/" + std::string(base);
    Text t = FromUtf8(s);
    for (char16_t& c : t)
      if (c == u'/') c = u'\\';
    return t;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  fs::path path_;
};

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
}

// A 2 x 2 picture: red, green / blue, white.
const unsigned char kPixels[] = {255, 0, 0,   0, 255, 0,
                                 0,   0, 255, 255, 255, 255};

std::string TinyPng() {
  std::string out;
  stbi_write_png_to_func(Append, &out, 2, 2, 3, kPixels, 6);
  return out;
}
std::string TinyJpeg() {
  std::string out;
  stbi_write_jpg_to_func(Append, &out, 2, 2, 3, kPixels, 100);
  return out;
}

// Hexadecimal digits, with a line break after every 16 bytes and a blank
// here and there, as producers write them.
Text Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  Text t;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    t += static_cast<char16_t>(digits[b >> 4]);
    t += static_cast<char16_t>(digits[b & 15]);
    if (i % 16 == 15) t += u"\r\n";
    else if (i % 7 == 6) t += u' ';
  }
  return t;
}

Text Latin1(std::string_view bytes) {
  Text t;
  for (const char c : bytes) t += static_cast<char16_t>(static_cast<unsigned char>(c));
  return t;
}

struct Decoded {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
};
Decoded Decode(const std::string& file) {
  Decoded d;
  int comp = 0;
  unsigned char* px = stbi_load_from_memory(
      reinterpret_cast<const unsigned char*>(file.data()), static_cast<int>(file.size()),
      &d.w, &d.h, &comp, 3);
  if (px != nullptr) {
    d.rgb.assign(px, px + d.w * d.h * 3);
    stbi_image_free(px);
  }
  return d;
}

int Parse(Text rtf, const Text& prefix, std::int16_t format) {
  const Text before = rtf;
  ImageExtractor extractor;
  const int n = extractor.Parse(rtf, prefix, 0, format, 100, 1, Text(ImageExtractorKey));
  EXPECT_EQ(rtf, before) << "the picture groups stay in the text";
  return n;
}

TEST(ImageExtractor, WritesNumberedFilesInDocumentOrder) {
  TempFolder dir;
  const std::string png = TinyPng(), jpeg = TinyJpeg();
  const Text rtf = u"{\\rtf1 a{\\pict\\pngblip\\picw2\\pich2 " + Hex(png) +
                   u"}b{\\*\\shppict{\\pict\\jpegblip{\\*\\blipuid 0a0b}" + Hex(jpeg) +
                   u"}}c{\\pict\\wmetafile8\\picw10\\pich10 010009000003}d}";
  EXPECT_EQ(Parse(rtf, dir.Prefix("pic"), 1), 2);
  // The metafile (picture 2) is not drawn: no file for it.
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"pic000.png", "pic001.png"}));
  EXPECT_EQ(dir.Read("pic000.png"), png) << "a PNG asked for as PNG is written as it is";
  const Decoded first = Decode(dir.Read("pic000.png"));
  EXPECT_EQ(first.w, 2);
  EXPECT_EQ(first.rgb, std::vector<unsigned char>(std::begin(kPixels), std::end(kPixels)));
  const Decoded second = Decode(dir.Read("pic001.png"));
  ASSERT_EQ(second.w, 2);
  EXPECT_NEAR(second.rgb[0], 255, 40);  // red, through JPEG
  EXPECT_NEAR(second.rgb[1], 0, 40);

  TempFolder jpg;
  EXPECT_EQ(Parse(rtf, jpg.Prefix("x"), 2), 2);
  EXPECT_EQ(jpg.Files(), (std::vector<std::string>{"x000.jpg", "x001.jpg"}));
  const std::string reencoded = jpg.Read("x000.jpg");
  ASSERT_GE(reencoded.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(reencoded[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(reencoded[1]), 0xD8);
  EXPECT_EQ(Decode(reencoded).h, 2);
}

TEST(ImageExtractor, NumbersPicturesAsMarkingDoes) {
  // The first "}" after "{\pict\" may close a nested group; the next
  // picture is the next "{\pict\" after that brace.
  TempFolder dir;
  const Text png = Hex(TinyPng());
  const Text rtf = u"{{\\pict\\pngblip{\\*\\blipuid 1}" + png + u"}{\\pict\\pngblip " + png +
                   u"}{\\pict no data}{\\pict\\picw1 00}{\\pict\\pngblip " + png + u"}}";
  EXPECT_EQ(Parse(rtf, dir.Prefix("n"), 1), 3);
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"n000.png", "n001.png", "n003.png"}))
      << "\"{\\pict no data\" is not a picture group; \"{\\pict\\\" with no blip is number 2";
}

TEST(ImageExtractor, RawBinaryDataAndBitmaps) {
  TempFolder dir;
  const std::string png = TinyPng();
  // \bin data arrives as characters; bytes 80-9F may have been read as
  // Windows-1252 characters.
  Text raw = Latin1(png);
  for (char16_t& c : raw)
    if (c == 0x80) c = 0x20AC;
  Text rtf = u"{\\pict\\pngblip\\bin" + NumberText(static_cast<std::int64_t>(png.size())) +
             u" " + raw + u"}";

  // A device-independent bitmap: header, no palette, 24-bit rows from the
  // bottom, each padded to 4 bytes.
  std::string dib(40, '\0');
  dib[0] = 40;
  dib[4] = 2;               // width
  dib[8] = 2;               // height
  dib[12] = 1;              // planes
  dib[14] = 24;             // bits
  dib += std::string("\xff\x00\x00\x00\x00\xff\x00\x00", 8);  // bottom: blue, red
  dib += std::string("\x00\xff\x00\xff\xff\xff\x00\x00", 8);  // top: green, white
  rtf += u"{\\pict\\dibitmap0\\picw2\\pich2 " + Hex(dib) + u"}";

  // A monochrome device-dependent bitmap, 8 x 2, rows of 2 bytes from the
  // top; a set bit is white.
  rtf += u"{\\pict\\wbitmap0\\picw8\\pich2\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2 f0000f00}";

  EXPECT_EQ(Parse(rtf, dir.Prefix("b"), 1), 3);
  EXPECT_EQ(Decode(dir.Read("b000.png")).rgb,
            std::vector<unsigned char>(std::begin(kPixels), std::end(kPixels)));
  const Decoded bmp = Decode(dir.Read("b001.png"));
  EXPECT_EQ(bmp.rgb, (std::vector<unsigned char>{0, 255, 0, 255, 255, 255, 0, 0, 255, 255, 0, 0}));
  const Decoded mono = Decode(dir.Read("b002.png"));
  ASSERT_EQ(mono.w, 8);
  ASSERT_EQ(mono.h, 2);
  EXPECT_EQ(mono.rgb[0], 255);
  EXPECT_EQ(mono.rgb[3 * 4], 0);
  EXPECT_EQ(mono.rgb[3 * 8], 0);
  EXPECT_EQ(mono.rgb[3 * 12], 255);
}

TEST(ImageExtractor, BadPicturesWriteNothingAndDoNotStopTheOthers) {
  TempFolder dir;
  const std::string png = TinyPng();
  const Text good = u"{\\pict\\pngblip " + Hex(png) + u"}";
  // A PNG header that claims 30000 x 30000 pixels (stb does not check the
  // CRC), with no image data.
  std::string huge = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  huge += std::string("\0\0\x75\x30\0\0\x75\x30\x08\x06\0\0\0\0\0\0\0", 17);
  const Text rtf = u"{" + good +                                              // 0
                   u"{\\pict\\pngblip " + Hex(png.substr(0, png.size() / 2)) + u"}" +  // 1 cut short
                   u"{\\pict\\pngblip " + Hex(png.substr(0, 16)) + u"0badf00d}" +      // 2 garbage
                   u"{\\pict\\pngblip " + Hex(huge) + u"}" +                  // 3 huge
                   u"{\\pict\\pngblip " + Hex(png) + u"a}" +                  // 4 odd digits
                   u"{\\pict\\emfblip 0100}" +                                // 5 metafile
                   u"{\\pict\\pngblip\\bin99999 abc}" +                       // 6 \bin too long
                   u"{\\pict\\pngblip " + Hex(png) + u"{\\*\\x}";           // 7 never closed
  EXPECT_EQ(Parse(rtf, dir.Prefix("e"), 1), 2);
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"e000.png", "e004.png"}))
      << "an odd last digit is dropped; the PNG before it is whole";

  // 100 pictures: marking numbers 64, so 64 files.
  TempFolder many;
  Text hundred = u"{";
  for (int i = 0; i < 100; ++i) hundred += good;
  EXPECT_EQ(Parse(hundred + u"}", many.Prefix("m"), 1), 64);
  const auto files = many.Files();
  ASSERT_EQ(files.size(), 64u);
  EXPECT_EQ(files.front(), "m000.png");
  EXPECT_EQ(files.back(), "m063.png");

  // A folder that does not exist or cannot be written.
  EXPECT_EQ(Parse(good, dir.Prefix("missing\\x"), 1), 0);
  fs::permissions(many.path(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(Parse(good, many.Prefix("again"), 1), ::geteuid() == 0 ? 1 : 0);
  fs::permissions(many.path(), fs::perms::owner_all);
}

TEST(PictureFiles, WritesOnlyInsideTheFolder) {
  TempFolder dir;
  const PicturePrefix split = SplitPicturePrefix(u"c:\\img/sub\\pic");
  EXPECT_EQ(split.Folder, u"c:\\img/sub\\");
  EXPECT_EQ(split.BaseName, u"pic");
  EXPECT_EQ(SplitPicturePrefix(u"pic").Folder, u"");
  EXPECT_EQ(PictureFolderPath(u"c:\\img\\"), "c:/img/");

  EXPECT_FALSE(IsPlainFileName(u".."));
  EXPECT_FALSE(IsPlainFileName(u"a\\b.png"));
  EXPECT_FALSE(IsPlainFileName(u"a/b.png"));
  EXPECT_TRUE(IsPlainFileName(u"..object000.png"));

  const Text folder = dir.Prefix("");
  EXPECT_FALSE(WritePictureFile(folder, u"..", "x"));
  EXPECT_FALSE(WritePictureFile(folder, u"sub\\x.png", "x"));
  EXPECT_FALSE(WritePictureFile(u"\\", u"x.png", "x")) << "the root is refused";
  EXPECT_TRUE(WritePictureFile(folder, u"x.png", "abc"));
  EXPECT_EQ(dir.Read("x.png"), "abc");
  // A symbolic link in the file's place is not followed out of the folder.
  TempFolder outside;
  fs::create_symlink(outside.path() / "target.png", dir.path() / "link.png");
  EXPECT_FALSE(WritePictureFile(folder, u"link.png", "abc"));
  EXPECT_TRUE(outside.Files().empty());
}

// A DHT table whose 16 code counts add up to more than 256 codes would make
// the decoder write past its table: the guard refuses it, and the picture is
// skipped instead of decoded.
TEST(ImageExtractor, RefusesHuffmanTablesOfMoreThan256Codes) {
  const std::string good = TinyJpeg();
  EXPECT_TRUE(JpegHuffmanTablesFit(good));
  EXPECT_TRUE(JpegHuffmanTablesFit(TinyPng()));
  EXPECT_TRUE(JpegHuffmanTablesFit(""));
  const std::size_t dht = good.find("\xff\xc4");
  ASSERT_NE(dht, std::string::npos);
  std::string bad = good;
  bad[dht + 20] = static_cast<char>(0xFF);  // the count of 16-bit codes
  unsigned codes = 0;
  for (std::size_t i = dht + 5; i <= dht + 20; ++i) codes += static_cast<unsigned char>(bad[i]);
  ASSERT_GT(codes, 256u);
  EXPECT_FALSE(JpegHuffmanTablesFit(bad));
  std::string badClass = good;
  badClass[dht + 4] = 0x24;  // table class 2 does not exist
  EXPECT_FALSE(JpegHuffmanTablesFit(badClass));
  // Fill bytes before the marker do not hide it; an APP segment's payload is
  // skipped by its length, as the decoder skips it.
  std::string filled = bad;
  filled.insert(dht, "\xff\xff");
  EXPECT_FALSE(JpegHuffmanTablesFit(filled));
  std::string inApp = good;
  inApp.insert(2, std::string("\xff\xe1\x00\x08\xff\xc4\x00\x40", 8));
  EXPECT_TRUE(JpegHuffmanTablesFit(inApp));

  TempFolder dir;
  const Text rtf = u"{\\rtf1 a{\\pict\\jpegblip\\picw2\\pich2 " + Hex(bad) + u"}b}";
  EXPECT_EQ(Parse(rtf, dir.Prefix("pic"), 1), 0);
  EXPECT_TRUE(dir.Files().empty());
}

}  // namespace
}  // namespace skeinlet::detail
