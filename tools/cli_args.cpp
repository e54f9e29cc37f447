#include "cli_args.hpp"

#include <algorithm>

namespace skeinlet::cli {

namespace {

using enum Option;

constexpr std::array<OptionInfo, kOptionCount> kOptions = {{
    {Title, "--title", "mHTML_Title", "document title, inserted as given"},
    {Colour, "--colour", "mHTML_Colour", "background: name, hex or number"},
    {Generator, "--generator", "mGenerator", "GENERATOR meta tag text"},
    {Links, "--links", "mLinks", "yes: link web and e-mail addresses"},
    {Debug, "--debug", "mDoDebug", "yes: write a dump of the input"},
    {Images, "--images", "mConvertImages", "yes: write pictures to files"},
    {ImageFolder, "--image-folder", "mImageFolder", "folder for image files"},
    {ImageFormat, "--image-format", "mImageFormat", "png: PNG, else JPEG"},
    {ImageName, "--image-name", "mImageName", "base name of image files"},
    {Clean, "--clean", "mCleanRTF", "yes: clean up the RTF first"},
    {Xhtml, "--xhtml", "mDoXHTML", "yes: XHTML output"},
    {Border, "--border", "mDo_Border", "yes: draw table borders"},
}};

constexpr Option kRtfOptions[] = {Title, Colour,   Generator,   Links,
                                  Debug, Images,   ImageFolder, ImageFormat,
                                  Clean, ImageName};
constexpr Option kNoBodyOptions[] = {Title, Colour,    Generator,   Links,
                                     Debug, Images,    ImageFolder, ImageFormat,
                                     Clean, ImageName, Xhtml};
constexpr Option kHeaderOptions[] = {Title,       Colour,      Generator,
                                     Links,       Debug,       Images,
                                     ImageFolder, ImageFormat, ImageName};
constexpr Option kPlainOptions[] = {Title, Colour, Generator, Links, Debug};
constexpr Option kHtml2RtfOptions[] = {ImageFolder, Border};

constexpr std::array<Subcommand, 8> kSubcommands = {{
    {"rtf2html", Method::ConvertRTF, "ConvertRTF",
     "RTF to a complete HTML document", "RTF", kRtfOptions,
     "skeinlet rtf2html --title Report --links yes report.rtf -o "
     "report.html",
     false},
    {"rtf2raw", Method::ConvertRawHTML, "ConvertRawHTML",
     "RTF to HTML without the html/head frame", "RTF", kRtfOptions,
     "skeinlet rtf2raw --colour=-2147483643 letter.rtf > fragment.html", false},
    {"rtf2body", Method::ConvertNoBody, "ConvertNoBody",
     "RTF to the inner part of the body only", "RTF", kNoBodyOptions,
     "skeinlet rtf2body --xhtml yes note.rtf -o body.html", false},
    {"rtf2xhtml", Method::ConvertRTFXHTML, "ConvertRTFXHTML",
     "RTF to an XHTML document", "RTF", kRtfOptions,
     "skeinlet rtf2xhtml --title Minutes minutes.rtf -o minutes.xhtml", false},
    {"rtfheader", Method::ConvertRTFHeader, "ConvertRTFHeader",
     "the page header of an RTF document to HTML", "RTF", kHeaderOptions,
     "skeinlet rtfheader report.rtf -o header.html", false},
    {"plain2html", Method::ConvertPlainHTML, "ConvertPlainHTML",
     "plain text to a complete HTML document", "plain text", kPlainOptions,
     "skeinlet plain2html --title Notes --links yes notes.txt -o notes.html",
     false},
    {"rtf2text",
     Method::ConvertRTFPlain,
     "ConvertRTFPlain",
     "RTF to plain text",
     "RTF",
     {},
     "skeinlet rtf2text report.rtf -o report.txt",
     false},
    {"html2rtf", Method::ConvertHTML2RTF, "ConvertHTML2RTF", "HTML to RTF",
     "HTML", kHtml2RtfOptions,
     "skeinlet html2rtf --border yes --image-folder images page.html -o "
     "page.rtf",
     true},
}};

// A long option of the tool itself, spelled --name VALUE or --name=VALUE.
enum class Own { None, InputEncoding, Output, OutDir, Jobs };

Own FindOwn(std::string_view flag) {
  if (flag == "--input-encoding") return Own::InputEncoding;
  if (flag == "--output") return Own::Output;
  if (flag == "--out-dir") return Own::OutDir;
  if (flag == "--jobs") return Own::Jobs;
  return Own::None;
}

bool SetSwitch(Invocation& inv, std::string_view arg) {
  using Progress = Invocation::Progress;
  if (arg == "--keep-going") inv.keep_going = true;
  else if (arg == "--force") inv.force = true;
  else if (arg == "--progress") inv.progress = Progress::Always;
  else if (arg == "--no-progress") inv.progress = Progress::Never;
  else return false;
  return true;
}

std::string Quoted(std::string_view s) {
  std::string out = "'";
  out += s;
  out += '\'';
  return out;
}

[[noreturn]] void Fail(std::string message) {
  throw UsageError(std::move(message));
}

unsigned ParseJobs(std::string_view n) {
  const bool digits = !n.empty() && n.size() <= 4 &&
                      n.find_first_not_of("0123456789") == std::string_view::npos;
  unsigned jobs = 0;
  if (digits)
    for (const char c : n) jobs = jobs * 10 + static_cast<unsigned>(c - '0');
  if (jobs < 1 || jobs > 1000)
    Fail("--jobs takes a number from 1 to 1000, not " + Quoted(n));
  return jobs;
}

// The value of an option written without '=': the next argument, which
// must not look like an option (such values go after '=').
std::string_view NextValue(std::span<const std::string_view> args,
                           std::size_t& i, std::string_view flag) {
  if (i + 1 >= args.size())
    Fail("option " + std::string(flag) + " needs a value");
  const std::string_view value = args[i + 1];
  if (value.starts_with('-')) {
    Fail("option " + std::string(flag) + " needs a value; write " +
         std::string(flag) + "=VALUE for a value that begins with '-'");
  }
  ++i;
  return value;
}

void AppendPadded(std::string& out, std::string_view left, std::size_t width,
                  std::string_view right) {
  out += "  ";
  out += left;
  out.append(left.size() < width ? width - left.size() : 1, ' ');
  out += right;
  out += '\n';
}

}  // namespace

std::span<const OptionInfo> Options() { return kOptions; }

const OptionInfo& Describe(Option option) {
  return kOptions[static_cast<std::size_t>(option)];
}

const OptionInfo* FindOption(std::string_view flag) {
  for (const OptionInfo& info : kOptions) {
    if (info.flag == flag) return &info;
  }
  return nullptr;
}

std::span<const Subcommand> Subcommands() { return kSubcommands; }

const Subcommand* FindSubcommand(std::string_view name) {
  for (const Subcommand& command : kSubcommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

bool Accepts(const Subcommand& command, Option option) {
  return std::ranges::find(command.options, option) != command.options.end();
}

const std::string& Invocation::Value(Option option) const {
  static const std::string kEmpty;
  const auto& value = values[static_cast<std::size_t>(option)];
  return value ? *value : kEmpty;
}

Invocation ParseArguments(std::span<const std::string_view> args) {
  Invocation inv;
  if (args.empty()) Fail("no command given");

  const std::string_view first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    inv.action = Invocation::Action::Help;
    return inv;
  }
  if (first == "--version") {
    inv.action = Invocation::Action::Version;
    return inv;
  }
  inv.command = FindSubcommand(first);
  if (inv.command == nullptr) {
    if (first.starts_with('-')) Fail("unknown option " + Quoted(first));
    Fail("unknown command " + Quoted(first));
  }
  const Subcommand& command = *inv.command;

  // Asking for help wins over anything else on the line, so that a user
  // who got an option wrong can append --help to the same command.
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      inv.action = Invocation::Action::Help;
      return inv;
    }
  }

