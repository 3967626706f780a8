// The command line: options wherever they stand, and the file names
#pragma once

#include <string>
#include <vector>

#include "driver/run.h"

namespace zol {

struct CommandLine {
  RunOptions options;
  bool help = false;
  bool version = false;
  std::vector<const char*> names;  // the file names, in order
  std::string error;               // a usage error, for "zol: <error>"
};

// Before the first file name every argument that starts with "-" is an
// option; after it, every argument that starts with "--", as GNU programs
// take them. A lone "--" ends the options, and every argument after it is a
// name; a lone "-" is a name. --linked-items needs --link.
CommandLine parse_command_line(int argc, char** argv);

// A usage error when an output of the options would overwrite the input, the
// report or another output; empty when none does. report may be null.
std::string clashing_files(const RunOptions& options, const char* input, const char* report);

// The text of --help.
const char* usage_text();

// The one line that follows a usage error.
inline constexpr const char* USAGE_HINT =
    "Usage: zol [OPTION]... [INPUT [REPORT]]; 'zol --help' lists the options.";

}  // namespace zol
