// The three-parameter logistic item model and a form's expected score with its slope
#include "item_model.h"

#include <cassert>

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
    item_formulas::probability(theta, items.a[i], items.b[i], items.c[i], p[i]);
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

ScoreAndSlope form_sums(double theta, const FormView& form, item_kernels::Wanted wanted) {
  assert(form.b.size() == form.a.size() && form.c.size() == form.a.size());
  assert(form.correct_score.size() == form.a.size());
  assert(form.incorrect_score.size() == form.a.size());
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return item_kernels::avx2::sums(theta, form, wanted);
#endif
  return item_kernels::plain::sums(theta, form, wanted);
}

}  // namespace

double prob_3pl(double theta, double a, double b, double c) {
  double p;
  item_formulas::probability(theta, a, b, c, p);
  return p;
}

void prob_3pl_batch(double theta, std::span<const double> a, std::span<const double> b,
                    std::span<const double> c, std::span<double> p) {
  assert(a.size() == p.size() && b.size() == p.size() && c.size() == p.size());
  const FormView items{a, b, c, {}, {}};
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
