// Reader of the raw-to-scale conversion table, and the identity default
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/allocation.h"
#include "input/reader_parts.h"

namespace zol {

namespace {

constexpr long long MOST_ROWS = std::numeric_limits<std::int32_t>::max();

// The identity table's flag; nothing reads it, but it is kept with the table.
constexpr std::int16_t IDENTITY_FLAG = 1;

// Raw score of the last row of a table whose row k stands at
// lowest + k * increment.
double grid_top(long long rows, double lowest, double increment) {
  return lowest + static_cast<double>(rows - 1) * increment;
}

// The interpolation reads two adjacent rows and places row k at
// lowest + k * increment; a table that breaks this cannot be used. Half an
// increment of slack allows for how highest was written.
bool usable_grid(long long rows, double lowest, double highest, double increment) {
  if (rows < 2 || rows > MOST_ROWS || !std::isfinite(lowest) || !std::isfinite(highest)) {
    return false;
  }
  if (!std::isfinite(increment) || !(increment > 0.0)) return false;
  return std::fabs(highest - grid_top(rows, lowest, increment)) <= increment / 2.0;
}

// The flag is kept in 16 bits: its low 16 bits, whatever the file wrote.
std::int16_t low_16_bits(long long value) {
  return static_cast<std::int16_t>(
      static_cast<std::uint16_t>(static_cast<unsigned long long>(value)));
}

// A table's grid and its two columns, allocated separately, unrounded first.
bool allocate_table(long long rows, double lowest, double increment, ScaleConversion& table) {
  const auto size = static_cast<std::size_t>(rows);
  table.row_count = static_cast<std::int32_t>(rows);
  table.lowest = lowest;
  // The rows define the grid: a highest written a little off it is taken
  // where the last row stands, for the interpolation and the rounding alike.
  table.highest = grid_top(rows, lowest, increment);
  table.increment = increment;
  table.unrounded = allocate_array<double>(size);
  if (!table.unrounded) return false;
  table.rounded = allocate_array<double>(size);
  return table.rounded != nullptr;
}

}  // namespace

bool read_conversion_section(LineReader& reader, ScaleConversion& conversion) {
  // The line after the section's header names the columns and is not read.
  if (!next_line(reader) || !next_line(reader)) return false;
  long long rows = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  long long flag = 0;
  // Counts are scanned as long long, 64 bits on every platform. A first
  // value written as 41.0 is read as 41 rows and a lowest of .0, and
  // every later value shifts by one field; the grid check then refuses it.
  if (std::sscanf(reader.line.c_str(), "%lld %lf %lf %lf %lld", &rows, &lowest, &highest,
                  &increment, &flag) != 5) {
    return false;
  }
  if (!usable_grid(rows, lowest, highest, increment)) return false;
  // A row count beyond the end of the file is refused before the table is
  // allocated, so that a mistyped count cannot claim gigabytes.
  if (count_lines_ahead(reader, rows) < rows) return false;

  ScaleConversion table;
  if (!allocate_table(rows, lowest, increment, table)) return false;
  table.flag = low_16_bits(flag);
  for (std::int32_t i = 0; i < table.row_count; ++i) {
    if (!next_line(reader)) return false;
    // Columns 1 and 3 are not kept, and column 4 is kept but never computed with.
    double raw = 0.0;
    double column_3 = 0.0;
    if (std::sscanf(reader.line.c_str(), "%lf %lf %lf %lf", &raw, &table.unrounded[i], &column_3,
                    &table.rounded[i]) != 4) {
      return false;
    }
    if (!std::isfinite(table.unrounded[i])) return false;
  }
  next_line(reader);
  conversion = std::move(table);
  return true;
}

bool install_identity_conversion(std::int32_t n_old, ScaleConversion& conversion) {
  const long long rows = static_cast<long long>(n_old) + 1;
  ScaleConversion table;
  if (rows > MOST_ROWS || !allocate_table(rows, 0.0, 1.0, table)) return false;
  table.flag = IDENTITY_FLAG;
  for (std::int32_t i = 0; i < table.row_count; ++i) {
    table.unrounded[i] = static_cast<double>(i);
    table.rounded[i] = static_cast<double>(i);
  }
  conversion = std::move(table);
  return true;
}

}  // namespace zol
