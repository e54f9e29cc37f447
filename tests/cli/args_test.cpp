#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli_args.hpp"

namespace skeinlet::cli {
namespace {

Invocation Parse(std::vector<std::string> args) { return ParseArguments(args); }

std::string UsageMessage(std::vector<std::string> args) {
  try {
    Parse(std::move(args));
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(Arguments, ValuesArePassedVerbatimInBothForms) {
  const Invocation inv = Parse({"html2rtf", "--border= yes", "--image-folder",
                                " C:\\Images\\ ", "page.html"});
  EXPECT_EQ(inv.Value(Option::Border), " yes");
  EXPECT_EQ(inv.Value(Option::ImageFolder), " C:\\Images\\ ");
  EXPECT_EQ(inv.input, "page.html");

  const Invocation rtf =
      Parse({"rtf2html", "--colour=-2147483633", "--title=a=b",
             "--generator=", "--links", "YES", "--clean", " Yes "});
  EXPECT_EQ(rtf.Value(Option::Colour), "-2147483633");
  EXPECT_EQ(rtf.Value(Option::Title), "a=b");
  EXPECT_TRUE(rtf.values[static_cast<std::size_t>(Option::Generator)]);
  EXPECT_EQ(rtf.Value(Option::Generator), "");
  EXPECT_EQ(rtf.Value(Option::Links), "YES");
  EXPECT_EQ(rtf.Value(Option::Clean), " Yes ");
  // Not given: the empty string.
  EXPECT_FALSE(rtf.values[static_cast<std::size_t>(Option::Debug)]);
  EXPECT_EQ(rtf.Value(Option::Debug), "");
  EXPECT_EQ(rtf.input, "-");

  // The last occurrence wins.
  EXPECT_EQ(
      Parse({"rtf2html", "--title", "one", "--title=two"}).Value(Option::Title),
      "two");
}

TEST(Arguments, ADashValueNeedsTheEqualsFormAndAValueMustBePresent) {
  EXPECT_NE(UsageMessage({"rtf2html", "--colour", "-2147483633"})
                .find("--colour=VALUE"),
            std::string::npos);
  EXPECT_NE(UsageMessage({"rtf2html", "--title"}).find("needs a value"),
            std::string::npos);
  EXPECT_NE(UsageMessage({"rtf2html", "--title", "--links", "yes"})
                .find("needs a value"),
            std::string::npos);
}

TEST(Arguments, EachCommandTakesExactlyTheParametersOfItsMethod) {
  const std::set<std::string> rtf = {
      "mHTML_Title", "mHTML_Colour",   "mGenerator",   "mLinks",
      "mDoDebug",    "mConvertImages", "mImageFolder", "mImageFormat",
      "mCleanRTF",   "mImageName"};
  std::set<std::string> no_body = rtf, header = rtf;
  no_body.insert("mDoXHTML");
  header.erase("mCleanRTF");
  const std::map<std::string, std::set<std::string>> parameters = {
      {"rtf2html", rtf},
      {"rtf2raw", rtf},
      {"rtf2xhtml", rtf},
      {"rtf2body", no_body},
      {"rtfheader", header},
      {"plain2html",
       {"mHTML_Title", "mHTML_Colour", "mGenerator", "mLinks", "mDoDebug"}},
      {"rtf2text", {}},
      {"html2rtf", {"mImageFolder", "mDo_Border"}},
  };
  ASSERT_EQ(Subcommands().size(), parameters.size());
  for (const auto& [name, accepted] : parameters) {
    const Subcommand* command = FindSubcommand(name);
    ASSERT_NE(command, nullptr) << name;
    for (const OptionInfo& info : Options()) {
      const std::string arg = std::string(info.flag) + "=v";
      const bool expected = accepted.count(std::string(info.parameter)) > 0;
      const std::string message = UsageMessage({name, arg});
      EXPECT_EQ(message == "(accepted)", expected) << name << " " << arg;
      if (expected) {
        EXPECT_EQ(Parse({name, arg}).Value(info.option), "v");
      } else {
        EXPECT_NE(message.find(std::string(info.parameter)), std::string::npos)
            << message;
      }
    }
  }
}

TEST(Arguments, InputOutputAndEncoding) {
  EXPECT_EQ(Parse({"rtf2text"}).input, "-");
  EXPECT_EQ(Parse({"rtf2text", "-"}).input, "-");
  EXPECT_FALSE(Parse({"rtf2text"}).output);

  const Invocation inv = Parse(
      {"rtf2text", "-o", "out.txt", "in.rtf", "--input-encoding", "cp1252"});
  EXPECT_EQ(inv.input, "in.rtf");
  EXPECT_EQ(inv.output, "out.txt");
  EXPECT_EQ(inv.encoding, InputEncoding::Cp1252);
  EXPECT_EQ(
      Parse({"rtf2text", "--output=o.txt", "--input-encoding=utf-8"}).output,
      "o.txt");
  EXPECT_EQ(Parse({"rtf2text", "--", "-odd name.rtf"}).input, "-odd name.rtf");

  EXPECT_NE(UsageMessage({"rtf2text", "a.rtf", "b.rtf"}).find("more than one"),
            std::string::npos);
  EXPECT_NE(
      UsageMessage({"rtf2text", "--input-encoding", "latin1"}).find("latin1"),
      std::string::npos);
  EXPECT_NE(UsageMessage({"rtf2html", "--colour-x=1"}).find("unknown option"),
            std::string::npos);
}

TEST(Arguments, CommandsHelpAndVersion) {
  EXPECT_NE(UsageMessage({}).find("no command"), std::string::npos);
  EXPECT_NE(UsageMessage({"frobnicate"}).find("unknown command 'frobnicate'"),
            std::string::npos);

  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}}) {
    const Invocation inv = Parse(args);
    EXPECT_EQ(inv.action, Invocation::Action::Help);
    EXPECT_EQ(inv.command, nullptr);
  }
  // Help wins over anything else on the line, even a bad option.
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"html2rtf", "--title=x", "-h"},
           {"html2rtf", "--help", "a.html", "b.html"},
           {"rtf2html", "--colour", "-h"}}) {
    const Invocation inv = Parse(args);
    EXPECT_EQ(inv.action, Invocation::Action::Help);
    EXPECT_EQ(inv.command, FindSubcommand(args[0]));
  }
  EXPECT_EQ(Parse({"--version"}).action, Invocation::Action::Version);
}

}  // namespace
}  // namespace skeinlet::cli
