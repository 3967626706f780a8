// Synthetic item banks and quadratures, the same on every run and machine
#include "synthetic_forms.h"

#include <cmath>
#include <random>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double LOG_A_SPREAD = 0.3;  // a from 0.5 to 2 for 95 in 100 items
constexpr double C_LOW = 0.10;
constexpr double C_HIGH = 0.25;
constexpr double QUADRATURE_SPAN = 4.0;

// Uniform on [0, 1) from the top 53 bits; the library's distributions are
// free to differ between implementations, the engine is not.
double uniform(std::mt19937_64& engine) {
  return static_cast<double>(engine() >> 11) * 0x1.0p-53;
}

// Box-Muller, one value per pair of draws.
double standard_normal(std::mt19937_64& engine) {
  const double u = 1.0 - uniform(engine);  // in (0, 1]: log stays finite
  const double v = uniform(engine);
  return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * PI * v);
}

void write_items(std::FILE* out, const char* header, char label, const SyntheticForm& form) {
  std::fprintf(out, "%s\n", header);
  for (std::int32_t i = 0; i < form.count(); ++i) {
    const auto k = static_cast<std::size_t>(i);
    std::fprintf(out, "%c%06d %9.4f %9.4f %7.4f\n", label, i + 1, form.a[k], form.b[k], form.c[k]);
  }
}

}  // namespace

SyntheticForm synthetic_form(std::int32_t n, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  SyntheticForm form;
  for (std::int32_t i = 0; i < n; ++i) {
    form.a.push_back(std::exp(LOG_A_SPREAD * standard_normal(engine)));
    form.b.push_back(standard_normal(engine));
    form.c.push_back(C_LOW + (C_HIGH - C_LOW) * uniform(engine));
  }
  return form;
}

zol::Quadrature synthetic_quadrature(std::int32_t k) {
  zol::Quadrature q;
  double total = 0.0;
  for (std::int32_t j = 0; j < k; ++j) {
    const double theta = -QUADRATURE_SPAN + 2.0 * QUADRATURE_SPAN * j / (k - 1);
    q.points.push_back(theta);
    q.weights.push_back(std::exp(-0.5 * theta * theta));
    total += q.weights.back();
  }
  for (double& weight : q.weights) weight /= total;
  return q;
}

void write_synthetic_input(std::FILE* out, std::int32_t n_new, std::int32_t n_old, std::int32_t k) {
  std::fprintf(out, "Synthetic forms: %d new and %d old items, %d quadrature points\n", n_new,
               n_old, k);
  write_items(out, "$Item_Parameters", 'N', synthetic_form(n_new, 1));
  write_items(out, "$Link_Item_Parameters", 'O', synthetic_form(n_old, 2));
  if (k > 0) {
    const zol::Quadrature q = synthetic_quadrature(k);
    std::fprintf(out, "$Theta_Distribution\n");
    for (std::size_t j = 0; j < q.points.size(); ++j) {
      std::fprintf(out, "%.6f %.17g\n", q.points[j], q.weights[j]);
    }
  }
}

std::string synthetic_text(std::int32_t n_new, std::int32_t n_old, std::int32_t k) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return {};
  write_synthetic_input(file, n_new, n_old, k);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

zol::Input common_item_forms(std::int32_t items, std::size_t common, double noise,
                             std::int32_t points, bool two_groups) {
  constexpr double A = 1.15, B = -0.4;
  const SyntheticForm old_items = synthetic_form(items, 2), new_items = synthetic_form(items, 1);
  // Labels as wide as the largest item number.
  const int width = static_cast<int>(std::to_string(items - 1).size());
  zol::Input input;
  input.name = "synthetic";
  for (std::size_t i = 0; i < static_cast<std::size_t>(items); ++i) {
    char label[32];
    std::snprintf(label, sizeof label, i < common ? "C%0*zu" : "O%0*zu", width, i);
    input.old_form.items.emplace_back(label, old_items.a[i], old_items.b[i], old_items.c[i]);
    if (i < common) {
      const double shift = noise * std::cos(static_cast<double>(i));
      input.new_form.items.emplace_back(label, old_items.a[i] * A + shift,
                                        (old_items.b[i] - B) / A + shift, old_items.c[i]);
    } else {
      std::snprintf(label, sizeof label, "N%0*zu", width, i);
      input.new_form.items.emplace_back(label, new_items.a[i], new_items.b[i], new_items.c[i]);
    }
  }
  input.theta = synthetic_quadrature(points);
  if (two_groups) {
    input.old_theta = input.theta;
    for (double& point : input.theta->points) point += 0.3;
  }
  return input;
}
