// A form longer than a 16-bit item count can hold is computed whole
#include <gtest/gtest.h>

#include <vector>

#include "item_model.h"
#include "observed_score.h"

namespace {

TEST(LargeFormTest, MoreThan32767ItemsAreNeitherTruncatedNorWrapped) {
  // Easy items put almost all the probability near the top score, above
  // 32,767, where a count cut to 16 bits could not reach.
  constexpr std::int32_t n = 33000;
  const std::vector<double> a(n, 1.0), b(n, -5.0), c(n, 0.0);
  const double p = prob_3pl(0.0, 1.0, -5.0, 0.0);
  std::vector<double> work(n + 1, -1.0);
  ASSERT_EQ(conditional_number_correct(0.0, one_based(a), one_based(b), one_based(c), n, work), 0);
  double total = 0.0;
  double mean = 0.0;
  for (std::size_t x = 0; x < work.size(); ++x) {
    ASSERT_GE(work[x], 0.0) << "score " << x << " left unwritten";
    total += work[x];
    mean += static_cast<double>(x) * work[x];
  }
  EXPECT_NEAR(total, 1.0, 1e-9);
  // The number correct is binomial: its mean is n times the item probability.
  EXPECT_NEAR(mean, n * p, 1e-6 * n);
}

}  // namespace
