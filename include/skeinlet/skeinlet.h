/* skeinlet/skeinlet.h - the C interface of Skeinlet.
 *
 * Every function takes its document as UTF-8 bytes with a length (so NUL
 * bytes survive), returns 0 on success and writes a newly allocated UTF-8
 * result (NUL-terminated, length in *out_size) into *out. On failure it
 * returns -1, leaves *out NULL and, when err is not NULL, fills *err with
 * the error number, source and description (new strings: call
 * skeinlet_error_clear before the struct is reused or dropped). No C++
 * exception crosses this interface.
 *
 *   skeinlet_rtf_options opt = {0};   all NULL: every option off / empty
 *   opt.title = "Report";
 *   char *html; size_t n; skeinlet_error err = {0};
 *   if (skeinlet_rtf_to_html(rtf, rtf_size, &opt, &html, &n, &err) == 0) {
 *     fwrite(html, 1, n, stdout);
 *     skeinlet_free(html);
 *   } else {
 *     fprintf(stderr, "error %ld: %s\n", err.number, err.description);
 *     skeinlet_error_clear(&err);
 *   }
 *
 * Calls on different threads share nothing; each thread may convert at
 * the same time as the others.
 */
#ifndef SKEINLET_SKEINLET_H
#define SKEINLET_SKEINLET_H

#include <stddef.h>

#include "skeinlet/version.h"

#if defined(_WIN32)
#define SKEINLET_C_API __declspec(dllexport)
#else
#define SKEINLET_C_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A failure: the legacy error number (5, 6, 9, 13, 429, or an object error
 * such as -2147221504 + 201), its source and its description. The two
 * strings are allocated; skeinlet_error_clear frees them. */
typedef struct skeinlet_error {
  long number;
  char *source;
  char *description;
} skeinlet_error;

/* The string options of the RTF methods, each a NUL-terminated UTF-8
 * string passed to the converter as it is; NULL means "". A flag is on when
 * it reads "yes" (any letter case; the clean flag may also carry blanks). */
typedef struct skeinlet_rtf_options {
  const char *title;
  const char *colour;
  const char *generator;
  const char *links;
  const char *debug;
  const char *images;
  const char *image_folder;
  const char *image_format;
  const char *clean;
  const char *image_name;
  const char *xhtml; /* skeinlet_rtf_to_body only */
} skeinlet_rtf_options;

/* options may be NULL for all-empty options. */
SKEINLET_C_API int skeinlet_rtf_to_html(const char *rtf, size_t rtf_size,
                                        const skeinlet_rtf_options *options,
                                        char **out, size_t *out_size, skeinlet_error *err);
SKEINLET_C_API int skeinlet_rtf_to_raw_html(const char *rtf, size_t rtf_size,
                                            const skeinlet_rtf_options *options,
                                            char **out, size_t *out_size, skeinlet_error *err);
SKEINLET_C_API int skeinlet_rtf_to_body(const char *rtf, size_t rtf_size,
                                        const skeinlet_rtf_options *options,
                                        char **out, size_t *out_size, skeinlet_error *err);
SKEINLET_C_API int skeinlet_rtf_to_xhtml(const char *rtf, size_t rtf_size,
                                         const skeinlet_rtf_options *options,
                                         char **out, size_t *out_size, skeinlet_error *err);
/* The page header; uses every option but clean and xhtml. */
SKEINLET_C_API int skeinlet_rtf_header(const char *rtf, size_t rtf_size,
                                       const skeinlet_rtf_options *options,
                                       char **out, size_t *out_size, skeinlet_error *err);
/* Plain text to HTML; uses title, colour, generator, links and debug. */
SKEINLET_C_API int skeinlet_plain_to_html(const char *text, size_t text_size,
                                          const skeinlet_rtf_options *options,
                                          char **out, size_t *out_size, skeinlet_error *err);
SKEINLET_C_API int skeinlet_rtf_to_text(const char *rtf, size_t rtf_size,
                                        char **out, size_t *out_size, skeinlet_error *err);
/* HTML to RTF. image_folder and border may be NULL. */
SKEINLET_C_API int skeinlet_html_to_rtf(const char *html, size_t html_size,
                                        const char *image_folder, const char *border,
                                        char **out, size_t *out_size, skeinlet_error *err);

/* Frees a result. NULL is allowed. */
SKEINLET_C_API void skeinlet_free(char *result);
/* Frees the strings of an error and zeroes it. NULL is allowed. */
SKEINLET_C_API void skeinlet_error_clear(skeinlet_error *err);
/* SKEINLET_VERSION_STRING of the library actually loaded. */
SKEINLET_C_API const char *skeinlet_version(void);

#ifdef __cplusplus
}
#endif

#endif
