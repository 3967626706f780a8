// The README documents the program's own messages, prompts and version
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "driver/command_line.h"
#include "driver/run.h"
#include "support/files.h"
#include "zol/version.h"

namespace zol {
namespace {

std::string readme_section(const std::string& heading) {
  const std::string readme = read_file(source_path("README.md"));
  const auto start = readme.find("\n## " + heading + "\n");
  EXPECT_NE(start, std::string::npos) << heading;
  const auto end = readme.find("\n## ", start + 1);
  return readme.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(ReadmeTest, MessageTableListsExactlyTheProgramsMessages) {
  const std::string section = readme_section("Messages and exit status");
  std::set<std::string> documented;
  const std::regex row("\\| `([^`]+)` \\|");
  for (std::sregex_iterator it(section.begin(), section.end(), row), end; it != end; ++it) {
    documented.insert((*it)[1]);
  }
  std::set<std::string> program;
  for (const std::string message :
       {CANNOT_OPEN_INPUT, CANNOT_READ_INPUT, CANNOT_ALLOCATE, CANNOT_EQUATE, CANNOT_OPEN_OUTPUT,
        CANNOT_WRITE_OUTPUT}) {
    program.insert(message.substr(0, message.size() - 1));  // without its newline
  }
  program.insert(USAGE_HINT);
  EXPECT_EQ(documented, program);
}

// The cases of the two fatal stops hold what the program writes on standard error.
TEST(ReadmeTest, FatalSearchMessagesAreTheOnesTheProgramPrints) {
  const std::string section = readme_section("Messages and exit status");
  for (const std::string name :
       {"root_not_bracketed_items_falling_and_rising", "root_search_not_converging"}) {
    std::istringstream lines(read_file(source_path("tests/cases/equating/" + name + "/stderr")));
    std::string first, second, third;
    ASSERT_TRUE(std::getline(lines, first) && std::getline(lines, second) &&
                std::getline(lines, third))
        << name;
    EXPECT_NE(section.find("\n    " + first + "\n"), std::string::npos) << name;
    EXPECT_NE(section.find("`" + second + "`"), std::string::npos) << name;
    EXPECT_NE(section.find("\n    " + third + "\n"), std::string::npos) << name;
  }
}

TEST(ReadmeTest, PromptsAndBannerAreTheProgramsOwn) {
  // What the program printed when it asked for both names.
  std::istringstream prompts(read_file(source_path("tests/cases/cli/prompted_names/stdout")));
  const std::string command_line = readme_section("Command line");
  std::string line;
  while (std::getline(prompts, line)) {
    // Each prompt ends without a newline: what follows it shares its line.
    if (line.rfind("Please", 0) == 0) {
      const std::string prompt = line.substr(0, line.find(':') + 1);
      EXPECT_NE(command_line.find("    " + prompt + "\n"), std::string::npos) << prompt;
    }
  }
  EXPECT_NE(readme_section("The report").find("    ZOL " + std::string(ZOL_VERSION) + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace zol
