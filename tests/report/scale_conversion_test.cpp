// Tests of the raw-to-scale conversion: interpolation and rounding
#include "scale_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A table on a consistent grid, as the reader accepts it.
struct Table {
  double lowest;
  double increment;
  std::vector<double> values;

  double highest() const { return lowest + static_cast<double>(values.size() - 1) * increment; }
};

double interpolate_one(const Table& table, double x) {
  std::vector<double> out(1);
  const std::vector<double> scores{x};
  interpolate_scale(1, static_cast<std::int32_t>(table.values.size()), scores, table.values,
                    table.lowest, table.highest(), table.increment, out);
  return out[0];
}

const Table WORKED{0.0, 2.0, {0.0, 1.0, 3.0, 6.0, 7.0}};

struct Row {
  double score, unrounded, rounded;
};

// Converts every row's score as the driver does, with one more output entry
// than scores so that a write past them shows.
void expect_conversion(const Table& table, const std::vector<Row>& rows, const char* name) {
  std::vector<double> values = table.values, scores;
  for (const Row& row : rows) scores.push_back(row.score);
  std::vector<double> unrounded(rows.size() + 1, -99.0), rounded(rows.size() + 1, -99.0);
  ScaleConversion input;
  input.row_count = static_cast<std::int32_t>(values.size());
  input.lowest = table.lowest;
  input.highest = table.highest();
  input.increment = table.increment;
  input.unrounded = values;
  ScaleConversion output;
  output.row_count = static_cast<std::int32_t>(rows.size());
  output.lowest = input.lowest;
  output.highest = input.highest;
  output.increment = input.increment;
  output.unrounded = unrounded;
  output.rounded = rounded;

  convert_to_scale(scores, input, output);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_NEAR(unrounded[i], rows[i].unrounded, 1e-12) << name << ", score " << rows[i].score;
    EXPECT_EQ(rounded[i], rows[i].rounded) << name << ", score " << rows[i].score;
  }
  EXPECT_EQ(unrounded[rows.size()], -99.0) << name;
  EXPECT_EQ(rounded[rows.size()], -99.0) << name;
}

}  // namespace

TEST(ScaleConversionTest, WorkedExampleRowByRow) {
  expect_conversion(WORKED,
                    {{-1.0, -0.5, 0.0},
                     {0.0, 0.0, 0.0},
                     {3.0, 2.0, 2.0},
                     {5.0, 4.5, 4.0},
                     {6.5, 6.25, 6.0},
                     {7.9, 6.95, 6.0},
                     {8.0, 7.0, 8.0},
                     {9.0, 7.5, 8.0},
                     {11.0, 8.5, 8.0}},
                    "worked example");
  // The default table: identity on raw scores 0..4, step 1.
  expect_conversion({0.0, 1.0, {0.0, 1.0, 2.0, 3.0, 4.0}},
                    {{-0.3, -0.3, 0.0}, {2.5, 2.5, 3.0}, {3.49, 3.49, 3.0}, {4.7, 4.7, 4.0}},
                    "identity");
}

