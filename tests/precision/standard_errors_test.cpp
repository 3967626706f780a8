// Standard errors against central differences of the equated scores, and their invariants
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "irt/gauss_hermite.h"
#include "irt/linking.h"
#include "precision/item_gradients.h"
#include "zol/zol.h"

namespace zol {
namespace {

constexpr double D = 1.7;

// Two mixed forms with common items C0..C5, the new one on its own scale.
Input mixed_forms() {
  Input input;
  input.name = "mixed";
  const double A = 1.1, B = -0.3;
  const Item old_items[] = {
      Item("C0", 1.1, -0.8, 0.2),
      Item("C1", ItemModel::GPCM, 0.9, {-1.0, 0.1, 1.0}),
      Item("C2", ItemModel::GRM, 1.3, {-1.2, 0.0, 0.9}),
      Item("C3", 0.8, 0.4, 0.15),
      Item("C4", ItemModel::GPCM, 1.2, {-0.5, 0.6}),
      Item("C5", 1.4, 1.1, 0.1),
  };
  const double noise[] = {0.03, -0.02, 0.04, -0.05, 0.01, 0.02};
  for (std::size_t i = 0; i < std::size(old_items); ++i) {
    input.old_form.items.push_back(old_items[i]);
    Item carried = carried_item(old_items[i], 1.0 / A, -B / A);
    carried.a *= 1.0 + noise[i];
    if (carried.model == ItemModel::THREE_PL) carried.b += noise[i];
    for (double& s : carried.steps) s -= noise[i];
    input.new_form.items.push_back(carried);
  }
  input.new_form.items.emplace_back("N1", 0.9, 0.2, 0.25);
  input.old_form.items.emplace_back("O1", ItemModel::GRM, 1.0, std::vector<double>{-0.6, 0.7});
  input.theta = gauss_hermite_normal(15);
  return input;
}

// The expected score of a form at theta.
double test_curve(const Form& form, double theta) {
  double score = 0.0;
  CategoryGradients g;
  for (const Item& item : form.items) {
    category_gradients(theta, item, D, g);
    for (std::size_t c = 0; c < g.categories; ++c) score += static_cast<double>(c) * g.p[c];
  }
  return score;
}

// The true-score equivalent of raw score x to full precision: the theta of x
// on the new form's scale by bisection down to neighbouring doubles, carried
// to the common scale.
double true_equivalent(const Input& input, const Options& options, std::size_t x) {
  double A = 1.0, B = 0.0;
  if (options.link) {
    const Expected<Results> linked = equate(input, options);
    A = linked->linking->A, B = linked->linking->B;
  }
  double low = -20.0, high = 20.0;
  for (;;) {
    const double middle = 0.5 * (low + high);
    if (middle <= low || middle >= high) break;
    (test_curve(input.new_form, middle) < static_cast<double>(x) ? low : high) = middle;
  }
  return test_curve(input.old_form, A * 0.5 * (low + high) + B);
}

// The input with parameter name of one form moved by h.
Input moved(const Input& input, bool new_form, const std::string& name, double h) {
  Input out = input;
  Form& form = new_form ? out.new_form : out.old_form;
  const std::size_t colon = name.find(':');
  for (Item& item : form.items) {
    if (item.label != name.substr(0, colon)) continue;
    const std::string parameter = name.substr(colon + 1);
    if (parameter == "a") item.a += h;
    if (parameter == "b") item.b += h;
    if (parameter == "c") item.c += h;
    if (parameter[0] == 'b' && parameter.size() > 1) item.steps[std::stoul(parameter.substr(1)) - 1] += h;
  }
  return out;
}

// One parameter free with variance 1: each standard error is then the size of
// the equated score's derivative in it, which central differences of the
// equated scores themselves give.
TEST(StandardErrorsTest, EachIsTheSizeOfTheEquatedScoresDerivative) {
  struct Setting {
    const char* name;
    bool link, symmetric, two_groups;
  };
  const Setting settings[] = {{"forms as they are", false, false, false},
                              {"Haebara, two groups", true, false, true},
                              {"symmetric Stocking-Lord", true, true, false}};
  const std::pair<bool, const char*> parameters[] = {
      {true, "C0:b"}, {true, "C1:b2"}, {true, "C2:a"}, {true, "N1:c"},
      {false, "C3:a"}, {false, "C4:b1"}, {false, "O1:b2"}, {false, "C5:c"}};
  for (const Setting& s : settings) {
    Input input = mixed_forms();
    Options options;
    if (s.link) {
      options.link = s.symmetric ? LinkMethod::STOCKING_LORD : LinkMethod::HAEBARA;
      options.symmetric = s.symmetric;
    }
    if (s.two_groups) {
      input.old_theta = gauss_hermite_normal(11);
      for (double& p : input.old_theta->points) p = 0.9 * p + 0.2;
    }
    for (const auto& [new_form, name] : parameters) {
      Input one = input;
      (new_form ? one.new_covariance : one.old_covariance) = Covariance{{name}, {1.0}, false};
      const Expected<Results> results = equate(one, options);
      ASSERT_TRUE(results) << results.error().explanation;
      const StandardErrors& errors = *results->standard_errors;
      const double h = 1e-5;
      const Expected<Results> up = equate(moved(input, new_form, name, h), options);
      const Expected<Results> down = equate(moved(input, new_form, name, -h), options);
      const std::string what = std::string(s.name) + ", " + name + ", raw score ";
      for (std::size_t x = 0; x < errors.observed_score.size(); ++x) {
        const double derivative =
            (up->observed_score->equated[x] - down->observed_score->equated[x]) / (2 * h);
        EXPECT_NEAR(errors.observed_score[x], std::fabs(derivative),
                    1e-6 + 1e-5 * std::fabs(derivative))
            << what << x << " observed";
      }
      for (std::size_t x = 1; x + 1 < errors.true_score.size(); ++x) {
        if (!(results->true_score.theta[x] > -THETA_LIMIT)) continue;
        const double derivative = (true_equivalent(moved(input, new_form, name, h), options, x) -
                                   true_equivalent(moved(input, new_form, name, -h), options, x)) /
                                  (2 * h);
        EXPECT_NEAR(errors.true_score[x], std::fabs(derivative),
                    1e-6 + 1e-5 * std::fabs(derivative))
            << what << x << " true";
      }
    }
  }
}

// Every standard error of a run, the linking's first.
std::vector<double> all_errors(const Input& input, const Options& options) {
  const Expected<Results> results = equate(input, options);
  EXPECT_TRUE(results) << results.error().explanation;
  std::vector<double> errors;
  if (!results) return errors;
  if (results->linking) errors = {*results->linking->A_se, *results->linking->B_se};
  const StandardErrors& e = *results->standard_errors;
  for (const auto* column : {&e.true_score, &e.true_scale, &e.observed_score, &e.observed_scale}) {
    errors.insert(errors.end(), column->begin(), column->end());
  }
  return errors;
}

// A full covariance of the given names: 0.01 on the diagonal, 0.002 beside it.
Covariance banded(const std::vector<std::string>& names, double scale) {
  const std::size_t m = names.size();
  Covariance c{names, std::vector<double>(m * m, 0.0), false};
  for (std::size_t i = 0; i < m; ++i) {
    c.matrix[i * m + i] = 0.01 * scale;
    if (i + 1 < m) c.matrix[i * m + i + 1] = c.matrix[(i + 1) * m + i] = 0.002 * scale;
  }
  return c;
}

TEST(StandardErrorsTest, ScaleWithTheCovarianceAndIgnoreFixedParameters) {
  Input input = mixed_forms();
  Options options;
  options.link = LinkMethod::HAEBARA;
  const std::vector<std::string> new_names = {"C0:a", "C0:b", "C1:a", "C1:b1", "N1:b"};
  const std::vector<std::string> old_names = {"C2:b2", "C3:a", "C3:b", "O1:a"};
  input.new_covariance = banded(new_names, 1.0);
  input.old_covariance = banded(old_names, 1.0);
  const std::vector<double> base = all_errors(input, options);
  // k times the covariance: sqrt(k) times every standard error.
  Input scaled = input;
  scaled.new_covariance = banded(new_names, 4.0);
  scaled.old_covariance = banded(old_names, 4.0);
  const std::vector<double> doubled = all_errors(scaled, options);
  ASSERT_EQ(base.size(), doubled.size());
  for (std::size_t k = 0; k < base.size(); ++k) {
    EXPECT_NEAR(doubled[k], 2.0 * base[k], 1e-12 + 1e-12 * base[k]) << k;
  }
  // A parameter named with variance 0 is held fixed as one not named is.
  Input fixed = input;
  std::vector<std::string> more = new_names;
  more.push_back("N1:a");
  Covariance with_fixed = banded(more, 1.0);
  with_fixed.matrix.back() = 0.0;
  with_fixed.matrix[more.size() * more.size() - 2] = 0.0;
  with_fixed.matrix[(more.size() - 1) * more.size() - 1] = 0.0;
  fixed.new_covariance = with_fixed;
  EXPECT_EQ(all_errors(fixed, options), base);
}

// The linking's constants, the equated scores and fitted distributions, then
// every standard error.
std::vector<double> all_outputs(const Input& input, const Options& options) {
  const Expected<Results> results = equate(input, options);
  EXPECT_TRUE(results) << results.error().explanation;
  if (!results) return {};
  std::vector<double> outputs = {results->linking->A, results->linking->B};
  for (const auto* column : {&results->true_score.theta, &results->true_score.equated,
                             &results->observed_score->new_distribution,
                             &results->observed_score->equated}) {
    outputs.insert(outputs.end(), column->begin(), column->end());
  }
  const std::vector<double> errors = all_errors(input, options);
  outputs.insert(outputs.end(), errors.begin(), errors.end());
  return outputs;
}

// An item of two categories is a 3PL item without guessing, under either model
// of K categories: the same linking, equatings and standard errors by every
// method. Haebara counts both categories of such an item, which doubles its
// criterion but leaves the minimiser where it was, to the search's tolerance;
// the other criteria are the same.
TEST(StandardErrorsTest, TwoCategoryItemsAreThreePlItemsWithoutGuessing) {
  Input three_pl;
  three_pl.theta = gauss_hermite_normal(21);
  const double as[] = {1.2, 0.8, 1.5, 1.0, 0.7}, bs[] = {-1.0, -0.3, 0.2, 0.8, 1.4};
  std::vector<std::string> names;
  for (std::size_t i = 0; i < 5; ++i) {
    const std::string label(1, static_cast<char>('A' + i));
    three_pl.new_form.items.emplace_back(label, as[i], bs[i], 0.0);
    three_pl.old_form.items.emplace_back(label, as[i] * 1.1, bs[i] - 0.1, 0.0);
    names.push_back(label + ":a");
    names.push_back(label + ":b");
  }
  three_pl.old_form.items.emplace_back("O", 0.6, 1.6, 0.0);  // an item of the old form alone
  three_pl.new_covariance = three_pl.old_covariance = banded(names, 1.0);
  std::vector<std::string> step_names = names;
  for (std::string& name : step_names) {
    if (name.back() == 'b') name += "1";
  }
  for (LinkMethod method : {LinkMethod::MEAN_MEAN, LinkMethod::MEAN_SIGMA, LinkMethod::HAEBARA,
                            LinkMethod::STOCKING_LORD}) {
    Options options;
    options.link = method;
    const std::vector<double> expected = all_outputs(three_pl, options);
    const double tolerance = method == LinkMethod::HAEBARA         ? 1e-8
                             : method == LinkMethod::STOCKING_LORD ? 1e-10
                                                                   : 1e-12;
    for (ItemModel model : {ItemModel::GPCM, ItemModel::GRM}) {
      Input two = three_pl;
      for (Form* form : {&two.new_form, &two.old_form}) {
        for (Item& item : form->items) item = Item(item.label, model, item.a, {item.b});
      }
      two.new_covariance = two.old_covariance = banded(step_names, 1.0);
      const std::vector<double> outputs = all_outputs(two, options);
      ASSERT_EQ(outputs.size(), expected.size());
      for (std::size_t k = 0; k < outputs.size(); ++k) {
        EXPECT_NEAR(outputs[k], expected[k], tolerance)
            << link_method_title(method) << ", " << item_model_name(model) << " " << k;
      }
    }
  }
}

}  // namespace
}  // namespace zol
