// R's view of the library: data frames and lists in, the library's records through, lists out
#include <Rcpp.h>

// Every standard header that zol.h includes comes first, so that the macro
// below rewrites zol.h alone.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

namespace zol_glue {
// Expected's value() on an error ends the process through std::abort(), a
// mistake of the caller that this file never makes. R must not be ended from
// a package, and R CMD check refuses a library that calls abort; the mistake
// becomes an exception instead, which Rcpp turns into an R error.
[[noreturn]] inline void misuse_of_expected() {
  throw std::logic_error("zol: the value of a failure was asked for");
}
}  // namespace zol_glue

#define ZOL_EXPECTED_MISUSE() ::zol_glue::misuse_of_expected()
#include "zol/zol.h"

namespace {

// A failure as the R code signals it: which condition class, the kind (the
// library's name for it, or invalid_argument), and the message.
Rcpp::List failure(const char* condition, const char* kind, const std::string& message) {
  return Rcpp::List::create(Rcpp::Named("condition") = condition, Rcpp::Named("kind") = kind,
                            Rcpp::Named("message") = message);
}

Rcpp::List failure(const zol::Error& error) {
  const bool input = error.kind == zol::ErrorKind::CANNOT_OPEN_INPUT ||
                     error.kind == zol::ErrorKind::INVALID_INPUT;
  return failure(input ? "zol_input_error" : "zol_equating_error",
                 zol::error_kind_name(error.kind), error.explanation);
}

// A form's items as columns, as zol_read gives forms: label, a, b and c for
// 3PL items alone; with an item of K categories also model and b1, b2, ...,
// NA where an item has no such value. The R code makes them data frames.
Rcpp::List form_columns(const zol::Form& form) {
  const std::size_t n = form.items.size();
  std::size_t most_steps = 0;
  for (const zol::Item& item : form.items) most_steps = std::max(most_steps, item.steps.size());
  Rcpp::CharacterVector label(n), model(n);
  Rcpp::NumericVector a(n), b(n), c(n);
  // Each column its own vector: copies of one Rcpp vector would share it.
  std::vector<Rcpp::NumericVector> steps;
  for (std::size_t v = 0; v < most_steps; ++v) steps.push_back(Rcpp::NumericVector(n, NA_REAL));
  for (std::size_t i = 0; i < n; ++i) {
    const zol::Item& item = form.items[i];
    label[i] = item.label;
    model[i] = zol::item_model_name(item.model);
    a[i] = item.a;
    const bool three_pl = item.model == zol::ItemModel::THREE_PL;
    b[i] = three_pl ? item.b : NA_REAL;
    c[i] = three_pl ? item.c : NA_REAL;
    for (std::size_t v = 0; v < item.steps.size(); ++v) steps[v][i] = item.steps[v];
  }
  if (most_steps == 0) {
    return Rcpp::List::create(Rcpp::Named("label") = label, Rcpp::Named("a") = a,
                              Rcpp::Named("b") = b, Rcpp::Named("c") = c);
  }
  Rcpp::List columns(5 + most_steps);
  Rcpp::CharacterVector names(5 + most_steps);
  const char* const LEADING[] = {"label", "model", "a", "b", "c"};
  columns[0] = label;
  columns[1] = model;
  columns[2] = a;
  columns[3] = b;
  columns[4] = c;
  for (std::size_t k = 0; k < 5; ++k) names[k] = LEADING[k];
  for (std::size_t v = 0; v < most_steps; ++v) {
    columns[5 + v] = steps[v];
    names[5 + v] = "b" + std::to_string(v + 1);
  }
  columns.names() = names;
  return columns;
}

// The lines of a form's records in the file it was read from.
Rcpp::NumericVector item_lines(const zol::Form& form) {
  Rcpp::NumericVector lines(form.items.size());
  for (std::size_t i = 0; i < form.items.size(); ++i) {
    lines[i] = static_cast<double>(form.items[i].line);
  }
  return lines;
}

// An ability distribution as the columns point and weight; NULL without one.
Rcpp::RObject quadrature_columns(const std::optional<zol::Quadrature>& theta) {
  if (!theta) return R_NilValue;
  return Rcpp::List::create(Rcpp::Named("point") = Rcpp::wrap(theta->points),
                            Rcpp::Named("weight") = Rcpp::wrap(theta->weights));
}

// The table's grid travels as attributes, exactly as its header gave it;
// the raw column is only there to be read.
Rcpp::RObject conversion_columns(const std::optional<zol::Conversion>& table) {
  if (!table) return R_NilValue;
  const std::size_t rows = table->scale.size();
  Rcpp::NumericVector raw(rows);
  for (std::size_t k = 0; k < rows; ++k) {
    raw[k] = table->lowest + static_cast<double>(k) * table->increment;
  }
  Rcpp::List frame = Rcpp::List::create(
      Rcpp::Named("raw") = raw,
      Rcpp::Named("scale") = Rcpp::NumericVector(table->scale.begin(), table->scale.end()));
  frame.attr("lowest") = table->lowest;
  frame.attr("highest") = table->highest;
  frame.attr("increment") = table->increment;
  return frame;
}

// The entry of a list by name, NULL when it has none.
SEXP entry(const Rcpp::List& list, const char* name) {
  return list.containsElementNamed(name) ? SEXP(list[name]) : R_NilValue;
}

// The line of a section's header, when the R code kept it (NULL: none).
std::int64_t line_of(const Rcpp::List& columns, const char* name) {
  if (Rf_isNull(entry(columns, name))) return 0;
  return static_cast<std::int64_t>(Rcpp::as<double>(columns[name]));
}

// A form as the R code hands it over: label, a, b and c item for item, and
// for a form with items of K categories also model (3PL, GPCM or GRM), steps
// (a matrix of one row per item) and step_count (how many of a row's leading
// entries are the item's steps); line, when given, is each record's line in
// the file it was read from, 0 for a record made or changed in R.
zol::Form form_of(const Rcpp::List& columns) {
  const Rcpp::CharacterVector label = columns["label"];
  const Rcpp::NumericVector a = columns["a"], b = columns["b"], c = columns["c"];
  const bool mixed = columns.containsElementNamed("model");
  const Rcpp::CharacterVector model = mixed ? columns["model"] : Rcpp::CharacterVector();
  const Rcpp::NumericMatrix steps = mixed ? columns["steps"] : Rcpp::NumericMatrix();
  const Rcpp::IntegerVector step_count = mixed ? columns["step_count"] : Rcpp::IntegerVector();
  const bool has_lines = !Rf_isNull(entry(columns, "line"));
  const Rcpp::NumericVector line = has_lines ? columns["line"] : Rcpp::NumericVector();
  zol::Form form;
  form.items.reserve(static_cast<std::size_t>(a.size()));
  for (R_xlen_t i = 0; i < a.size(); ++i) {
    const zol::ItemModel kind =
        mixed ? zol::item_model_named(Rcpp::as<std::string>(model[i]))
                    .value_or(zol::ItemModel::THREE_PL)
              : zol::ItemModel::THREE_PL;
    if (kind == zol::ItemModel::THREE_PL) {
      form.items.emplace_back(Rcpp::as<std::string>(label[i]), a[i], b[i], c[i]);
    } else {
      std::vector<double> item_steps(static_cast<std::size_t>(step_count[i]));
      for (std::size_t v = 0; v < item_steps.size(); ++v) {
        item_steps[v] = steps(i, static_cast<R_xlen_t>(v));
      }
      form.items.emplace_back(Rcpp::as<std::string>(label[i]), kind, a[i],
                              std::move(item_steps));
    }
    if (has_lines) form.items.back().line = static_cast<std::int64_t>(line[i]);
  }
  return form;
}

// The vector as it is, NA and all: the library refuses what is not finite.
std::vector<double> doubles(const Rcpp::NumericVector& values) {
  return std::vector<double>(values.begin(), values.end());
}

// An ability distribution as the R code hands it over: NULL, or a list of
// point, weight (NULL: equal weights) and header_line.
std::optional<zol::Quadrature> quadrature_of(SEXP given) {
  if (Rf_isNull(given)) return std::nullopt;
  const Rcpp::List quadrature(given);
  std::vector<double> points = doubles(quadrature["point"]);
  zol::Quadrature theta = Rf_isNull(quadrature["weight"])
                              ? zol::equal_weights(std::move(points))
                              : zol::Quadrature{std::move(points), doubles(quadrature["weight"])};
  theta.header_line = line_of(quadrature, "header_line");
  return theta;
}

// A covariance as the R code hands it over: NULL, or a list of names, matrix
// (row by row) and standard_errors_only.
std::optional<zol::Covariance> covariance_of(SEXP given) {
  if (Rf_isNull(given)) return std::nullopt;
  const Rcpp::List covariance(given);
  return zol::Covariance{Rcpp::as<std::vector<std::string>>(covariance["names"]),
                         doubles(covariance["matrix"]),
                         Rcpp::as<bool>(covariance["standard_errors_only"])};
}

// The input as the R code hands it over: new_form and old_form (see
// form_of), theta and old_theta (see quadrature_of), conversion NULL or a
// list of scale, lowest, highest, increment and header_line, name, and
// new_covariance and old_covariance (see covariance_of).
zol::Input input_of(const Rcpp::List& records) {
  zol::Input input;
  input.new_form = form_of(records["new_form"]);
  input.old_form = form_of(records["old_form"]);
  input.name = Rcpp::as<std::string>(records["name"]);
  input.theta = quadrature_of(entry(records, "theta"));
  input.old_theta = quadrature_of(entry(records, "old_theta"));
  input.new_covariance = covariance_of(entry(records, "new_covariance"));
  input.old_covariance = covariance_of(entry(records, "old_covariance"));
  if (!Rf_isNull(records["conversion"])) {
    const Rcpp::List table = records["conversion"];
    input.conversion = zol::Conversion{Rcpp::as<double>(table["lowest"]),
                                       Rcpp::as<double>(table["highest"]),
                                       Rcpp::as<double>(table["increment"]),
                                       doubles(table["scale"])};
    input.conversion->header_line = line_of(table, "header_line");
  }
  return input;
}

// The options as one list, each entry NULL or absent when not given: link
// (a method's name), scaling_constant, round_scale, synthetic_weight and
// link_quadrature (one number each, which the library refuses when out of
// range; the last a whole number that an int holds), symmetric (TRUE or
// FALSE) and exclude_common (labels). A new option is one more entry here
// and in zol_equate.
std::optional<std::string> options_of(const Rcpp::List& given, zol::Options& options) {
  const auto named = [&](const char* name) { return entry(given, name); };
  if (SEXP d = named("scaling_constant"); !Rf_isNull(d)) {
    options.scaling_constant = Rcpp::as<double>(d);
  }
  if (SEXP unit = named("round_scale"); !Rf_isNull(unit)) {
    options.round_scale_unit = Rcpp::as<double>(unit);
  }
  if (SEXP w = named("synthetic_weight"); !Rf_isNull(w)) {
    options.synthetic_weight = Rcpp::as<double>(w);
  }
  if (SEXP points = named("link_quadrature"); !Rf_isNull(points)) {
    options.link_quadrature = Rcpp::as<int>(points);
  }
  if (SEXP symmetric = named("symmetric"); !Rf_isNull(symmetric)) {
    options.symmetric = Rcpp::as<bool>(symmetric);
  }
  if (SEXP labels = named("exclude_common"); !Rf_isNull(labels)) {
    options.excluded_common_items = Rcpp::as<std::vector<std::string>>(labels);
  }
  if (SEXP link = named("link"); !Rf_isNull(link)) {
    const std::string method = Rcpp::as<std::string>(link);
    options.link = zol::link_method_named(method);
    if (!options.link) {
      return "unknown link method '" + method + "': " + zol::link_method_options();
    }
  }
  return std::nullopt;
}

// Warnings as the R code shows them: each as finding_text says it, and one
// last line for those not kept, as the program says them.
Rcpp::CharacterVector warning_texts(const zol::Warnings& warnings, const std::string& name) {
  return Rcpp::wrap(zol::warning_lines(warnings, name));
}

// The reader's warnings as zol_read gave them (texts, the count line left
// out, and the count), before those of the equating, within one cap.
zol::Warnings read_warnings(const Rcpp::List& records) {
  zol::Warnings read;
  if (Rf_isNull(entry(records, "read_warnings"))) return read;
  const Rcpp::List given = records["read_warnings"];
  zol::Warnings all;
  for (std::string& text : Rcpp::as<std::vector<std::string>>(given["texts"])) {
    all.kept.push_back(zol::Finding{std::move(text)});
  }
  all.not_kept = static_cast<std::int64_t>(Rcpp::as<double>(given["not_kept"]));
  zol::add_warnings(read, all);
  return read;
}

// The table of scores as columns: whole numbers as integers where they fit,
// and NA in every empty cell.
Rcpp::List score_columns(const zol::ScoreTable& table) {
  Rcpp::List columns(table.columns.size());
  Rcpp::CharacterVector names(table.columns.size());
  for (std::size_t k = 0; k < table.columns.size(); ++k) {
    const zol::ScoreColumn& column = table.columns[k];
    names[k] = column.name;
    if (column.type == zol::ScoreColumn::Type::TEXT) {
      Rcpp::CharacterVector texts(column.texts.size());
      for (std::size_t i = 0; i < column.texts.size(); ++i) {
        texts[i] = column.texts[i].empty() ? Rcpp::String(NA_STRING) : Rcpp::String(column.texts[i]);
      }
      columns[k] = texts;
      continue;
    }
    bool integers = column.type == zol::ScoreColumn::Type::WHOLE_NUMBER;
    for (double value : column.numbers) {
      integers = integers && (std::isnan(value) || std::fabs(value) <= 2147483647.0);
    }
    if (integers) {
      Rcpp::IntegerVector whole(column.numbers.size());
      for (std::size_t i = 0; i < column.numbers.size(); ++i) {
        const double value = column.numbers[i];
        whole[i] = std::isnan(value) ? NA_INTEGER : static_cast<int>(value);
      }
      columns[k] = whole;
    } else {
      Rcpp::NumericVector numbers(column.numbers.size());
      for (std::size_t i = 0; i < column.numbers.size(); ++i) {
        const double value = column.numbers[i];
        numbers[i] = std::isnan(value) ? NA_REAL : value;
      }
      columns[k] = numbers;
    }
  }
  columns.names() = names;
  return columns;
}

// A number for R: NA where the library has none (NaN).
double or_na(double value) { return std::isnan(value) ? NA_REAL : value; }

// The linking's method (as link names it), constants and counts, and with a
// covariance of the estimates the standard errors of A and B and their
// covariance (NA where they cannot be computed).
Rcpp::List linking_list(const zol::Linking& l) {
  Rcpp::List linking = Rcpp::List::create(
      Rcpp::Named("method") = zol::link_method_option(l.method), Rcpp::Named("A") = l.A,
      Rcpp::Named("B") = l.B, Rcpp::Named("common_items") = l.common_items,
      Rcpp::Named("excluded") = l.excluded, Rcpp::Named("symmetric") = l.symmetric);
  if (l.A_se) {
    linking["se_A"] = or_na(*l.A_se);
    linking["se_B"] = or_na(*l.B_se);
    linking["AB_covariance"] = or_na(*l.AB_covariance);
  }
  return linking;
}

// The common items the linking saw as the columns of the program's CSV of
// them: used and flagged logical, NA where a value is none.
Rcpp::List common_item_columns(const std::vector<zol::CommonItem>& items) {
  const std::size_t n = items.size();
  Rcpp::CharacterVector label(n), model(n);
  Rcpp::LogicalVector used(n), flagged(n);
  Rcpp::NumericVector a_old(n), a_new(n), b_old(n), b_new(n), b_difference(n), b_robust_z(n),
      log_a_ratio(n), a_robust_z(n);
  const auto or_missing = [](const std::optional<double>& value) {
    return value ? *value : NA_REAL;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const zol::CommonItem& item = items[i];
    label[i] = item.label;
    model[i] = zol::item_model_name(item.model);
    used[i] = item.used;
    a_old[i] = item.a_old;
    a_new[i] = item.a_new;
    b_old[i] = item.b_old;
    b_new[i] = item.b_new;
    b_difference[i] = or_missing(item.b_difference);
    b_robust_z[i] = or_missing(item.b_robust_z);
    log_a_ratio[i] = or_missing(item.log_a_ratio);
    a_robust_z[i] = or_missing(item.a_robust_z);
    flagged[i] = item.flagged;
  }
  Rcpp::List columns(12);
  columns.names() = Rcpp::CharacterVector::create(
      "label", "model", "used", "a_old", "a_new", "b_old", "b_new", "b_difference", "b_robust_z",
      "log_a_ratio", "a_robust_z", "flagged");
  const SEXP in_order[] = {label,  model,        used,       a_old,       a_new,      b_old,
                           b_new,  b_difference, b_robust_z, log_a_ratio, a_robust_z, flagged};
  for (std::size_t k = 0; k < std::size(in_order); ++k) columns[k] = in_order[k];
  return columns;
}

}  // namespace

