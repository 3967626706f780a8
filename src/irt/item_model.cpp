// The three-parameter logistic item model and a form's expected score with its slope
#include "irt/item_model.h"

#include <cassert>

#include "irt/category_model.h"
#include "common/cpu_features.h"
#include "irt/item_formulas.h"
#include "irt/item_kernels.h"

namespace zol {

namespace item_kernels::plain {

void exp_batch(std::span<const double> x, std::span<double> y) {
  for (std::size_t i = 0; i < x.size(); ++i) y[i] = exp_core::exp_scalar(x[i]);
}

void probabilities(double theta, const FormView& items, std::span<double> p) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    item_formulas::probability(theta, items.d, items.a[i], items.b[i], items.c[i], p[i]);
  }
}

ScoreAndSlope sums(double theta, const FormView& form, Wanted wanted) {
  item_formulas::Sums sums;
  switch (wanted) {
    case Wanted::SCORE:
      item_formulas::add_items<true, false>(theta, form, 0, sums);
      break;
    case Wanted::SLOPE:
      item_formulas::add_items<false, true>(theta, form, 0, sums);
      break;
    case Wanted::BOTH:
      item_formulas::add_items<true, true>(theta, form, 0, sums);
      break;
  }
  return {sums.score, sums.slope};
}

}  // namespace item_kernels::plain

namespace {

ScoreAndSlope three_pl_sums(double theta, const FormView& form, item_kernels::Wanted wanted) {
  assert(form.b.size() == form.a.size() && form.c.size() == form.a.size());
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return item_kernels::avx2::sums(theta, form, wanted);
#endif
  return item_kernels::plain::sums(theta, form, wanted);
}

// The 3PL items' sums, then each item of K categories added in the form's
// order of those items.
ScoreAndSlope form_sums(double theta, const FormView& form, item_kernels::Wanted wanted) {
  ScoreAndSlope sums = three_pl_sums(theta, form, wanted);
  for (const CategoryItem& item : form.partial_credit) {
    const ScoreAndSlope terms = expected_item_score(theta, item, form.d);
    sums.score += terms.score;
    sums.slope += terms.slope;
  }
  return sums;
}

}  // namespace

double prob_3pl(double theta, double a, double b, double c, double d) {
  double p;
  item_formulas::probability(theta, d, a, b, c, p);
  return p;
}

void prob_3pl_batch(double theta, const FormView& items, std::span<double> p) {
  assert(items.a.size() == p.size() && items.b.size() == p.size() && items.c.size() == p.size());
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return item_kernels::avx2::probabilities(theta, items, p);
#endif
  item_kernels::plain::probabilities(theta, items, p);
}

double expected_score(double theta, const FormView& form) {
  return form_sums(theta, form, item_kernels::Wanted::SCORE).score;
}

double expected_score_slope(double theta, const FormView& form) {
  return form_sums(theta, form, item_kernels::Wanted::SLOPE).slope;
}

ScoreAndSlope expected_score_and_slope(double theta, const FormView& form) {
  return form_sums(theta, form, item_kernels::Wanted::BOTH);
}

}  // namespace zol
