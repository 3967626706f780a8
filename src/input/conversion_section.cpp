// Reader of the raw-to-scale conversion table, and the identity default
#include <cmath>
#include <cstdint>
#include <limits>

#include "allocation.h"
#include "input_reader.h"

namespace {

constexpr long MOST_ROWS = std::numeric_limits<std::int32_t>::max();

// The identity table's flag; nothing reads it, but it is kept with the table.
constexpr std::int16_t IDENTITY_FLAG = 1;

// The interpolation reads two adjacent rows, and it places row k at
// lowest + k * increment up to highest; a table that breaks this cannot be
// used. Half an increment of slack allows for how highest was written.
bool usable_grid(long rows, double lowest, double highest, double increment) {
  if (rows < 2 || !std::isfinite(lowest) || !std::isfinite(highest)) return false;
  if (!std::isfinite(increment) || !(increment > 0.0)) return false;
  const double last_row = lowest + static_cast<double>(rows - 1) * increment;
  return std::fabs(highest - last_row) <= increment / 2.0;
}

// The flag is kept in 16 bits: its low 16 bits, whatever the file wrote.
std::int16_t low_16_bits(long value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned long>(value)));
}

// The two columns a table keeps, allocated separately, unrounded first.
bool allocate_tables(std::size_t size, std::unique_ptr<double[]>& unrounded,
                     std::unique_ptr<double[]>& rounded) {
  unrounded = allocate_array<double>(size);
  if (!unrounded) return false;
  rounded = allocate_array<double>(size);
  return rounded != nullptr;
}

void attach_tables(ScaleConversion& conversion, std::unique_ptr<double[]> unrounded,
                   std::unique_ptr<double[]> rounded) {
  const auto size = static_cast<std::size_t>(conversion.row_count);
  conversion.unrounded = std::span<double>(unrounded.get(), size);
  conversion.rounded = std::span<double>(rounded.get(), size);
  conversion.unrounded_storage = std::move(unrounded);
  conversion.rounded_storage = std::move(rounded);
}

}  // namespace

Status read_conversion_section(std::FILE* input, std::string& line, ScaleConversion& conversion) {
  // The line after the section's header names the columns and is not read.
  if (!read_line(input, line) || !read_line(input, line)) return 1;
  long rows = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  long flag = 0;
  // A first value written as 41.0 is read as 41 rows and a lowest of .0, and
  // every later value shifts by one field; the grid check then refuses it.
  if (std::sscanf(line.c_str(), "%ld %lf %lf %lf %ld", &rows, &lowest, &highest, &increment,
                  &flag) != 5) {
    return 1;
  }
  if (rows > MOST_ROWS || !usable_grid(rows, lowest, highest, increment)) return 1;
  // A row count beyond the end of the file is refused before the tables are
  // allocated, so that a mistyped count cannot claim gigabytes.
  if (count_lines_ahead(input, rows) < rows) return 1;

  const auto size = static_cast<std::size_t>(rows);
  std::unique_ptr<double[]> unrounded, rounded;
  if (!allocate_tables(size, unrounded, rounded)) return 1;
  for (std::size_t i = 0; i < size; ++i) {
    if (!read_line(input, line)) return 1;
    // Columns 1 and 3 are not kept, and column 4 is kept but never computed with.
    double raw = 0.0;
    double column_3 = 0.0;
    if (std::sscanf(line.c_str(), "%lf %lf %lf %lf", &raw, &unrounded[i], &column_3, &rounded[i]) !=
        4) {
      return 1;
    }
    if (!std::isfinite(unrounded[i])) return 1;
  }
  read_line(input, line);

  ScaleConversion table;
  table.row_count = static_cast<std::int32_t>(rows);
  table.lowest = lowest;
  table.highest = highest;
  table.increment = increment;
  table.flag = low_16_bits(flag);
  attach_tables(table, std::move(unrounded), std::move(rounded));
  conversion = std::move(table);
  return 0;
}

Status install_identity_conversion(std::int32_t n_old, ScaleConversion& conversion) {
  const std::int64_t rows = std::int64_t{n_old} + 1;
  if (rows > MOST_ROWS) return 1;
  const auto size = static_cast<std::size_t>(rows);
  std::unique_ptr<double[]> unrounded, rounded;
  if (!allocate_tables(size, unrounded, rounded)) return 1;
  for (std::size_t i = 0; i < size; ++i) {
    unrounded[i] = static_cast<double>(i);
    rounded[i] = static_cast<double>(i);
  }

  ScaleConversion table;
  table.row_count = static_cast<std::int32_t>(rows);
  table.lowest = 0.0;
  table.highest = static_cast<double>(n_old);
  table.increment = 1.0;
  table.flag = IDENTITY_FLAG;
  attach_tables(table, std::move(unrounded), std::move(rounded));
  conversion = std::move(table);
  return 0;
}
