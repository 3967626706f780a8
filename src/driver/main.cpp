// Entry point: settles the options and the file names, runs the equating and prints the outcome
#include <cstdio>
#include <new>
#include <string>

#include "common/binary_mode.h"
#include "common/describe.h"
#include "driver/command_line.h"
#include "driver/run.h"
#include "zol/version.h"

namespace {

std::string prompt_for(const char* prompt) {
  std::fputs(prompt, stdout);
  std::fflush(stdout);
  return zol::read_word(stdin);
}

}  // namespace

int main(int argc, char** argv) {
  // The report, the prompts and the messages are written with line feeds
  // alone on every platform.
  zol::use_binary_mode(stdout);
  zol::use_binary_mode(stderr);
  const zol::CommandLine command = zol::parse_command_line(argc, argv);
  if (!command.error.empty()) {
    std::fprintf(stderr, "zol: %s\n%s\n", command.error.c_str(), zol::USAGE_HINT);
    return 2;
  }
  if (command.help) {
    std::fputs(zol::usage_text(), stdout);
    return 0;
  }
  if (command.version) {
    std::printf("zol %s\n", zol::ZOL_VERSION);
    return 0;
  }

  const bool explain = command.options.explain;
  try {
    std::string prompted_input;
    std::string prompted_output;
    const char* input_name = nullptr;
    zol::ReportTarget target;
    const std::size_t names = command.names.size();
    if (names == 0) {
      // Both names are asked for before any file is opened; a prompted run
      // always writes a file.
      prompted_input = prompt_for("\nPlease enter the input filename:");
      prompted_output = prompt_for("\nPlease enter the output filename:");
      input_name = prompted_input.c_str();
      target.path = prompted_output.c_str();
    } else {
      // With three or more names only the first is used and the report goes
      // to standard output.
      input_name = command.names[0];
      if (names == 2) {
        target.path = command.names[1];
      } else {
        target.stream = stdout;
      }
    }
    if (const std::string clash = zol::clashing_files(command.options, input_name, target.path);
        !clash.empty()) {
      std::fprintf(stderr, "zol: %s\n%s\n", clash.c_str(), zol::USAGE_HINT);
      return 2;
    }
    zol::Warnings warnings;
    if (names > 2) {
      warnings.kept.push_back(zol::Finding{
          zol::describe("warning: %zu file names follow the input '%s' and are not used; "
                        "the report goes to standard output (INPUT REPORT writes it to a file)",
                        names - 1, input_name),
          false, 0});
    }
    const zol::RunOutcome outcome =
        zol::run_files(input_name, target, command.options, std::move(warnings));
    if (!outcome.usage_error.empty()) {
      std::fprintf(stderr, "zol: %s\n", outcome.usage_error.c_str());
      return 2;
    }
    std::fputs(outcome.message.c_str(), stdout);
    std::fputs(outcome.stop_text.c_str(), stderr);
    if (explain) {
      std::fflush(stdout);
      zol::write_explanation(stderr, input_name, outcome);
    }
    return outcome.ok ? 0 : 1;
  } catch (const std::bad_alloc&) {
    std::fputs(zol::CANNOT_ALLOCATE, stdout);
    if (explain) std::fputs("zol: not enough memory\n", stderr);
    return 1;
  }
}
