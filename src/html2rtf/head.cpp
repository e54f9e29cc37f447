// What the META tags of the head say: the character set of the page, and
// whether Microsoft Word saved it.
#include "html2rtf/html_to_rtf.hpp"

namespace skeinlet::detail {
namespace {

struct CharsetName {
  TextView Name;
  std::int16_t Charset;
};

constexpr CharsetName kCharsets[] = {
    {u"GB2312", 134},      {u"CSGB2312", 134},
    {u"SHIFT_JIS", 128},   {u"MS_KANJI", 128},    {u"CSSHIFTJIS", 128},
    {u"ISO-2022-KR", 129}, {u"CSISO2022KR", 129}, {u"EUC-KR", 129},
    {u"CSEUCKR", 129},     {u"BIG5", 136},        {u"CSBIG5", 136},
};

// The character set that the value after "CHARSET=" names; 0 when it is not
// closed by a double quote, the one sign that the value was read whole.
std::int16_t NamedCharset(TextView after) {
  const Pos quote = InStr(1, after, u"\"", Compare::Binary);
  if (quote == 0) return 0;
  const Pos semicolon = InStr(1, after, u";", Compare::Binary);
  const Pos end = semicolon != 0 && semicolon < quote ? semicolon : quote;
  const Text name = UCase(after.substr(0, static_cast<std::size_t>(end - 1)));
  for (const CharsetName& c : kCharsets)
    if (name == c.Name) return c.Charset;
  return 0;
}

}  // namespace

bool DetectCharset(Text& html) {
  HtmlRtfState& s = HtmlRtf();
  s.Charset = 0;
  const Pos b = InStr(1, html, u"<BODY", Compare::Text);
  if (b == 0) return false;
  const TextView head = MidView(html, 1, b - 1);
  bool word = false;
  for (Pos m = InStr(1, head, u"<META", Compare::Text); m != 0;
       m = InStr(m + 1, head, u"<META", Compare::Text)) {
    const Pos e = InStr(m + 1, head, u">", Compare::Binary);
    if (e == 0) return false;
    const TextView tag = MidView(head, m, e - m);
    const Pos c = InStr(1, tag, u"CHARSET=", Compare::Text);
    if (s.Charset == 0 && c != 0) s.Charset = NamedCharset(tag.substr(static_cast<std::size_t>(c + 7)));
    if (InStr(1, tag, u"NAME=GENERATOR CONTENT=\"MICROSOFT WORD", Compare::Text) != 0) word = true;
  }
  return word;
}

}  // namespace skeinlet::detail
