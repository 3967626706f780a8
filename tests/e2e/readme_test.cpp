// The README documents the program's own messages, prompts and version
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "driver.h"
#include "support/program_run.h"
#include "version.h"

namespace {

std::string readme_section(const std::string& heading) {
  const std::string readme = read_file(source_path("README.md"));
  const auto start = readme.find("\n## " + heading + "\n");
  EXPECT_NE(start, std::string::npos) << heading;
  const auto end = readme.find("\n## ", start + 1);
  return readme.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string without_newline(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

TEST(ReadmeTest, MessageTableListsExactlyTheProgramsMessages) {
  const std::string section = readme_section("Messages and exit status");
  std::set<std::string> documented;
  const std::regex row("\\| `([^`]+)` \\|");
  for (std::sregex_iterator it(section.begin(), section.end(), row), end; it != end; ++it) {
    documented.insert((*it)[1]);
  }
  std::set<std::string> program;
  for (RunStatus status : {RUN_CANNOT_OPEN_INPUT, RUN_READ_ERROR, RUN_NO_MEMORY, RUN_EQUATING_ERROR,
                           RUN_CANNOT_OPEN_OUTPUT, RUN_WRITE_ERROR}) {
    program.insert(without_newline(run_status_message(status)));
  }
  EXPECT_EQ(documented, program);
}

TEST(ReadmeTest, FatalSearchMessagesAreTheOnesTheProgramPrints) {
  const std::string section = readme_section("Messages and exit status");
  struct Case {
    std::string name;
    std::string input;
  };
  const std::vector<Case> cases = {
      {"no bracket",
       "$Item_Parameters\nN01 -1 0 0\nN02 -1 0 0\nN03 1 0 0\nN04 1 0 0\n"
       "$Link_Item_Parameters\nO01 1 0 0.2\n"},
      // The model overflows to a value that is not a number in mid-bracket.
      {"no convergence",
       "$Item_Parameters\nN01 1.5e308 0 0.2\nN02 1 0 0.2\n"
       "$Link_Item_Parameters\nO01 1 0 0.2\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("in.txt", c.input);
    const ProgramRun run = run_program(dir, {"in.txt"});
    EXPECT_EQ(run.exit_status, 1) << c.name;
    ASSERT_FALSE(run.err.empty()) << c.name;
    std::istringstream lines(run.err);
    std::string line;
    std::getline(lines, line);
    EXPECT_NE(section.find("\n    " + line + "\n"), std::string::npos) << c.name << ": " << line;
    std::getline(lines, line);
    EXPECT_NE(section.find("`" + line + "`"), std::string::npos) << c.name << ": " << line;
    std::getline(lines, line);
    EXPECT_NE(section.find("\n    " + line + "\n"), std::string::npos) << c.name << ": " << line;
  }
}

TEST(ReadmeTest, PromptsAndBannerAreTheProgramsOwn) {
  ScratchDir dir;
  const ProgramRun run = run_program(dir, {}, "");
  const std::string command_line = readme_section("Command line");
  std::istringstream prompts(run.out);
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
