// The command line: options first, then the file names
#pragma once

#include <string>
#include <vector>

#include "driver/run.h"

namespace zol {

struct CommandLine {
  RunOptions options;
  bool help = false;
  bool version = false;
  std::vector<const char*> names;  // the file names after the options
  std::string error;               // a usage error, for "zol: <error>"
};

// Options start with "-" and come before the file names; "--" ends them, so
// that a name may start with "-" too. A lone "-" is a name.
CommandLine parse_command_line(int argc, char** argv);

// A usage error when an output of the options would overwrite the input, the
// report or the other output; empty when none does. report may be null.
std::string clashing_files(const RunOptions& options, const char* input, const char* report);

// The text of --help.
const char* usage_text();

// The one line that follows a usage error.
inline constexpr const char* USAGE_HINT =
    "Usage: zol [OPTION]... [INPUT [REPORT]]; 'zol --help' lists the options.";

}  // namespace zol
