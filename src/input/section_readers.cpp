// Readers of the item and quadrature sections, and the equal-weight default
#include <cmath>
#include <limits>

#include "common/allocation.h"
#include "input/reader_parts.h"

namespace zol {

namespace {

// Labels are at most LABEL_LENGTH characters: the "%8s" of the item scan cuts
// a longer one there, and the rest of it is scanned as a, as stored files expect.
constexpr std::size_t LABEL_LENGTH = 8;

// The columns of a quadrature are decided by the first COLUMN_PROBE_SIZE - 1
// characters of its first record line, and by how many of its first
// MAX_THETA_COLUMNS fields fit in FIELD_BUDGET characters with a terminator each.
constexpr std::size_t COLUMN_PROBE_SIZE = 80;
constexpr std::size_t FIELD_BUDGET = 40;
constexpr std::size_t MAX_THETA_COLUMNS = 2;

// A section's records are counted in 64 bits; more than a 32-bit count can
// hold is a failure, not a truncated count. One less than the largest 32-bit
// value: the stages count raw scores 0..n in 32 bits, and n + 1 must fit.
constexpr std::int64_t MOST_RECORDS = std::numeric_limits<std::int32_t>::max() - 1;

bool all_finite(double x, double y, double z) {
  return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

// 1 or 2 for a usable first line; a wide second field is not counted, so a
// quadrature written that way falls back to equal weights.
int theta_columns(const std::string& first_line) {
  char probe[COLUMN_PROBE_SIZE] = {};
  first_line.copy(probe, COLUMN_PROBE_SIZE - 1);
  char fields[FIELD_BUDGET];
  const char* starts[MAX_THETA_COLUMNS];
  return split_fields(probe, fields, starts);
}

}  // namespace

bool read_item_section(LineReader& reader, ItemSet& form) {
  const std::int64_t count = count_records(reader);
  if (count < 1 || count > MOST_RECORDS) return false;
  const auto n = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(3 * n);
  if (!block) return false;

  for (std::size_t i = 0; i < n; ++i) {
    if (!next_line(reader)) return false;
    // Labels identify items only to the people who write the file.
    char label[LABEL_LENGTH + 1];
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    // Even the last line of the file must hold a whole record.
    if (std::sscanf(reader.line.c_str(), "%8s %lf %lf %lf", label, &a, &b, &c) != 4) return false;
    if (!all_finite(a, b, c)) return false;
    block[i] = a;
    block[n + i] = b;
    block[2 * n + i] = c;
  }
  next_line(reader);

  form.count = static_cast<std::int32_t>(count);
  form.block = std::move(block);
  return true;
}

bool read_theta_section(LineReader& reader, ThetaDistribution& theta) {
  const std::int64_t count = count_records(reader);
  if (count < 1 || count > MOST_RECORDS) return false;
  if (!next_line(reader)) return false;
  const int columns = theta_columns(reader.line);
  if (columns != 1 && columns != 2) return false;
  const auto q = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(q * static_cast<std::size_t>(columns));
  if (!block) return false;

  for (std::size_t i = 0; i < q; ++i) {
    if (i > 0 && !next_line(reader)) return false;
    double point = 0.0;
    double weight = 0.0;
    const char* line = reader.line.c_str();
    const int scanned = columns == 2 ? std::sscanf(line, "%lf %lf", &point, &weight)
                                     : std::sscanf(line, "%lf", &point);
    if (scanned != columns || !std::isfinite(point) || !std::isfinite(weight)) return false;
    block[i] = point;
    if (columns == 2) block[q + i] = weight;
  }
  next_line(reader);

  theta.count = static_cast<std::int32_t>(count);
  theta.has_weights = columns == 2;
  theta.block = std::move(block);
  return true;
}

bool install_equal_weights(ThetaDistribution& theta) {
  const auto q = static_cast<std::size_t>(theta.count);
  auto block = allocate_array<double>(2 * q);
  if (!block) return false;
  const double weight = 1.0 / static_cast<double>(theta.count);
  for (std::size_t i = 0; i < q; ++i) {
    block[i] = theta.block[i];
    block[q + i] = weight;
  }
  theta.block = std::move(block);
  theta.has_weights = true;
  return true;
}

}  // namespace zol
