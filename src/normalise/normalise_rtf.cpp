#include "normalise/normalise_rtf.hpp"

#include "engine/state.hpp"
#include "normalise/marks.hpp"
#include "text/errors.hpp"
#include "text/rules.hpp"

#include <functional>

namespace skeinlet::detail {
namespace {

// The run boundary rules, in order.
const RuleTable& RunBoundaryRules() {
  static const RuleTable table = [] {
    RuleTable t;
    t.Add(u"\\\\plain\\\\", EscapedPlainMark);
    t.Add(u"\\\\pard\\\\", EscapedPardMark);
    t.Add(u"\\pard\\", u"\\plain\\pard\\");
    t.Add(u"\\pard\\qc\\plain\\", u"\\plain\\pard\\qc\\");
    t.Add(u"\\pard\\qr\\plain\\", u"\\plain\\pard\\qr\\");
    t.Add(u"\\pard\\plain\\", u"\\plain\\pard\\");
    t.Add(u"plain\\plain", u"plain");
    // Rules 8 to 15: \viewkind4 down to 1 with \uc1, then 1 up to 4 with
    // \uc2.
    auto addViewKinds = [&t](int uc, int firstKind, int lastKind) {
      for (const int kind : Range(firstKind, lastKind))
        t.Add(u"\\viewkind" + NumberText(kind) + u"\\uc" + NumberText(uc) +
                  u"\\plain\\",
              u"\\plain\\pard\\");
    };
    addViewKinds(1, 4, 1);
    addViewKinds(2, 1, 4);
    return t;
  }();
  return table;
}

// Step 22: the bullet mark that opens the document body loses the
// "\plain\pard " after it.
void TidyBodyBullet(IndexedText& rtf) {
  static const Text find =
      Text(u"\\viewkind4\\uc1") + Text(BulletItemMark) + u"\\plain\\pard ";
  static const Text replace =
      Text(u"\\viewkind4\\uc1 ") + Text(BulletItemMark) + u" ";
  rtf.Replace(find, replace, Compare::Text);
}

}  // namespace

void CutRuns(const Text& rtf, Pos start,
             const std::function<void(Text& run)>& convert) {
  constexpr TextView kBoundary = u"\\plain\\";
  // Both of a run's first replacements look for an escaped backslash; in a
  // document without one (most) no run holds them. Only a backslash
  // lower-cases to a backslash.
  const bool escapedBackslash = FindIndex(rtf, u"\\\\", 0, Compare::Binary) != TextView::npos;
  Pos previous = -1;
  // One text for every run: the converter hands back room it no longer
  // needs, and the next run is copied into it.
  Text run;
  for (;;) {
    if (start == 0) start = 1;
    const Pos next = InStr(start, rtf, kBoundary, Compare::Binary);
    if (next != previous) {
      run.assign(next == 0 ? MidView(rtf, start) : MidView(rtf, start, next - start));
      if (escapedBackslash) {
        ReplaceIn(run, u"\\\\tab", EscapedTabMark, Compare::Text);
        ReplaceIn(run, u"\\\\pard\\\\", RunPardMark, Compare::Text);
      }
      try {
        convert(run);
      } catch (const Error&) {
        // An error inside the run converter abandons this run only.
      }
      if (next == 0) return;
      previous = next;
    }
    start = next + 1;
  }
}

void MarkRunBoundaries(IndexedText& rtf) {
  for (const Rule& rule : RunBoundaryRules().rules())
    SkipOnError([&] { rtf.Apply(rule); });
}

Text ExpandCaps(Text rtf) {
  constexpr TextView kOpen = u"\\caps ";
  constexpr TextView kClose = u"\\caps0 ";
  Pos search = 1;
  while (search <= Len(rtf) && InStr(search, rtf, kClose, Compare::Binary) > 0) {
    const Pos open = InStr(search, rtf, kOpen, Compare::Binary);
    const Pos close = InStr(search, rtf, kClose, Compare::Binary);
    if (open == 0 || close == 0) break;
    if (open == 1) break;
    if (open >= close) break;
    const Pos spanStart = open + Len(kOpen);
    Text rewritten = Left(rtf, open - 1);
    rewritten += UCase(MidView(rtf, spanStart, close - spanStart));
    rewritten += MidView(rtf, close + Len(kClose));
    rtf = std::move(rewritten);
    if (open > Len(rtf) || InStr(open, rtf, kClose, Compare::Binary) == 0) break;
    search = open;
  }
  return rtf;
}

void NormaliseRTF(Text& rtf) {
  ConversionState& state = State();
  // Each statement runs on its own: one that fails is skipped and the next
  // one runs, so the run loop always produces the body.
  auto step = [](auto&& statement) { SkipOnError(statement); };

  step([&] { state.EquationSeen = u"no"; });                           // 1
  if (LCase(state.ImageOptions.ConvertImages) != u"yes") {
    step([&] { StageP1(rtf); });                                       // 2
  } else {
    step([&] {                                                         // 3
      if (Contains(rtf, u"{\\pict\\", Compare::Binary)) StageP2(rtf);
    });
    step([&] { StageP3(rtf); });
    step([&] { StageP4(rtf); });
  }
  step([&] {                                                           // 4
    if (Contains(rtf, u"\\caps0 ", Compare::Binary)) rtf = ExpandCaps(std::move(rtf));
  });
  // Steps 5 to 22 search one index of the text, kept up to date by their
  // replacements.
  IndexedText indexed(rtf);
  step([&] { BlockG1(indexed); });                                     // 5
  step([&] { BlockL1(indexed); });                                     // 6
  step([&] { BlockL2(indexed); });
  step([&] { BlockS1(indexed); });                                     // 7
  step([&] { BlockL3(indexed); });                                     // 8
  step([&] { BlockT1(indexed); });                                     // 9
  step([&] { BlockL4(indexed); });                                     // 10
  step([&] { BlockF1(indexed); });                                     // 11
  step([&] { BlockL5(indexed); });                                     // 12
  step([&] { BlockL6(indexed); });
  step([&] { BlockL7(indexed); });
  step([&] { BlockL8(indexed); });
  step([&] { BlockL9(indexed); });
  step([&] { BlockH1(indexed); });                                     // 13
  step([&] { BlockL10(indexed); });
  step([&] { BlockB1(indexed); });                                     // 14
  step([&] { BlockT2(indexed); });
  step([&] { StageP5(indexed); });                                     // 15
  step([&] { BlockH2(indexed); });                                     // 16
  step([&] { BlockG2(indexed); });                                     // 17
  step([&] { BlockT3(indexed); });
  step([&] { BlockL11(indexed); });                                    // 18
  step([&] { BlockL12(indexed); });
  MarkRunBoundaries(indexed);                                          // 19
  step([&] { BlockL13(indexed); });                                    // 20
  step([&] { BlockD1(indexed); });                                     // 21
  step([&] { BlockB2(indexed); });
  step([&] { BlockF2(indexed); });
  step([&] { TidyBodyBullet(indexed); });                              // 22
  step([&] { state.ParagraphOpen = u"no"; });                          // 23
  // The runs' HTML is about as long as the RTF they come from (a rich edit
  // document) or shorter (Word's); room for a quarter more up front spares
  // HtmlOut the moves of growing by doubling, each of which holds the old
  // and the new text at once. Room never written costs address space only.
  const std::size_t body = rtf.size();
  state.HtmlOut.reserve(state.HtmlOut.size() + body + body / 4 + 4096);
  step([&] { CutRuns(rtf, state.ColourTableEnd, ConvertRTFRun); });   // 24
}

}  // namespace skeinlet::detail
