// Stages 5, 6, 7, 17 and 18 of RtfToHtml: the first clean-up, the link and
// e-mail address passes, the picture placeholders, the link markup passes
// and the default font.
#include "engine/rtf_to_html.hpp"

#include "helpers/links.hpp"
#include "normalise/marks.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

constexpr Rule kFirstCleanup[] = {
    {u"<li></li>", u"", kAll, kText},
    {u"<font FACE=\"0 ", u"<font FACE=\"", kAll, kText},
};

constexpr TextView kOpenMarkCore = PictureOpenMark.substr(1);
constexpr TextView kCloseMarkCore = PictureCloseMark.substr(0, PictureCloseMark.size() - 1);

}  // namespace

void Stage05FirstCleanup(EngineCall& call) { call.Html.Apply(kFirstCleanup); }

void Stage06Links(EngineCall& call) {
  // Every splice the scans make is noted in the text's index, which stays.
  IndexedText& indexed = call.Html;
  indexed.EditNoting([&](Text& html) {
    // Both scans search one working copy. Should either fail, the text is
    // what the copy holds by then.
    LinkScanText doc(std::move(html), LinkScanMode::Edit);
    doc.NoteSplicesTo(&indexed);
    try {
      if (LCase(call.Links) == u"yes") {
        BuildLinkPrefixes();
        BuildLinkTerminators();
        LinkEmailAddresses(doc);
        LinkWebAddresses(doc);
      } else {
        BuildWrappedLinkPrefixes();
        BuildWrappedLinkTerminators();
        LinkWrappedAddresses(doc);
        LinkWrappedAddresses(doc);
      }
    } catch (...) {
      html = doc.Take();
      throw;
    }
    html = doc.Take();
  });
}

void Stage07Placeholders(EngineCall& call) {
  IndexedText& html = call.Html;
  html.Replace(PathSeparatorMark, u"\\", Compare::Text);
  html.Replace(kOpenMarkCore, u"<img border=\"0\" src=\"file:///", Compare::Text);
  // The right-aligned picture's close mark first: the plain one is its
  // start.
  html.Replace(RightPictureCloseMark, u"\"><p align=\"left\">", Compare::Text);
  html.Replace(kCloseMarkCore, call.State.EquationSeen == u"yes" ? u"\"></center>" : u"\">",
               Compare::Text);
}

void Stage17LinkMarkup(EngineCall& call) {
  call.Html.EditReporting([](Text& html) {
    const bool tidied = TidyUnderlinedLinks(html);
    return LinkUnderlinedAddresses(html) || tidied;
  });
}

void Stage18DefaultFont(EngineCall& call) {
  ConversionState& state = call.State;
  IndexedText& html = call.Html;
  if (html.Has(u"<font face=\"", Compare::Text)) return;
  if (state.FontCount <= 0) return;
  const Text face = Trim(state.FontNames[0]);
  if (face.empty()) return;
  const Text body = u"<BODY BGCOLOR=\"#" + call.Colour + u"\">";
  html.Replace(body, body + u"<font face=\"" + face + u"\">", Compare::Text, Occurrences::First);
  html.Replace(u"</body>", u"</font>\r\n</body>", Compare::Text, Occurrences::First);
}

}  // namespace skeinlet::detail
