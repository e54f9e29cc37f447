#include "fresh_state.hpp"

#include "text/errors.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace skeinlet::detail {
namespace {

// Remembers what it was asked for and answers with a fixed text, or fails.
struct Asked {
  Text Path;
  std::int16_t Width = -1;
  std::int16_t Height = -1;
  Text Key;
  int Calls = 0;
};

class RecordingCreator final : public ImageCreator {
 public:
  RecordingCreator(Asked& asked, Text answer, bool fail)
      : asked_(asked), answer_(std::move(answer)), fail_(fail) {}
  Text CreateFromFile(Text& path, std::int16_t& width, std::int16_t& height, std::int16_t r1,
                      std::int16_t r2, bool r3, TextView key) override {
    ++asked_.Calls;
    asked_.Path = path;
    asked_.Width = width;
    asked_.Height = height;
    asked_.Key = Text(key);
    EXPECT_EQ(r1, 0);
    EXPECT_EQ(r2, 0);
    EXPECT_FALSE(r3);
    if (fail_) RaiseError(53);
    return answer_;
  }

 private:
  Asked& asked_;
  Text answer_;
  bool fail_;
};

Text Insert(TextView tag, Asked& asked, Text answer = u"{\\pict}!", bool fail = false) {
  HtmlRtfState& s = FreshState();
  s.Images = std::make_unique<RecordingCreator>(asked, std::move(answer), fail);
  asked = Asked{};
  OfferTag(Text(tag), 1, Text(u"/pages/img"));
  s.Images.reset();
  return Emitted();
}

TEST(Images, SourcesAndSizes) {
  Asked a;
  EXPECT_EQ(Insert(u"<IMG SRC=\"LOGO.PNG\">", a), u"{\\pict}");
  EXPECT_EQ(a.Path, u"/pages/img/LOGO.PNG");
  EXPECT_EQ(a.Width, 0);
  EXPECT_EQ(a.Height, 0);
  EXPECT_EQ(a.Key, ImageCreatorKey);

  Insert(u"<IMG SRC=\"FILE:///C:/PICS/A B.JPG\" WIDTH=20 HEIGHT=10>", a);
  EXPECT_EQ(a.Path, u"C:/PICS/A B.JPG");
  EXPECT_EQ(a.Width, 20);
  EXPECT_EQ(a.Height, 10);
  // Unquoted, "SRC =" with one blank, sizes quoted or spaced.
  Insert(u"<IMG SRC = X.GIF WIDTH=\"7\" HEIGHT = 8>", a);
  EXPECT_EQ(a.Path, u"/pages/img/X.GIF");
  EXPECT_EQ(a.Width, 7);
  EXPECT_EQ(a.Height, 8);
  Insert(u"<IMG SRC=FILE://D:\\X.PNG ALT=Y>", a);
  EXPECT_EQ(a.Path, u"D:\\X.PNG");
  // Sizes that are no 16-bit numbers stay 0.
  Insert(u"<IMG SRC=A.PNG WIDTH=50% HEIGHT=99999>", a);
  EXPECT_EQ(a.Width, 0);
  EXPECT_EQ(a.Height, 0);
  // Without SRC the folder alone is asked for.
  EXPECT_EQ(Insert(u"<IMG ALT=X>", a), u"{\\pict}");
  EXPECT_EQ(a.Path, u"/pages/img/");
  // A relative path is kept as it is, "../" and all.
  Insert(u"<IMG SRC=\"../../ETC/X.PNG\">", a);
  EXPECT_EQ(a.Path, u"/pages/img/../../ETC/X.PNG");
}

TEST(Images, RemoteAndFailing) {
  Asked a;
  for (const TextView tag : {u"<IMG SRC=\"HTTP://A/B.PNG\">", u"<IMG SRC=HTTPS://A/B.PNG>",
                             u"<IMG SRC=FTP://A/B.PNG>"}) {
    EXPECT_EQ(Insert(tag, a), u".");
    EXPECT_EQ(a.Calls, 0);
  }
  // A failing component, or one that returns nothing, writes nothing.
  EXPECT_EQ(Insert(u"<IMG SRC=NONE.PNG>", a, u"{\\pict}!", true), u"");
  EXPECT_EQ(a.Calls, 1);
  EXPECT_EQ(Insert(u"<IMG SRC=NONE.PNG>", a, u""), u"");
  EXPECT_EQ(Insert(u"<IMG SRC=NONE.PNG>", a, u"x"), u"");
}

}  // namespace
}  // namespace skeinlet::detail
