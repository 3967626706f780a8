// The input's records checked for the stages, and what is odd in those made in memory
#include <cmath>
#include <limits>

#include "common/describe.h"
#include "equating/pipeline.h"
#include "observed/observed_score.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

// The stages count quadrature points in 32 bits.
constexpr std::size_t MOST_POINTS = std::numeric_limits<std::int32_t>::max() - 1;

std::string quadrature_problem(const Quadrature& theta) {
  if (theta.points.empty()) return "the quadrature has no points";
  if (theta.points.size() > MOST_POINTS) {
    return describe("the quadrature has %zu points; at most %zu are allowed", theta.points.size(),
                    MOST_POINTS);
  }
  if (theta.weights.size() != theta.points.size()) {
    return describe("the quadrature has %zu points but %zu weights", theta.points.size(),
                    theta.weights.size());
  }
  for (std::size_t i = 0; i < theta.points.size(); ++i) {
    if (!std::isfinite(theta.points[i]) || !std::isfinite(theta.weights[i])) {
      return describe("quadrature point %zu: theta %g with weight %g is not a pair of finite "
                      "numbers",
                      i + 1, theta.points[i], theta.weights[i]);
    }
  }
  return "";
}

std::string conversion_problem(const Conversion& table) {
  const auto rows = static_cast<long long>(table.scale.size());
  if (std::string why =
          conversion_grid_problem(rows, table.lowest, table.highest, table.increment);
      !why.empty()) {
    return "conversion table: " + why;
  }
  for (std::size_t k = 0; k < table.scale.size(); ++k) {
    if (!std::isfinite(table.scale[k])) {
      return describe("conversion row %zu: scale score %g is not a finite number", k,
                      table.scale[k]);
    }
  }
  return "";
}

Finding oddity(std::string text) {
  return about_run("warning: " + std::move(text));
}

// What the reader would warn of in a file's items, for a form's items made in memory.
void warn_about_items(const ItemTable& form, FormRole role, Findings& findings) {
  for (const Item& item : form.items) {
    if (item.line != 0) continue;
    for (const std::string& odd : item_oddities(item)) {
      findings.warn(oddity(describe("item %s of the %s form: %s",
                                    printable(item.label.c_str()).c_str(), form_name(role),
                                    odd.c_str())));
    }
  }
  for (const auto& [item, first] : repeated_labels(form.items)) {
    if (form.items[item].line != 0) continue;
    findings.warn(oddity(describe("item %s: the label stands twice in the %s form, also as "
                                  "item %zu",
                                  printable(form.items[item].label.c_str()).c_str(),
                                  form_name(role), first + 1)));
  }
}

}  // namespace

Failure check_records(const Input& input, Records& records) {
  const auto refuse = [](std::string why) {
    return failure_of(ErrorKind::INVALID_INPUT, Stage::CHECKING, about_run(std::move(why)));
  };
  for (const auto& [form, role] :
       {std::pair{&input.new_form, FormRole::NEW}, std::pair{&input.old_form, FormRole::OLD}}) {
    if (std::string why = form_problem(*form, role); !why.empty()) return refuse(why);
  }
  if (input.theta) {
    if (std::string why = quadrature_problem(*input.theta); !why.empty()) return refuse(why);
  }
  if (input.conversion) {
    if (std::string why = conversion_problem(*input.conversion); !why.empty()) return refuse(why);
  }
  records.new_form = item_table(input.new_form);
  records.old_form = item_table(input.old_form);
  records.theta = input.theta ? &*input.theta : nullptr;
  // The rows define the grid: a highest written a little off it is taken
  // where the last row stands, for the interpolation and the rounding alike.
  // The identity on the old form's raw scores stands in for a missing table.
  if (input.conversion) {
    records.conversion = *input.conversion;
    records.conversion.highest = grid_top(static_cast<long long>(input.conversion->scale.size()),
                                          input.conversion->lowest, input.conversion->increment);
  } else if (!identity_conversion(records.old_form.top_score, records.conversion)) {
    return failure_of(ErrorKind::NO_MEMORY, Stage::CHECKING,
                      about_run("not enough memory for the default conversion"));
  }
  return std::nullopt;
}

void warn_about_records(const Records& records, Findings& findings) {
  warn_about_items(records.new_form, FormRole::NEW, findings);
  warn_about_items(records.old_form, FormRole::OLD, findings);
  if (records.theta == nullptr || records.theta->header_line != 0) return;
  const Quadrature& theta = *records.theta;
  for (std::size_t i = 0; i < theta.points.size(); ++i) {
    if (theta.weights[i] < 0.0) {
      findings.warn(oddity(describe("quadrature point %zu: theta %g has the negative weight %g",
                                    i + 1, theta.points[i], theta.weights[i])));
    }
  }
  if (double total = 0.0; !weights_sum_to_one(theta.weights, total)) {
    findings.warn(oddity(describe("quadrature weights sum to %g, not 1; they are used as "
                                  "written, so the fitted score distributions sum to %g too",
                                  total, total)));
  }
}

}  // namespace zol
