// Fuzz target: one whole equating, from input bytes to the report, through the library
//
// Whatever the bytes, an equating must end in a complete report or in one of
// the library's errors, never in a crash, a hang, undefined behaviour, a
// leak or a partial report. The sanitizers catch the first four; the checks
// below turn a broken promise about the report into a crash that the fuzzer
// keeps. The bytes after a line "#covariance" are a covariance file for the
// input before it, which must read into covariances that the equating
// accepts, or fail with a cause.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "irt/linking.h"
#include "items/item_table.h"
#include "precision/covariance.h"
#include "zol/zol.h"

namespace {

using namespace zol;

const char* const INPUT_NAME = "fuzz.txt";
const char* const COVARIANCE_NAME = "fuzz.cov";
// The line that ends the input and starts the covariance file.
constexpr std::string_view COVARIANCE_MARKER = "\n#covariance\n";

[[noreturn]] void broken(const char* promise) {
  std::fprintf(stderr, "zol_fuzz: broken promise: %s\n", promise);
  std::abort();
}

void require(bool holds, const char* promise) {
  if (!holds) broken(promise);
}

// What a successful read guarantees to the equating after it.
void check_input(const Input& input) {
  require(!input.new_form.items.empty(), "new form read");
  require(!input.old_form.items.empty(), "old form read");
  for (const Form* form : {&input.new_form, &input.old_form}) {
    for (const Item& item : form->items) {
      require(item.model == ItemModel::THREE_PL ||
                  (categories(item) >= 2 && categories(item) <= 100 && item.a > 0.0),
              "an item of K categories has 2 to 100 of them and a slope above 0");
    }
  }
  require(!input.theta || (!input.theta->points.empty() &&
                           input.theta->weights.size() == input.theta->points.size()),
          "a quadrature always has weights");
  if (input.conversion) {
    const Conversion& t = *input.conversion;
    require(t.scale.size() >= 2 && t.increment > 0.0 &&
                t.highest == t.lowest + static_cast<double>(t.scale.size() - 1) * t.increment,
            "a usable conversion table on its own grid");
  }
}

bool same_values(std::span<const double> x, std::span<const double> y) {
  return x.size() == y.size() &&
         (x.empty() || std::memcmp(x.data(), y.data(), x.size_bytes()) == 0);
}

bool same_number(double x, double y) {
  return std::memcmp(&x, &y, sizeof x) == 0;
}

bool same_form(const Form& x, const Form& y) {
  return std::equal(x.items.begin(), x.items.end(), y.items.begin(), y.items.end(),
                    [](const Item& i, const Item& j) {
                      return i.label == j.label && i.model == j.model &&
                             same_number(i.a, j.a) && same_number(i.b, j.b) &&
                             same_number(i.c, j.c) && same_values(i.steps, j.steps);
                    });
}

bool same_input(const Input& x, const Input& y) {
  if (!same_form(x.new_form, y.new_form) || !same_form(x.old_form, y.old_form)) return false;
  if (x.theta.has_value() != y.theta.has_value() ||
      x.conversion.has_value() != y.conversion.has_value()) {
    return false;
  }
  for (const auto& [q, r] : {std::pair{&x.theta, &y.theta}, {&x.old_theta, &y.old_theta}}) {
    if (q->has_value() != r->has_value()) return false;
    if (*q && (!same_values((*q)->points, (*r)->points) ||
               !same_values((*q)->weights, (*r)->weights))) {
      return false;
    }
  }
  const auto& s = x.conversion;
  const auto& t = y.conversion;
  return !s || (same_number(s->lowest, t->lowest) && same_number(s->highest, t->highest) &&
                same_number(s->increment, t->increment) && same_values(s->scale, t->scale));
}

std::string with_crlf(std::string_view text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  return crlf;
}

// A file saved with carriage return-line feed line ends reads exactly as the
// same file with line feeds. Only inputs without a carriage return of their
// own can be turned into such a file.
void check_line_ends(std::string_view text, const ReadOptions& reading,
                     const Expected<ReadInput>& read) {
  if (text.find('\r') != std::string_view::npos) return;
  const Expected<ReadInput> again = read_input_text(with_crlf(text), INPUT_NAME, reading);
  require(read.has_value() == again.has_value(), "line ends decide no read");
  require(!read || same_input(read->input, again->input), "line ends change no value");
}

bool same_covariance(const std::optional<Covariance>& x, const std::optional<Covariance>& y) {
  return x.has_value() == y.has_value() &&
         (!x || (x->names == y->names && same_values(x->matrix, y->matrix) &&
                 x->standard_errors_only == y->standard_errors_only));
}

// A covariance file read against the input: a failure with its cause, or
// covariances that the check of a form's covariance accepts, the same with
// either line ends; the input then carries them into the equating.
void read_covariances(std::string_view text, Input& input) {
  const Expected<ReadCovariance> read = read_covariance_text(text, COVARIANCE_NAME, input);
  require(read || !read.error().explanation.empty(), "a failed covariance read has its cause");
  require(read || read.error().kind == ErrorKind::INVALID_INPUT ||
              read.error().kind == ErrorKind::NO_MEMORY,
          "a covariance file fails for its rules or for memory");
  if (text.find('\r') == std::string_view::npos) {
    const Expected<ReadCovariance> again =
        read_covariance_text(with_crlf(text), COVARIANCE_NAME, input);
    require(read.has_value() == again.has_value(), "line ends decide no covariance read");
    require(!read || (same_covariance(read->new_covariance, again->new_covariance) &&
                      same_covariance(read->old_covariance, again->old_covariance)),
            "line ends change no covariance");
  }
  if (!read) return;
  const std::pair<const std::optional<Covariance>*, const Form*> forms[] = {
      {&read->new_covariance, &input.new_form}, {&read->old_covariance, &input.old_form}};
  for (const auto& [covariance, form] : forms) {
    FormCovariance places;
    require(!*covariance || covariance_problem(**covariance, item_table(*form),
                                               form == &input.new_form ? FormRole::NEW
                                                                       : FormRole::OLD,
                                               places)
                                .empty(),
            "a covariance read is one the equating accepts");
  }
  input.new_covariance = read->new_covariance;
  input.old_covariance = read->old_covariance;
}

std::size_t count_lines(const std::string& text) {
  std::size_t lines = 0;
  for (char ch : text) lines += ch == '\n' ? 1 : 0;
  return lines;
}

// Start of the line of raw score `score` in the true-score table.
std::size_t true_score_row(const std::string& report, std::int32_t score) {
  const std::string heading = "Score   Equivalent   Equivalent   Scale Score    Scale Score\n";
  std::size_t at = report.find(heading);
  require(at != std::string::npos, "true-score heading");
  at += heading.size();
  for (std::int32_t i = 0; i < score; ++i) at = report.find('\n', at) + 1;
  return at;
}

// The shape of a complete report, and the two rows whose values never depend
// on a root search: raw score 0 lies on the low-score line, and the top score
// maps to the old form's top score. Both print dashes for theta.
void check_report(const Input& input, const Options& options, const std::string& report) {
  const std::string banner = std::string("ZOL 1.1\nInput file: ").append(INPUT_NAME).append("\n\n");
  require(report.compare(0, banner.size(), banner) == 0, "the report starts with the banner");
  require(!report.empty() && report.back() == '\n', "the report ends with a whole line");
  require(report.find("nan") == std::string::npos && report.find("inf") == std::string::npos,
          "every reported value is a finite number");

  const auto n_new = static_cast<std::int32_t>(top_score(input.new_form));
  const auto n_old = static_cast<std::int32_t>(top_score(input.old_form));
  const std::size_t scores = static_cast<std::size_t>(n_new) + 1;
  // A linked run has two lines and a blank one after the banner, and a
  // scaling constant given one line and a blank one.
  // Two groups add the synthetic population's line and a blank one.
  // A covariance adds the linking's standard errors in a line of their own,
  // and a table of six lines and one per raw score at the end.
  const bool errors = input.new_covariance || input.old_covariance;
  std::size_t lines = 3 + 6 + scores + (options.link ? (errors ? 4 : 3) : 0) +
                      (options.scaling_constant ? 2 : 0) + (input.old_theta ? 2 : 0) +
                      (errors ? 6 + scores : 0);
  if (input.theta) {
    const std::size_t longer = static_cast<std::size_t>(n_new > n_old ? n_new : n_old) + 1;
    lines += 12 + scores + longer;
  }
  require(count_lines(report) == lines, "one line per raw score in every table");

  const std::string dashes = "     ---------   ";
  const std::size_t first = true_score_row(report, 0);
  require(report.compare(first + 3, dashes.size(), dashes) == 0, "raw score 0 has no theta");
  const std::size_t top = true_score_row(report, n_new);
  const std::size_t top_label = report.find_first_not_of(' ', top);
  require(std::strtol(report.c_str() + top_label, nullptr, 10) == n_new, "top row number");
  const std::size_t theta_column = report.find("     ", top_label);
  require(report.compare(theta_column, dashes.size(), dashes) == 0, "the top score has no theta");
  char top_equivalent[64];
  std::snprintf(top_equivalent, sizeof top_equivalent, "%9.4lf", static_cast<double>(n_old));
  require(report.compare(theta_column + dashes.size(), std::strlen(top_equivalent),
                         top_equivalent) == 0,
          "the top score maps to the old form's top score");
}

// The CSV has a header and one row of ten cells (thirteen after linking)
// per raw score of the longer form, every number finite; a covariance adds
// four cells of standard errors, and three of the linking's after linking.
void check_csv(const Input& input, const Options& options, const std::string& csv) {
  const auto rows =
      static_cast<std::size_t>(std::max(top_score(input.new_form), top_score(input.old_form))) + 1;
  require(count_lines(csv) == 1 + rows, "one CSV row per raw score");
  std::size_t commas = 0;
  for (char c : csv) commas += c == ',' ? 1 : 0;
  const bool errors = input.new_covariance || input.old_covariance;
  const std::size_t cells = 10 + (options.link ? 3 : 0) + (errors ? (options.link ? 7 : 4) : 0);
  require(commas == (cells - 1) * (1 + rows), "ten or thirteen cells a CSV row, and the errors'");
  require(csv.find("nan") == std::string::npos && csv.find("inf") == std::string::npos,
          "every CSV number is finite");
}

// One row for every label in both forms, each with its twelve cells and
// every number finite; the used ones are those the report counts.
void check_common_items(const Results& results, const std::string& csv) {
  require(count_lines(csv) == 1 + results.common_items.size(), "one CSV row per common item");
  require(csv.find("nan") == std::string::npos && csv.find("inf") == std::string::npos,
          "every common item's number is finite");
  std::int32_t used = 0, excluded = 0;
  for (const CommonItem& item : results.common_items) (item.used ? used : excluded) += 1;
  require(used == results.linking->common_items && excluded == results.linking->excluded,
          "the common items the linking used and left out");
}

// The linked items read back to the very parameters that were equated: the
// new form's carried over by the linking's constants.
void check_linked_items(const Input& input, const Linking& link, const std::string& text) {
  const std::string header = "$Item_Parameters\n";
  require(text.compare(0, header.size(), header) == 0, "linked items under their header");
  std::size_t at = header.size();
  for (const Item& item : input.new_form.items) {
    if (item.model != ItemModel::THREE_PL) {
      // Read back through the reader's own rules below.
      at = text.find('\n', at) + 1;
      continue;
    }
    // Labels of the mixed format have up to 64 characters.
    char label[65];
    double a = 0.0, b = 0.0, c = 0.0;
    require(std::sscanf(text.c_str() + at, "%64s %lf %lf %lf", label, &a, &b, &c) == 4,
            "a linked item reads as an item");
    const double expected[] = {item.a / link.A, link.A * item.b + link.B, item.c};
    const double read[] = {a, b, c};
    require(std::memcmp(expected, read, sizeof read) == 0, "linked items read back exactly");
    at = text.find('\n', at) + 1;
  }
  // The section as a form of an input reads back to the carried items.
  const Expected<ReadInput> again =
      read_input_text(text + "$Link_Item_Parameters\nX 1 0 0\n", INPUT_NAME, {true});
  require(again.has_value(), "linked items read as an input's new form");
  for (std::size_t i = 0; i < input.new_form.items.size(); ++i) {
    const Item& item = input.new_form.items[i];
    const Item& read = again->input.new_form.items[i];
    require(read.model == item.model && read.steps.size() == item.steps.size(),
            "a linked item keeps its model");
    for (std::size_t v = 0; v < item.steps.size(); ++v) {
      require(same_number(read.steps[v], link.A * item.steps[v] + link.B),
              "linked steps read back exactly");
    }
  }
  require(at == text.size(), "one line per linked item");
}

// Every element of the picture is closed, in order.
void check_svg(const std::string& svg) {
  std::vector<std::string> open;
  for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    const std::size_t end = svg.find('>', at);
    require(end != std::string::npos, "every tag ends");
    const std::string tag = svg.substr(at + 1, end - at - 1);
    const std::string name =
        tag.substr(tag[0] == '/' ? 1 : 0, tag.find_first_of(" />", 1) - (tag[0] == '/' ? 1 : 0));
    if (tag[0] == '?' || tag.back() == '/') continue;
    if (tag[0] == '/') {
      require(!open.empty() && open.back() == name, "elements close in order");
      open.pop_back();
    } else {
      open.push_back(name);
    }
  }
  require(open.empty(), "every element is closed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t marker = bytes.find(COVARIANCE_MARKER);
  const std::string_view text = marker == std::string_view::npos ? bytes : bytes.substr(0, marker + 1);
  // The options follow the input's length, which the mutations vary: item
  // records that name their model, no linking or one of the methods, the
  // table's rounding or rounding on the scale to a unit, and the scaling
  // constant.
  const ReadOptions reading{(size / 15) % 2 == 1};
  const Expected<ReadInput> read = read_input_text(text, INPUT_NAME, reading);
  check_line_ends(text, reading, read);
  require(read || !read.error().explanation.empty(), "a failed read has its cause");
  if (!read) return 0;
  check_input(read->input);
  Input input = read->input;
  if (marker != std::string_view::npos) {
    read_covariances(bytes.substr(marker + COVARIANCE_MARKER.size()), input);
  }

  Options options;
  constexpr std::size_t METHODS = std::size(LINK_METHODS);
  if (size % (METHODS + 1) != 0) options.link = LINK_METHODS[size % (METHODS + 1) - 1];
  if ((size / 6) % 3 != 0) options.round_scale_unit = (size / 6) % 3 == 1 ? 1.0 : 0.25;
  if ((size / 18) % 3 != 0) options.scaling_constant = (size / 18) % 3 == 1 ? 1.0 : 1.7;
  // The ways of linking that the characteristic curves add, and leaving the
  // new form's first item out when it is a common one; the new group's
  // weight when there are two groups.
  const bool curves = options.link && characteristic_curve_method(*options.link);
  if (curves) {
    options.symmetric = (size / 54) % 2 == 1;
    if ((size / 108) % 3 == 1) options.link_quadrature = 2 + static_cast<int>(size % 40);
  }
  const std::string& first_label = input.new_form.items[0].label;
  const bool first_is_common =
      std::any_of(input.old_form.items.begin(), input.old_form.items.end(),
                  [&](const Item& item) { return item.label == first_label; });
  if (options.link && first_is_common && (size / 324) % 2 == 1) {
    options.excluded_common_items = {first_label};
  }
  if (input.old_theta && (size / 648) % 2 == 1) {
    options.synthetic_weight = static_cast<double>(size % 11) / 10.0;
  }
  const Expected<Results> results = equate(input, options);
  if (!results) {
    const ErrorKind kind = results.error().kind;
    // The options set above fit every input: a label is left out only when
    // it is a common item, so the request is never the failure.
    require(kind == ErrorKind::NO_MEMORY || kind == ErrorKind::NOT_COMPUTABLE ||
                kind == ErrorKind::ROOT_NOT_BRACKETED || kind == ErrorKind::ROOT_NOT_CONVERGED,
            "an equating fails only for memory or for its numbers");
    require(!results.error().explanation.empty(), "a failed equating has its cause");
    return 0;
  }
  const Expected<std::string> report = format_report(*results);
  const Expected<std::string> csv = format_csv(*results);
  const Expected<std::string> svg = format_svg(*results);
  const Expected<std::string> linked_items = format_linked_items(*results);
  const Expected<std::string> common_items = format_common_items(*results);
  require(report && csv && svg && linked_items && common_items,
          "the outputs of a finished equating");
  check_report(input, options, *report);
  check_csv(input, options, *csv);
  if (options.link) {
    check_linked_items(input, *results->linking, *linked_items);
    check_common_items(*results, *common_items);
  }
  check_svg(*svg);
  return 0;
}
