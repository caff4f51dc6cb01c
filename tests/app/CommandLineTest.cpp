#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

TCommandLine Parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"sortivo"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(argv.size()) - 1, argv.data());
}

TEST(CommandLine, OpensTheFirstOperandOnly) {
  EXPECT_EQ(Parse({}).action, TCommandAction::Open);
  EXPECT_EQ(Parse({}).path, "");
  const TCommandLine two = Parse({"/pics/a b.jpg", "/pics/second"});
  EXPECT_EQ(two.action, TCommandAction::Open);
  EXPECT_EQ(two.path, "/pics/a b.jpg");
  EXPECT_EQ(two.exitCode, 0);
  EXPECT_EQ(Parse({"写真/猫"}).path, "写真/猫");
  // A lone dash is a name, not an option.
  EXPECT_EQ(Parse({"-"}).path, "-");
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
  for (const char* help : {"-h", "--help"}) {
    const TCommandLine c = Parse({"/pics", help});
    EXPECT_EQ(c.action, TCommandAction::ShowHelp) << help;
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_NE(c.message.find("--version"), std::string::npos);
    EXPECT_EQ(c.message.back(), '\n');
  }
  for (const char* version : {"-v", "--version"}) {
    const TCommandLine c = Parse({version, "/pics"});
    EXPECT_EQ(c.action, TCommandAction::ShowVersion) << version;
    EXPECT_EQ(c.message, VersionText() + "\n");
    EXPECT_EQ(c.exitCode, 0);
  }
  EXPECT_EQ(Parse({"--version", "--help"}).action, TCommandAction::ShowVersion);
  EXPECT_EQ(Parse({"--help", "--bogus"}).action, TCommandAction::ShowHelp);
}

TEST(CommandLine, DoubleDashMakesEverythingAfterItAName) {
  const TCommandLine c = Parse({"--", "--help"});
  EXPECT_EQ(c.action, TCommandAction::Open);
  EXPECT_EQ(c.path, "--help");
  EXPECT_EQ(Parse({"--", "-x.jpg", "--version"}).path, "-x.jpg");
  EXPECT_EQ(Parse({"/first", "--", "-second"}).path, "/first");
}

TEST(CommandLine, WindowSystemOptionsAndTheirValuesAreNotOperands) {
  EXPECT_EQ(Parse({"-platform", "offscreen", "/pics"}).path, "/pics");
  EXPECT_EQ(Parse({"--style", "fusion", "/pics"}).path, "/pics");
  EXPECT_EQ(Parse({"-style=fusion", "/pics"}).path, "/pics");
  EXPECT_EQ(Parse({"-reverse", "/pics"}).path, "/pics");
  const TCommandLine last = Parse({"/pics", "-display"});
  EXPECT_EQ(last.action, TCommandAction::Open);
  EXPECT_EQ(last.path, "/pics");
}

TEST(CommandLine, AnyOtherArgumentIsThePathToOpen) {
  const TCommandLine c = Parse({"-old", "/pics"});
  EXPECT_EQ(c.action, TCommandAction::Open);
  EXPECT_EQ(c.path, "-old") << "a folder may begin with a dash";
  EXPECT_EQ(Parse({"/pics", "--frobnicate"}).path, "/pics");

  std::ostringstream out;
  EXPECT_EQ(FinishCommandLine(Parse({"--help"}), out), 0);
  EXPECT_NE(out.str().find("--help"), std::string::npos);
}

TEST(CommandLine, VersionMatchesTheProjectVersion) {
  const char* fromEnvironment = std::getenv("SORTIVO_SOURCE_DIR");
  const std::string source =
      fromEnvironment != nullptr
          ? std::string(fromEnvironment)
          : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
  std::ifstream in(source + "/CMakeLists.txt");
  ASSERT_TRUE(in) << source;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::smatch m;
  ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(project\(Sortivo VERSION ([0-9.]+))")));
  EXPECT_EQ(VersionText().rfind("Sortivo " + m[1].str(), 0), 0u) << VersionText();
}

}  // namespace
