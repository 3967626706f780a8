// Screening the common items for drift: their differences across the forms and robust z
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "irt/deterministic_exp.h"
#include "irt/linking.h"

namespace zol {

namespace {

// Quartiles by linear interpolation between the order statistics, the
// quantile at p lying at (n - 1) p of the sorted values counted from 0.
double quantile(const std::vector<double>& sorted, double p) {
  const double at = static_cast<double>(sorted.size() - 1) * p;
  const auto below = static_cast<std::size_t>(std::floor(at));
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + (at - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

// A spread of that many interquartile ranges is one standard deviation of a
// normal distribution, near enough.
constexpr double IQR_TO_SD = 0.74;

// z = (d - median) / (0.74 IQR) of each difference, with the median and the
// quartiles of the used items' differences; none where the IQR is 0 or a
// difference has no value.
void robust_z(const std::vector<std::optional<double>>& differences,
              const std::vector<bool>& used, std::vector<std::optional<double>>& z) {
  std::vector<double> sorted;
  for (std::size_t i = 0; i < differences.size(); ++i) {
    if (used[i] && differences[i]) sorted.push_back(*differences[i]);
  }
  z.assign(differences.size(), std::nullopt);
  if (sorted.empty()) return;
  std::sort(sorted.begin(), sorted.end());
  const double median = quantile(sorted, 0.5);
  const double spread = IQR_TO_SD * (quantile(sorted, 0.75) - quantile(sorted, 0.25));
  if (!(spread > 0.0)) return;
  for (std::size_t i = 0; i < differences.size(); ++i) {
    if (!differences[i]) continue;
    const double value = (*differences[i] - median) / spread;
    if (std::isfinite(value)) z[i] = value;
  }
}

// Each location divided before it is added, so that locations near the
// largest doubles have a mean.
double mean_location(const Item& item, double A, double B) {
  const std::span<const double> bs = locations(item);
  const double n = static_cast<double>(bs.size());
  double total = 0.0;
  for (double b : bs) total += carried_location(b, A, B) / n;
  return total;
}

}  // namespace

std::vector<CommonItem> screen_common_items(const ItemTable& new_form, const ItemTable& old_form,
                                            const LinkSearch& link) {
  std::vector<CommonItem> rows;
  std::vector<std::optional<double>> b_differences, log_ratios;
  std::vector<bool> used;
  for (const CommonMatch& match : link.matches) {
    const Item& new_item = new_form.items[match.new_index];
    const Item& old_item = old_form.items[match.old_index];
    CommonItem row;
    row.label = new_item.label;
    row.model = new_item.model;
    row.used = match.used;
    row.a_old = old_item.a;
    row.a_new = carried_slope(new_item.a, link.A);
    row.b_old = mean_location(old_item, 1.0, 0.0);
    row.b_new = mean_location(new_item, link.A, link.B);
    if (const double d = row.b_new - row.b_old; std::isfinite(d)) row.b_difference = d;
    const double ratio = deterministic_log(row.a_new / row.a_old);
    if (std::isfinite(ratio)) row.log_a_ratio = ratio;
    b_differences.push_back(row.b_difference);
    log_ratios.push_back(row.log_a_ratio);
    used.push_back(match.used);
    rows.push_back(std::move(row));
  }
  std::vector<std::optional<double>> b_z, a_z;
  robust_z(b_differences, used, b_z);
  robust_z(log_ratios, used, a_z);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].b_robust_z = b_z[i];
    rows[i].a_robust_z = a_z[i];
    rows[i].flagged = (b_z[i] && std::fabs(*b_z[i]) > CommonItem::DRIFT_Z) ||
                      (a_z[i] && std::fabs(*a_z[i]) > CommonItem::DRIFT_Z);
  }
  return rows;
}

}  // namespace zol
