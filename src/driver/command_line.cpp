// The command line: options wherever they stand, and the file names
#include "driver/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/describe.h"
#include "driver/same_file.h"
#include "irt/linking.h"

namespace zol {

namespace {

enum Value { TAKES_NONE, TAKES_VALUE, TAKES_FILE, TAKES_OPTIONAL_VALUE };

struct Option {
  const char* name;
  Value takes_value;
  void (*apply)(CommandLine& command, const char* value);
};

// The number that the whole text is, if it is one.
std::optional<double> number_in(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') return std::nullopt;
  return value;
}

// The unit of --round-scale: a finite number above 0, 1 when none is given.
void apply_round_scale(CommandLine& c, const char* unit) {
  const std::optional<double> value = unit == nullptr ? 1.0 : number_in(unit);
  if (!value || !(*value > 0.0) || !std::isfinite(*value)) {
    c.error = describe("--round-scale needs a unit that is a number above 0, not '%s'", unit);
    return;
  }
  c.options.equating.round_scale_unit = *value;
}

// D of --scaling-constant: a finite number above 0.
void apply_scaling_constant(CommandLine& c, const char* text) {
  const std::optional<double> value = number_in(text);
  if (!value || !(*value > 0.0) || !std::isfinite(*value)) {
    c.error = describe("--scaling-constant needs a number above 0, not '%s'", text);
    return;
  }
  c.options.equating.scaling_constant = *value;
}

// w1 of --synthetic-weight: a number from 0 to 1.
void apply_synthetic_weight(CommandLine& c, const char* text) {
  const std::optional<double> value = number_in(text);
  if (!value || !(*value >= 0.0 && *value <= 1.0)) {
    c.error = describe("--synthetic-weight needs a number from 0 to 1, not '%s'", text);
    return;
  }
  c.options.equating.synthetic_weight = *value;
}

// N of --link-quadrature: a whole number from 2 to MOST_LINK_POINTS.
void apply_link_quadrature(CommandLine& c, const char* text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < 2 ||
      value > Options::MOST_LINK_POINTS) {
    c.error = describe("--link-quadrature needs a whole number from 2 to %d, not '%s'",
                       Options::MOST_LINK_POINTS, text);
    return;
  }
  c.options.equating.link_quadrature = static_cast<int>(value);
}

// The labels of --exclude-common, separated by commas; every one not empty.
void apply_exclude_common(CommandLine& c, const char* text) {
  std::vector<std::string>& labels = c.options.equating.excluded_common_items;
  const char* start = text;
  for (const char* at = text;; ++at) {
    if (*at != ',' && *at != '\0') continue;
    if (at == start) {
      c.error = describe("--exclude-common needs labels separated by commas, not '%s'", text);
      return;
    }
    labels.emplace_back(start, at);
    if (*at == '\0') return;
    start = at + 1;
  }
}

const Option OPTIONS[] = {
    {"--common-items", TAKES_FILE,
     [](CommandLine& c, const char* file) { c.options.common_items_path = file; }},
    {"--covariance", TAKES_FILE,
     [](CommandLine& c, const char* file) { c.options.covariance_path = file; }},
    {"--csv", TAKES_FILE, [](CommandLine& c, const char* file) { c.options.csv_path = file; }},
    {"--exclude-common", TAKES_VALUE, apply_exclude_common},
    {"--explain", TAKES_NONE, [](CommandLine& c, const char*) { c.options.explain = true; }},
    {"--help", TAKES_NONE, [](CommandLine& c, const char*) { c.help = true; }},
    {"--link", TAKES_VALUE,
     [](CommandLine& c, const char* method) {
       c.options.equating.link = link_method_named(method);
       if (!c.options.equating.link) {
         c.error = describe("unknown linking method '%s': %s", method,
                            link_method_options().c_str());
       }
     }},
    {"--link-quadrature", TAKES_VALUE, apply_link_quadrature},
    {"--linked-items", TAKES_FILE,
     [](CommandLine& c, const char* file) { c.options.linked_items_path = file; }},
    {"--mixed-format", TAKES_NONE,
     [](CommandLine& c, const char*) { c.options.reading.mixed_format = true; }},
    {"--plot", TAKES_FILE, [](CommandLine& c, const char* file) { c.options.plot_path = file; }},
    {"--round-scale", TAKES_OPTIONAL_VALUE, apply_round_scale},
    {"--scaling-constant", TAKES_VALUE, apply_scaling_constant},
    {"--symmetric", TAKES_NONE,
     [](CommandLine& c, const char*) { c.options.equating.symmetric = true; }},
    {"--synthetic-weight", TAKES_VALUE, apply_synthetic_weight},
    {"--version", TAKES_NONE, [](CommandLine& c, const char*) { c.version = true; }},
};

// Applies the option in word (--name, --name=value, -h or -V), taking its
// value from the next argument when it needs one; false on a usage error.
bool apply_option(CommandLine& command, int argc, char** argv, int& i) {
  const char* word = argv[i];
  if (std::strcmp(word, "-h") == 0) word = "--help";
  if (std::strcmp(word, "-V") == 0) word = "--version";
  const char* equals = std::strchr(word, '=');
  const std::size_t name_length =
      equals != nullptr ? static_cast<std::size_t>(equals - word) : std::strlen(word);
  // Only whole names: an abbreviation such as --c could mean a future option.
  const Option* option = nullptr;
  for (const Option& candidate : OPTIONS) {
    if (std::strlen(candidate.name) == name_length &&
        std::strncmp(candidate.name, word, name_length) == 0) {
      option = &candidate;
    }
  }
  if (option == nullptr) {
    command.error = describe("unknown option '%s'", word);
    return false;
  }
  const char* value = equals != nullptr ? equals + 1 : nullptr;
  const bool takes_value = option->takes_value == TAKES_VALUE || option->takes_value == TAKES_FILE;
  if (takes_value && value == nullptr) {
    if (i + 1 == argc) {
      command.error = describe("option '%s' needs a value", option->name);
      return false;
    }
    value = argv[++i];
  }
  if (option->takes_value == TAKES_FILE && (value[0] == '\0' || std::strcmp(value, "-") == 0)) {
    // Standard output may carry the report; a second output there would mix with it.
    command.error = describe("option '%s' needs a file name, not '%s'", option->name, value);
    return false;
  }
  if (option->takes_value == TAKES_NONE && value != nullptr) {
    command.error = describe("option '%s' takes no value", option->name);
    return false;
  }
  option->apply(command, value);
  return command.error.empty();
}

// Options that need another one, or that another one rules out.
std::string option_conflict(const RunOptions& options) {
  const Options& equating = options.equating;
  const bool curves = equating.link && characteristic_curve_method(*equating.link);
  if (options.linked_items_path != nullptr && !equating.link) {
    return "--linked-items needs --link: only a linked new form has items on the old scale";
  }
  if (options.common_items_path != nullptr && !equating.link) {
    return "--common-items needs --link: only a linking has common items to screen";
  }
  if (!equating.excluded_common_items.empty() && !equating.link) {
    return "--exclude-common needs --link: only a linking uses common items";
  }
  if (equating.symmetric && !curves) {
    return "--symmetric needs --link haebara or --link stocking-lord: only their criteria "
           "compare the items' curves both ways";
  }
  if (equating.link_quadrature && !curves) {
    return "--link-quadrature needs --link haebara or --link stocking-lord: only their "
           "criteria weigh points";
  }
  return "";
}

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
  CommandLine command;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    // Before the first name any word that starts with "-" is an option; after
    // it only one that starts with "--", so that a stored call naming a report
    // "-r.txt" after its input still writes it.
    const bool option = word[0] == '-' && word[1] != '\0' && (command.names.empty() || word[1] == '-');
    if (options_ended || !option) {
      command.names.push_back(word);
    } else if (std::strcmp(word, "--") == 0) {
      options_ended = true;
    } else if (!apply_option(command, argc, argv, i)) {
      return command;
    }
  }
  command.error = option_conflict(command.options);
  return command;
}

