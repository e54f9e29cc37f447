#include "fresh_state.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

struct Detected {
  std::int16_t Charset;
  bool Word;
};
Detected Detect(TextView html) {
  Text t(html);
  const bool word = DetectCharset(t);
  return {HtmlRtf().Charset, word};
}

TEST(Head, CharsetFromMetaTags) {
  struct Case {
    TextView Name;
    std::int16_t Charset;
  };
  for (const Case c : {Case{u"gb2312", 134}, {u"csGB2312", 134}, {u"shift_jis", 128},
                       {u"MS_Kanji", 128}, {u"csShiftJIS", 128}, {u"iso-2022-kr", 129},
                       {u"csISO2022KR", 129}, {u"euc-kr", 129}, {u"csEUCKR", 129},
                       {u"big5", 136}, {u"CSBIG5", 136}, {u"utf-8", 0}, {u"big", 0}}) {
    const Text html = u"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                      Text(c.Name) + u"\"></head><body>x";
    EXPECT_EQ(Detect(html).Charset, c.Charset) << std::string(c.Name.begin(), c.Name.end());
  }
  // A ";" before the quote ends the name.
  EXPECT_EQ(Detect(u"<meta content=\"text/html; charset=euc-kr; x=1\"><body>").Charset, 129);
  // No double quote after CHARSET=: nothing is read.
  EXPECT_EQ(Detect(u"<meta content=text/html;charset=gb2312><body>").Charset, 0);
  // The HTML5 form: the quote comes first and the name read is empty.
  EXPECT_EQ(Detect(u"<meta charset=\"gb2312\"><body>").Charset, 0);
  // The first META that names one wins; META tags after BODY are not read.
  EXPECT_EQ(Detect(u"<meta charset=big5\"><meta charset=gb2312\"><body>").Charset, 136);
  EXPECT_EQ(Detect(u"<head></head><body><meta charset=big5\">").Charset, 0);
  EXPECT_EQ(Detect(u"<meta charset=big5\">").Charset, 0);
}

TEST(Head, WordGenerator) {
  EXPECT_TRUE(Detect(u"<meta name=Generator content=\"Microsoft Word 15\"><body>").Word);
  EXPECT_TRUE(Detect(u"<META NAME=GENERATOR CONTENT=\"MICROSOFT WORD 9\"><meta x><body>").Word);
  EXPECT_FALSE(Detect(u"<meta name=\"Generator\" content=\"Microsoft Word 15\"><body>").Word);
  EXPECT_FALSE(Detect(u"<meta name=Generator content=\"Microsoft Word 15\">").Word);
  // A META without its ">" stops the search and reports no generator.
  const Detected cut = Detect(u"<meta name=Generator content=\"Microsoft Word\"><meta charset=\"<body>");
  EXPECT_FALSE(cut.Word);
}

TEST(Head, CharsetReachesTheHeader) {
  Text html =
      u"<html><head><meta http-equiv=Content-Type content=\"text/html; charset=Shift_JIS\">"
      u"</head><body>x</body></html>";
  Text folder;
  std::int16_t borders = 0;
  const Text rtf = ConvertHtmlToRtf(html, folder, folder, borders);
  EXPECT_NE(rtf.find(u"{\\f0\\fnil\\fcharset128 Times New Roman;}{\\f1\\fnil\\fcharset128 MS Sans"),
            Text::npos);
  EXPECT_NE(rtf.find(u"\r\n\\deflang1041\\pard\\plain\\tx0\\lang1041"), Text::npos);
  EXPECT_EQ(HtmlRtf().LanguageStack[0], u"JA");
}

}  // namespace
}  // namespace skeinlet::detail
