// Readers of the item and quadrature sections, and the equal-weight default
#include <cmath>
#include <limits>

#include "allocation.h"
#include "input_reader.h"

namespace {

// Labels are at most LABEL_LENGTH characters: the "%8s" of the item scan cuts
// a longer one there, and the rest of it is scanned as a, as stored files expect.
constexpr std::size_t LABEL_LENGTH = 8;

// The columns of a quadrature are decided by the first COLUMN_PROBE_SIZE - 1
// characters of its first record line, and by how many of its first
// MAX_THETA_COLUMNS fields fit in FIELD_BUDGET characters with a terminator each.
constexpr std::size_t COLUMN_PROBE_SIZE = 80;
constexpr std::size_t FIELD_BUDGET = 40;
constexpr int MAX_THETA_COLUMNS = 2;

// A section's records are counted in 64 bits; more than a 32-bit count can
// hold is a failure, not a truncated count. One less than the largest 32-bit
// value: the stages count items and points 1..n and raw scores 0..n in 32
// bits, and their loops and the n + 1 raw scores must not overflow.
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
  return split_fields(MAX_THETA_COLUMNS, fields, probe, starts);
}

}  // namespace

Status read_item_section(std::FILE* input, std::string& line, ItemSet& form) {
  const std::int64_t count = count_records(input);
  if (count < 1 || count > MOST_RECORDS) return 1;
  const auto n = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(3 * n);
  if (!block) return 1;

  for (std::size_t i = 0; i < n; ++i) {
    if (!read_line(input, line)) return 1;
    // Labels identify items only to the people who write the file.
    char label[LABEL_LENGTH + 1];
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    // Even the last line of the file must hold a whole record.
    if (std::sscanf(line.c_str(), "%8s %lf %lf %lf", label, &a, &b, &c) != 4) return 1;
    if (!all_finite(a, b, c)) return 1;
    block[i] = a;
    block[n + i] = b;
    block[2 * n + i] = c;
  }
  read_line(input, line);

  form.count = static_cast<std::int32_t>(count);
  form.block = std::move(block);
  return 0;
}

Status read_theta_section(std::FILE* input, std::string& line, ThetaDistribution& theta) {
  const std::int64_t count = count_records(input);
  if (count < 1 || count > MOST_RECORDS) return 1;
  if (!read_line(input, line)) return 1;
  const int columns = theta_columns(line);
  if (columns != 1 && columns != 2) return 1;
  const auto q = static_cast<std::size_t>(count);
  auto block = allocate_array<double>(q * static_cast<std::size_t>(columns));
  if (!block) return 1;

  for (std::size_t i = 0; i < q; ++i) {
    if (i > 0 && !read_line(input, line)) return 1;
    double point = 0.0;
    double weight = 0.0;
    const int scanned = columns == 2 ? std::sscanf(line.c_str(), "%lf %lf", &point, &weight)
                                     : std::sscanf(line.c_str(), "%lf", &point);
    if (scanned != columns || !std::isfinite(point) || !std::isfinite(weight)) return 1;
    block[i] = point;
    if (columns == 2) block[q + i] = weight;
  }
  read_line(input, line);

  theta.count = static_cast<std::int32_t>(count);
  theta.has_weights = columns == 2;
  theta.block = std::move(block);
  return 0;
}

Status install_equal_weights(ThetaDistribution& theta) {
  const auto q = static_cast<std::size_t>(theta.count);
  auto block = allocate_array<double>(2 * q);
  if (!block) return 1;
  const double weight = 1.0 / static_cast<double>(theta.count);
  for (std::size_t i = 0; i < q; ++i) {
    block[i] = theta.block[i];
    block[q + i] = weight;
  }
  theta.block = std::move(block);
  theta.has_weights = true;
  return 0;
}
