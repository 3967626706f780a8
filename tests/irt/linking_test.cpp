// Linking by common items: exact transformations are undone, and the criteria end at their minima
#include "irt/linking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <random>
#include <vector>

#include "irt/gauss_hermite.h"
#include "irt/item_model.h"

namespace zol {
namespace {

LinkRequest request(LinkMethod method) {
  LinkRequest asked;
  asked.method = method;
  return asked;
}

LinkSearch link(const Form& new_form, const Form& old_form, LinkMethod method) {
  return link_scales(item_table(new_form), item_table(old_form), request(method));
}

const char* const LABELS[] = {"C01", "C02", "C03", "C04", "C05", "C06", "C07", "C08",
                              "C09", "C10", "C11", "C12", "U1",  "U2",  "U3"};

// An old form of 12 common items and 3 of its own; the new form holds the
// same common items on a scale theta_new = (theta_old - B) / A, each moved by
// noise, and 3 items of its own.
struct Forms {
  Form old_form, new_form;
};

Forms forms(double A, double B, double noise, unsigned seed) {
  std::mt19937 engine(seed);
  std::normal_distribution<double> normal;
  std::vector<Item> old_items, new_items;
  for (std::size_t i = 0; i < 15; ++i) {
    const double a = std::exp(0.3 * normal(engine)), b = normal(engine), c = 0.1 + 0.02 * (i % 5);
    old_items.push_back({LABELS[i], a, b, c});
    const char* label = i < 12 ? LABELS[i] : "NEW";
    new_items.push_back(
        {label, a * A * std::exp(noise * normal(engine)), (b - B) / A + noise * normal(engine), c});
  }
  new_items[13].label = "NEW2", new_items[14].label = "NEW3";
  return {{old_items}, {new_items}};
}

// The criteria as defined, from the item model alone, over 41 points from -4
// to 4 with normal weights.
double criterion(const Forms& f, LinkMethod method, double A, double B) {
  double total = 0.0, weights = 0.0;
  for (int k = -20; k <= 20; ++k) weights += std::exp(-(k * 0.2) * (k * 0.2) / 2.0);
  for (int k = -20; k <= 20; ++k) {
    const double theta = k * 0.2, w = std::exp(-theta * theta / 2.0) / weights;
    double old_sum = 0.0, new_sum = 0.0;
    for (std::size_t j = 0; j < 12; ++j) {
      const Item& o = f.old_form.items[j];
      const Item& n = f.new_form.items[j];
      const double p_old = prob_3pl(theta, o.a, o.b, o.c);
      const double p_new = prob_3pl(theta, n.a / A, A * n.b + B, n.c);
      if (method == LinkMethod::HAEBARA) total += w * (p_old - p_new) * (p_old - p_new);
      old_sum += p_old, new_sum += p_new;
    }
    if (method == LinkMethod::STOCKING_LORD) total += w * (old_sum - new_sum) * (old_sum - new_sum);
  }
  return total;
}

TEST(LinkingTest, AnExactTransformationIsUndoneByEveryMethodAndCriterion) {
  // The criteria's own points and weights, the Gauss-Hermite rule, and the
  // symmetric criteria over either; common items of K categories too.
  const Quadrature rule = gauss_hermite_normal(30);
  struct Setting {
    const char* name;
    const Quadrature* points;
    bool symmetric;
  };
  const Setting settings[] = {{"41 points", nullptr, false},
                              {"Gauss-Hermite", &rule, false},
                              {"symmetric", nullptr, true},
                              {"symmetric Gauss-Hermite", &rule, true}};
  for (const auto& [A, B] : {std::pair{1.2, -0.3}, {0.8, 0.55}, {1.0, 0.0}}) {
    Forms f = forms(A, B, 0.0, 11);
    for (const Item& item : {Item("P1", ItemModel::GPCM, 0.9, {-1.5, -0.2, 0.8}),
                             Item("R1", ItemModel::GRM, 1.1, {-1.0, 0.3, 1.4, 2.0})}) {
      f.old_form.items.push_back(item);
      Item carried = item;
      carried.a *= A;
      for (double& step : carried.steps) step = (step - B) / A;
      f.new_form.items.push_back(carried);
    }
    for (LinkMethod method : LINK_METHODS) {
      for (const Setting& setting : settings) {
        const bool curves = method == LinkMethod::HAEBARA || method == LinkMethod::STOCKING_LORD;
        if (!curves && (setting.points != nullptr || setting.symmetric)) continue;
        LinkRequest asked = request(method);
        asked.theta = asked.new_theta = setting.points;
        asked.symmetric = setting.symmetric;
        const LinkSearch found =
            link_scales(item_table(f.new_form), item_table(f.old_form), asked);
        ASSERT_EQ(found.status, LinkStatus::OK) << link_method_title(method) << setting.name;
        EXPECT_EQ(found.common_items, 14);
        EXPECT_NEAR(found.A, A, 1e-9) << link_method_title(method) << ", " << setting.name;
        EXPECT_NEAR(found.B, B, 1e-9) << link_method_title(method) << ", " << setting.name;
      }
    }
  }
}

TEST(LinkingTest, TheCharacteristicCurveMethodsEndAtTheirMinima) {
  const Forms f = forms(1.15, -0.4, 0.08, 5);
  for (LinkMethod method : {LinkMethod::HAEBARA, LinkMethod::STOCKING_LORD}) {
    const LinkSearch found = link(f.new_form, f.old_form, method);
    ASSERT_EQ(found.status, LinkStatus::OK) << link_method_title(method);
    const double at = criterion(f, method, found.A, found.B);
    // The gradient vanishes (to what a distance of 1e-9 from the minimum and
    // a central difference leave), and every small step away costs.
    double h = 1e-5;
    const double slope_a =
        (criterion(f, method, found.A + h, found.B) - criterion(f, method, found.A - h, found.B)) /
        (2 * h);
    const double slope_b =
        (criterion(f, method, found.A, found.B + h) - criterion(f, method, found.A, found.B - h)) /
        (2 * h);
    EXPECT_LT(std::fabs(slope_a), 1e-8) << link_method_title(method);
    EXPECT_LT(std::fabs(slope_b), 1e-8) << link_method_title(method);
    h = 1e-4;
    for (const auto& [da, db] : {std::pair{h, 0.0}, {-h, 0.0}, {0.0, h}, {0.0, -h}}) {
      EXPECT_GT(criterion(f, method, found.A + da, found.B + db), at) << link_method_title(method);
    }
  }
}

TEST(LinkingTest, TheMomentMethodsAreTheirClosedForms) {
  const Forms f = forms(1.15, -0.4, 0.08, 5);
  double a = 0, alpha = 0, b = 0, beta = 0, bb = 0, betabeta = 0;
  for (std::size_t j = 0; j < 12; ++j) {
    a += f.old_form.items[j].a / 12, alpha += f.new_form.items[j].a / 12;
    b += f.old_form.items[j].b / 12, beta += f.new_form.items[j].b / 12;
  }
  for (std::size_t j = 0; j < 12; ++j) {
    bb += (f.old_form.items[j].b - b) * (f.old_form.items[j].b - b);
    betabeta += (f.new_form.items[j].b - beta) * (f.new_form.items[j].b - beta);
  }
  const LinkSearch mean_mean = link(f.new_form, f.old_form, LinkMethod::MEAN_MEAN);
  EXPECT_NEAR(mean_mean.A, alpha / a, 1e-14);
  EXPECT_NEAR(mean_mean.B, b - alpha / a * beta, 1e-14);
  const LinkSearch mean_sigma = link(f.new_form, f.old_form, LinkMethod::MEAN_SIGMA);
  EXPECT_NEAR(mean_sigma.A, std::sqrt(bb / betabeta), 1e-14);
  EXPECT_NEAR(mean_sigma.B, b - std::sqrt(bb / betabeta) * beta, 1e-14);
}

// Slopes 1, 2, 4 on the old scale and 2, 2, 2 on the new: the geometric means
// are 2 and 2, so A = 1 where mean-mean's arithmetic means give 2 / (7 / 3);
// B from the b's means 0 and 1.
TEST(LinkingTest, MeanGeometricMeanTakesTheSlopesGeometricMeans) {
  const Form old_form{{{"C1", 1.0, -1.0, 0.2}, {"C2", 2.0, 0.0, 0.2}, {"C3", 4.0, 1.0, 0.2}}};
  const Form new_form{{{"C1", 2.0, 0.0, 0.2}, {"C2", 2.0, 1.0, 0.2}, {"C3", 2.0, 2.0, 0.2}}};
  const LinkSearch gmean = link(new_form, old_form, LinkMethod::MEAN_GMEAN);
  ASSERT_EQ(gmean.status, LinkStatus::OK);
  EXPECT_NEAR(gmean.A, 1.0, 1e-15);
  EXPECT_NEAR(gmean.B, -1.0, 1e-15);
}

// Ten common items that agree but for small noise, and one that drifted by
// 0.9 in b: its robust z stands far out, the others' do not, and an item
// left out of the linking still shows its z.
TEST(LinkingTest, ScreeningFlagsTheItemThatDrifted) {
  Form old_form, new_form;
  const double noise[] = {0.02, -0.01, 0.03, -0.02, 0.0, 0.01, -0.03, 0.02, -0.01, 0.0};
  for (int i = 0; i < 10; ++i) {
    std::string label(1, 'C');
    label += std::to_string(i);
    const double b = -1.0 + 0.2 * i;
    old_form.items.emplace_back(label, 1.0, b, 0.2);
    new_form.items.emplace_back(label, 1.0, b + noise[i] + (i == 4 ? 0.9 : 0.0), 0.2);
  }
  LinkRequest asked = request(LinkMethod::MEAN_MEAN);
  const std::string left_out[] = {"C7"};
  asked.excluded = left_out;
  const LinkSearch found = link_scales(item_table(new_form), item_table(old_form), asked);
  ASSERT_EQ(found.status, LinkStatus::OK);
  EXPECT_EQ(found.common_items, 9);
  EXPECT_EQ(found.excluded, 1);
  const std::vector<CommonItem> items =
      screen_common_items(item_table(new_form), item_table(old_form), found);
  ASSERT_EQ(items.size(), 10u);
  // Mean-mean gives A = 1 and B = -0.1 times the mean of the used items' shifts.
  EXPECT_NEAR(found.A, 1.0, 1e-15);
  std::vector<double> used;
  for (const CommonItem& item : items) {
    if (item.used) used.push_back(*item.b_difference);
  }
  std::sort(used.begin(), used.end());
  // Nine used differences: the median is the fifth, the quartiles the third
  // and the seventh.
  const double median = used[4], iqr = used[6] - used[2];
  for (std::size_t i = 0; i < items.size(); ++i) {
    const CommonItem& item = items[i];
    EXPECT_EQ(item.used, i != 7) << item.label;
    ASSERT_TRUE(item.b_robust_z) << item.label;
    EXPECT_NEAR(*item.b_robust_z, (*item.b_difference - median) / (0.74 * iqr), 1e-12)
        << item.label;
    EXPECT_EQ(item.flagged, i == 4) << item.label;
    // Equal slopes: no spread in log a ratios, so no z of them.
    EXPECT_FALSE(item.a_robust_z) << item.label;
  }
  EXPECT_GT(*items[4].b_robust_z, 10.0);
}

// Newton's method needs the criterion's own derivatives; a wrong one still
// converges, slowly, so the derivatives are checked against differences.
TEST(LinkingTest, TheCriteriaHaveTheirOwnDerivatives) {
  Forms f = forms(1.15, -0.4, 0.3, 5);
  // Common items of K categories too, whose curves are carried through u.
  f.old_form.items.emplace_back("P1", ItemModel::GPCM, 0.9, std::vector<double>{-1.0, 0.2, 1.1});
  f.new_form.items.emplace_back("P1", ItemModel::GPCM, 1.1, std::vector<double>{-0.5, 0.3, 1.4});
  f.old_form.items.emplace_back("P2", ItemModel::GRM, 1.3, std::vector<double>{-0.8, 0.6});
  f.new_form.items.emplace_back("P2", ItemModel::GRM, 1.2, std::vector<double>{-0.4, 0.9});
  const double h = 1e-5;
  for (const auto& [method, symmetric] :
       {std::pair{LinkMethod::HAEBARA, false}, {LinkMethod::STOCKING_LORD, false},
        {LinkMethod::HAEBARA, true}, {LinkMethod::STOCKING_LORD, true}}) {
    for (const auto& [A, B] : {std::pair{1.0, 0.0}, {1.3, -0.7}, {0.6, 0.9}}) {
      LinkRequest asked = request(method);
      asked.symmetric = symmetric;
      const auto at = [&](double a, double b) {
        return link_criterion(item_table(f.new_form), item_table(f.old_form), asked, a, b);
      };
      const LinkCriterion c = at(A, B), a_up = at(A + h, B), a_down = at(A - h, B),
                          b_up = at(A, B + h), b_down = at(A, B - h);
      const std::pair<double, double> derivatives[] = {
          {c.fa, (a_up.f - a_down.f) / (2 * h)},    {c.fb, (b_up.f - b_down.f) / (2 * h)},
          {c.faa, (a_up.fa - a_down.fa) / (2 * h)}, {c.fab, (b_up.fa - b_down.fa) / (2 * h)},
          {c.fab, (a_up.fb - a_down.fb) / (2 * h)}, {c.fbb, (b_up.fb - b_down.fb) / (2 * h)}};
      for (std::size_t k = 0; k < std::size(derivatives); ++k) {
        const auto& [own, difference] = derivatives[k];
        EXPECT_NEAR(own, difference, 1e-6 * (1.0 + std::fabs(difference)))
            << link_method_title(method) << (symmetric ? " symmetric" : "") << " at " << A
            << ", " << B << ": derivative " << k;
      }
    }
  }
}

// Common items that fit badly, whose new b's are all equal: mean-sigma has no
// A, and from the best of the other starts the Hessian is not positive and a
// full Newton step would take A below 0. The minimum is found all the same.
TEST(LinkingTest, AMinimumIsFoundFromAStartWhereNewtonsStepFails) {
  const Form new_form{{{"C00", 0.148, 0.3, 0.18},
                       {"C01", 0.121, 0.3, 0.17},
                       {"C02", 0.298, 0.3, 0.08},
                       {"C03", 0.332, 0.3, 0.08}}};
  const Form old_form{{{"C00", 0.71, -1.59, 0.22},
                       {"C01", 0.55, -1.63, 0.07},
                       {"C02", 1.57, 0.81, 0.13},
                       {"C03", 1.8, 1.04, 0.05}}};
  for (LinkMethod method : {LinkMethod::HAEBARA, LinkMethod::STOCKING_LORD}) {
    const LinkSearch found = link(new_form, old_form, method);
    ASSERT_EQ(found.status, LinkStatus::OK) << link_method_title(method);
    const LinkCriterion c = link_criterion(item_table(new_form), item_table(old_form),
                                           request(method), found.A, found.B);
    EXPECT_LT(std::fabs(c.fa) + std::fabs(c.fb), 1e-9) << link_method_title(method);
    EXPECT_GT(c.faa, 0.0) << link_method_title(method);
    EXPECT_GT(c.faa * c.fbb - c.fab * c.fab, 0.0) << link_method_title(method);
  }
}

}  // namespace
}  // namespace zol
