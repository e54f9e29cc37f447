// The C interface: UTF-8 in, UTF-8 out, errors as values.
#include <skeinlet/skeinlet.h>

#include <skeinlet/convert.hpp>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>

namespace {

using skeinlet::Convert;
using skeinlet::Text;

char* Duplicate(std::string_view s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p == nullptr) return nullptr;
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  p[s.size()] = '\0';
  return p;
}

void Report(skeinlet_error* err, long number, std::string_view source,
            std::string_view description) {
  // The error struct may hold anything before the call: it is written,
  // never freed, here.
  if (err == nullptr) return;
  err->number = number;
  err->source = Duplicate(source);
  err->description = Duplicate(description);
}

Text Arg(const char* s) { return s == nullptr ? Text() : skeinlet::FromUtf8(s); }

Text Document(const char* data, size_t size) {
  if (data == nullptr) return Text();
  return skeinlet::FromUtf8(std::string_view(data, size));
}

// Runs one conversion and turns every outcome into a return code.
template <typename Call>
int Run(char** out, size_t* out_size, skeinlet_error* err, Call&& call) {
  if (out != nullptr) *out = nullptr;
  if (out_size != nullptr) *out_size = 0;
  if (out == nullptr) {
    Report(err, skeinlet::Error::kInvalidCall, skeinlet::Error::kDefaultSource,
           "no place for the result (out is NULL)");
    return -1;
  }
  try {
    const std::string result = skeinlet::ToUtf8(call());
    char* copy = Duplicate(result);
    if (copy == nullptr) throw std::bad_alloc();
    *out = copy;
    if (out_size != nullptr) *out_size = result.size();
    return 0;
  } catch (const skeinlet::Error& e) {
    Report(err, e.number(), e.source(), e.description());
  } catch (const std::bad_alloc&) {
    Report(err, 7, skeinlet::Error::kDefaultSource, "Out of memory");
  } catch (const std::exception& e) {
    Report(err, 51, skeinlet::Error::kDefaultSource,
           std::string("Internal error: ") + e.what());
  } catch (...) {
    Report(err, 51, skeinlet::Error::kDefaultSource, "Internal error");
  }
  return -1;
}

// The options as the by-reference strings the methods take.
struct RtfArgs {
  Text rtf, title, colour, generator, links, debug, images, folder, format,
      clean, name, xhtml;
  RtfArgs(const char* data, size_t size, const skeinlet_rtf_options* o)
      : rtf(Document(data, size)) {
    if (o == nullptr) return;
    title = Arg(o->title);
    colour = Arg(o->colour);
    generator = Arg(o->generator);
    links = Arg(o->links);
    debug = Arg(o->debug);
    images = Arg(o->images);
    folder = Arg(o->image_folder);
    format = Arg(o->image_format);
    clean = Arg(o->clean);
    name = Arg(o->image_name);
    xhtml = Arg(o->xhtml);
  }
};

}  // namespace

extern "C" {

int skeinlet_rtf_to_html(const char* rtf, size_t rtf_size, const skeinlet_rtf_options* options,
                         char** out, size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(rtf, rtf_size, options);
    return Convert().ConvertRTF(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                                a.images, a.folder, a.format, a.clean, a.name);
  });
}

int skeinlet_rtf_to_raw_html(const char* rtf, size_t rtf_size,
                             const skeinlet_rtf_options* options, char** out,
                             size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(rtf, rtf_size, options);
    return Convert().ConvertRawHTML(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                                    a.images, a.folder, a.format, a.clean, a.name);
  });
}

int skeinlet_rtf_to_body(const char* rtf, size_t rtf_size, const skeinlet_rtf_options* options,
                         char** out, size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(rtf, rtf_size, options);
    return Convert().ConvertNoBody(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                                   a.images, a.folder, a.format, a.clean, a.name, a.xhtml);
  });
}

int skeinlet_rtf_to_xhtml(const char* rtf, size_t rtf_size, const skeinlet_rtf_options* options,
                          char** out, size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(rtf, rtf_size, options);
    return Convert().ConvertRTFXHTML(a.rtf, a.title, a.colour, a.generator, a.links, a.debug,
                                     a.images, a.folder, a.format, a.clean, a.name);
  });
}

int skeinlet_rtf_header(const char* rtf, size_t rtf_size, const skeinlet_rtf_options* options,
                        char** out, size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(rtf, rtf_size, options);
    return Convert().ConvertRTFHeader(a.rtf, a.title, a.colour, a.generator, a.links,
                                      a.debug, a.images, a.folder, a.format, a.name);
  });
}

int skeinlet_plain_to_html(const char* text, size_t text_size,
                           const skeinlet_rtf_options* options, char** out,
                           size_t* out_size, skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    RtfArgs a(text, text_size, options);
    return Convert().ConvertPlainHTML(a.rtf, a.title, a.colour, a.generator, a.links,
                                      a.debug);
  });
}

int skeinlet_rtf_to_text(const char* rtf, size_t rtf_size, char** out, size_t* out_size,
                         skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    Text doc = Document(rtf, rtf_size);
    return Convert().ConvertRTFPlain(doc);
  });
}

int skeinlet_html_to_rtf(const char* html, size_t html_size, const char* image_folder,
                         const char* border, char** out, size_t* out_size,
                         skeinlet_error* err) {
  return Run(out, out_size, err, [&] {
    Text doc = Document(html, html_size);
    Text folder = Arg(image_folder);
    Text doBorder = Arg(border);
    return Convert().ConvertHTML2RTF(doc, folder, doBorder);
  });
}

void skeinlet_free(char* result) { std::free(result); }

void skeinlet_error_clear(skeinlet_error* err) {
  if (err == nullptr) return;
  std::free(err->source);
  std::free(err->description);
  err->number = 0;
  err->source = nullptr;
  err->description = nullptr;
}

const char* skeinlet_version(void) { return SKEINLET_VERSION_STRING; }

}  // extern "C"
