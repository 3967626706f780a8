// Slope-intercept estimates carried to the program's metric, their covariance by the delta method
#include <cmath>
#include <new>

#include "common/describe.h"
#include "common/errors.h"
#include "common/findings.h"
#include "irt/deterministic_exp.h"
#include "precision/covariance_checks.h"

namespace zol {

namespace {

// The place of no estimate: the second of a parameter that hangs on one, or
// an estimate the covariance does not name.
constexpr std::size_t NOT_NAMED = NOT_FREE;

// One parameter of the program's metric as the estimates give it: a = a1 /
// D hangs on a1, a location -d / a1 on d and a1, c on the guessing estimate.
// from holds the places of those estimates in the form's list of
// parameters, by the derivatives of the parameter in them.
struct Dependence {
  std::size_t place = 0;
  std::size_t from[2] = {NOT_NAMED, NOT_NAMED};
  double by[2] = {0.0, 0.0};
};

// c = 1 / (1 + exp(-l)) and dc/dl = c (1 - c), from whichever side keeps the
// exponential below 1, so that neither overflows.
void from_logit(double l, double& c, double& slope) {
  const double e = deterministic_exp(l >= 0.0 ? -l : l);
  c = l >= 0.0 ? 1.0 / (1.0 + e) : e / (1.0 + e);
  slope = e / ((1.0 + e) * (1.0 + e));
}

Error conversion_failure(const std::string& text) {
  return explained_error(ErrorKind::INVALID_INPUT, Stage::CHECKING, about_run(text), "");
}

// Why the item's estimates give no parameters: the slope divides every location.
std::string estimate_problem(const Item& item) {
  const std::string label = printable(item.label.c_str());
  if (!std::isfinite(item.a) || item.a == 0.0) {
    return describe(
        "item %s: the slope a1 %g is not a finite number other than 0, which b = "
        "-d / a1 needs",
        label.c_str(), item.a);
  }
  for (std::size_t k = 1; k < parameter_count(item); ++k) {
    if (!std::isfinite(parameter_value(item, k))) {
      return describe(
          "item %s: %s", label.c_str(),
          not_finite(parameter_name(item, k).c_str(), parameter_value(item, k)).c_str());
    }
  }
  return "";
}

// The item in the program's metric, and how each of its parameters hangs on
// the estimates at place first onwards.
Item converted_item(const Item& item, double d, bool logit_guessing, std::size_t first,
                    std::vector<Dependence>& dependences) {
  Item converted = item;
  converted.a = item.a / d;
  dependences.push_back({first, {first, NOT_NAMED}, {1.0 / d, 0.0}});
  const auto locate = [&](double intercept, std::size_t k) {
    const double b = -intercept / item.a;
    dependences.push_back({first + k, {first, first + k}, {-b / item.a, -1.0 / item.a}});
    return b;
  };
  if (item.model != ItemModel::THREE_PL) {
    for (std::size_t k = 0; k < item.steps.size(); ++k) {
      converted.steps[k] = locate(item.steps[k], k + 1);
    }
    return converted;
  }
  converted.b = locate(item.b, 1);
  double slope = 1.0;
  if (logit_guessing) from_logit(item.c, converted.c, slope);
  dependences.push_back({first + 2, {first + 2, NOT_NAMED}, {slope, 0.0}});
  return converted;
}

// J S J' over the parameters that hang on a named estimate, in the form's order.
Covariance carried_covariance(const Covariance& estimates, const FormCovariance& named_places,
                              const ItemTable& table, const std::vector<Dependence>& all) {
  const std::vector<std::size_t> named = free_places(table, &named_places);
  // Each dependence on an estimate that is not named drops out: that
  // estimate is held fixed.
  std::vector<Dependence> kept;
  for (Dependence dependence : all) {
    for (std::size_t& from : dependence.from) from = from == NOT_NAMED ? NOT_NAMED : named[from];
    if (dependence.from[0] != NOT_NAMED || dependence.from[1] != NOT_NAMED) {
      kept.push_back(dependence);
    }
  }
  const std::size_t m = kept.size(), n = named_places.parameters.size();
  Covariance carried{{}, std::vector<double>(m * m), estimates.standard_errors_only};
  std::size_t item = 0;  // the dependences run in the form's order
  for (const Dependence& p : kept) {
    while (table.first_parameter[item + 1] <= p.place) ++item;
    const Item& owner = table.items[item];
    carried.names.push_back(owner.label + ":" +
                            parameter_name(owner, p.place - table.first_parameter[item]));
  }
  for (std::size_t p = 0; p < m; ++p) {
    for (std::size_t q = 0; q <= p; ++q) {
      double sum = 0.0;
      for (std::size_t s = 0; s < 2; ++s) {
        for (std::size_t t = 0; t < 2; ++t) {
          const std::size_t i = kept[p].from[s], j = kept[q].from[t];
          if (i != NOT_NAMED && j != NOT_NAMED) {
            sum += kept[p].by[s] * kept[q].by[t] * named_places.matrix[i * n + j];
          }
        }
      }
      carried.matrix[p * m + q] = carried.matrix[q * m + p] = sum;
    }
  }
  return carried;
}

}  // namespace

Expected<SlopeInterceptForm> from_slope_intercept(const SlopeInterceptForm& estimates, double d,
                                                  bool logit_guessing) {
  try {
    if (!(d > 0.0) || !std::isfinite(d)) {
      return conversion_failure(
          describe("the scaling constant %g is not a finite number above 0", d));
    }
    const ItemTable table = item_table(estimates.form);
    SlopeInterceptForm converted;
    std::vector<Dependence> dependences;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const Item& item = table.items[i];
      if (std::string why = estimate_problem(item); !why.empty()) return conversion_failure(why);
      const bool logit = logit_guessing && item.model == ItemModel::THREE_PL;
      if (logit && !std::isfinite(item.c)) {
        return conversion_failure(describe("item %s: the logit of c, %g, is not a finite number",
                                           printable(item.label.c_str()).c_str(), item.c));
      }
      converted.form.items.push_back(
          converted_item(item, d, logit, table.first_parameter[i], dependences));
    }
    if (estimates.covariance) {
      FormCovariance named;
      if (std::string why = covariance_fault(*estimates.covariance, table, "the form", named);
          !why.empty()) {
        return conversion_failure("the estimates' covariance: " + why);
      }
      converted.covariance = carried_covariance(*estimates.covariance, named, table, dependences);
    }
    return converted;
  } catch (const std::bad_alloc&) {
    return explained_error(ErrorKind::NO_MEMORY, Stage::CHECKING,
                           about_run("not enough memory to convert the estimates"), "");
  }
}

}  // namespace zol
