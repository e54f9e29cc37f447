#include "platform/tidy_xhtml.hpp"

#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

#include <skeinlet/convert.hpp>

#include "text/errors.hpp"

#include <clocale>
#include <memory>
#include <mutex>
#include <string>

namespace skeinlet::detail {
namespace {

struct DocDeleter {
  void operator()(TidyDoc* doc) const {
    tidyRelease(*doc);
    delete doc;
  }
};

struct Buffer {
  TidyBuffer buf{};
  Buffer() { tidyBufInit(&buf); }
  ~Buffer() { tidyBufFree(&buf); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
};

[[noreturn]] void Fail(const std::string& why) {
  RaiseError(Error::kInvalidCall, "TidyDLL_ToXHTML",
             "The XHTML converter failed: " + why);
}

// Options are set by value text, which every option type accepts (some
// switches are three-way "auto" options in one libtidy release and plain
// booleans in another).
void Set(TidyDoc doc, TidyOptionId id, bool value) {
  if (!tidyOptSetValue(doc, id, value ? "yes" : "no")) Fail("option not accepted");
}

// Tidy ends its document with "</body>", a line break, "</html>" and a line
// break. Rewrite that as "</body></html>" so the tail has a fixed length.
void ShapeTail(std::string& out) {
  auto isSpace = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
  std::size_t end = out.size();
  while (end > 0 && isSpace(out[end - 1])) --end;
  constexpr std::string_view kHtml = "</html>";
  constexpr std::string_view kBody = "</body>";
  if (end < kHtml.size() || std::string_view(out).substr(end - kHtml.size(), kHtml.size()) != kHtml) {
    out.resize(end);
    out += "</body></html>";
    return;
  }
  std::size_t mid = end - kHtml.size();
  while (mid > 0 && isSpace(out[mid - 1])) --mid;
  if (mid >= kBody.size() && std::string_view(out).substr(mid - kBody.size(), kBody.size()) == kBody) {
    out.resize(mid);
    out += "</html>";
  } else {
    out.resize(mid);
    out += "</body></html>";
  }
}

// libtidy's tidyCreate sets the process locale from the environment
// (setlocale(LC_ALL, "")) to choose its message language, and leaves it
// so. A library must not change its host's locale, and setlocale is not
// safe to call from several threads at once: documents are created one at
// a time, and the host's locale is put back straight after.
TidyDoc CreateDoc() {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const char* current = std::setlocale(LC_ALL, nullptr);
  const std::string saved = current != nullptr ? current : "C";
  TidyDoc doc = tidyCreate();
  std::setlocale(LC_ALL, saved.c_str());
  return doc;
}

}  // namespace

Text TidyDLL_ToXHTML(TextView html) {
  std::unique_ptr<TidyDoc, DocDeleter> holder(new TidyDoc(CreateDoc()));
  TidyDoc doc = *holder;

  Set(doc, TidyXhtmlOut, true);
  Set(doc, TidyForceOutput, true);     // always a document, whatever the input
  Set(doc, TidyQuiet, true);
  Set(doc, TidyShowWarnings, false);
  Set(doc, TidyMark, false);           // no generator meta tag of its own
  Set(doc, TidyNumEntities, true);     // &nbsp; -> &#160;: well-formed XML
  Set(doc, TidyDropEmptyParas, false); // empty paragraphs are spacing
  Set(doc, TidyDropEmptyElems, false);
  Set(doc, TidyFixComments, true);
  // The engine writes presentational markup (font tags, body colours):
  // the transitional document type is the one that describes it.
  if (!tidyOptSetValue(doc, TidyDoctype, "transitional")) Fail("option not accepted");
  if (!tidyOptSetInt(doc, TidyWrapLen, 0)) Fail("option not accepted");
  if (!tidyOptSetInt(doc, TidyShowErrors, 0)) Fail("option not accepted");
  if (tidySetCharEncoding(doc, "utf8") < 0) Fail("no UTF-8 encoding");

  // Tidy's diagnostics go into a buffer that is thrown away.
  Buffer errors;
  tidySetErrorBuffer(doc, &errors.buf);

  // XML has no place for the control characters other than TAB, LF and
  // CR, not even as character references (and libtidy would stop at a NUL):
  // each becomes U+FFFD, so the result stays well-formed.
  std::string in;
  {
    const std::string utf8 = ToUtf8(html);
    in.reserve(utf8.size());
    for (const char c : utf8) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
        in += "\xEF\xBF\xBD";
      else
        in += c;
    }
  }

  if (tidyParseString(doc, in.c_str()) < 0) Fail("the document could not be read");
  if (tidyCleanAndRepair(doc) < 0) Fail("the document could not be repaired");
  Buffer output;
  if (tidySaveBuffer(doc, &output.buf) < 0) Fail("no output was written");

  std::string out(reinterpret_cast<const char*>(output.buf.bp ? output.buf.bp : nullptr),
                  output.buf.bp ? output.buf.size : 0);
  ShapeTail(out);
  return FromUtf8(out);
}

}  // namespace skeinlet::detail
