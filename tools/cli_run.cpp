#include "cli_run.hpp"

#include "cli_batch.hpp"

#include <cerrno>
#include <cstring>
#include <new>
#include <skeinlet/convert.hpp>
#include <skeinlet/error.hpp>
#include <string>
#include <sys/stat.h>

namespace skeinlet::cli {

namespace {

// A failure to read or write a file, reported without an error number.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string SystemMessage(int error) { return std::strerror(error); }

// Messages are printed on one line whatever the library put in them.
std::string OneLine(std::string_view message) {
  std::string out(message);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

void PrintLine(std::FILE* err, std::string_view message) {
  const std::string line = "skeinlet: " + OneLine(message) + "\n";
  std::fwrite(line.data(), 1, line.size(), err);
  std::fflush(err);
}

// What is left of a regular file from its current position, or 0 when
// that is not known (a pipe, a terminal).
std::size_t RemainingSize(std::FILE* file) {
  struct stat st;
  if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  const off_t at = ftello(file);
  if (at < 0 || st.st_size <= at) return 0;
  return static_cast<std::size_t>(st.st_size - at);
}

std::string ReadStream(std::FILE* file, const std::string& name) {
  std::string bytes;
  // A file whose size is known is read into a block of that size at once:
  // grown by doubling, its text would be copied and its pages zeroed about
  // twice over. What it may hold beyond that size is read as from a pipe.
  if (const std::size_t size = RemainingSize(file); size > 0) {
    bytes.resize(size);
    bytes.resize(std::fread(bytes.data(), 1, size, file));
    if (bytes.size() < size) {
      if (std::ferror(file)) throw IoError("cannot read " + name + ": " + SystemMessage(errno));
      return bytes;
    }
  }
  char buffer[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file)) {
    throw IoError("cannot read " + name + ": " + SystemMessage(errno));
  }
  return bytes;
}

std::string ReadInput(const std::string& path, std::FILE* in) {
  if (path == "-") return ReadStream(in, "standard input");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw IoError("cannot open input file '" + path +
                  "': " + SystemMessage(errno));
  }
  try {
    std::string bytes = ReadStream(file, "input file '" + path + "'");
    std::fclose(file);
    return bytes;
  } catch (...) {
    std::fclose(file);
    throw;
  }
}

void WriteAll(std::FILE* file, std::string_view bytes,
              const std::string& name) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fflush(file) != 0) {
    throw IoError("cannot write " + name + ": " + SystemMessage(errno));
  }
}

void WriteOutput(const std::optional<std::string>& path, std::string_view bytes,
                 std::FILE* out) {
  if (!path) {
    WriteAll(out, bytes, "standard output");
    return;
  }
  std::FILE* file = std::fopen(path->c_str(), "wb");
  if (file == nullptr) {
    throw IoError("cannot open output file '" + *path +
                  "': " + SystemMessage(errno));
  }
  const std::string name = "output file '" + *path + "'";
  try {
    WriteAll(file, bytes, name);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (std::fclose(file) != 0) {
    throw IoError("cannot write " + name + ": " + SystemMessage(errno));
  }
}

// Option values arrive as the shell's bytes; they are read like the input
// (UTF-8 when valid, else Windows-1252) so any byte string gets through.
Text OptionText(const Invocation& inv, Option option) {
  return DecodeInput(inv.Value(option), InputEncoding::Auto);
}

Text Convert(const Invocation& inv, Text document) {
  using enum Option;
  Text title = OptionText(inv, Title);
  Text colour = OptionText(inv, Colour);
  Text generator = OptionText(inv, Generator);
  Text links = OptionText(inv, Links);
  Text debug = OptionText(inv, Debug);
  Text images = OptionText(inv, Images);
  Text folder = OptionText(inv, ImageFolder);
  Text format = OptionText(inv, ImageFormat);
  Text name = OptionText(inv, ImageName);
  Text clean = OptionText(inv, Clean);
  Text xhtml = OptionText(inv, Xhtml);
  Text border = OptionText(inv, Border);

  skeinlet::Convert conv;
  switch (inv.command->method) {
    case Method::ConvertRTF:
      return conv.ConvertRTF(document, title, colour, generator, links, debug,
                             images, folder, format, clean, name);
    case Method::ConvertRTFPlain:
      return conv.ConvertRTFPlain(document);
    case Method::ConvertNoBody:
      return conv.ConvertNoBody(document, title, colour, generator, links,
                                debug, images, folder, format, clean, name,
                                xhtml);
    case Method::ConvertRTFHeader:
      return conv.ConvertRTFHeader(document, title, colour, generator, links,
                                   debug, images, folder, format, name);
    case Method::ConvertRawHTML:
      return conv.ConvertRawHTML(document, title, colour, generator, links,
                                 debug, images, folder, format, clean, name);
    case Method::ConvertHTML2RTF:
      return conv.ConvertHTML2RTF(document, folder, border);
    case Method::ConvertRTFXHTML:
      return conv.ConvertRTFXHTML(document, title, colour, generator, links,
                                  debug, images, folder, format, clean, name);
    case Method::ConvertPlainHTML:
      return conv.ConvertPlainHTML(document, title, colour, generator, links,
                                   debug);
  }
  throw std::logic_error("unhandled command");
}

int RunConversion(const Invocation& inv, std::FILE* in, std::FILE* out) {
  std::string bytes = ReadInput(inv.input, in);
  Text document = DecodeInput(bytes, inv.encoding);
  std::string().swap(bytes);  // the decoded text is all the conversion needs
  const Text result = Convert(inv, std::move(document));
  WriteOutput(inv.output, EncodeOutput(*inv.command, result), out);
  return kExitOk;
}

}  // namespace

Text ConvertDocument(const Invocation& inv, Text document) {
  return Convert(inv, std::move(document));
}

std::string EncodeOutput(const Subcommand& command, TextView result) {
  return command.writes_rtf ? EncodeRtfCp1252(result)
                            : skeinlet::ToUtf8(result);
}

int Run(std::span<const std::string_view> args, std::FILE* in, std::FILE* out,
        std::FILE* err) noexcept {
  try {
    Invocation inv;
    try {
      inv = ParseArguments(args);
    } catch (const UsageError& e) {
      const bool named = !args.empty() && FindSubcommand(args[0]) != nullptr;
      PrintLine(err, std::string(e.what()) + " (try 'skeinlet " +
                         (named ? std::string(args[0]) + " " : std::string()) +
                         "--help')");
      return kExitUsage;
    }
    switch (inv.action) {
      case Invocation::Action::Help: {
        const std::string text =
            inv.command ? CommandHelp(*inv.command) : OverallHelp();
        WriteAll(out, text, "standard output");
        return kExitOk;
      }
      case Invocation::Action::Version: {
        const std::string text = "skeinlet " + std::string(kVersion) + "\n";
        WriteAll(out, text, "standard output");
        return kExitOk;
      }
      case Invocation::Action::Convert:
        if (inv.out_dir) return RunBatch(inv, err);
        return RunConversion(inv, in, out);
    }
    return kExitOk;
  } catch (const skeinlet::Error& e) {
    PrintLine(err,
              "error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const IoError& e) {
    PrintLine(err, e.what());
  } catch (const std::bad_alloc&) {
    PrintLine(err, "out of memory");
  } catch (const std::exception& e) {
    PrintLine(err, e.what());
  } catch (...) {
    PrintLine(err, "unexpected failure");
  }
  return kExitFailure;
}

}  // namespace skeinlet::cli
