// Causes of the equating's failures in the words of the input format
#include "equating/explain.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "common/describe.h"
#include "irt/item_model.h"

namespace zol {

namespace {

// The labels of the items whose a is 0 or below, "N07 and N12" or "N07, N12,
// N15 and 4 more".
std::string flat_or_falling_items(const ItemTable& form) {
  std::vector<std::string> named;
  std::size_t count = 0;
  for (const Item& item : form.items) {
    if (!(item.a > 0.0)) {
      if (named.size() < MOST_LISTED) named.push_back(printable(item.label.c_str()));
      ++count;
    }
  }
  const std::string text = listing(named, count);
  if (count == 1) return "item " + text + " has a <= 0";
  return count == 0 ? "" : "items " + text + " have a <= 0";
}

// The parameter of the forms furthest from 0: what overflows the model.
std::string most_extreme_parameter(const Records& input, bool new_form = true,
                                   bool old_form = true) {
  double largest = -1.0;
  std::string text;
  for (const auto& [form, which] :
       {std::pair{&input.new_form, "new"}, std::pair{&input.old_form, "old"}}) {
    if (!(form == &input.new_form ? new_form : old_form)) continue;
    for (const Item& item : form->items) {
      for (std::size_t k = 0; k < parameter_count(item); ++k) {
        const double value = parameter_value(item, k);
        if (std::fabs(value) > largest) {
          largest = std::fabs(value);
          text = describe("item %s of the %s form has %s = %g", printable(item.label.c_str()).c_str(),
                          which, parameter_name(item, k).c_str(), value);
        }
      }
    }
  }
  return text;
}

}  // namespace

Finding explain_linking(const LinkSearch& link) {
  switch (link.status) {
    case LinkStatus::TOO_FEW_COMMON_ITEMS: {
      const std::string left =
          link.excluded > 0 ? describe(" left after %d excluded", link.excluded) : "";
      return about_run(describe("%d common item%s (a label in both forms)%s; at least 2 are needed",
                                link.common_items, link.common_items == 1 ? "" : "s",
                                left.c_str()));
    }
    case LinkStatus::NOT_COMMON:
      return about_run(describe("the label %s to leave out of the linking is not a common item "
                                "of the two forms",
                                quoted(link.ambiguous_label.c_str()).c_str()));
    case LinkStatus::AMBIGUOUS_LABEL:
      return about_run(
          describe("the label %s stands twice in one form and also in the other, so its "
                   "common item is ambiguous",
                   printable(link.ambiguous_label.c_str()).c_str()));
    case LinkStatus::NO_SLOPE:
      return about_run(
          describe("A = %g is not a finite number above 0 on the %d common items", link.A,
                   link.common_items));
    case LinkStatus::NOT_CONVERGED:
      return about_run(
          describe("the minimisation stopped after %d step%s without converging, at A = "
                   "%.6f, B = %.6f with the criterion at %g",
                   link.steps, link.steps == 1 ? "" : "s", link.A, link.B, link.criterion));
    case LinkStatus::MODELS_DIFFER:
      return about_run(
          describe("the common item %s has another model or number of categories in the "
                   "old form than in the new",
                   printable(link.ambiguous_label.c_str()).c_str()));
    case LinkStatus::OK:
      break;
  }
  return about_run("the linking failed");
}

Finding explain_weight_total(const Records& input, const FittedGroup& fitted) {
  const std::string group = fitted.group == nullptr ? "" : describe("the %s group's ", fitted.group);
  const std::string in_group =
      fitted.group == nullptr ? "" : describe(" in the %s group", fitted.group);
  double total = 0.0;
  for (double weight : fitted.weights) total += weight;
  if (!(std::fabs(total - 1.0) <= 0.1)) {
    return about_run(describe("%squadrature weights sum to %g; they must sum to 1 within 0.1",
                              group.c_str(), total));
  }
  // The weights are fine, so a form's items pushed the recursion's
  // entries out of range; the new form's distribution is fitted first.
  double sum = 0.0;
  for (double p : fitted.new_fitted) sum += p;
  const bool new_form = !(std::fabs(sum - 1.0) <= 0.1);
  if (!new_form) {
    sum = 0.0;
    for (double p : fitted.old_fitted) sum += p;
  }
  return about_run(describe("the %s form's fitted score distribution%s sums to %g although the "
                            "%squadrature weights sum to %g; it must sum to 1 within 0.1; most "
                            "likely cause: ",
                            new_form ? "new" : "old", in_group.c_str(), sum, group.c_str(),
                            total) +
                   most_extreme_parameter(input, new_form, !new_form));
}

Finding explain_not_finite(const Records& input, const Results& results) {
  const std::string cause =
      "; parameters this extreme overflow the model: " + most_extreme_parameter(input);
  const TrueScoreEquating& true_score = results.true_score;
  if (!std::isfinite(true_score.chance_score)) {
    return about_run(describe("the sum of c parameters is %g, not a finite number",
                              true_score.chance_score) +
                     cause);
  }
  for (std::size_t i = 0; i < true_score.equated.size(); ++i) {
    if (!std::isfinite(true_score.equated[i]) || !std::isfinite(true_score.theta[i])) {
      return about_run(
          describe("the true-score equivalent of raw score %zu is not a finite number", i) + cause);
    }
  }
  const std::size_t observed = results.observed_score ? results.observed_score->equated.size() : 0;
  for (std::size_t i = 0; i < observed; ++i) {
    if (!std::isfinite(results.observed_score->equated[i])) {
      return about_run(
          describe("the observed-score equivalent of raw score %zu is not a finite number", i) +
          cause);
    }
  }
  return about_run("the equating failed");
}

Finding explain_stop(RootStop stop, std::size_t raw, const Records& input,
                     const FormView& new_form) {
  if (stop == RootStop::NOT_BRACKETED) {
    const double low = expected_score(-THETA_LIMIT, new_form);
    const double high = expected_score(THETA_LIMIT, new_form);
    const std::string items = flat_or_falling_items(input.new_form);
    return about_run(
        describe("raw score %zu lies outside the new form's expected scores between "
                 "theta -150 and 150 (%.4f and %.4f)%s%s",
                 raw, low, high, items.empty() ? "" : "; ", items.c_str()));
  }
  return about_run(
      describe("the search for the theta of raw score %zu did not converge in 100 "
               "iterations; parameters this extreme overflow the model: %s",
               raw, most_extreme_parameter(input).c_str()));
}

Finding explain_scale(const Records& input, std::span<const double> scores,
                      const ScaleScores& scale) {
  std::size_t raw = 0;
  while (raw + 1 < scores.size() && std::isfinite(scale.unrounded[raw]) &&
         std::isfinite(scale.rounded[raw])) {
    ++raw;
  }
  const std::span<const double> rows = input.conversion.scale;
  for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
    if (!std::isfinite((rows[k + 1] - rows[k]) / input.conversion.increment)) {
      return about_run(
          describe("the scale score of raw score %zu is not a finite number: the "
                   "slope between conversion rows %zu and %zu (scale scores %g and %g) "
                   "overflows",
                   raw, k, k + 1, rows[k], rows[k + 1]));
    }
  }
  return about_run(describe("the scale score of raw score %zu is not a finite number", raw));
}

}  // namespace zol
