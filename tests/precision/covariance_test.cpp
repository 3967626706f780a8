// A form's covariance against the form: names, entries, symmetry, and definiteness at its tolerance
#include "precision/covariance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace zol {
namespace {

// Two 3PL items, a GPCM item of 4 categories (a, b1..b3), and a label with a
// colon in it: places 0-2, 3-5, 6-9 and 10-12 of the form's parameters.
Form form() {
  return {{{"N1", 1.0, 0.0, 0.2},
           {"N2", 1.1, 0.5, 0.2},
           {"P1", ItemModel::GPCM, 1.0, {-1.0, 0.0, 1.0}},
           {"A:1", 0.9, -0.5, 0.1}}};
}

// "I7", and "I7:a" with the parameter's name.
std::string label(std::size_t i, const char* parameter = nullptr) {
  std::string text = "I";
  text.append(std::to_string(i));
  if (parameter != nullptr) text.append(":").append(parameter);
  return text;
}

std::string problem(const Covariance& covariance, FormCovariance* out = nullptr) {
  const Form f = form();
  FormCovariance places;
  std::string why = covariance_problem(covariance, item_table(f), FormRole::OLD, places);
  if (out != nullptr) *out = places;
  return why;
}

// The 2 x 2 matrix with eigenvalues 1 and lambda, rotated by 45 degrees so
// that both variances stay above 0.
Covariance rotated(double lambda) {
  const double mean = (1.0 + lambda) / 2.0, half = (1.0 - lambda) / 2.0;
  return {{"N1:a", "N1:b"}, {mean, half, half, mean}, false};
}

TEST(CovarianceTest, MatricesAreJudgedByTheirNamesEntriesSymmetryAndEigenvalues) {
  struct Case {
    const char* name;
    Covariance covariance;
    const char* cause;  // a piece of the cause, or empty when accepted
  };
  const Case cases[] = {
      {"singular but semi-definite", {{"N1:a", "N2:a"}, {1, 1, 1, 1}, false}, ""},
      {"zero", {{"N1:a", "N2:a"}, {0, 0, 0, 0}, false}, ""},
      {"nothing named", {{}, {}, false}, ""},
      {"eigenvalue -0.5e-9 of the largest", rotated(-0.5e-9), ""},
      {"eigenvalue -2e-9 of the largest", rotated(-2e-9), "not positive semi-definite"},
      {"a covariance with a variance of 0",
       {{"N1:a", "N1:b"}, {1, 0.1, 0.1, 0}, false},
       "(through N1:b)"},
      {"zero variances, covariances not",
       {{"N1:a", "N1:b"}, {0, 1, 1, 0}, false},
       "not positive semi-definite"},
      {"asymmetric within 1e-9", {{"N1:a", "N1:b"}, {1, 0.5, 0.5 * (1 + 0.9e-9), 1}, false}, ""},
      {"asymmetric beyond 1e-9",
       {{"N1:a", "N1:b"}, {1, 0.5, 0.5 * (1 + 1.1e-9), 1}, false},
       "row 2 (N1:b), column 1 holds 0.50000000055, but row 1, column 2 holds 0.5"},
      {"not a number",
       {{"N1:a", "N1:b"}, {1, NAN, NAN, 1}, false},
       "row 1 (N1:a), column 2: nan is not a finite number"},
      {"too few numbers", {{"N1:a", "N1:b"}, {1, 0, 1}, false}, "2 names need a matrix of 2 x 2"},
      {"steps by name", {{"P1:a", "P1:b1", "P1:b3"}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, false}, ""},
      {"a label with a colon", {{"A:1:c"}, {1}, false}, ""},
      {"a GPCM item has no b",
       {{"P1:b"}, {1}, false},
       "'P1:b': item P1 has no parameter 'b'; its parameters are a and b1 to b3"},
      {"nor a b4", {{"P1:b4"}, {1}, false}, "no parameter 'b4'"},
      {"nor a b01", {{"P1:b01"}, {1}, false}, "no parameter 'b01'"},
      {"no colon", {{"N1a"}, {1}, false}, "'N1a' is no parameter"},
  };
  for (const Case& c : cases) {
    const std::string why = problem(c.covariance);
    if (c.cause[0] == '\0') {
      EXPECT_EQ(why, "") << c.name;
    } else {
      EXPECT_EQ(why.rfind("the old form's covariance: ", 0), 0u) << c.name << ": " << why;
      EXPECT_NE(why.find(c.cause), std::string::npos) << c.name << ": " << why;
    }
  }
}

TEST(CovarianceTest, AcceptedNamesGiveThePlacesOfTheirParameters) {
  FormCovariance places;
  ASSERT_EQ(problem({{"A:1:c", "P1:b2", "N2:a"}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, false}, &places), "");
  EXPECT_EQ(places.parameters, (std::vector<std::size_t>{12, 8, 3}));
}

// Tridiagonal matrices of n rows with 2 (or 1) on the diagonal and -1 beside
// it have the eigenvalues 2 (or 1) - 2 cos(k pi / (n + 1)), k = 1..n: all
// above 0, or some below. Their rows start late, which the factorisation
// takes as zeros it need not visit; so does a block-diagonal matrix whose
// last block alone is indefinite.
TEST(CovarianceTest, SparseRowsAreFactorisedWhole) {
  const std::size_t n = 13;
  Form items;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < n; ++i) {
    items.items.push_back({label(i), 1.0, 0.0, 0.0});
    names.push_back(label(i, "a"));
  }
  const auto tridiagonal = [&](double diagonal, std::size_t bad_block) {
    std::vector<double> s(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
      s[i * n + i] = diagonal;
      if (i > 0 && bad_block == 0) s[i * n + i - 1] = s[(i - 1) * n + i] = -1.0;
    }
    if (bad_block > 0) s[bad_block * n + bad_block - 1] = s[(bad_block - 1) * n + bad_block] = 3.0;
    return Covariance{names, s, false};
  };
  FormCovariance places;
  const ItemTable table = item_table(items);
  EXPECT_EQ(covariance_problem(tridiagonal(2.0, 0), table, FormRole::NEW, places), "");
  EXPECT_NE(covariance_problem(tridiagonal(1.0, 0), table, FormRole::NEW, places), "");
  EXPECT_EQ(covariance_problem(tridiagonal(2.0, 7), table, FormRole::NEW, places),
            "the new form's covariance: the matrix is not positive semi-definite: it has an "
            "eigenvalue below -1e-9 times its largest, about 5, already within rows and columns "
            "1 to 8 (through I7:a)");
}

