// Entry point: settles the file names, runs the equating and prints the outcome
#include <cstdio>
#include <new>
#include <string>

#include "common/binary_mode.h"
#include "driver.h"

namespace {

std::string prompt_for(const char* prompt) {
  std::fputs(prompt, stdout);
  std::fflush(stdout);
  return zol::read_word(stdin);
}

}  // namespace

int main(int argc, char** argv) {
  using zol::RunStatus;
  // The report, the prompts and the messages are written with line feeds
  // alone on every platform.
  zol::use_binary_mode(stdout);
  zol::use_binary_mode(stderr);
  try {
    std::string prompted_input;
    std::string prompted_output;
    const char* input_name = nullptr;
    zol::ReportTarget target;
    if (argc <= 1) {
      // Both names are asked for before any file is opened; a prompted run
      // always writes a file.
      prompted_input = prompt_for("\nPlease enter the input filename:");
      prompted_output = prompt_for("\nPlease enter the output filename:");
      input_name = prompted_input.c_str();
      target.path = prompted_output.c_str();
    } else {
      // With three or more names only the first is used and the report goes
      // to standard output.
      input_name = argv[1];
      if (argc == 3) {
        target.path = argv[2];
      } else {
        target.stream = stdout;
      }
    }
    const RunStatus status = zol::run_files(input_name, target);
    if (status != RunStatus::OK) {
      std::fputs(zol::run_status_message(status), stdout);
      return 1;
    }
    return 0;
  } catch (const std::bad_alloc&) {
    std::fputs(zol::run_status_message(RunStatus::NO_MEMORY), stdout);
    return 1;
  }
}