  bool have_input = false;
  bool options_done = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];

    if (options_done || arg == "-" || !arg.starts_with('-')) {
      inv.inputs.emplace_back(arg);
      if (!have_input) inv.input = std::string(arg);
      have_input = true;
      continue;
    }
    if (SetSwitch(inv, arg)) continue;
    if (arg == "-j") {
      inv.jobs = ParseJobs(NextValue(args, i, arg));
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    if (arg == "--version") {
      inv.action = Invocation::Action::Version;
      return inv;
    }
    if (arg == "-o") {
      inv.output = std::string(NextValue(args, i, arg));
      continue;
    }
    if (!arg.starts_with("--")) Fail("unknown option " + Quoted(arg));

    const std::size_t eq = arg.find('=');
    const std::string_view flag = arg.substr(0, eq);
    const bool has_inline_value = eq != std::string_view::npos;
    const auto value = [&]() -> std::string_view {
      return has_inline_value ? arg.substr(eq + 1) : NextValue(args, i, flag);
    };

    if (const OptionInfo* info = FindOption(flag)) {
      if (!Accepts(command, info->option)) {
        Fail(std::string(command.name) + " does not take " + std::string(flag) +
             " (" + std::string(command.method_name) + " has no " +
             std::string(info->parameter) + ")");
      }
      inv.values[static_cast<std::size_t>(info->option)] = std::string(value());
      continue;
    }
    switch (FindOwn(flag)) {
      case Own::InputEncoding: {
        const std::string_view name = value();
        const auto encoding = ParseInputEncoding(name);
        if (!encoding) {
          Fail("unknown input encoding " + Quoted(name) +
               " (use utf-8 or cp1252)");
        }
        inv.encoding = *encoding;
        continue;
      }
      case Own::Output:
        inv.output = std::string(value());
        continue;
      case Own::OutDir:
        inv.out_dir = std::string(value());
        continue;
      case Own::Jobs:
        inv.jobs = ParseJobs(value());
        continue;
      case Own::None:
        break;
    }
    Fail("unknown option " + Quoted(flag));
  }
  if (inv.out_dir) {
    if (inv.output) Fail("-o names one output file; with --out-dir each input gets its own");
    if (inv.inputs.empty()) Fail("--out-dir needs at least one input file or folder");
    for (const std::string& input : inv.inputs)
      if (input == "-") Fail("standard input cannot be part of a batch (--out-dir)");
  } else if (inv.inputs.size() > 1) {
    Fail("more than one input file (" + Quoted(inv.inputs[0]) + " and " +
         Quoted(inv.inputs[1]) + "); use --out-dir DIR to convert several");
  }
  return inv;
}

