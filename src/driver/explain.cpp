// Causes of the driver's failures in the words of the input format
#include "driver/explain.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "common/describe.h"
#include "item_model.h"

namespace zol {

namespace {

// The labels of the items whose a is 0 or below, "N07 and N12" or "N07, N12,
// N15 and 4 more".
std::string flat_or_falling_items(const ItemSet& form) {
  constexpr std::size_t MOST_NAMED = 3;
  std::vector<std::string> named;
  std::size_t count = 0;
  for (std::size_t i = 0; i < form.a().size(); ++i) {
    if (!(form.a()[i] > 0.0)) {
      if (named.size() < MOST_NAMED) named.push_back(printable(form.label(i)));
      ++count;
    }
  }
  std::string text;
  for (std::size_t k = 0; k < named.size(); ++k) {
    if (k > 0) text += k + 1 == named.size() && count == named.size() ? " and " : ", ";
    text += named[k];
  }
  if (count > named.size()) text += describe(" and %zu more", count - named.size());
  if (count == 1) return "item " + text + " has a <= 0";
  return count == 0 ? "" : "items " + text + " have a <= 0";
}

// The parameter of either form furthest from 0: what overflows the model.
std::string most_extreme_parameter(const InputRecords& input) {
  double largest = -1.0;
  std::string text;
  for (const auto& [form, which] :
       {std::pair{&input.new_form, "new"}, std::pair{&input.old_form, "old"}}) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(form->count); ++i) {
      const double values[] = {form->a()[i], form->b()[i], form->c()[i]};
      for (std::size_t k = 0; k < 3; ++k) {
        if (std::fabs(values[k]) > largest) {
          largest = std::fabs(values[k]);
          text = describe("item %s of the %s form has %c = %g",
                          printable(form->label(i)).c_str(), which, "abc"[k], values[k]);
        }
      }
    }
  }
  return text;
}

double expected_number_correct(double theta, const ItemSet& items) {
  const std::vector<double> one(static_cast<std::size_t>(items.count), 1.0);
  const std::vector<double> zero(one.size(), 0.0);
  return expected_score(theta, Form{items.a(), items.b(), items.c(), one, zero});
}

Finding plain(std::string text) {
  return {std::move(text), false, 0};
}

}  // namespace

Finding explain_equating(EquatingStatus status, const InputRecords& input,
                         const TrueScoreTable& true_scores, const ObservedScoreTable& observed) {
  switch (status) {
    case EquatingStatus::OK:
      break;
    case EquatingStatus::NO_MEMORY:
      return plain(describe("not enough memory to equate %d raw scores",
                            input.new_form.count + 1));
    case EquatingStatus::WEIGHT_TOTAL: {
      double total = 0.0;
      for (double weight : input.theta.weights()) total += weight;
      return plain(describe("quadrature weights sum to %g; they must sum to 1 within 0.1", total));
    }
    case EquatingStatus::UNUSABLE_SCORES:
      return plain("the response scores do not fit the score grid");
    case EquatingStatus::NOT_FINITE: {
      const std::string cause = "; parameters this extreme overflow the model: " +
                                most_extreme_parameter(input);
      if (!std::isfinite(true_scores.chance_score)) {
        return plain(describe("the sum of c parameters is %g, not a finite number",
                              true_scores.chance_score) +
                     cause);
      }
      for (std::size_t i = 0; i < true_scores.true_equated.size(); ++i) {
        if (!std::isfinite(true_scores.true_equated[i]) ||
            !std::isfinite(true_scores.theta_equivalent[i])) {
          return plain(describe("the true-score equivalent of raw score %zu is not a finite "
                                "number",
                                i) +
                       cause);
        }
      }
      for (std::size_t i = 0; i < observed.observed_equated.size(); ++i) {
        if (!std::isfinite(observed.observed_equated[i])) {
          return plain(describe("the observed-score equivalent of raw score %zu is not a finite "
                                "number",
                                i) +
                       cause);
        }
      }
      break;
    }
  }
  return plain("the equating failed");
}

Finding explain_stop(const char* message, const InputRecords& input,
                     const TrueScoreTable& true_scores) {
  const std::size_t raw = true_scores.searched;
  if (std::strstr(message, "bracketed") != nullptr) {
    const double low = expected_number_correct(-THETA_LIMIT, input.new_form);
    const double high = expected_number_correct(THETA_LIMIT, input.new_form);
    const std::string items = flat_or_falling_items(input.new_form);
    return plain(describe("raw score %zu lies outside the new form's expected scores between "
                          "theta -150 and 150 (%.4f and %.4f)%s%s",
                          raw, low, high, items.empty() ? "" : "; ", items.c_str()));
  }
  return plain(describe("the search for the theta of raw score %zu did not converge in 100 "
                        "iterations; parameters this extreme overflow the model: %s",
                        raw, most_extreme_parameter(input).c_str()));
}

Finding explain_scale(const InputRecords& input, std::span<const double> scores,
                      const ScaleScores& scale) {
  std::size_t raw = 0;
  while (raw + 1 < scores.size() && std::isfinite(scale.unrounded[raw]) &&
         std::isfinite(scale.rounded[raw])) {
    ++raw;
  }
  const std::span<const double> rows = input.conversion.scale_scores();
  for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
    if (!std::isfinite((rows[k + 1] - rows[k]) / input.conversion.increment)) {
      return plain(describe("the scale score of raw score %zu is not a finite number: the "
                            "slope between conversion rows %zu and %zu (scale scores %g and %g) "
                            "overflows",
                            raw, k, k + 1, rows[k], rows[k + 1]));
    }
  }
  return plain(describe("the scale score of raw score %zu is not a finite number", raw));
}

}  // namespace zol