// What the R code's refusals name as the library has it: the item models
// by their names, and the most points of a criterion's quadrature.
// [[Rcpp::export(name = ".zol_names")]]
Rcpp::List zol_names() {
  std::vector<std::string> models;
  for (zol::ItemModel model : zol::ITEM_MODELS) models.push_back(zol::item_model_name(model));
  return Rcpp::List::create(Rcpp::Named("models") = models,
                            Rcpp::Named("most_link_points") = zol::Options::MOST_LINK_POINTS);
}

// Reads an input file; a list with the records, the lines they stood on and
// the reader's warnings, or with the failure. name is the path as the user
// wrote it, which the explanations and warnings name.
// [[Rcpp::export(name = ".zol_read")]]
Rcpp::List zol_read_file(std::string path, std::string name, bool mixed_format) {
  zol::ReadOptions reading;
  reading.mixed_format = mixed_format;
  zol::Expected<zol::ReadInput> read = zol::read_input_file(path, reading);
  if (!read) {
    // The library names the input as it was opened; the user wrote name.
    zol::Error error = read.error();
    error.explanation = zol::finding_text(error.cause, name);
    return failure(error);
  }
  const zol::Input& input = read->input;
  const auto header_line = [](const auto& section) {
    return section ? static_cast<double>(section->header_line) : 0.0;
  };
  // The kept warnings' lines, then the count line of those not kept, if any.
  const std::vector<std::string> shown = zol::warning_lines(read->warnings, name);
  const std::vector<std::string> kept(
      shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(read->warnings.kept.size()));
  return Rcpp::List::create(
      Rcpp::Named("new") = form_columns(input.new_form),
      Rcpp::Named("old") = form_columns(input.old_form),
      Rcpp::Named("theta") = quadrature_columns(input.theta),
      Rcpp::Named("old_theta") = quadrature_columns(input.old_theta),
      Rcpp::Named("conversion") = conversion_columns(input.conversion),
      Rcpp::Named("name") = name,
      Rcpp::Named("lines") = Rcpp::List::create(
          Rcpp::Named("new") = item_lines(input.new_form),
          Rcpp::Named("old") = item_lines(input.old_form),
          Rcpp::Named("theta") = header_line(input.theta),
          Rcpp::Named("old_theta") = header_line(input.old_theta),
          Rcpp::Named("conversion") = header_line(input.conversion)),
      Rcpp::Named("warnings") = kept,
      Rcpp::Named("warnings_not_kept") = static_cast<double>(read->warnings.not_kept),
      Rcpp::Named("shown_warnings") = shown);
}

