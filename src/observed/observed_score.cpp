// Placeholder until the observed-score distribution lands
#include "observed_score.h"

Status observed_score_distribution(OneBasedView, OneBasedView, OneBasedView, std::int32_t,
                                   std::span<double>, OneBasedView, OneBasedView, std::int32_t,
                                   double, double, double, OneBasedView, OneBasedView) {
  return 1;
}
Status conditional_number_correct(double, OneBasedView, OneBasedView, OneBasedView, std::int32_t,
                                  std::span<double>) {
  return 1;
}
Status conditional_item_scores(double, std::int32_t, double, double, double, OneBasedView,
                               OneBasedView, OneBasedView, OneBasedView, OneBasedView,
                               std::span<double>) {
  return 1;
}
Status check_score_grid(std::int32_t, double, double, double, OneBasedView, OneBasedView) {
  return 1;
}
