// The input's records checked for the stages, and what is odd in those made in memory
#include <cmath>
#include <limits>

#include "common/describe.h"
#include "equating/pipeline.h"
#include "irt/linking.h"
#include "observed/observed_score.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

// The stages count quadrature points in 32 bits.
constexpr std::size_t MOST_POINTS = std::numeric_limits<std::int32_t>::max() - 1;

// which names the quadrature among two groups' ("the old group's "), or is empty.
std::string quadrature_problem(const Quadrature& theta, const std::string& which) {
  if (theta.points.empty()) return describe("%sthe quadrature has no points", which.c_str());
  if (theta.points.size() > MOST_POINTS) {
    return describe("%sthe quadrature has %zu points; at most %zu are allowed", which.c_str(),
                    theta.points.size(), MOST_POINTS);
  }
  if (theta.weights.size() != theta.points.size()) {
    return describe("%sthe quadrature has %zu points but %zu weights", which.c_str(),
                    theta.points.size(), theta.weights.size());
  }
  for (std::size_t i = 0; i < theta.points.size(); ++i) {
    if (!std::isfinite(theta.points[i]) || !std::isfinite(theta.weights[i])) {
      return describe("%squadrature point %zu: theta %g with weight %g is not a pair of finite "
                      "numbers",
                      which.c_str(), i + 1, theta.points[i], theta.weights[i]);
    }
  }
  return "";
}

// Why the options cannot apply to this input; empty when they can.
std::string options_problem(const Input& input, const Options& options) {
  if (options.scaling_constant &&
      !(*options.scaling_constant > 0.0 && std::isfinite(*options.scaling_constant))) {
    return describe("the scaling constant %g is not a finite number above 0",
                    *options.scaling_constant);
  }
  if (options.round_scale_unit &&
      !(*options.round_scale_unit > 0.0 && std::isfinite(*options.round_scale_unit))) {
    return describe("the unit of rounding on the scale %g is not a finite number above 0",
                    *options.round_scale_unit);
  }
  if (options.synthetic_weight) {
    const double w = *options.synthetic_weight;
    if (!(w >= 0.0 && w <= 1.0)) {
      return describe("the synthetic weight %g is not a number from 0 to 1", w);
    }
    if (!input.theta || !input.old_theta) {
      return "a synthetic weight needs two groups: the new group's ability distribution (theta) "
             "and the old group's (old_theta)";
    }
  }
  if (options.link_quadrature && (*options.link_quadrature < 2 ||
                                  *options.link_quadrature > Options::MOST_LINK_POINTS)) {
    return describe("the linking criterion's quadrature of %d points is not one of 2 to %d",
                    *options.link_quadrature, Options::MOST_LINK_POINTS);
  }
  const bool curves = options.link && characteristic_curve_method(*options.link);
  if (options.symmetric && !curves) {
    return "a symmetric criterion needs a characteristic-curve linking (haebara or "
           "stocking-lord)";
  }
  if (options.link_quadrature && !curves) {
    return "the criterion's quadrature needs a characteristic-curve linking (haebara or "
           "stocking-lord)";
  }
  if (!options.excluded_common_items.empty() && !options.link) {
    return "common items to leave out need a linking";
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

// Weights made in memory that are almost always a mistake: below 0, or not
// summing to 1.
void warn_about_weights(const Quadrature& theta, const char* which, Findings& findings) {
  if (theta.header_line != 0) return;
  for (std::size_t i = 0; i < theta.points.size(); ++i) {
    if (theta.weights[i] < 0.0) {
      findings.warn(oddity(describe("%squadrature point %zu: theta %g has the negative weight %g",
                                    which, i + 1, theta.points[i], theta.weights[i])));
    }
  }
  if (double total = 0.0; !weights_sum_to_one(theta.weights, total)) {
    findings.warn(oddity(describe("%squadrature weights sum to %g, not 1; they are used as "
                                  "written, so the fitted score distributions sum to %g too",
                                  which, total, total)));
  }
}

}  // namespace

Failure check_records(const Input& input, const Options& options, Records& records) {
  const auto refuse = [](std::string why) {
    return failure_of(ErrorKind::INVALID_INPUT, Stage::CHECKING, about_run(std::move(why)));
  };
  for (const auto& [form, role] :
       {std::pair{&input.new_form, FormRole::NEW}, std::pair{&input.old_form, FormRole::OLD}}) {
    if (std::string why = form_problem(*form, role); !why.empty()) return refuse(why);
  }
  if (input.old_theta && !input.theta) {
    return refuse("old_theta, the old group's ability distribution, needs theta, the new "
                  "group's, beside it");
  }
  const bool two_groups = input.old_theta.has_value();
  if (input.theta) {
    if (std::string why = quadrature_problem(*input.theta, two_groups ? "the new group's " : "");
        !why.empty()) {
      return refuse(why);
    }
  }
  if (input.old_theta) {
    if (std::string why = quadrature_problem(*input.old_theta, "the old group's "); !why.empty()) {
      return refuse(why);
    }
  }
  if (std::string why = options_problem(input, options); !why.empty()) return refuse(why);
  if (input.conversion) {
    if (std::string why = conversion_problem(*input.conversion); !why.empty()) return refuse(why);
  }
  records.new_form = item_table(input.new_form);
  records.old_form = item_table(input.old_form);
  std::string why;
  const auto check = [&](const std::optional<Covariance>& covariance, const ItemTable& table,
                         FormRole role, std::optional<FormCovariance>& into) {
    if (!covariance || !why.empty()) return;
    why = covariance_problem(*covariance, table, role, into.emplace());
  };
  check(input.new_covariance, records.new_form, FormRole::NEW, records.new_covariance);
  check(input.old_covariance, records.old_form, FormRole::OLD, records.old_covariance);
  if (!why.empty()) return refuse(why);
  records.theta = input.theta ? &*input.theta : nullptr;
  records.old_theta = input.old_theta ? &*input.old_theta : nullptr;
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
  const bool two_groups = records.old_theta != nullptr;
  for (const auto& [quadrature, which] :
       {std::pair{records.theta, two_groups ? "the new group's " : ""},
        std::pair{records.old_theta, "the old group's "}}) {
    if (quadrature != nullptr) warn_about_weights(*quadrature, which, findings);
  }
}

}  // namespace zol
