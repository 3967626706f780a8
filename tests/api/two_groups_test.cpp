// Two groups and the ways of linking, against their limits and the constants peers publish
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "zol/zol.h"

namespace zol {
namespace {

Input forms_of_common_items() {
  const Expected<ReadInput> read =
      read_input_file(source_path("examples/common_items.txt").string());
  EXPECT_TRUE(read) << read.error().explanation;
  return read ? read->input : Input{};
}

Results equated(const Input& input, const Options& options) {
  const Expected<Results> results = equate(input, options);
  EXPECT_TRUE(results) << results.error().explanation;
  return results ? *results : Results{};
}

// A synthetic weight of 1 is the new group alone, of 0 the old group alone:
// the same bits as one population over that group's points; and two groups
// alike are one population.
TEST(TwoGroupsTest, TheSyntheticPopulationAtItsLimits) {
  const Input one = forms_of_common_items();
  Quadrature shifted = *one.theta;
  for (double& point : shifted.points) point += 0.4;
  struct Case {
    const char* name;
    double weight;
    const Quadrature* alone;  // the group whose population it is
  };
  const Case cases[] = {{"weight 1", 1.0, &*one.theta}, {"weight 0", 0.0, &shifted}};
  for (const Case& t : cases) {
    Input two = one;
    two.old_theta = shifted;
    Options options;
    options.synthetic_weight = t.weight;
    Input single = one;
    single.theta = *t.alone;
    const Results mixed = equated(two, options), alone = equated(single, {});
    ASSERT_TRUE(mixed.observed_score && alone.observed_score) << t.name;
    EXPECT_EQ(mixed.observed_score->new_distribution, alone.observed_score->new_distribution)
        << t.name;
    EXPECT_EQ(mixed.observed_score->old_distribution, alone.observed_score->old_distribution)
        << t.name;
    EXPECT_EQ(mixed.observed_score->equated, alone.observed_score->equated) << t.name;
    EXPECT_EQ(mixed.synthetic_weight, t.weight) << t.name;
  }
  Input same = one;
  same.old_theta = one.theta;
  const Results twins = equated(same, {}), single = equated(one, {});
  for (std::size_t x = 0; x < twins.observed_score->equated.size(); ++x) {
    EXPECT_NEAR(twins.observed_score->equated[x], single.observed_score->equated[x], 1e-12) << x;
  }
}

// The forms of the textbook example of Kolen and Brennan, as the R packages
// of their publications link them.
std::filesystem::path shared_data(const std::string& name) {
  return source_path("../shared/data/" + name);
}

struct Published {
  const char* name;
  LinkMethod method;
  bool symmetric;
  std::optional<int> gauss_hermite;
  bool without_c27;
  double A, B;
};

TEST(TwoGroupsTest, ThePublishedTextbookConstants) {
  if (!std::filesystem::exists(shared_data("kb04/kb04.txt"))) GTEST_SKIP() << "no shared data";
  const Expected<ReadInput> read = read_input_file(shared_data("kb04/kb04.txt").string());
  ASSERT_TRUE(read) << read.error().explanation;
  const Published cases[] = {
      {"plink symmetric", LinkMethod::HAEBARA, true, {}, false, 1.091030, -0.453361},
      {"plink symmetric", LinkMethod::HAEBARA, true, {}, true, 1.085909, -0.436985},
      {"plink symmetric", LinkMethod::STOCKING_LORD, true, {}, false, 1.099928, -0.474275},
      {"plink symmetric", LinkMethod::STOCKING_LORD, true, {}, true, 1.096071, -0.462389},
      {"equateIRT", LinkMethod::HAEBARA, false, 30, false, 1.068966, -0.475481},
      {"equateIRT", LinkMethod::HAEBARA, false, 30, true, 1.066743, -0.456746},
      {"equateIRT", LinkMethod::STOCKING_LORD, false, 30, false, 1.090760, -0.496274},
      {"equateIRT", LinkMethod::STOCKING_LORD, false, 30, true, 1.084977, -0.473032},
  };
  for (const Published& t : cases) {
    Options options;
    options.link = t.method;
    options.symmetric = t.symmetric;
    options.link_quadrature = t.gauss_hermite;
    if (t.without_c27) options.excluded_common_items = {"C27"};
    const Results results = equated(read->input, options);
    ASSERT_TRUE(results.linking) << t.name;
    EXPECT_NEAR(results.linking->A, t.A, 5e-7) << t.name << (t.without_c27 ? " without C27" : "");
    EXPECT_NEAR(results.linking->B, t.B, 5e-7) << t.name << (t.without_c27 ? " without C27" : "");
  }

  // The observed-score example of plink's vignette: mean-sigma without C27,
  // all the weight on the new group, whose points are written on the new
  // scale so that the linking carries them to these points of the old.
  Options options;
  options.link = LinkMethod::MEAN_SIGMA;
  options.excluded_common_items = {"C27"};
  const Results linked = equated(read->input, options);
  const double points[] = {-5.21, -4.16, -3.12, -2.07, -1.03, 0.02, 1.06, 2.11, 3.15, 4.20};
  const double weights[] = {.0001, .0028, .0302, .1420, .3149,
                            .3158, .1542, .0359, .0039, .0002};
  Input two = read->input;
  two.theta = Quadrature{};
  two.old_theta = Quadrature{};
  for (std::size_t k = 0; k < std::size(points); ++k) {
    two.theta->points.push_back((points[k] - linked.linking->B) / linked.linking->A);
    two.theta->weights.push_back(weights[k]);
    two.old_theta->points.push_back(points[k]);
    two.old_theta->weights.push_back(weights[k]);
  }
  options.synthetic_weight = 1.0;
  const Results results = equated(two, options);
  const double published[] = {0.6179, 1.5802, 2.5462, 3.5189, 4.5033,
                              5.5058, 6.5330, 7.5870, 8.6623};
  for (std::size_t x = 1; x <= std::size(published); ++x) {
    EXPECT_NEAR(results.observed_score->equated[x], published[x - 1], 5e-5) << "raw score " << x;
  }
}

}  // namespace
}  // namespace zol
