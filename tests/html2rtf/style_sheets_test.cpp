#include "fresh_state.hpp"
#include "html2rtf/style_sheets.hpp"
#include "platform/style_sheet_files.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace skeinlet::detail {
namespace {

HtmlRtfState& Sheets() {
  HtmlRtfState& s = FreshState();
  s.StyleRules.Redim(0, 0);
  s.StyleRules[0] = StyleSheetRecord{};
  return s;
}

const BoundedArray<StyleRule>& Elements() { return HtmlRtf().StyleRules[0].ElementRules; }

Text Applied(TextView css, TextView body) {
  Sheets();
  HtmlRtf().StyleRules[0].Source = u"HTML";
  ParseStyleSheet(Text(css));
  Text html(body);
  ApplyStyleRules(html);
  return html;
}

TEST(StyleSheets, RulesFromDeclarations) {
  Sheets();
  ParseStyleSheet(
      u"/* a comment { x } */ h1, H2 { font-family: \"Arial\", Helvetica; font-size: 12pt }\r\n"
      u"a:hover { color: red } .note{color:#00FF00} #top{ font-size:10.5pt; color: rgb(0, 0, 255) }"
      u" p { background-color: blue; font-size: 2em } td { font: bold 9pt Verdana }"
      u" em { font: italic 8pt \"Times New Roman\"; color: navy }");
  const StyleSheetRecord& r = HtmlRtf().StyleRules[0];
  ASSERT_EQ(r.ElementRules.UBound(), 5);
  EXPECT_EQ(r.ElementRules[0].Selector, u"");  // the empty first entry
  EXPECT_EQ(r.ElementRules[1].Selector, u"h1");
  EXPECT_EQ(r.ElementRules[2].Selector, u"H2");
  for (int i : {1, 2}) {
    EXPECT_EQ(r.ElementRules[i].Face, u"Arial");
    EXPECT_EQ(r.ElementRules[i].Size, 24);
    EXPECT_EQ(r.ElementRules[i].Colour, u"");
  }
  // BACKGROUND-COLOR is not a colour; em is not a size.
  EXPECT_EQ(r.ElementRules[3].Selector, u"p");
  EXPECT_EQ(r.ElementRules[3].Colour, u"");
  EXPECT_EQ(r.ElementRules[3].Size, 0);
  EXPECT_EQ(r.ElementRules[4].Face, u"Verdana");
  EXPECT_EQ(r.ElementRules[4].Size, 18);
  EXPECT_EQ(r.ElementRules[5].Face, u"Times New Roman");
  EXPECT_EQ(r.ElementRules[5].Size, 16);
  EXPECT_EQ(r.ElementRules[5].Colour, u"000080");
  ASSERT_EQ(r.ClassRules.UBound(), 1);
  EXPECT_EQ(r.ClassRules[1].Selector, u"note");
  EXPECT_EQ(r.ClassRules[1].Colour, u"00FF00");
  ASSERT_EQ(r.IdRules.UBound(), 1);
  EXPECT_EQ(r.IdRules[1].Selector, u"top");
  EXPECT_EQ(r.IdRules[1].Size, 21);
  EXPECT_EQ(r.IdRules[1].Colour, u"0000FF");

  // A "{" without its "}" ends the sheet; the rules before it stay.
  Sheets();
  ParseStyleSheet(u"b { color: red } i { color: blue");
  EXPECT_EQ(Elements().UBound(), 1);
  // Only CR LF is joined: a selector after a bare LF keeps it and matches
  // no tag.
  Sheets();
  ParseStyleSheet(u"b{color:red}\nu{color:red}");
  EXPECT_EQ(Elements()[2].Selector, u"\nu");
}

TEST(StyleSheets, FontTagsInTheBody) {
  EXPECT_EQ(Applied(u"P { color: red; font-size: 12pt }", u"<body><p>a</p><P align=left>b</P></body>"),
            u"<body><p><FONT COLOR=\"ff0000\" SIZEPT=\"24\">a</FONT></p>"
            u"<P align=left><FONT COLOR=\"ff0000\" SIZEPT=\"24\">b</FONT></P></body>");
  // Class, id and qualified element rules; class rules sit innermost.
  EXPECT_EQ(Applied(u"div{font-family:Arial} .x{color:red} #y{font-size:8pt} div.z{color:blue}",
                    u"<div class=\"x\" id=y>1</div><div CLASS = z>2</div><span class='x'>3</span>"),
            u"<div class=\"x\" id=y><FONT FACE=\"Arial\"><FONT SIZEPT=\"16\"><FONT COLOR=\"ff0000\">1"
            u"</FONT></FONT></FONT></div><div CLASS = z><FONT COLOR=\"0000ff\"><FONT FACE=\"Arial\">2"
            u"</FONT></FONT></div><span class='x'>3</span>");
  // A qualified element rule alone still has each tag's ID or CLASS read.
  EXPECT_EQ(Applied(u"div#y{color:red}", u"<div id=y>1</div><div id=z>2</div><div>3</div>"),
            u"<div id=y><FONT COLOR=\"ff0000\">1</FONT></div><div id=z>2</div><div>3</div>");
  EXPECT_EQ(Applied(u"p.k{color:blue}", u"<p class=\"m k\">1</p><p class=m>2</p>"),
            u"<p class=\"m k\"><FONT COLOR=\"0000ff\">1</FONT></p><p class=m>2</p>");
  // Nested elements of one name each get their own end tag; an element never
  // closed ends before the next of its name, the last one before </BODY.
  EXPECT_EQ(Applied(u"div { color: red }", u"<div>a<div>b</div>c</div>"),
            u"<div><FONT COLOR=\"ff0000\">a<div><FONT COLOR=\"ff0000\">b</FONT></div>c</FONT></div>");
  EXPECT_EQ(Applied(u"p { color: red }", u"<body><p>a<p>b</body>"),
            u"<body><p><FONT COLOR=\"ff0000\">a</FONT><p><FONT COLOR=\"ff0000\">b</FONT></body>");
  // An empty element gets its start tags before its closers; elements that
  // end at one place each get their closers there.
  EXPECT_EQ(Applied(u"p { color: red } b { color: blue }", u"<body><b></b><p>a<b>x</body>"),
            u"<body><b><FONT COLOR=\"0000ff\"></FONT></b><p><FONT COLOR=\"ff0000\">a"
            u"<b><FONT COLOR=\"0000ff\">x</FONT></FONT></body>");
  // A later rule for the same selector sits nearer the start tag.
  EXPECT_EQ(Applied(u"b{color:red} b{color:blue} b{}", u"<b>x</b>"),
            u"<b><FONT COLOR=\"0000ff\"><FONT COLOR=\"ff0000\">x</FONT></FONT></b>");
  // Compound selectors and an element that is not a whole name match nothing.
  EXPECT_EQ(Applied(u"div p { color: red } * { color: red }", u"<div><p>x</p></div>"),
            u"<div><p>x</p></div>");
  EXPECT_EQ(Applied(u"p { color: red }", u"<pre>x</pre><param>"), u"<pre>x</pre><param>");
}

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/skeinlet_css_XXXXXX";
    path_ = ::mkdtemp(name) ? name : "";
  }
  ~TempFolder() {
    for (const std::string& f : files_) std::remove(f.c_str());
    ::rmdir((path_ + "/sub").c_str());
    ::rmdir(path_.c_str());
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string f = path_ + "/" + name;
    std::ofstream(f, std::ios::binary) << bytes;
    files_.push_back(f);
    return f;
  }
  void Link(const std::string& name, const std::string& target) {
    const std::string f = path_ + "/" + name;
    if (::symlink(target.c_str(), f.c_str()) == 0) files_.push_back(f);
  }
  Text Folder() const { return Text(path_.begin(), path_.end()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

TEST(StyleSheets, LinkedSheets) {
  TempFolder dir;
  ASSERT_FALSE(dir.Path().empty());
  dir.Write("site.css", "p { color: red }\r\nb { font-family: Arial }");
  ::mkdir((dir.Path() + "/sub").c_str(), 0700);
  dir.Link("dev.css", "/dev/zero");
  dir.Link("folder.css", dir.Path() + "/sub");
  dir.Write("big.css", std::string(kStyleSheetSizeCap + 1, 'x'));
  std::mt19937 random(7);
  std::string noise(100000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  dir.Write("noise.css", noise);

  HtmlRtfState& s = Sheets();
  Text html =
      u"<html><head><STYLE type=text/css><!-- i { color: blue } --></style>"
      u"<link rel=stylesheet type=\"text/css\" href=\"site.css\">"
      u"<link rel=\"stylesheet\" href=\"site.css\">"  // no TEXT/CSS: not used
      u"<LINK REL=STYLESHEET TYPE=TEXT/CSS HREF= missing.css >"
      u"<link rel=stylesheet type=text/css href=sub>"
      u"<link rel=stylesheet type=text/css href=dev.css>"
      u"<link rel=stylesheet type=text/css href=folder.css>"
      u"<link rel=stylesheet type=text/css href=big.css>"
      u"<link rel=stylesheet type=text/css href=noise.css>"
      u"</head><body>";
  ReadStyleSheets(html, dir.Folder());
  ASSERT_EQ(s.StyleRules.UBound(), 7);
  EXPECT_EQ(s.StyleRules[0].Source, u"HTML");
  EXPECT_EQ(s.StyleRules[0].ElementRules[1].Colour, u"0000ff");
  EXPECT_EQ(s.StyleRules[1].Source, dir.Folder() + u"\\site.css");
  EXPECT_EQ(s.StyleRules[1].ElementRules.UBound(), 2);
  EXPECT_EQ(s.StyleRules[1].ElementRules[2].Face, u"Arial");
  EXPECT_EQ(s.StyleRules[2].Source, dir.Folder() + u"\\missing.css");
  for (int i = 2; i <= 6; ++i) EXPECT_FALSE(s.StyleRules[i].ElementRules.Dimensioned()) << i;

  // The first linked sheet reuses the empty first record; a path with a
  // drive letter is taken as it is.
  Sheets();
  Text linked = u"<link rel=stylesheet type=text/css href=\"C:\\x\\y.css\"><body>";
  ReadStyleSheets(linked, dir.Folder());
  EXPECT_EQ(s.StyleRules.UBound(), 0);
  EXPECT_EQ(s.StyleRules[0].Source, u"C:\\x\\y.css");
  EXPECT_EQ(StyleSheetPath(u"C:\\x\\y.css"), "C:/x/y.css");
}

TEST(StyleSheets, BadSheetsStayBounded) {
  // An unterminated STYLE block is not read.
  HtmlRtfState& s = Sheets();
  Text open = u"<style>p{color:red}<body><p>x";
  ReadStyleSheets(open, Text());
  EXPECT_EQ(s.StyleRules[0].Source, u"");
  // Ten thousand selectors in one list.
  Text css;
  for (int i = 0; i < 10000; ++i) css += u".c" + NumberText(i) + u", ";
  css += u"p { color: red }";
  const Text body = Applied(css, u"<p class=c9999>x</p>");
  EXPECT_EQ(HtmlRtf().StyleRules[0].ClassRules.UBound(), 10000);
  EXPECT_EQ(body, u"<p class=c9999><FONT COLOR=\"ff0000\"><FONT COLOR=\"ff0000\">x</FONT></FONT></p>");
  // A size beyond the 16-bit range is an overflow, as the runtime had it.
  Sheets();
  try {
    AddStyleRule(u"p", u"font-size: 40000pt");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

TEST(StyleSheets, ThroughTheConverter) {
  Text html = u"<html><head><style>p { color: red; font-size: 12pt }</style></head>"
              u"<body><p>Hi</p></body></html>";
  Text folder;
  std::int16_t borders = 0;
  const Text rtf = ConvertHtmlToRtf(html, folder, folder, borders);
  // The walk upper-cases the tag, so the colour is a sixth entry "FF0000"
  // beside the start colour "ff0000".
  EXPECT_NE(rtf.find(u"\\red255\\green255\\blue255;\\red255\\green0\\blue0;}"), Text::npos);
  EXPECT_NE(rtf.find(u"\\tx0\\f0\\lang1033\\fs24\\cf6 Hi"), Text::npos);
}

}  // namespace
}  // namespace skeinlet::detail
