// The picture and object stages of NormaliseRTF: removal (P1), extraction
// through ImageExtractor (P2), marking (P3), object unwrapping (P4) and the
// braces after a placeholder (P5).
#include "normalise/normalise_rtf.hpp"

#include "engine/state.hpp"
#include "normalise/marks.hpp"
#include "platform/image_extractor.hpp"
#include "text/rules.hpp"

#include <cstdint>

namespace skeinlet::detail {
namespace {

constexpr TextView kPictureStart = u"{\\pict\\";
constexpr TextView kObjectStart = u"{\\object\\objemb{";
// Each loop gives up after 65 rounds.
constexpr std::int16_t kRoundLimit = 65;

// The open and close marks without their blanks.
constexpr TextView kOpenMarkCore = PictureOpenMark.substr(1);
constexpr TextView kCloseMarkCore = PictureCloseMark.substr(0, PictureCloseMark.size() - 1);

bool Has(TextView text, TextView find) {
  return InStr(1, text, find, Compare::Binary) > 0;
}

// Text before p, then `insert`, then the text after q.
void Splice(Text& rtf, Pos p, Pos q, TextView insert) {
  Text out = Left(rtf, p - 1);
  out += insert;
  out += MidView(rtf, q + 1);
  rtf = std::move(out);
}

bool FormatIsPng(TextView format) { return LCase(Trim(format)) == u"png"; }

}  // namespace

void StageP1(Text& rtf) {
  // One counter for both loops: when the picture loop ends at its limit the
  // object loop does not run.
  std::int16_t counter = 1;
  for (;;) {
    if (!Has(rtf, kPictureStart)) {
      counter = 1;
      break;
    }
    if (counter > kRoundLimit) break;
    const Pos p = InStr(1, rtf, kPictureStart, Compare::Binary);
    const Pos q = InStr(p + 3, rtf, u"}", Compare::Binary);
    ++counter;
    if (q > p) Splice(rtf, p, q, u"");
  }
  for (;;) {
    if (!Has(rtf, kObjectStart) || counter >= kRoundLimit + 1) break;
    ++counter;
    const Pos p = InStr(1, rtf, kObjectStart, Compare::Binary);
    const Pos q = InStr(p + 3, rtf, u"}}", Compare::Binary);
    // Through the first brace of the pair; the second stays.
    if (q > p) Splice(rtf, p, q, u"");
  }
}

void StageP2(Text& rtf) {
  ImageOptionsRecord& options = State().ImageOptions;
  options.ImageFolder += u"\\";
  ReplaceIn(options.ImageFolder, u"\\\\", u"\\", Compare::Text);
  ImageExtractor extractor;
  ReplaceIn(options.ImageName, u"\\", u"", Compare::Text);
  ReplaceIn(options.ImageName, u"/", u"", Compare::Text);
  if (Trim(options.ImageName).empty()) options.ImageName = u"object";
  const std::int16_t formatCode = FormatIsPng(options.ImageFormat) ? 1 : 2;
  const Text prefix = options.ImageFolder + options.ImageName;
  const Text key(ImageExtractorKey);
  static_cast<void>(extractor.Parse(rtf, prefix, 0, formatCode, 100, 1, key));
}

void StageP3(Text& rtf) {
  const ImageOptionsRecord& options = State().ImageOptions;
  const TextView extension = FormatIsPng(options.ImageFormat) ? u".png" : u".jpg";
  // Picture and object removal did not run, so the shared counter is 1.
  std::int16_t counter = 1;
  while (Has(rtf, kPictureStart)) {
    ++counter;
    if (counter > kRoundLimit) break;
    const Pos p = InStr(1, rtf, kPictureStart, Compare::Binary);
    const Pos q = InStr(p + 3, rtf, u"}", Compare::Binary);
    if (q <= p) break;
    const int index = counter - 2;
    Text digits = NumberText(index);
    if (index < 10) digits = u"00" + digits;
    else if (index < 100) digits = u"0" + digits;
    Text path = options.ImageFolder + options.ImageName + digits + Text(extension);
    ReplaceIn(path, u"\\\\\\", u"\\", Compare::Text);
    ReplaceIn(path, u"\\\\", u"\\", Compare::Text);
    ReplaceIn(path, u"\\\\", u"\\", Compare::Text);
    ReplaceIn(path, u"\\", PathSeparatorMark, Compare::Text);
    Splice(rtf, p, q, Text(PictureOpenMark) + path + Text(PictureCloseMark));
  }
}

void StageP4(Text& rtf) {
  ConversionState& state = State();
  std::int16_t counter = 0;
  while (Has(rtf, kObjectStart)) {
    if (Has(rtf, u"{\\*\\objclass Equation")) state.EquationSeen = u"yes";
    ++counter;
    const Pos p = InStr(1, rtf, kObjectStart, Compare::Binary);
    const Pos q = InStr(p + 3, rtf, kOpenMarkCore, Compare::Binary);
    if (counter > kRoundLimit || q <= p) break;
    // The wrapper goes; the placeholder of its result stays, after a blank.
    Splice(rtf, p, q - 1, u" ");
  }
}

void StageP5(IndexedText& rtf) {
  static const RuleTable rules = [] {
    const Text mark(kCloseMarkCore);
    RuleTable t;
    for (const TextView gap : {TextView(u""), TextView(u" ")})
      for (int braces = 5; braces >= 1; --braces)
        t.Add(mark + Text(gap) + Repeat(u"}", braces), PictureCloseMark);
    return t;
  }();
  ApplyGuarded(rtf, kCloseMarkCore, rules);
}

}  // namespace skeinlet::detail