TEST(ScaleConversionTest, InterpolatesGridPointsAndExtendsBothEnds) {
  const Table negative{-3.0, 1.5, {10.0, 16.0, 13.0}};
  const Table two_rows{10.0, 5.0, {100.0, 200.0}};
  struct Case {
    const char* name;
    const Table& table;
    double x, expected;
  };
  const std::vector<Case> cases{
      {"at lowest", WORKED, 0.0, 0.0},
      {"at highest", WORKED, 8.0, 7.0},
      {"grid point 1", WORKED, 2.0, 1.0},
      {"grid point 2", WORKED, 4.0, 3.0},
      {"grid point 3", WORKED, 6.0, 6.0},
      {"below lowest, first slope", WORKED, -4.0, -2.0},
      {"above highest, last slope", WORKED, 12.0, 9.0},
      {"negative grid, first segment", negative, -2.25, 13.0},
      {"negative grid, falling segment", negative, -0.75, 14.5},
      {"negative grid, below", negative, -6.0, -2.0},
      {"negative grid, above", negative, 3.0, 7.0},
      {"two rows, below", two_rows, 5.0, 0.0},
      {"two rows, at lowest", two_rows, 10.0, 100.0},
      {"two rows, inside", two_rows, 12.0, 140.0},
      {"two rows, at highest", two_rows, 15.0, 200.0},
      {"two rows, above", two_rows, 20.0, 300.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(interpolate_one(c.table, c.x), c.expected, 1e-12) << c.name;
  }
}

TEST(ScaleConversionTest, ScoreJustBelowHighestStaysInsideTheTable) {
  // 17 * 0.1 lies just above 1.7, and 1.7 / 0.1 rounds to 17 = N - 1 exactly.
  const std::int32_t rows = 18;
  const double increment = 0.1, highest = 17 * increment, x = 1.7;
  ASSERT_LT(x, highest);
  ASSERT_EQ(std::floor(x / increment), 17.0);
  // The table is a span of exactly N rows; a read of the huge value after it
  // is caught by the bounds assert, or else ruins the result.
  std::vector<double> storage;
  for (int k = 0; k < rows; ++k) storage.push_back(2.0 * k);
  storage.push_back(1e300);
  const std::span<const double> table = std::span<const double>(storage).first(rows);
  const std::vector<double> scores{x};
  std::vector<double> out(1);

  interpolate_scale(1, rows, scores, table, 0.0, highest, increment, out);
  EXPECT_NEAR(out[0], 34.0, 1e-9);
}

TEST(ScaleConversionTest, NoScoresWritesNothing) {
  const std::vector<double> scores{1.0};
  for (std::int32_t count : {0, -1}) {
    std::vector<double> out{-99.0};
    interpolate_scale(count, 5, scores, WORKED.values, 0.0, 8.0, 2.0, out);
    EXPECT_EQ(out[0], -99.0) << "count " << count;
  }
}

TEST(ScaleConversionTest, RoundsToBoundsOrMultiplesOfTheIncrement) {
  struct Case {
    const char* name;
    double value, lower, upper, increment, expected;
  };
  const std::vector<Case> cases{
      {"at upper", 8.0, 0.0, 8.0, 2.0, 8.0},
      {"beyond upper", 8.5, 0.0, 8.0, 2.0, 8.0},
      {"at lower", 0.0, 0.0, 8.0, 2.0, 0.0},
      {"below lower", -0.5, 0.0, 8.0, 2.0, 0.0},
      {"half-way rounds up", 7.0, 0.0, 20.0, 2.0, 8.0},
      {"half-way whole number", 2.5, 0.0, 10.0, 1.0, 3.0},
      {"just below half-way", 2.4999, 0.0, 10.0, 1.0, 2.0},
      {"negative quotient -2.3 truncates toward zero", -4.6, -10.0, 10.0, 2.0, -2.0},
      {"negative half-way", -2.5, -10.0, 10.0, 1.0, -2.0},
      {"multiples counted from zero", 4.9, 1.0, 9.0, 2.0, 4.0},
      {"rounds past upper bound", 7.2, 0.0, 7.5, 2.0, 8.0},
      {"rounds past lower bound", 0.95, 0.9, 8.0, 2.0, 0.0},
      {"quotient beyond 2^31", 1e12, -1e15, 1e15, 1.0, 1e12},
      {"half-way beyond 2^31", 3e9 + 0.5, -1e15, 1e15, 1.0, 3000000001.0},
      {"negative beyond 2^31 truncates toward zero", -1e12, -1e15, 1e15, 1.0, -999999999999.0},
      {"small negative quotient gives zero", -1.5, -2.0, 6.0, 2.0, 0.0},
  };
  for (const Case& c : cases) {
    const double rounded = round_scale(c.value, c.lower, c.upper, c.increment);
    EXPECT_EQ(rounded, c.expected) << c.name;
    // A whole number of increments is never a negative zero ("-0.00" in the report).
    EXPECT_EQ(std::signbit(rounded), std::signbit(c.expected)) << c.name;
  }
}
