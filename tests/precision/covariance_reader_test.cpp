// The covariance file as records: both layouts of a matrix, standard errors, warnings, the file
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "zol/zol.h"

namespace zol {
namespace {

Input forms() {
  Input input;
  input.new_form.items = {
      {"N1", 1.0, 0.0, 0.2}, {"N2", 1.1, 0.5, 0.2}, {"P1", ItemModel::GPCM, 1.0, {-1.0, 1.0}}};
  input.old_form.items = {{"O1", 1.0, 0.0, 0.2}};
  return input;
}

std::vector<std::string> warnings(const ReadCovariance& read) {
  return warning_lines(read.warnings, "cov.txt");
}

// A lower triangle is the whole matrix mirrored, whatever the line ends and
// the blanks around the numbers.
TEST(CovarianceReaderTest, ALowerTriangleReadsAsTheWholeMatrix) {
  const char* texts[] = {
      "$Item_Covariance\nN2:b N1:a P1:b2\n0.04\n0.01 0.09\n-0.02 0 0.16\n",
      "\n$Item_Covariance\r\n N2:b\tN1:a  P1:b2 \r\n0.04 0.01 -0.02\r\n0.01 0.09 0\r\n"
      "-0.02 0 0.16\r\n\r\n",
  };
  for (const char* text : texts) {
    const Expected<ReadCovariance> read = read_covariance_text(text, "cov.txt", forms());
    ASSERT_TRUE(read) << read.error().explanation;
    ASSERT_TRUE(read->new_covariance) << text;
    EXPECT_EQ(read->new_covariance->names, (std::vector<std::string>{"N2:b", "N1:a", "P1:b2"}));
    EXPECT_EQ(read->new_covariance->matrix,
              (std::vector<double>{0.04, 0.01, -0.02, 0.01, 0.09, 0, -0.02, 0, 0.16}));
    EXPECT_FALSE(read->new_covariance->standard_errors_only);
    EXPECT_FALSE(read->old_covariance);
    EXPECT_EQ(warnings(*read),
              (std::vector<std::string>{"cov.txt: warning: the old form has no covariance: all its "
                                        "parameters are held fixed"}));
  }
}

// Standard errors squared on the diagonal, the listed items' parameters in
// the form's order, whatever the records' order.
TEST(CovarianceReaderTest, StandardErrorsAreADiagonalOfTheListedItems) {
  const Expected<ReadCovariance> read = read_covariance_text(
      "$Link_Item_Covariance\nO1:c\n0.0001\n\n$Item_Standard_Errors\nP1 0.5 0.25 2\nN1 0.1 0 "
      "3e-1\n",
      "cov.txt", forms());
  ASSERT_TRUE(read) << read.error().explanation;
  const Covariance& s = *read->new_covariance;
  EXPECT_EQ(s.names, (std::vector<std::string>{"N1:a", "N1:b", "N1:c", "P1:a", "P1:b1", "P1:b2"}));
  const std::vector<double> diagonal = {0.1 * 0.1, 0, 0.3 * 0.3, 0.25, 0.0625, 4};
  ASSERT_EQ(s.matrix.size(), 36u);
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j) {
      EXPECT_EQ(s.matrix[i * 6 + j], i == j ? diagonal[i] : 0.0) << i << ", " << j;
    }
  }
  EXPECT_TRUE(s.standard_errors_only);
  EXPECT_EQ(read->old_covariance->names, (std::vector<std::string>{"O1:c"}));
  EXPECT_EQ(warnings(*read), (std::vector<std::string>{
                                 "cov.txt:5: warning: the new form's covariance: standard errors "
                                 "alone; the covariances are taken as 0"}));
}

TEST(CovarianceReaderTest, AFileReadsAsItsTextAndAMissingOneCannotBeOpened) {
  ScratchDir scratch;
  const std::string text = "$Link_Item_Standard_Errors\nO1 0.1 0.2 0.05\n";
  const Expected<ReadCovariance> read =
      read_covariance_file(scratch.write("cov.txt", text).string(), forms());
  ASSERT_TRUE(read) << read.error().explanation;
  EXPECT_EQ(read->old_covariance->matrix,
            read_covariance_text(text, "cov.txt", forms())->old_covariance->matrix);
  const std::string missing = (scratch.path / "missing.txt").string();
  const Expected<ReadCovariance> none = read_covariance_file(missing, forms());
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().kind, ErrorKind::CANNOT_OPEN_INPUT);
  EXPECT_EQ(none.error().explanation.rfind("cannot open covariance file '" + missing + "'", 0), 0u)
      << none.error().explanation;
}

}  // namespace
}  // namespace zol