// B B' of a 600 x 100 B is semi-definite of rank 100, with largest
// eigenvalue at most its trace: taking 1e-8 of the trace from its diagonal
// puts its smallest eigenvalue beyond the tolerance; 1e-11 of its largest
// variance (at most the largest eigenvalue) leaves it within.
TEST(CovarianceTest, ALargeSingularMatrixIsJudgedAtTheTolerance) {
  const std::size_t n = 600, rank = 100;
  std::mt19937 engine(5);
  std::normal_distribution<double> normal(0.0, 0.05);
  std::vector<double> b(n * rank);
  for (double& x : b) x = normal(engine);
  Form items;
  Covariance s{{}, std::vector<double>(n * n), false};
  for (std::size_t i = 0; i < n / 3; ++i) items.items.push_back({label(i), 1, 0, 0});
  for (std::size_t i = 0; i < n; ++i) {
    s.names.push_back(label(i / 3, i % 3 == 0 ? "a" : i % 3 == 1 ? "b" : "c"));
    for (std::size_t j = 0; j <= i; ++j) {
      double sum = 0.0;
      for (std::size_t k = 0; k < rank; ++k) sum += b[i * rank + k] * b[j * rank + k];
      s.matrix[i * n + j] = s.matrix[j * n + i] = sum;
    }
  }
  double trace = 0.0, largest = 0.0;
  for (std::size_t i = 0; i < n; ++i) trace += s.matrix[i * n + i];
  for (std::size_t i = 0; i < n; ++i) largest = std::max(largest, s.matrix[i * n + i]);
  const ItemTable table = item_table(items);
  FormCovariance places;
  EXPECT_EQ(covariance_problem(s, table, FormRole::NEW, places), "");
  Covariance within = s, beyond = s;
  for (std::size_t i = 0; i < n; ++i) {
    within.matrix[i * n + i] -= 1e-11 * largest;
    beyond.matrix[i * n + i] -= 1e-8 * trace;
  }
  EXPECT_EQ(covariance_problem(within, table, FormRole::NEW, places), "");
  EXPECT_NE(covariance_problem(beyond, table, FormRole::NEW, places).find("not positive"),
            std::string::npos);
}

}  // namespace
}  // namespace zol
