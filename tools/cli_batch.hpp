// Batch conversion: many files or folders into one output folder, on
// several threads, with a progress line on a terminal.
//
//   skeinlet rtf2html --out-dir html/ --jobs 2 --keep-going letters/ a.rtf
//
// A folder is searched recursively for the command's input kind (.rtf;
// .html and .htm for html2rtf; .txt for plain2html) and its layout is kept
// under the output folder; a file goes to the top of it. Each output takes
// its input's name with the command's extension. An existing output is
// left alone (and that document fails) unless --force is given.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_args.hpp"

namespace skeinlet::cli {

struct BatchItem {
  std::filesystem::path input;
  std::filesystem::path output;
};

// The documents of a batch, in a stable order. Throws UsageError for an
// input that does not exist.
std::vector<BatchItem> PlanBatch(const Invocation& inv);

// The extension of the command's output, with its dot.
std::string OutputExtension(const Subcommand& command);

// Runs the batch; returns the exit status. Never throws.
int RunBatch(const Invocation& inv, std::FILE* err) noexcept;

}  // namespace skeinlet::cli
