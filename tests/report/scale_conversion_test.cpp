// The raw-to-scale conversion against the worked table: interpolation and rounding
#include "report/scale_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zol {
namespace {

struct Row {
  double score, unrounded, rounded;
};

// Converts every row's score through a table on the grid lowest, lowest +
// increment, ..., with one more output entry than scores so that a write
// past them shows.
void expect_conversion(double lowest, double increment, const std::vector<double>& table_rows,
                       const std::vector<Row>& rows) {
  const Conversion table{lowest, lowest + static_cast<double>(table_rows.size() - 1) * increment,
                         increment, table_rows};
  std::vector<double> scores;
  for (const Row& row : rows) scores.push_back(row.score);
  std::vector<double> unrounded(rows.size() + 1, -99.0), rounded(rows.size() + 1, -99.0);
  convert_to_scale(scores, table, unrounded, rounded);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_NEAR(unrounded[i], rows[i].unrounded, 1e-12) << "score " << rows[i].score;
    EXPECT_EQ(rounded[i], rows[i].rounded) << "score " << rows[i].score;
  }
  EXPECT_EQ(unrounded.back(), -99.0);
  EXPECT_EQ(rounded.back(), -99.0);
}

TEST(ScaleConversionTest, WorkedTables) {
  // Grid 0, 2, ..., 8: the ends extend their segments, a grid point starts
  // its own segment, and rounding is to the bounds or to multiples of 2.
  expect_conversion(0.0, 2.0, {0.0, 1.0, 3.0, 6.0, 7.0},
                    {{-1.0, -0.5, 0.0},
                     {0.0, 0.0, 0.0},
                     {3.0, 2.0, 2.0},
                     {4.0, 3.0, 4.0},
                     {5.0, 4.5, 4.0},
                     {7.9, 6.95, 6.0},
                     {8.0, 7.0, 8.0},
                     {11.0, 8.5, 8.0}});
  // Two rows: one segment for every score.
  expect_conversion(0.0, 1.0, {10.0, 20.0}, {{-2, -10, 0}, {0.5, 15, 1}, {3, 40, 1}});
}

TEST(ScaleConversionTest, RoundingRule) {
  struct Case {
    const char* name;
    double value, lower, upper, increment, rounded;
  };
  const Case cases[] = {
      {"half rounds up", 7.0, 0.0, 20.0, 2.0, 8.0},
      {"multiples counted from zero", 2.9, 1.0, 9.0, 2.0, 2.0},
      {"rounded beyond the upper bound", 7.2, 0.0, 7.5, 2.0, 8.0},
      {"rounded below the lower bound", 0.95, 0.9, 8.0, 2.0, 0.0},
      {"negative quotient moves toward zero", -4.6, -10.0, 10.0, 2.0, -2.0},
      {"small negative quotient gives zero, not minus zero", -1.3, -4.0, 4.0, 2.0, 0.0},
  };
  for (const Case& t : cases) {
    const double rounded = round_scale(t.value, t.lower, t.upper, t.increment);
    EXPECT_EQ(rounded, t.rounded) << t.name;
    EXPECT_FALSE(std::signbit(rounded) && rounded == 0.0) << t.name;
  }
}

}  // namespace
}  // namespace zol
