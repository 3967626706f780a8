// Slope-intercept estimates carried over: values, the delta method, equateIRT's forms and linking
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "precision/equateirt_data.h"
#include "zol/zol.h"

namespace zol {
namespace {

// Every parameter of the form by its name "LABEL:NAME".
std::map<std::string, double> parameters(const Form& form) {
  std::map<std::string, double> values;
  for (const Item& item : form.items) {
    const std::vector<std::string> names = parameter_names(item);
    for (std::size_t k = 0; k < names.size(); ++k) {
      values[item.label + ":" + names[k]] = k == 0 ? item.a
                                            : item.model == ItemModel::THREE_PL
                                                ? (k == 1 ? item.b : item.c)
                                                : item.steps[k - 1];
    }
  }
  return values;
}

double& estimate(Form& form, const std::string& name) {
  for (Item& item : form.items) {
    const std::vector<std::string> names = parameter_names(item);
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (item.label + ":" + names[k] != name) continue;
      if (k == 0) return item.a;
      if (item.model != ItemModel::THREE_PL) return item.steps[k - 1];
      return k == 1 ? item.b : item.c;
    }
  }
  static double none = 0.0;
  ADD_FAILURE() << "no estimate " << name;
  return none;
}

TEST(SlopeInterceptTest, ParametersAreTheLogitsSlopeAndRoot) {
  // 1.7 theta - 0.85 = 1.7 * 1 * (theta - 0.5); 2 theta + 1 and 2 theta - 1
  // have their roots at -0.5 and 0.5; logit c of -log 3 is c = 1/4.
  const SlopeInterceptForm estimates{{{{"T", 1.7, -0.85, 0.2},
                                       {"L", 1.7, -0.85, -std::log(3.0)},
                                       {"G", ItemModel::GRM, 3.4, {1.7, -1.7}}}},
                                     std::nullopt};
  const Expected<SlopeInterceptForm> plain = from_slope_intercept(estimates, 1.7, false);
  const Expected<SlopeInterceptForm> logit = from_slope_intercept(estimates, 1.7, true);
  ASSERT_TRUE(plain && logit);
  const auto p = parameters(plain->form), l = parameters(logit->form);
  EXPECT_DOUBLE_EQ(p.at("T:a"), 1.0);
  EXPECT_DOUBLE_EQ(p.at("T:b"), 0.5);
  EXPECT_EQ(p.at("T:c"), 0.2);
  EXPECT_NEAR(l.at("L:c"), 0.25, 1e-15);
  EXPECT_DOUBLE_EQ(p.at("G:a"), 2.0);
  EXPECT_DOUBLE_EQ(p.at("G:b1"), -0.5);
  EXPECT_DOUBLE_EQ(p.at("G:b2"), 0.5);
  EXPECT_FALSE(plain->covariance);
}

// With the variance of one estimate alone, J S J' is the outer product of
// that column of J: the derivatives of every parameter in that estimate,
// which central differences of the conversion itself give too.
TEST(SlopeInterceptTest, TheDeltaMethodHasTheConversionsDerivatives) {
  const Form form{{{"T", 1.3, 0.4, -1.2}, {"P", ItemModel::GPCM, 0.8, {0.9, -0.3, -1.1}}}};
  const double d = 1.7;
  for (const auto& [name, value] : parameters(form)) {
    const SlopeInterceptForm one{form, Covariance{{name}, {1.0}, false}};
    const Expected<SlopeInterceptForm> carried = from_slope_intercept(one, d, true);
    ASSERT_TRUE(carried) << carried.error().explanation;
    const double h = 1e-5;
    SlopeInterceptForm up{form, std::nullopt}, down{form, std::nullopt};
    estimate(up.form, name) += h;
    estimate(down.form, name) -= h;
    const auto above = parameters(from_slope_intercept(up, d, true)->form);
    const auto below = parameters(from_slope_intercept(down, d, true)->form);
    std::map<std::string, double> slope;
    for (const auto& [parameter, at] : above)
      slope[parameter] = (at - below.at(parameter)) / (2 * h);
    const Covariance& s = *carried->covariance;
    const std::size_t m = s.names.size();
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = 0; j < m; ++j) {
        const double expected = slope[s.names[i]] * slope[s.names[j]];
        EXPECT_NEAR(s.matrix[i * m + j], expected, 1e-8 * (1 + std::fabs(expected)))
            << name << ": " << s.names[i] << ", " << s.names[j];
      }
    }
    // The parameters left out do not move with this estimate.
    for (const auto& [parameter, derivative] : slope) {
      if (std::find(s.names.begin(), s.names.end(), parameter) == s.names.end()) {
        EXPECT_NEAR(derivative, 0.0, 1e-9) << name << ": " << parameter;
      }
    }
  }
}

