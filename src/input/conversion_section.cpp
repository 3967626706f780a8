// Reader of the raw-to-scale conversion table, and the identity default
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/allocation.h"
#include "common/describe.h"
#include "input/reader_parts.h"
#include "input/input_reader.h"

namespace zol {

namespace {

constexpr long long MOST_ROWS = std::numeric_limits<std::int32_t>::max();

// The identity table's flag; nothing reads it, but it is kept with the table.
constexpr std::int16_t IDENTITY_FLAG = 1;

// The five values of the line after the column headings.
struct TableHeader {
  long long rows = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  long long flag = 0;
};

// Raw score of the last row of a table whose row k stands at
// lowest + k * increment.
double grid_top(long long rows, double lowest, double increment) {
  return lowest + static_cast<double>(rows - 1) * increment;
}

// The interpolation reads two adjacent rows and places row k at
// lowest + k * increment; a table that breaks this cannot be used. Half an
// increment of slack allows for how highest was written. Says why not.
bool usable_grid(const TableHeader& h, std::string& why) {
  if (h.rows < 2) {
    why = describe("%lld row%s announced; at least 2 are needed", h.rows, h.rows == 1 ? "" : "s");
  } else if (h.rows > MOST_ROWS) {
    why = describe("%lld rows announced; at most %lld are allowed", h.rows, MOST_ROWS);
  } else if (!std::isfinite(h.lowest) || !std::isfinite(h.highest) || !std::isfinite(h.increment)) {
    why = describe("lowest %g, highest %g and increment %g must be finite numbers", h.lowest,
                   h.highest, h.increment);
  } else if (!(h.increment > 0.0)) {
    why = describe("increment %g is not above 0", h.increment);
  } else if (!(std::fabs(h.highest - grid_top(h.rows, h.lowest, h.increment)) <=
               h.increment / 2.0)) {
    why = describe("highest %g is not lowest %g + %lld increments of %g", h.highest, h.lowest,
                   h.rows - 1, h.increment);
  } else {
    return true;
  }
  return false;
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

// Counts are scanned as long long, 64 bits on every platform. A first value
// written as 41.0 is read as 41 rows and a lowest of .0, and every later
// value shifts by one field; the grid check then refuses it.
int scan_header(const std::string& line, TableHeader& h) {
  return std::sscanf(line.c_str(), "%lld %lf %lf %lf %lld", &h.rows, &h.lowest, &h.highest,
                     &h.increment, &h.flag);
}

// Hints for the two usual slips in writing a header.
std::string header_hint(const std::string& skipped, const std::string& header) {
  TableHeader ignored;
  if (scan_header(skipped, ignored) == 5) {
    return "; the line after $Link_Conversion is always skipped, so the header comes second";
  }
  const std::size_t first_end = header.find_first_of(" \t\n");
  if (header.substr(0, first_end).find('.') != std::string::npos) {
    return "; write the row count as a whole number";
  }
  return "";
}

}  // namespace

bool read_conversion_section(LineReader& reader, ScaleConversion& conversion, Findings& findings) {
  // The line after the section's header names the columns and is not read.
  std::string skipped;
  if (next_line(reader)) skipped = reader.line;
  if (skipped.empty() || !next_line(reader)) {
    findings.fail(at_line(reader, "conversion table: the file ends before its header line"));
    return false;
  }
  TableHeader h;
  if (const int scanned = scan_header(reader.line, h); scanned != 5) {
    findings.fail(
        at_line(reader, describe("conversion table: header %s has %d of the five "
                                 "values rows, lowest, highest, increment and flag%s",
                                 quoted(reader.line.c_str()).c_str(), scanned < 0 ? 0 : scanned,
                                 header_hint(skipped, reader.line).c_str())));
    return false;
  }
  if (std::string why; !usable_grid(h, why)) {
    findings.fail(at_line(reader, "conversion table: " + why + header_hint(skipped, reader.line)));
    return false;
  }
  // A row count beyond the end of the file is refused before the table is
  // allocated, so that a mistyped count cannot claim gigabytes.
  const std::int64_t found = count_lines_ahead(reader, h.rows);
  if (found < h.rows) {
    findings.fail(at_line(reader, describe("conversion table: %lld rows announced, %lld found "
                                           "before the end of the file",
                                           h.rows, static_cast<long long>(found))));
    return false;
  }

  ScaleConversion table;
  if (!allocate_table(h.rows, h.lowest, h.increment, table)) {
    findings.fail(
        at_line(reader, describe("not enough memory for a conversion table of %lld rows", h.rows)));
    return false;
  }
  table.flag = low_16_bits(h.flag);
  table.header_line = reader.number;
  for (std::int32_t i = 0; i < table.row_count; ++i) {
    if (!next_line(reader)) return false;
    // Columns 1 and 3 are not kept, and column 4 is kept but never computed with.
    double raw = 0.0;
    double column_3 = 0.0;
    int ends[4] = {};
    if (std::sscanf(reader.line.c_str(), "%lf%n %lf%n %lf%n %lf%n", &raw, &ends[0],
                    &table.unrounded[i], &ends[1], &column_3, &ends[2], &table.rounded[i],
                    &ends[3]) != 4) {
      findings.fail(at_line(reader, unscannable_record(reader.line, false,
                                                       "raw score,scale score,third column,"
                                                       "rounded scale score",
                                                       describe("conversion row %d", i))));
      return false;
    }
    if (!read_whole(reader.line, false, ends)) {
      warn_about_fields(reader, false, ends, describe("conversion row %d", i), findings);
    }
    if (!std::isfinite(table.unrounded[i])) {
      findings.fail(at_line(reader, describe("conversion row %d: scale score %s is not a finite "
                                             "number",
                                             i, field_text(reader.line, false, 1).c_str())));
      return false;
    }
  }
  next_line(reader);
  conversion = std::move(table);
  return true;
}

std::string conversion_grid_problem(long long rows, double lowest, double highest,
                                    double increment) {
  std::string why;
  return usable_grid({rows, lowest, highest, increment, 0}, why) ? std::string() : why;
}

bool allocate_conversion(long long rows, double lowest, double increment,
                         ScaleConversion& conversion) {
  return allocate_table(rows, lowest, increment, conversion);
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
