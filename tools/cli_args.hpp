// Command line of the skeinlet tool: one subcommand per public method of
// skeinlet::Convert, one option per string parameter of that method.
//
//   skeinlet rtf2html --title Report --colour=-2147483633 in.rtf -o out.html
//   skeinlet html2rtf --border=' yes' < page.html > page.rtf
//
// Values are kept as the bytes the shell passed; nothing is trimmed or
// lower-cased, because the converter itself decides what a value means.
#pragma once

#include <skeinlet/version.h>

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "encoding.hpp"

namespace skeinlet::cli {

inline constexpr std::string_view kVersion = SKEINLET_VERSION_STRING;

enum class Method {
  ConvertRTF,
  ConvertRTFPlain,
  ConvertNoBody,
  ConvertRTFHeader,
  ConvertRawHTML,
  ConvertHTML2RTF,
  ConvertRTFXHTML,
  ConvertPlainHTML,
};

enum class Option {
  Title,
  Colour,
  Generator,
  Links,
  Debug,
  Images,
  ImageFolder,
  ImageFormat,
  ImageName,
  Clean,
  Xhtml,
  Border,
};
inline constexpr std::size_t kOptionCount = 12;

struct OptionInfo {
  Option option;
  std::string_view flag;       // "--title"
  std::string_view parameter;  // "mHTML_Title"
  std::string_view help;
};

// All twelve, indexed by Option.
std::span<const OptionInfo> Options();
const OptionInfo& Describe(Option option);
const OptionInfo* FindOption(std::string_view flag);

struct Subcommand {
  std::string_view name;  // "rtf2html"
  Method method;
  std::string_view method_name;  // "ConvertRTF"
  std::string_view summary;
  std::string_view input_kind;  // what FILE holds: "RTF", "HTML", "plain text"
  std::span<const Option> options;  // in the method's parameter order
  std::string_view example;
  bool writes_rtf;  // output is RTF (Windows-1252) rather than UTF-8
};

std::span<const Subcommand> Subcommands();
const Subcommand* FindSubcommand(std::string_view name);
bool Accepts(const Subcommand& command, Option option);

struct Invocation {
  enum class Action { Convert, Help, Version };
  Action action = Action::Convert;
  const Subcommand* command = nullptr;  // null: overall help or version
  std::array<std::optional<std::string>, kOptionCount> values;
  std::string input = "-";            // "-" is standard input
  std::optional<std::string> output;  // absent: standard output
  InputEncoding encoding = InputEncoding::Auto;

  // Batch conversion: several files or folders into one output folder.
  enum class Progress { Auto, Always, Never };
  std::vector<std::string> inputs;     // every FILE of the command line
  std::optional<std::string> out_dir;  // present: batch mode
  unsigned jobs = 1;
  bool keep_going = false;
  bool force = false;
  Progress progress = Progress::Auto;

  // The value of an option as given, or "" when it was not given.
  const std::string& Value(Option option) const;
};

// A command line the tool cannot run. what() is one line without the
// "skeinlet: " prefix.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args excludes the program name. Throws UsageError.
Invocation ParseArguments(std::span<const std::string_view> args);
Invocation ParseArguments(const std::vector<std::string>& args);

std::string OverallHelp();
std::string CommandHelp(const Subcommand& command);

}  // namespace skeinlet::cli
