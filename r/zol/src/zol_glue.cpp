// R's view of the library: data frames and lists in, the library's records through, lists out
#include <Rcpp.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zol/zol.h"

namespace {

// zol.h: a raw score without a theta of its own (at or below the chance
// score, or the top score) carries the root bracket's end, -150 or +150.
constexpr double THETA_LIMIT = 150.0;

const zol::LinkMethod LINK_METHODS[] = {zol::LinkMethod::MEAN_MEAN, zol::LinkMethod::MEAN_SIGMA,
                                        zol::LinkMethod::HAEBARA, zol::LinkMethod::STOCKING_LORD};

// A failure as the R code signals it: which condition class, and what the
// condition carries besides its message.
Rcpp::List failure(const char* condition, const char* kind, const std::string& explanation,
                   const std::string& program_message) {
  return Rcpp::List::create(Rcpp::Named("condition") = condition, Rcpp::Named("kind") = kind,
                            Rcpp::Named("message") = explanation,
                            Rcpp::Named("program_message") = program_message);
}

Rcpp::List failure(const zol::Error& error) {
  const bool input = error.kind == zol::ErrorKind::CANNOT_OPEN_INPUT ||
                     error.kind == zol::ErrorKind::INVALID_INPUT;
  return failure(input ? "zol_input_error" : "zol_equating_error",
                 zol::error_kind_name(error.kind), error.explanation, "");
}

// Columns of data frames go back as plain lists: the R code makes them data
// frames, which costs less than Rcpp's DataFrame::create. A form of 3PL items
// alone has label, a, b and c; one with items of K categories also model and
// the step columns b1, b2, ..., with NA where an item has no such value.
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

// A form as the R code hands it over: label, a, b and c item for item, and
// for a form with items of K categories also model (3PL, GPCM or GRM), steps
// (a matrix of one row per item) and step_count (how many of a row's leading
// entries are the item's steps).
zol::Form form_of(const Rcpp::List& columns) {
  const Rcpp::CharacterVector label = columns["label"];
  const Rcpp::NumericVector a = columns["a"], b = columns["b"], c = columns["c"];
  zol::Form form;
  form.items.reserve(static_cast<std::size_t>(a.size()));
  if (!columns.containsElementNamed("model")) {
    for (R_xlen_t i = 0; i < a.size(); ++i) {
      form.items.push_back({Rcpp::as<std::string>(label[i]), a[i], b[i], c[i]});
    }
    return form;
  }
  const Rcpp::CharacterVector model = columns["model"];
  const Rcpp::NumericMatrix steps = columns["steps"];
  const Rcpp::IntegerVector step_count = columns["step_count"];
  for (R_xlen_t i = 0; i < a.size(); ++i) {
    const zol::ItemModel kind =
        zol::item_model_named(Rcpp::as<std::string>(model[i])).value_or(zol::ItemModel::THREE_PL);
    if (kind == zol::ItemModel::THREE_PL) {
      form.items.push_back({Rcpp::as<std::string>(label[i]), a[i], b[i], c[i]});
      continue;
    }
    std::vector<double> item_steps(static_cast<std::size_t>(step_count[i]));
    for (std::size_t v = 0; v < item_steps.size(); ++v) {
      item_steps[v] = steps(i, static_cast<R_xlen_t>(v));
    }
    form.items.push_back({Rcpp::as<std::string>(label[i]), kind, a[i], std::move(item_steps)});
  }
  return form;
}

// The vector as it is, NA and all: the library refuses what is not finite.
std::vector<double> doubles(const Rcpp::NumericVector& values) {
  return std::vector<double>(values.begin(), values.end());
}

// One column of the scores: the value of each raw score 0..rows-1 for which
// present() holds, NA elsewhere.
template <typename Present>
Rcpp::NumericVector column(const std::vector<double>& values, std::size_t rows, Present present) {
  Rcpp::NumericVector out(rows, NA_REAL);
  for (std::size_t raw = 0; raw < rows && raw < values.size(); ++raw) {
    if (present(raw)) out[raw] = values[raw];
  }
  return out;
}

// The results, one row per raw score up to the longer form's top score, with
// NA where the CSV leaves a cell empty.
Rcpp::List scores_columns(const zol::Results& results) {
  const std::size_t rows =
      static_cast<std::size_t>(std::max(results.new_top_score, results.old_top_score)) + 1;
  const zol::TrueScoreEquating& t = results.true_score;
  const auto always = [](std::size_t) { return true; };
  const auto own_theta = [&](std::size_t raw) {
    return t.theta[raw] > -THETA_LIMIT && t.theta[raw] < THETA_LIMIT;
  };
  const auto on_new_form = [&](std::size_t raw) { return raw < t.equated.size(); };
  Rcpp::IntegerVector raw(rows);
  for (std::size_t k = 0; k < rows; ++k) raw[k] = static_cast<int>(k);
  const zol::ObservedScoreEquating none;
  const zol::ObservedScoreEquating& o = results.observed_score ? *results.observed_score : none;
  const auto observed = [&](std::size_t) { return results.observed_score.has_value(); };
  return Rcpp::List::create(
      Rcpp::Named("raw") = raw, Rcpp::Named("theta") = column(t.theta, rows, own_theta),
      Rcpp::Named("true_equated") = column(t.equated, rows, always),
      Rcpp::Named("true_scale") = column(t.scale.unrounded, rows, on_new_form),
      Rcpp::Named("true_scale_rounded") = column(t.scale.rounded, rows, on_new_form),
      Rcpp::Named("new_fitted") = column(o.new_distribution, rows, observed),
      Rcpp::Named("old_fitted") = column(o.old_distribution, rows, observed),
      Rcpp::Named("observed_equated") = column(o.equated, rows, observed),
      Rcpp::Named("observed_scale") = column(o.scale.unrounded, rows, on_new_form),
      Rcpp::Named("observed_scale_rounded") = column(o.scale.rounded, rows, on_new_form));
}

Rcpp::CharacterVector warning_texts(const zol::Warnings& warnings) {
  Rcpp::CharacterVector texts(warnings.kept.size());
  for (std::size_t i = 0; i < warnings.kept.size(); ++i) texts[i] = warnings.kept[i].text;
  return texts;
}

}  // namespace

