// Runs one command line of the skeinlet tool against the library.
#pragma once

#include <cstdio>
#include <span>
#include <string_view>

#include "cli_args.hpp"

namespace skeinlet::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // conversion or I/O error
inline constexpr int kExitUsage = 2;

// args excludes the program name. Never throws: every failure is one line
// on err and a non-zero status.
int Run(std::span<const std::string_view> args, std::FILE* in, std::FILE* out,
        std::FILE* err) noexcept;

// One conversion with the options of the command line. Throws
// skeinlet::Error.
Text ConvertDocument(const Invocation& inv, Text document);

// The text that a conversion hands back, as bytes: Windows-1252 with \uN?
// escapes for RTF, UTF-8 for everything else.
std::string EncodeOutput(const Subcommand& command, TextView result);

}  // namespace skeinlet::cli