namespace {

bool same_file(const char* x, const char* y) {
  return x != nullptr && y != nullptr && (std::strcmp(x, y) == 0 || same_file_on_disk(x, y));
}

}  // namespace

std::string clashing_files(const RunOptions& options, const char* input, const char* report) {
  const std::pair<const char*, const char*> outputs[] = {
      {"--csv", options.csv_path},
      {"--plot", options.plot_path},
      {"--linked-items", options.linked_items_path},
      {"--common-items", options.common_items_path}};
  // The covariance file is read as the input is: nothing may write over it.
  const char* covariance = options.covariance_path;
  if (same_file(report, covariance)) {
    return describe("the report file '%s' is the covariance file of --covariance", report);
  }
  for (std::size_t k = 0; k < std::size(outputs); ++k) {
    const auto& [option, path] = outputs[k];
    if (same_file(path, input)) return describe("%s names the input file '%s'", option, path);
    if (same_file(path, covariance)) {
      return describe("%s names the covariance file '%s' of --covariance", option, path);
    }
    if (same_file(path, report)) return describe("%s names the report file '%s'", option, path);
    for (std::size_t j = 0; j < k; ++j) {
      if (same_file(path, outputs[j].second)) {
        return describe("%s and %s name the same file '%s'", outputs[j].first, option, path);
      }
    }
  }
  return "";
}

