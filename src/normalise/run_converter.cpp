// The run converter's interim form: it writes the visible text of a run
// (control words and group braces dropped, "\'hh" as the Windows-1252
// character, "\par" as a line break) so that the frame, the head and the
// body of a conversion can be checked end to end. The control word table,
// the text passes and the code pages replace it.
#include "engine/state.hpp"
#include "normalise/marks.hpp"
#include "normalise/normalise_rtf.hpp"

namespace skeinlet::detail {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Windows-1252 bytes 80..9F; the unassigned ones keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendEscaped(Text& out, char16_t c) {
  switch (c) {
    case u'<': out += u"&lt;"; break;
    case u'>': out += u"&gt;"; break;
    case u'&': out += u"&amp;"; break;
    default: out.push_back(c);
  }
}

}  // namespace

void ConvertRTFRun(Text& run) {
  ReplaceIn(run, EscapedPlainMark, u"\\plain\\");
  ReplaceIn(run, EscapedPardMark, u"\\pard\\");
  ReplaceIn(run, EscapedTabMark, u"\\tab");
  ReplaceIn(run, RunPardMark, u"\\pard\\");
  Text out;
  const std::size_t n = run.size();
  std::size_t i = 0;
  // A run normally begins with the "plain\" left of its boundary.
  if (run.starts_with(u"plain\\")) i = 5;
  while (i < n) {
    const char16_t c = run[i];
    if (c == u'{' || c == u'}' || c == u'\r' || c == u'\n') {
      ++i;
      continue;
    }
    if (c != u'\\') {
      AppendEscaped(out, c);
      ++i;
      continue;
    }
    if (i + 1 >= n) break;
    const char16_t d = run[i + 1];
    if (d == u'\'' && i + 3 < n && HexDigit(run[i + 2]) >= 0 && HexDigit(run[i + 3]) >= 0) {
      const int byte = HexDigit(run[i + 2]) * 16 + HexDigit(run[i + 3]);
      AppendEscaped(out, byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80]
                                                    : static_cast<char16_t>(byte));
      i += 4;
      continue;
    }
    if (!IsLetter(d)) {
      if (d == u'\\' || d == u'{' || d == u'}') AppendEscaped(out, d);
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    while (j < n && IsLetter(run[j])) ++j;
    const TextView word = TextView(run).substr(i + 1, j - i - 1);
    if (j < n && run[j] == u'-') ++j;
    while (j < n && run[j] >= u'0' && run[j] <= u'9') ++j;
    if (j < n && run[j] == u' ') ++j;
    if (word == u"par" || word == u"line") out += u"<br>\r\n";
    else if (word == u"tab") out.push_back(u'\t');
    i = j;
  }
  State().HtmlOut += out;
}

}  // namespace skeinlet::detail
