// skeinlet: the command-line front end of the library. See
// `skeinlet --help` and tools/cli_args.hpp.
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string_view>
#include <vector>

#include "cli_run.hpp"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A conversion holds a few texts as large as the document at once and
  // lets them go in turn. Served by their own mappings, each is returned as
  // soon as it is freed; otherwise glibc raises its threshold after the
  // first such free and later ones stay in the heap, which then only grows.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  std::vector<std::string_view> args;
  try {
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  } catch (...) {
    std::fputs("skeinlet: out of memory\n", stderr);
    return skeinlet::cli::kExitFailure;
  }
  return skeinlet::cli::Run(args, stdin, stdout, stderr);
}
