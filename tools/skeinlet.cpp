// skeinlet: the command-line front end of the library. See
// `skeinlet --help` and tools/cli_args.hpp.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli_run.hpp"

int main(int argc, char** argv) {
  std::vector<std::string_view> args;
  try {
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  } catch (...) {
    std::fputs("skeinlet: out of memory\n", stderr);
    return skeinlet::cli::kExitFailure;
  }
  return skeinlet::cli::Run(args, stdin, stdout, stderr);
}