Invocation ParseArguments(const std::vector<std::string>& args) {
  const std::vector<std::string_view> views(args.begin(), args.end());
  return ParseArguments(std::span<const std::string_view>(views));
}

std::string OverallHelp() {
  std::string out =
      "Usage: skeinlet COMMAND [OPTIONS] [FILE]\n"
      "       skeinlet COMMAND [OPTIONS] --out-dir DIR FILE|FOLDER...\n"
      "\n"
      "Converts a document read from FILE, or from standard input when FILE\n"
      "is '-' or absent, and writes the result to standard output. With\n"
      "--out-dir, converts every FILE and every document found in each\n"
      "FOLDER into DIR.\n"
      "\n"
      "Commands:\n";
  for (const Subcommand& command : kSubcommands) {
    AppendPadded(out, command.name, 12,
                 std::string(command.summary) + " (" +
                     std::string(command.method_name) + ")");
  }
  out +=
      "\n"
      "Options of every command:\n"
      "  -o, --output FILE       write to FILE instead of standard output\n"
      "  --input-encoding ENC    read the input as utf-8 or cp1252 (default:\n"
      "                          UTF-8 when the input is valid UTF-8, else\n"
      "                          cp1252)\n"
      "  -h, --help              show the options of a command\n"
      "\n"
      "Batch options (with --out-dir):\n"
      "  --out-dir DIR           write each result into DIR, named after its\n"
      "                          input with the command's extension; folders\n"
      "                          keep their layout under DIR\n"
      "  -j, --jobs N            convert N documents at a time (default 1)\n"
      "  --keep-going            go on after a document fails\n"
      "  --force                 replace outputs that exist already\n"
      "  --progress, --no-progress\n"
      "                          show or hide the progress line (default:\n"
      "                          shown when standard error is a terminal)\n"
      "\n"
      "  skeinlet --help         this text\n"
      "  skeinlet --version      the version\n"
      "\n"
      "Examples:\n"
      "  skeinlet rtf2html samples/sample.rtf -o sample.html\n"
      "  skeinlet rtf2html --out-dir html --jobs 2 --keep-going letters/\n"
      "\n"
      "Run 'skeinlet COMMAND --help' for the options of a command.\n";
  return out;
}

std::string CommandHelp(const Subcommand& command) {
  std::string out = "Usage: skeinlet ";
  out += command.name;
  out += " [OPTIONS] [FILE]\n\n";
  out += command.name;
  out += ": ";
  out += command.summary;
  out += " (";
  out += command.method_name;
  out += ").\nReads ";
  out += command.input_kind;
  out += " from FILE, or from standard input when FILE is '-' or absent.\n";
  out += command.writes_rtf ? "Writes Windows-1252 RTF" : "Writes UTF-8";
  out += " to standard output or to -o FILE.\n\n";
  if (!command.options.empty()) {
    out +=
        "Converter options, each the method parameter named beside it; a\n"
        "value is passed on exactly as given, an absent option is empty:\n";
    for (const Option option : command.options) {
      const OptionInfo& info = Describe(option);
      std::string parameter(info.parameter);
      parameter.resize(std::max<std::size_t>(parameter.size() + 1, 16), ' ');
      AppendPadded(out, std::string(info.flag) + " VALUE", 22,
                   parameter + std::string(info.help));
    }
    out += "A value that begins with '-' or a blank goes after '=', as in\n  ";
    out += Accepts(command, Colour) ? "--colour=-2147483633  or  --links=' yes'"
                                    : "--border=' yes'";
    out += "\n\n";
  }
  out +=
      "Other options:\n"
      "  -o, --output FILE     write to FILE instead of standard output\n"
      "  --input-encoding ENC  read the input as utf-8 or cp1252\n"
      "  -h, --help            show this help\n"
      "  --out-dir DIR FILE|FOLDER...  convert many documents into DIR\n"
      "  (with -j N, --keep-going, --force, --progress; see skeinlet --help)\n"
      "\n"
      "Example:\n  ";
  out += command.example;
  out += '\n';
  return out;
}

}  // namespace skeinlet::cli
