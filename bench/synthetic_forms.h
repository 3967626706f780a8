// Synthetic item banks and quadratures, the same on every run and machine
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "driver.h"
#include "records.h"

// One form's parameters, stored 0-based: a around 1 (log-normal), b standard
// normal, c uniform on [0.10, 0.25].
struct SyntheticForm {
  std::vector<double> a, b, c;

  std::int32_t count() const { return static_cast<std::int32_t>(a.size()); }
  OneBasedView a_view() const { return one_based(a); }
  OneBasedView b_view() const { return one_based(b); }
  OneBasedView c_view() const { return one_based(c); }
};

// The same seed gives the same form: the generator's output sequence is
// fixed by the language, and the transformations use only + - * / log sqrt cos.
SyntheticForm synthetic_form(std::int32_t n, std::uint64_t seed);

// k equally spaced points on [-4, 4] (k >= 2) with normal-density weights
// that sum to 1.
struct SyntheticQuadrature {
  std::vector<double> points, weights;
};
SyntheticQuadrature synthetic_quadrature(std::int32_t k);

// Records as read_input would fill them: both forms, the quadrature (none
// when k is 0) and the identity conversion. The new form uses seed 1, the
// old seed 2.
RunRecords synthetic_records(std::int32_t n_new, std::int32_t n_old, std::int32_t k);

// The same forms and quadrature as an input file.
void write_synthetic_input(std::FILE* out, std::int32_t n_new, std::int32_t n_old, std::int32_t k);
