// Reader of the raw-to-scale conversion table
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/allocation.h"
#include "common/describe.h"
#include "input/reader_parts.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

// The five values of the line after the column headings. The flag is read
// with them, as the format has it, and not used.
struct TableHeader {
  long long rows = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  long long flag = 0;
};

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

bool read_conversion_section(LineReader& reader, std::optional<Conversion>& conversion,
                             Findings& findings) {
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
  if (std::string why = conversion_grid_problem(h.rows, h.lowest, h.highest, h.increment);
      !why.empty()) {
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

  Conversion table;
  table.lowest = h.lowest;
  // The rows define the grid: a highest written a little off it is taken
  // where the last row stands, for the interpolation and the rounding alike.
  table.highest = grid_top(h.rows, h.lowest, h.increment);
  table.increment = h.increment;
  table.header_line = reader.number;
  if (!allocate_vector(table.scale, static_cast<std::size_t>(h.rows))) {
    findings.fail_for_memory(
        at_line(reader, describe("not enough memory for a conversion table of %lld rows", h.rows)));
    return false;
  }
  for (std::size_t i = 0; i < table.scale.size(); ++i) {
    if (!next_line(reader)) return false;
    // Only the scale score, the second column, is kept: the raw score stands
    // on the grid, and the third and the rounded one are not computed with.
    double raw = 0.0, column_3 = 0.0, rounded = 0.0;
    int ends[4] = {};
    const std::string row = describe("conversion row %zu", i);
    if (std::sscanf(reader.line.c_str(), "%lf%n %lf%n %lf%n %lf%n", &raw, &ends[0],
                    &table.scale[i], &ends[1], &column_3, &ends[2], &rounded, &ends[3]) != 4) {
      findings.fail(at_line(reader, unscannable_record(reader, reader.line, false,
                                                       "raw score,scale score,third column,"
                                                       "rounded scale score",
                                                       row)));
      return false;
    }
    if (!read_whole(reader.line, false, ends)) {
      warn_about_fields(reader, reader.line, false, ends, row, findings);
    }
    if (!std::isfinite(table.scale[i])) {
      findings.fail(at_line(reader, describe("%s: scale score %s is not a finite number",
                                             row.c_str(),
                                             field_text(reader, reader.line, false, 1).c_str())));
      return false;
    }
  }
  next_line(reader);
  conversion = std::move(table);
  return true;
}

}  // namespace zol
