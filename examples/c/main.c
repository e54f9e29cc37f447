/* Converts an RTF file to HTML and to plain text with the C interface.
 * Build: cc main.c $(pkg-config --cflags --libs skeinlet) */
#include <skeinlet/skeinlet.h>

#include <stdio.h>
#include <stdlib.h>

static char *read_file(const char *path, size_t *size) {
  FILE *f = fopen(path, "rb");
  if (f == NULL) return NULL;
  char *data = NULL;
  size_t used = 0, cap = 0;
  for (;;) {
    if (used == cap) {
      cap = cap ? cap * 2 : 65536;
      char *grown = realloc(data, cap);
      if (grown == NULL) { free(data); fclose(f); return NULL; }
      data = grown;
    }
    size_t n = fread(data + used, 1, cap - used, f);
    used += n;
    if (n == 0) break;
  }
  fclose(f);
  *size = used;
  return data;
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FILE.rtf\n", argv[0]);
    return 2;
  }
  size_t size = 0;
  char *rtf = read_file(argv[1], &size);
  if (rtf == NULL) { perror(argv[1]); return 1; }

  skeinlet_rtf_options options = {0};
  options.title = "Example";
  options.colour = "white";
  char *out = NULL;
  size_t out_size = 0;
  skeinlet_error err = {0};
  int status = 0;
  if (skeinlet_rtf_to_html(rtf, size, &options, &out, &out_size, &err) == 0) {
    fwrite(out, 1, out_size, stdout);
    skeinlet_free(out);
  } else {
    fprintf(stderr, "error %ld (%s): %s\n", err.number, err.source, err.description);
    skeinlet_error_clear(&err);
    status = 1;
  }
  if (skeinlet_rtf_to_text(rtf, size, &out, &out_size, &err) == 0) {
    fprintf(stderr, "skeinlet %s: %zu bytes of plain text\n", skeinlet_version(), out_size);
    skeinlet_free(out);
  } else {
    skeinlet_error_clear(&err);
    status = 1;
  }
  free(rtf);
  return status;
}
