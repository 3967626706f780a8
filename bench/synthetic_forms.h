// Synthetic item banks and quadratures, the same on every run and machine
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/records.h"
#include "zol/zol.h"

// One form's parameters: a around 1 (log-normal), b standard normal, c
// uniform on [0.10, 0.25].
struct SyntheticForm {
  std::vector<double> a, b, c;

  std::int32_t count() const { return static_cast<std::int32_t>(a.size()); }
  zol::FormView form() const { return {a, b, c, {}, zol::DEFAULT_SCALING_CONSTANT}; }
};

// The same seed gives the same form: the generator's output sequence is
// fixed by the language, and the transformations use only + - * / log sqrt cos.
SyntheticForm synthetic_form(std::int32_t n, std::uint64_t seed);

// k equally spaced points on [-4, 4] (k >= 2) with normal-density weights
// that sum to 1.
zol::Quadrature synthetic_quadrature(std::int32_t k);

// The forms (new form seed 1, old form seed 2) and the quadrature (none when
// k is 0) as an input file with the identity conversion.
void write_synthetic_input(std::FILE* out, std::int32_t n_new, std::int32_t n_old, std::int32_t k);

// The same input as the text of a file.
std::string synthetic_text(std::int32_t n_new, std::int32_t n_old, std::int32_t k);

// Two forms of `items` 3PL items each whose first `common` items are shared:
// the old form's, carried to a new scale theta_new = (theta_old + 0.4) / 1.15
// with noise * cos(i) added to each a and b; every other item of its own (new
// form seed 1, old form seed 2). One group at `points` points, or with
// two_groups both groups there, the new group's points shifted by 0.3 on its
// scale.
zol::Input common_item_forms(std::int32_t items, std::size_t common, double noise,
                             std::int32_t points, bool two_groups);
