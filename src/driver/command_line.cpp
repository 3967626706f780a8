// The command line: options first, then the file names
#include "driver/command_line.h"

#include <cstring>
#include <filesystem>
#include <utility>

#include "common/describe.h"

namespace zol {

namespace {

struct Option {
  const char* name;
  bool takes_value;
  void (*apply)(CommandLine& command, const char* value);
};

const Option OPTIONS[] = {
    {"--csv", true, [](CommandLine& c, const char* file) { c.options.csv_path = file; }},
    {"--explain", false, [](CommandLine& c, const char*) { c.options.explain = true; }},
    {"--help", false, [](CommandLine& c, const char*) { c.help = true; }},
    {"--link", true,
     [](CommandLine& c, const char* method) {
       c.options.equating.link = link_method_named(method);
       if (!c.options.equating.link) {
         c.error = describe(
             "unknown linking method '%s': mean-mean, mean-sigma, haebara or "
             "stocking-lord",
             method);
       }
     }},
    {"--plot", true, [](CommandLine& c, const char* file) { c.options.plot_path = file; }},
    {"--version", false, [](CommandLine& c, const char*) { c.version = true; }},
};

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
  CommandLine command;
  int i = 1;
  for (; i < argc; ++i) {
    const char* word = argv[i];
    if (std::strcmp(word, "--") == 0) {
      ++i;
      break;
    }
    if (word[0] != '-' || word[1] == '\0') break;
    // --name or --name=value
    const char* equals = std::strchr(word, '=');
    const std::size_t name_length =
        equals != nullptr ? static_cast<std::size_t>(equals - word) : std::strlen(word);
    const Option* option = nullptr;
    for (const Option& candidate : OPTIONS) {
      if (std::strlen(candidate.name) == name_length &&
          std::strncmp(candidate.name, word, name_length) == 0) {
        option = &candidate;
      }
    }
    if (option == nullptr) {
      command.error = describe("unknown option '%s'", word);
      return command;
    }
    const char* value = equals != nullptr ? equals + 1 : nullptr;
    if (option->takes_value && value == nullptr) {
      if (i + 1 == argc) {
        command.error = describe("option '%s' needs a value", option->name);
        return command;
      }
      value = argv[++i];
    }
    if (option->takes_value && (value[0] == '\0' || std::strcmp(value, "-") == 0)) {
      // Standard output may carry the report; a second output there would mix with it.
      command.error = describe("option '%s' needs a file name, not '%s'", option->name, value);
      return command;
    } else if (!option->takes_value && value != nullptr) {
      command.error = describe("option '%s' takes no value", option->name);
      return command;
    }
    option->apply(command, value);
    if (!command.error.empty()) return command;
  }
  command.names.assign(argv + i, argv + argc);
  return command;
}

namespace {

bool same_file(const char* x, const char* y) {
  if (x == nullptr || y == nullptr) return false;
  std::error_code ignored;
  return std::strcmp(x, y) == 0 || std::filesystem::equivalent(x, y, ignored);
}

}  // namespace

std::string clashing_files(const RunOptions& options, const char* input, const char* report) {
  const std::pair<const char*, const char*> outputs[] = {{"--csv", options.csv_path},
                                                         {"--plot", options.plot_path}};
  for (const auto& [option, path] : outputs) {
    if (same_file(path, input)) return describe("%s names the input file '%s'", option, path);
    if (same_file(path, report)) return describe("%s names the report file '%s'", option, path);
  }
  if (same_file(options.csv_path, options.plot_path)) {
    return describe("--csv and --plot name the same file '%s'", options.csv_path);
  }
  return "";
}

const char* usage_text() {
  return "Usage: zol [OPTION]... [INPUT [REPORT]]\n"
         "Equates a new test form to an old one under item response theory: true-score\n"
         "and observed-score equating of 3PL forms, with scale scores.\n"
         "\n"
         "With INPUT alone the report goes to standard output, with INPUT and REPORT to\n"
         "the file REPORT; with three or more names only INPUT is used and the report\n"
         "goes to standard output. With no name, both are asked for.\n"
         "\n"
         "Options, before the file names:\n"
         "  --csv FILE   also write the results as CSV to FILE, at full precision\n"
         "  --plot FILE  also draw the results as an SVG picture in FILE\n"
         "  --link METHOD\n"
         "               first put the new form on the old form's scale through the\n"
         "               items whose labels stand in both forms, by the method\n"
         "               mean-mean, mean-sigma, haebara or stocking-lord\n"
         "  --explain    when the run fails, say on standard error which line of INPUT\n"
         "               or what else is the cause; when it succeeds, warn of values\n"
         "               that are almost always mistakes\n"
         "  --help       show this text and exit\n"
         "  --version    show the version and exit\n"
         "  --           end of the options: a name after it may start with '-'\n"
         "\n"
         "Exit status:\n"
         "  0  the report was written\n"
         "  1  the input could not be read or equated, or the report not written;\n"
         "     a message on standard output says which\n"
         "  2  the command line was not understood\n";
}

}  // namespace zol
