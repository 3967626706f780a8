// Sums and quotients carried in two doubles, the same on every platform
#pragma once

#include <cmath>

namespace zol {

// A value hi + lo with |lo| at most half a unit in the last place of hi:
// about 106 significant bits, from additions, multiplications and divisions
// of doubles only, so unlike long double (80 bits on x86, 128 on arm64, 64
// with Microsoft's compiler) it gives the same bits everywhere. Operations
// follow Dekker and Knuth; they need arithmetic without fused multiply-adds.
struct DoubleDouble {
  double hi = 0.0;
  double lo = 0.0;

  DoubleDouble() = default;
  DoubleDouble(double value) : hi(value) {}  // NOLINT: a double is exact here
  DoubleDouble(double high, double low) : hi(high), lo(low) {}

  double value() const { return hi + lo; }
};

namespace double_double_detail {

// a + b as a rounded sum and its exact error.
inline DoubleDouble two_sum(double a, double b) {
  const double s = a + b;
  const double b_virtual = s - a;
  const double error = (a - (s - b_virtual)) + (b - b_virtual);
  return {s, error};
}

inline DoubleDouble quick_two_sum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a * b as a rounded product and its exact error, by Dekker's splitting.
inline DoubleDouble two_product(double a, double b) {
  constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
  const double p = a * b;
  const double a_t = SPLITTER * a, b_t = SPLITTER * b;
  const double a_hi = a_t - (a_t - a), b_hi = b_t - (b_t - b);
  const double a_lo = a - a_hi, b_lo = b - b_hi;
  const double error = ((a_hi * b_hi - p) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo;
  return {p, error};
}

}  // namespace double_double_detail

inline DoubleDouble operator+(const DoubleDouble& x, const DoubleDouble& y) {
  using namespace double_double_detail;
  const DoubleDouble s = two_sum(x.hi, y.hi);
  const DoubleDouble t = two_sum(x.lo, y.lo);
  DoubleDouble r = quick_two_sum(s.hi, s.lo + t.hi);
  return quick_two_sum(r.hi, r.lo + t.lo);
}

inline DoubleDouble operator-(const DoubleDouble& x) {
  return {-x.hi, -x.lo};
}

inline DoubleDouble operator-(const DoubleDouble& x, const DoubleDouble& y) {
  return x + (-y);
}

inline DoubleDouble operator*(const DoubleDouble& x, double y) {
  using namespace double_double_detail;
  const DoubleDouble p = two_product(x.hi, y);
  return quick_two_sum(p.hi, p.lo + x.lo * y);
}

inline DoubleDouble operator/(const DoubleDouble& x, const DoubleDouble& y) {
  // A quotient, the remainder it leaves, and a correction from that remainder.
  const double q1 = x.hi / y.hi;
  const DoubleDouble r = x - y * q1;
  const double q2 = r.hi / y.hi;
  const DoubleDouble r2 = r - y * q2;
  const double q3 = r2.hi / y.hi;
  return DoubleDouble{q1} + DoubleDouble{q2} + DoubleDouble{q3};
}

// Exact comparisons of the value hi + lo.
inline bool operator>(double x, const DoubleDouble& y) {
  return x > y.hi || (x == y.hi && 0.0 > y.lo);
}

inline bool operator==(const DoubleDouble& x, double y) {
  return x.hi == y && x.lo == 0.0;
}

}  // namespace zol
