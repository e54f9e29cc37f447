// IMG tags of HTMLRTFConverter: a local picture becomes the picture group
// that ImageCreator makes of its file; remote pictures are not fetched.
#include "html2rtf/html_to_rtf.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"

namespace skeinlet::detail {
namespace {

constexpr TextView kRemoteSchemes[] = {u"HTTP://", u"HTTPS://", u"FTP://"};
// Taken off a local address in this order, every occurrence.
constexpr TextView kFileSchemes[] = {u"file:///", u"file://", u"file:/"};
constexpr TextView kRemoteStandIn = u".";

// The value of `name` ("SRC", "WIDTH", "HEIGHT") in the upper-cased tag:
// after "NAME=" or "NAME =", one blank skipped, up to the closing double
// quote when it is quoted, else up to the first blank or the tag's end;
// without ">" and double quotes, trimmed. "" without the attribute.
Text ImageAttribute(const Text& tag, TextView name) {
  Pos a = InStr(1, tag, Text(name) + u"=", Compare::Binary);
  if (a == 0) a = InStr(1, tag, Text(name) + u" =", Compare::Binary);
  if (a == 0) return Text();
  const Pos equals = InStr(a, tag, u"=", Compare::Binary);
  Text rest = Mid(tag, equals + 1);
  if (rest.starts_with(u' ')) rest.erase(0, 1);
  Text value;
  if (rest.starts_with(u'"')) {
    const Pos q = InStr(2, rest, u"\"", Compare::Binary);
    value = q == 0 ? Mid(rest, 2) : Mid(rest, 2, q - 2);
  } else {
    const Pos b = InStr(1, rest, u" ", Compare::Binary);
    value = b == 0 ? rest : Left(rest, b - 1);
  }
  ReplaceIn(value, u">", u"", Compare::Binary);
  ReplaceIn(value, u"\"", u"", Compare::Binary);
  return Trim(value);
}

}  // namespace

void InsertImage(const Text& tag, const Text& imageFolder) {
  HtmlRtfState& s = HtmlRtf();
  const Text source = ImageAttribute(tag, u"SRC");
  std::int16_t width = 0;
  std::int16_t height = 0;
  SkipOnError([&] { width = ToInt16(ImageAttribute(tag, u"WIDTH")); });
  SkipOnError([&] { height = ToInt16(ImageAttribute(tag, u"HEIGHT")); });

  const Text upper = UCase(source);
  for (const TextView scheme : kRemoteSchemes) {
    if (upper.starts_with(scheme)) {
      Emit(kRemoteStandIn);
      return;
    }
  }

  Text path;
  if (!Contains(source, u":", Compare::Binary)) {
    path = imageFolder + u"/" + source;
  } else {
    path = source;
    for (const TextView scheme : kFileSchemes) ReplaceIn(path, scheme, u"", Compare::Text);
  }

  if (!s.Images) return;
  Text picture;
  try {
    picture = s.Images->CreateFromFile(path, width, height, 0, 0, false, ImageCreatorKey);
  } catch (const Error&) {
    return;
  }
  if (picture.empty()) return;
  picture.pop_back();
  Emit(picture);
}

}  // namespace skeinlet::detail
