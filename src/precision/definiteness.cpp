// Whether a covariance matrix is positive semi-definite, decided alike on every platform
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>

#include "common/describe.h"
#include "precision/covariance_checks.h"

namespace zol {

namespace {

// The power iteration for the largest eigenvalue stops when its estimate
// changes by less than this much of itself, or after MOST_POWER_STEPS.
// The estimate only scales the tolerance, so a few digits are plenty.
constexpr double POWER_CONVERGENCE = 1e-3;
constexpr int MOST_POWER_STEPS = 100;

// The sum of x[k] y[k] for k below n, in four partial sums of every fourth
// term, added in a fixed order: the same bits everywhere, without each term
// waiting for the one before.
double dot(const double* x, const double* y, std::size_t n) {
  double part[4] = {0.0, 0.0, 0.0, 0.0};
  std::size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    part[0] += x[k] * y[k];
    part[1] += x[k + 1] * y[k + 1];
    part[2] += x[k + 2] * y[k + 2];
    part[3] += x[k + 3] * y[k + 3];
  }
  double sum = (part[0] + part[1]) + (part[2] + part[3]);
  for (; k < n; ++k) sum += x[k] * y[k];
  return sum;
}

// The lower triangle, row i at i (i + 1) / 2, scaled by a power of two
// (exactly) so that its largest magnitude lies in [0.5, 1): neither the
// iteration nor the factorisation can overflow. first[i] is the first column
// of row i that is not 0: the factor keeps the zeros before it, so a
// diagonal or block-diagonal matrix (standard errors alone, items calibrated
// apart) costs little.
struct Lower {
  std::size_t n = 0;
  std::vector<double> entries;
  std::vector<std::size_t> first;
  int exponent = 0;  // the matrix is entries times 2^exponent
};

Lower lower_triangle(std::span<const double> matrix, std::size_t n) {
  Lower s{n, std::vector<double>(n * (n + 1) / 2), std::vector<std::size_t>(n), 0};
  double largest = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j <= i; ++j) largest = std::max(largest, std::fabs(matrix[i * n + j]));
  }
  if (largest > 0.0) std::frexp(largest, &s.exponent);
  for (std::size_t i = 0; i < n; ++i) {
    double* row = &s.entries[i * (i + 1) / 2];
    s.first[i] = i;
    for (std::size_t j = 0; j <= i; ++j) {
      row[j] = std::ldexp(matrix[i * n + j], -s.exponent);
      if (row[j] != 0.0 && s.first[i] == i) s.first[i] = j;
    }
  }
  return s;
}

// y = S x over the envelope, each entry's terms always in the same order:
// row i's own part, then the parts of the rows below it as they come.
void multiply(const Lower& s, const std::vector<double>& x, std::vector<double>& y) {
  std::fill(y.begin(), y.end(), 0.0);
  for (std::size_t i = 0; i < s.n; ++i) {
    const double* row = &s.entries[i * (i + 1) / 2];
    const std::size_t first = s.first[i];
    for (std::size_t j = first; j < i; ++j) y[j] += row[j] * x[i];
    y[i] += dot(row + first, x.data() + first, i - first) + row[i] * x[i];
  }
}

// The largest eigenvalue from below: the Rayleigh quotient of a power
// iteration, never less than the largest diagonal entry. The start has no
// pattern (a fixed linear congruential sequence), so that no matrix a user
// writes has it orthogonal to its leading eigenvector.
double largest_eigenvalue(const Lower& s) {
  std::vector<double> x(s.n), y(s.n);
  std::uint32_t state = 12345u;
  double diagonal = 0.0;
  for (std::size_t i = 0; i < s.n; ++i) {
    state = state * 1664525u + 1013904223u;
    x[i] = 1.0 + static_cast<double>(state >> 8) / 16777216.0;
    diagonal = std::max(diagonal, s.entries[i * (i + 1) / 2 + i]);
  }
  double value = 0.0;
  for (int step = 0; step < MOST_POWER_STEPS; ++step) {
    multiply(s, x, y);
    const double xx = dot(x.data(), x.data(), s.n), xy = dot(x.data(), y.data(), s.n);
    const double yy = dot(y.data(), y.data(), s.n);
    const double previous = value;
    value = xy / xx;
    if (yy == 0.0) break;  // x lies in the null space: nothing more to learn
    const double norm = std::sqrt(yy);
    for (std::size_t i = 0; i < s.n; ++i) x[i] = y[i] / norm;
    if (step > 0 && std::fabs(value - previous) <= POWER_CONVERGENCE * std::fabs(value)) break;
  }
  return std::max(value, diagonal);
}

// The Cholesky factorisation of S + shift I in place: the row at which it
// fails (a pivot not above 0), or n when it succeeds.
std::size_t failing_row(Lower& s, double shift) {
  for (std::size_t i = 0; i < s.n; ++i) {
    double* row_i = &s.entries[i * (i + 1) / 2];
    for (std::size_t j = s.first[i]; j <= i; ++j) {
      const double* row_j = &s.entries[j * (j + 1) / 2];
      const std::size_t from = std::max(s.first[i], s.first[j]);
      const double sum =
          row_i[j] + (i == j ? shift : 0.0) - dot(row_i + from, row_j + from, j - from);
      if (j < i) {
        row_i[j] = sum / row_j[j];
      } else if (!(sum > 0.0)) {
        return i;
      } else {
        row_i[i] = std::sqrt(sum);
      }
    }
  }
  return s.n;
}

}  // namespace

std::string definiteness_problem(std::span<const std::string> names,
                                 std::span<const double> matrix) {
  if (names.empty()) return "";
  Lower s = lower_triangle(matrix, names.size());
  const double largest = largest_eigenvalue(s);
  std::size_t row = s.n;
  if (largest > 0.0) {
    // S has no eigenvalue below -tolerance * largest exactly when S + that
    // much of I is positive definite, which the factorisation tells; its own
    // rounding, about n * 1e-16 of the largest, is far below the tolerance.
    row = failing_row(s, EIGENVALUE_TOLERANCE * largest);
  } else {
    // No diagonal entry above 0: only the zero matrix is semi-definite.
    for (std::size_t i = 0; i < s.n && row == s.n; ++i) {
      row = s.first[i] < i || s.entries[i * (i + 1) / 2 + i] != 0.0 ? i : s.n;
    }
  }
  if (row == s.n) return "";
  return describe(
      "the matrix is not positive semi-definite: it has an eigenvalue below -1e-9 "
      "times its largest, about %.3g, already within rows and columns 1 to %zu (through %s)",
      std::ldexp(largest, s.exponent), row + 1, printable(names[row].c_str()).c_str());
}

std::uint64_t covariance_fingerprint(std::span<const std::string> names,
                                     std::span<const double> matrix) {
  // FNV-1a, over the names' bytes and the matrix's bits, a word at a time.
  constexpr std::uint64_t OFFSET = 14695981039346656037ULL, PRIME = 1099511628211ULL;
  std::uint64_t hash = OFFSET;
  const auto mix = [&](std::uint64_t word) { hash = (hash ^ word) * PRIME; };
  for (const std::string& name : names) {
    for (char c : name) mix(static_cast<unsigned char>(c));
    mix(0x100);  // between names
  }
  for (double value : matrix) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    mix(bits);
  }
  return hash == 0 ? 1 : hash;
}

}  // namespace zol