const char* usage_text() {
  return "Usage: zol [OPTION]... [INPUT [REPORT]]\n"
         "Equates a new test form to an old one under item response theory: true-score\n"
         "and observed-score equating of 3PL forms (and, with --mixed-format, forms\n"
         "that mix in GPCM and GRM items), with scale scores.\n"
         "\n"
         "With INPUT alone the report goes to standard output, with INPUT and REPORT to\n"
         "the file REPORT; with three or more names only INPUT is used and the report\n"
         "goes to standard output. With no name, both are asked for.\n"
         "\n"
         "Options may also follow the names (after a name, those that start with '--');\n"
         "a value follows as the next argument or after '=':\n"
         "  --csv FILE   also write the results as CSV to FILE, at full precision\n"
         "  --plot FILE  also draw the results as an SVG picture in FILE\n"
         "  --covariance FILE\n"
         "               read the sampling covariances of the forms' parameter\n"
         "               estimates from FILE: $Item_Covariance and\n"
         "               $Link_Item_Covariance, or $Item_Standard_Errors and\n"
         "               $Link_Item_Standard_Errors\n"
         "  --link METHOD\n"
         "               first put the new form on the old form's scale through the\n"
         "               items whose labels stand in both forms, by the method\n"
         "               mean-mean, mean-sigma, mean-gmean, haebara or stocking-lord\n"
         "  --linked-items FILE\n"
         "               with --link, also write the new form's items on the old\n"
         "               scale to FILE as an $Item_Parameters section\n"
         "  --common-items FILE\n"
         "               with --link, also write the common items with their drift\n"
         "               (robust z of the b and log a differences) to FILE as CSV\n"
         "  --exclude-common LABELS\n"
         "               with --link, leave the common items of these comma-separated\n"
         "               labels out of the linking\n"
         "  --symmetric  with --link haebara or stocking-lord, also compare the old\n"
         "               form's common items on the new scale\n"
         "  --link-quadrature N\n"
         "               with --link haebara or stocking-lord, weigh the criterion\n"
         "               over the N-point Gauss-Hermite rule of the standard normal\n"
         "               (2 to 200 points)\n"
         "  --synthetic-weight W\n"
         "               with $Theta_Distribution and $Link_Theta_Distribution (two\n"
         "               groups), weigh the new group by W (0 to 1, default 0.5) and\n"
         "               the old group by 1 - W in the synthetic population\n"
         "  --round-scale[=UNIT]\n"
         "               round scale scores to multiples of UNIT (default 1) within\n"
         "               the conversion table's smallest and largest scale score\n"
         "  --scaling-constant D\n"
         "               use D (a number above 0) in every item model instead of 1.7:\n"
         "               1 for parameters in the logistic metric\n"
         "  --mixed-format\n"
         "               item records may name their model after the label: 3PL, or\n"
         "               GPCM K a b1 .. b(K-1) and GRM K a b1 .. b(K-1) for items of\n"
         "               K categories scored 0..K-1\n"
         "  --explain    when the run fails, say on standard error which line of INPUT\n"
         "               or what else is the cause; when it succeeds, warn of values\n"
         "               that are almost always mistakes and of rules of the input\n"
         "               format that changed the result\n"
         "  -h, --help   show this text and exit\n"
         "  -V, --version\n"
         "               show the version and exit\n"
         "  --           end of the options: every argument after it is a file name\n"
         "\n"
         "Exit status:\n"
         "  0  the report was written\n"
         "  1  the input could not be read or equated, or the report not written: a\n"
         "     message on standard output says which, or, when the search for a theta\n"
         "     stops, three lines on standard error\n"
         "  2  the command line was not understood (standard error says why)\n";
}

}  // namespace zol