// Equates the records (see input_of, and read_warnings for the reader's
// warnings that come first) under the options (see options_of). output
// "results" gives the results as lists and vectors; "csv", "svg",
// "linked_items" and "common_items" give the program's file of that kind as
// one string.
// [[Rcpp::export(name = ".zol_equate")]]
Rcpp::List zol_equate_records(Rcpp::List records, Rcpp::List given_options, std::string output) {
  const zol::Input input = input_of(records);
  zol::Options options;
  if (std::optional<std::string> refused = options_of(given_options, options)) {
    return failure("zol_input_error", "invalid_argument", *refused);
  }
  zol::Expected<zol::Results> results = zol::equate(input, options);
  if (!results) return failure(results.error());
  if (output != "results") {
    zol::Expected<std::string> text = output == "csv"            ? zol::format_csv(*results)
                                      : output == "svg"          ? zol::format_svg(*results)
                                      : output == "common_items" ? zol::format_common_items(*results)
                                                                 : zol::format_linked_items(*results);
    if (!text) return failure(text.error());
    return Rcpp::List::create(Rcpp::Named("text") = *text);
  }
  zol::Expected<std::string> report = zol::format_report(*results);
  if (!report) return failure(report.error());
  zol::Expected<zol::ScoreTable> table = zol::score_table(*results);
  if (!table) return failure(table.error());
  Rcpp::RObject linking = R_NilValue, linked_items = R_NilValue, common_items = R_NilValue;
  if (results->linking) {
    linking = linking_list(*results->linking);
    common_items = common_item_columns(results->common_items);
  }
  if (results->linked_new_form) linked_items = form_columns(*results->linked_new_form);
  Rcpp::RObject synthetic_weight = R_NilValue;
  if (results->synthetic_weight) synthetic_weight = Rcpp::wrap(*results->synthetic_weight);
  zol::Warnings warnings = read_warnings(records);
  zol::add_warnings(warnings, results->warnings);
  return Rcpp::List::create(Rcpp::Named("scores") = score_columns(*table),
                            Rcpp::Named("linking") = linking,
                            Rcpp::Named("linked_items") = linked_items,
                            Rcpp::Named("common_items") = common_items,
                            Rcpp::Named("synthetic_weight") = synthetic_weight,
                            Rcpp::Named("chance_score") = results->true_score.chance_score,
                            Rcpp::Named("report") = *report,
                            Rcpp::Named("new_top_score") = results->new_top_score,
                            Rcpp::Named("old_top_score") = results->old_top_score,
                            Rcpp::Named("warnings") = warning_texts(warnings, input.name));
}