// Reads an input file; a list with the records, or with the failure.
// [[Rcpp::export(name = ".zol_read")]]
Rcpp::List zol_read_file(std::string path, std::string name, bool mixed_format) {
  zol::Expected<zol::ReadInput> read = zol::read_input_file(path, zol::ReadOptions{mixed_format});
  if (!read) return failure(read.error());
  const zol::Input& input = read->input;
  Rcpp::RObject theta = R_NilValue;
  if (input.theta) {
    theta = Rcpp::List::create(Rcpp::Named("point") = Rcpp::wrap(input.theta->points),
                               Rcpp::Named("weight") = Rcpp::wrap(input.theta->weights));
  }
  return Rcpp::List::create(Rcpp::Named("new") = form_columns(input.new_form),
                            Rcpp::Named("old") = form_columns(input.old_form),
                            Rcpp::Named("theta") = theta,
                            Rcpp::Named("conversion") = conversion_columns(input.conversion),
                            Rcpp::Named("name") = name);
}

// Equates forms given as lists of columns (see form_of); theta is NULL or
// a list of point and weight (NULL weights: equal weights), conversion NULL
// or a list of scale, lowest, highest and increment, link NULL or a method's
// name, scaling_constant NULL (1.7, unsaid in the report) or D. output
// "results" gives the results as lists and vectors; "csv" and "svg" give the
// program's file of that kind as one string.
// [[Rcpp::export(name = ".zol_equate")]]
Rcpp::List zol_equate_frames(Rcpp::List new_form, Rcpp::List old_form,
                             Rcpp::Nullable<Rcpp::List> theta,
                             Rcpp::Nullable<Rcpp::List> conversion, std::string name,
                             Rcpp::Nullable<Rcpp::String> link,
                             Rcpp::Nullable<Rcpp::NumericVector> scaling_constant,
                             std::string output) {
  zol::Input input;
  input.new_form = form_of(new_form);
  input.old_form = form_of(old_form);
  input.name = name;
  if (theta.isNotNull()) {
    const Rcpp::List quadrature(theta);
    std::vector<double> points = doubles(quadrature["point"]);
    if (Rf_isNull(quadrature["weight"])) {
      input.theta = zol::equal_weights(std::move(points));
    } else {
      input.theta = zol::Quadrature{std::move(points), doubles(quadrature["weight"])};
    }
  }
  if (conversion.isNotNull()) {
    const Rcpp::List table(conversion);
    input.conversion = zol::Conversion{Rcpp::as<double>(table["lowest"]),
                                       Rcpp::as<double>(table["highest"]),
                                       Rcpp::as<double>(table["increment"]),
                                       doubles(table["scale"])};
  }
  zol::Options options;
  if (scaling_constant.isNotNull()) options.scaling_constant = Rcpp::as<double>(scaling_constant);
  if (link.isNotNull()) {
    const std::string method = Rcpp::as<std::string>(link);
    options.link = zol::link_method_named(method);
    if (!options.link) {
      std::string known;
      for (zol::LinkMethod m : LINK_METHODS) {
        known += known.empty() ? "" : ", ";
        known += std::string("\"") + zol::link_method_option(m) + "\"";
      }
      return failure("zol_input_error", "invalid_argument",
                     "link \"" + method + "\" is no linking method; the methods are " + known,
                     "");
    }
  }

  zol::Expected<zol::Results> results = zol::equate(input, options);
  if (!results) return failure(results.error());
  if (output == "csv" || output == "svg") {
    zol::Expected<std::string> text =
        output == "csv" ? zol::format_csv(*results) : zol::format_svg(*results);
    if (!text) return failure(text.error());
    return Rcpp::List::create(Rcpp::Named("text") = *text);
  }
  zol::Expected<std::string> report = zol::format_report(*results);
  if (!report) return failure(report.error());
  Rcpp::RObject linking = R_NilValue;
  if (results->linking) {
    const zol::Linking& l = *results->linking;
    linking = Rcpp::List::create(Rcpp::Named("method") = zol::link_method_option(l.method),
                                 Rcpp::Named("A") = l.A, Rcpp::Named("B") = l.B,
                                 Rcpp::Named("common_items") = l.common_items);
  }
  return Rcpp::List::create(Rcpp::Named("scores") = scores_columns(*results),
                            Rcpp::Named("linking") = linking,
                            Rcpp::Named("chance_score") = results->true_score.chance_score,
                            Rcpp::Named("report") = *report,
                            Rcpp::Named("new_top_score") = results->new_top_score,
                            Rcpp::Named("old_top_score") = results->old_top_score,
                            Rcpp::Named("warnings") = warning_texts(results->warnings));
}
