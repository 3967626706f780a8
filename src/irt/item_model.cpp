// Placeholder until the item model lands
#include "item_model.h"

double prob_3pl(double, double, double, double) {
  return 0.0;
}
double expected_score(double, OneBasedView, OneBasedView, OneBasedView, std::int32_t, OneBasedView,
                      OneBasedView) {
  return 0.0;
}
double expected_score_slope(double, OneBasedView, OneBasedView, OneBasedView, std::int32_t,
                            OneBasedView, OneBasedView) {
  return 0.0;
}
