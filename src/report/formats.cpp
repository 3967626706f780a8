// The library's outputs of results: the report, the table of scores, CSV, picture, linked items
#include <new>

#include "common/errors.h"
#include "common/findings.h"
#include "report/report.h"
#include "report/result_files.h"

namespace zol {

namespace {

// Text formatted from the results, or the error of running out of memory.
template <typename Write>
Expected<std::string> formatted(const Results& results, Write write) {
  try {
    std::string text;
    write(text);
    return text;
  } catch (const std::bad_alloc&) {
    return explained_error(ErrorKind::NO_MEMORY, Stage::FORMATTING,
                           about_run("not enough memory"), results.input_name);
  }
}

}  // namespace

Expected<std::string> format_report(const Results& results) {
  return formatted(results, [&](std::string& out) {
    write_banner(out, results.input_name.c_str());
    if (results.scaling_constant) write_scaling_constant(out, *results.scaling_constant);
    if (results.linking) write_linking(out, *results.linking);
    if (results.synthetic_weight) write_synthetic_population(out, *results.synthetic_weight);
    write_true_score_report(out, results.true_score);
    if (results.observed_score) write_observed_score_report(out, *results.observed_score);
    if (results.standard_errors) write_standard_errors(out, *results.standard_errors);
  });
}

Expected<ScoreTable> score_table(const Results& results) {
  try {
    return table_of_scores(results);
  } catch (const std::bad_alloc&) {
    return explained_error(ErrorKind::NO_MEMORY, Stage::FORMATTING,
                           about_run("not enough memory"), results.input_name);
  }
}

Expected<std::string> format_csv(const Results& results) {
  return formatted(results, [&](std::string& out) { write_csv(out, table_of_scores(results)); });
}

Expected<std::string> format_svg(const Results& results) {
  return formatted(results, [&](std::string& out) { write_plot(out, results); });
}

Expected<std::string> format_common_items(const Results& results) {
  return formatted(results, [&](std::string& out) { write_common_items(out, results); });
}

Expected<std::string> format_linked_items(const Results& results) {
  return formatted(results, [&](std::string& out) {
    if (results.linked_new_form) write_linked_items(out, *results.linked_new_form);
  });
}

}  // namespace zol