// equateIRT's forms (D = 1): a = beta1, b = -beta0 / beta1, c from its
// logit; and the inverse map's derivatives (beta1 = a, beta0 = -a b, logit
// c = log(c / (1 - c))) carry the converted covariance back to the file's.
TEST(SlopeInterceptTest, EquateIrtFormsConvertAndTheirCovarianceComesBack) {
  for (const char* data : {"est2pl", "est3pl"}) {
    const std::optional<SlopeInterceptForm> estimates = equateirt_form(data, 1);
    if (!estimates) GTEST_SKIP() << "../shared/data/equateirt is not there";
    const bool logit = std::string(data) == "est3pl";
    const Expected<SlopeInterceptForm> carried = from_slope_intercept(*estimates, 1.0, logit);
    ASSERT_TRUE(carried) << carried.error().explanation;
    const auto values = parameters(carried->form);
    for (const Item& item : estimates->form.items) {
      EXPECT_EQ(values.at(item.label + ":a"), item.a) << data << " " << item.label;
      EXPECT_EQ(values.at(item.label + ":b"), -item.b / item.a) << data << " " << item.label;
      if (logit) {
        EXPECT_NEAR(values.at(item.label + ":c"), 1 / (1 + std::exp(-item.c)), 1e-15) << item.label;
      }
    }
    // Row k of the inverse map's Jacobian: the file's estimate k by the
    // converted parameters, as pairs (converted index, derivative).
    const Covariance& c = *carried->covariance;
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < c.names.size(); ++i) at[c.names[i]] = i;
    const Covariance& s = *estimates->covariance;
    std::vector<std::vector<std::pair<std::size_t, double>>> inverse;
    for (const std::string& name : s.names) {
      const std::string label = name.substr(0, name.find(':'));
      const char parameter = name.back();
      const double a = values.at(label + ":a"), b = values.at(label + ":b");
      if (parameter == 'a') inverse.push_back({{at.at(label + ":a"), 1.0}});
      if (parameter == 'b')
        inverse.push_back({{at.at(label + ":a"), -b}, {at.at(label + ":b"), -a}});
      if (parameter == 'c') {
        const double g = values.at(label + ":c");
        inverse.push_back({{at.at(label + ":c"), 1 / (g * (1 - g))}});
      }
    }
    const std::size_t n = s.names.size(), m = c.names.size();
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        double back = 0.0;
        for (const auto& [p, x] : inverse[i]) {
          for (const auto& [q, y] : inverse[j]) back += x * y * c.matrix[p * m + q];
        }
        const double scale = std::sqrt(s.matrix[i * n + i] * s.matrix[j * n + j]);
        EXPECT_NEAR(back, s.matrix[i * n + j], 1e-10 * scale)
            << data << " " << s.names[i] << ", " << s.names[j];
      }
    }
  }
}

// equateIRT's example carries form 1 onto form 5's scale through their 10
// common items, and publishes the constants and their standard errors.
TEST(SlopeInterceptTest, ThePublishedLinkingAndItsStandardErrors) {
  const struct {
    const char* data;
    LinkMethod method;
    std::optional<int> gauss_hermite;
    double A, A_se, B, B_se;
  } cases[] = {
      {"est2pl", LinkMethod::HAEBARA, 30, 0.97152, 0.021344, -0.47511, 0.023886},
      {"est2pl", LinkMethod::MEAN_MEAN, {}, 0.96497, 0.021313, -0.47418, 0.024224},
      {"est3pl", LinkMethod::HAEBARA, 30, 1.00935, 0.029052, -0.51886, 0.027863},
  };
  for (const auto& t : cases) {
    const std::optional<SlopeInterceptForm> new_form = equateirt_form(t.data, 1),
                                            old_form = equateirt_form(t.data, 5);
    if (!new_form || !old_form) GTEST_SKIP() << "../shared/data/equateirt is not there";
    const bool logit = std::string(t.data) == "est3pl";
    const Expected<SlopeInterceptForm> carried_new = from_slope_intercept(*new_form, 1.0, logit),
                                       carried_old = from_slope_intercept(*old_form, 1.0, logit);
    ASSERT_TRUE(carried_new && carried_old);
    Input input;
    input.new_form = carried_new->form, input.new_covariance = carried_new->covariance;
    input.old_form = carried_old->form, input.old_covariance = carried_old->covariance;
    Options options;
    options.link = t.method;
    options.link_quadrature = t.gauss_hermite;
    options.scaling_constant = 1.0;
    const Expected<Results> results = equate(input, options);
    ASSERT_TRUE(results) << results.error().explanation;
    const Linking& linking = *results->linking;
    const std::string what = std::string(t.data) + " " + link_method_title(t.method);
    EXPECT_EQ(linking.common_items, 10) << what;
    // To the published digits: half a unit of the last either way.
    EXPECT_NEAR(linking.A, t.A, 5e-6) << what;
    EXPECT_NEAR(linking.B, t.B, 5e-6) << what;
    EXPECT_NEAR(*linking.A_se, t.A_se, 5e-7) << what;
    EXPECT_NEAR(*linking.B_se, t.B_se, 5e-7) << what;
  }
}

TEST(SlopeInterceptTest, EstimatesWithoutParametersAreRefused) {
  const Form form{{{"T", 1.3, 0.4, 0.0}}};
  struct Case {
    const char* name;
    SlopeInterceptForm estimates;
    double d;
    const char* cause;
  };
  const Case cases[] = {
      {"a slope of 0",
       {{{{"T", 0.0, 0.4, 0.0}}}, std::nullopt},
       1.0,
       "item T: the slope a1 0 is not a finite number other than 0"},
      {"an intercept not finite",
       {{{{"T", 1.0, INFINITY, 0.0}}}, std::nullopt},
       1.0,
       "item T: b inf is not a finite number"},
      {"no scaling constant", {form, std::nullopt}, 0.0, "the scaling constant 0 is not"},
      {"a covariance of another form",
       {form, Covariance{{"U:a"}, {1.0}, false}},
       1.0,
       "the estimates' covariance: 'U:a' is no parameter of the form"},
  };
  for (const Case& c : cases) {
    const Expected<SlopeInterceptForm> carried = from_slope_intercept(c.estimates, c.d, false);
    ASSERT_FALSE(carried) << c.name;
    EXPECT_EQ(carried.error().kind, ErrorKind::INVALID_INPUT) << c.name;
    EXPECT_EQ(carried.error().explanation.rfind(c.cause, 0), 0u)
        << c.name << ": " << carried.error().explanation;
  }
}

}  // namespace
}  // namespace zol
