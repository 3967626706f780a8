// The pieces of the standard errors: gradients over both forms' parameters, and where they come from
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "equating/pipeline.h"
#include "irt/linking.h"
#include "precision/covariance.h"

namespace zol {

// The derivatives of one result in the free parameters of the new form and of
// the old form (those their covariances name, in that order; the new form's
// on its own scale) and in the linking's A and B.
struct Gradient {
  std::vector<double> new_form, old_form;
  double A = 0.0, B = 0.0;
};

// What every gradient is taken of: the checked records, the results of the
// equating, the linking's gradient (null without a linking) and the
// covariances (null for a form whose parameters are all fixed).
struct PrecisionSource {
  const Records* records = nullptr;
  const Results* results = nullptr;
  const LinkGradient* link = nullptr;
  const FormCovariance* new_covariance = nullptr;
  const FormCovariance* old_covariance = nullptr;
  std::vector<std::size_t> new_free, old_free;  // free_places of each form
  double d = DEFAULT_SCALING_CONSTANT;

  double A() const { return results->linking ? results->linking->A : 1.0; }
  double B() const { return results->linking ? results->linking->B : 0.0; }
};

// A gradient of zeros, sized for both forms.
Gradient zero_gradient(const PrecisionSource& source);

// The variance of a result with this gradient: through A and B into the
// common items' parameters, then g' S g over each form's covariance.
double variance(const PrecisionSource& source, const Gradient& gradient);

// The gradient of the true-score equivalent of raw score x; nothing where it
// cannot be taken (the new form's test curve is flat at its theta).
std::optional<Gradient> true_score_gradient(const PrecisionSource& source, std::size_t x);

// The variance of every new-form raw score's observed-score equivalent;
// nothing for a raw score whose equivalent lies in an interval of zero
// probability, or whose variance is not a finite number.
std::vector<std::optional<double>> observed_score_variances(const PrecisionSource& source);

}  // namespace zol
