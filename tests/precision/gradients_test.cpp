// The analytic derivatives behind the standard errors, against central differences of the quantities
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "equating/pipeline.h"
#include "irt/gauss_hermite.h"
#include "irt/item_model.h"
#include "irt/linking.h"
#include "precision/item_gradients.h"
#include "precision/precision_parts.h"

namespace zol {
namespace {

constexpr double D = 1.7;

// The central difference of f in one parameter of the item, step h.
double central(const std::function<double(const Item&)>& f, const Item& item, std::size_t j,
               double h) {
  Item up = item, down = item;
  const auto move = [&](Item& it, double by) {
    if (j == 0) {
      it.a += by;
    } else if (it.model == ItemModel::THREE_PL) {
      (j == 1 ? it.b : it.c) += by;
    } else {
      it.steps[j - 1] += by;
    }
  };
  move(up, h);
  move(down, -h);
  return (f(up) - f(down)) / (2 * h);
}

void expect_close(double analytic, double difference, double scale, const std::string& what) {
  EXPECT_NEAR(analytic, difference, 1e-6 * std::max(scale, std::fabs(difference))) << what;
}

const Item ITEMS[] = {
    Item("T", 1.3, 0.4, 0.2),
    Item("P", ItemModel::GPCM, 0.9, {-1.1, 0.3, 0.8}),
    Item("R", ItemModel::GRM, 1.2, {-1.4, -0.2, 0.9}),
};

TEST(GradientsTest, CategoryProbabilitiesInThetaAndInTheirParameters) {
  for (const Item& item : ITEMS) {
    for (double theta : {-2.5, -0.3, 0.6, 2.2}) {
      CategoryGradients g, up, down;
      category_gradients(theta, item, D, g);
      const double h = 1e-5;
      category_gradients(theta + h, item, D, up);
      category_gradients(theta - h, item, D, down);
      for (std::size_t c = 0; c < g.categories; ++c) {
        const std::string where = item.label + " at " + std::to_string(theta) + " category " +
                                  std::to_string(c);
        expect_close(g.dp_dtheta[c], (up.p[c] - down.p[c]) / (2 * h), 1.0, where + " d/dtheta");
        for (std::size_t j = 0; j < g.parameters; ++j) {
          const auto p = [&](const Item& it) {
            CategoryGradients at;
            category_gradients(theta, it, D, at);
            return at.p[c];
          };
          const auto slope = [&](const Item& it) {
            CategoryGradients at;
            category_gradients(theta, it, D, at);
            return at.dp_dtheta[c];
          };
          const std::string parameter = where + " parameter " + std::to_string(j);
          expect_close(g.derivative(c, j), central(p, item, j, 1e-6), 1.0, parameter);
          expect_close(g.mixed(c, j), central(slope, item, j, 1e-6), 1.0, parameter + " mixed");
        }
      }
    }
  }
}

// Forms of 3PL, GPCM and GRM items whose common items C1..C5 stand on a new
// scale with some noise; the new form has items of its own too.
struct Forms {
  Form new_form, old_form;
};

Forms random_forms(unsigned seed) {
  std::mt19937 engine(seed);
  std::normal_distribution<double> normal;
  Forms f;
  const double A = 1.1, B = -0.3;
  for (int i = 0; i < 6; ++i) {
    std::string label(1, 'C');
    label += std::to_string(i);
    const double a = std::exp(0.25 * normal(engine));
    Item old_item;
    if (i % 3 == 0) {
      old_item = Item(label, a, normal(engine), 0.15);
    } else {
      std::vector<double> steps = {-1.0 + 0.3 * normal(engine), 0.2 * normal(engine),
                                   1.0 + 0.3 * normal(engine)};
      old_item = Item(label, i % 3 == 1 ? ItemModel::GPCM : ItemModel::GRM, a, steps);
    }
    Item new_item = carried_item(old_item, 1.0 / A, -B / A);
    new_item.a *= std::exp(0.05 * normal(engine));
    if (new_item.model == ItemModel::THREE_PL) new_item.b += 0.05 * normal(engine);
    for (double& s : new_item.steps) s += 0.05 * normal(engine);
    f.old_form.items.push_back(old_item);
    f.new_form.items.push_back(new_item);
  }
  f.new_form.items.emplace_back("N1", 0.8, 0.5, 0.2);
  f.old_form.items.emplace_back("O1", ItemModel::GPCM, 1.1, std::vector<double>{-0.4, 0.7});
  return f;
}

// The parameter j of the form's list of parameters, moved by `by`.
Form moved(const Form& form, std::size_t j, double by) {
  Form out = form;
  const ItemTable table = item_table(form);
  std::size_t i = 0;
  while (table.first_parameter[i + 1] <= j) ++i;
  Item& item = out.items[i];
  const std::size_t k = j - table.first_parameter[i];
  if (k == 0) {
    item.a += by;
  } else if (item.model == ItemModel::THREE_PL) {
    (k == 1 ? item.b : item.c) += by;
  } else {
    item.steps[k - 1] += by;
  }
  return out;
}

TEST(GradientsTest, TheLinkingConstantsInTheCommonItemsParameters) {
  const Forms f = random_forms(7);
  const Quadrature rule = gauss_hermite_normal(20);
  struct Case {
    LinkMethod method;
    bool symmetric;
    double tolerance;  // the minimisers are found to about 1e-10
  };
  const Case cases[] = {{LinkMethod::MEAN_MEAN, false, 1e-8},
                        {LinkMethod::MEAN_SIGMA, false, 1e-8},
                        {LinkMethod::MEAN_GMEAN, false, 1e-8},
                        {LinkMethod::HAEBARA, false, 1e-6},
                        {LinkMethod::STOCKING_LORD, false, 1e-6},
                        {LinkMethod::HAEBARA, true, 1e-6},
                        {LinkMethod::STOCKING_LORD, true, 1e-6}};
  for (const Case& t : cases) {
    LinkRequest request;
    request.method = t.method;
    request.theta = request.new_theta = &rule;
    request.symmetric = t.symmetric;
    const auto constants = [&](const Form& new_form, const Form& old_form) {
      return link_scales(item_table(new_form), item_table(old_form), request);
    };
    const LinkSearch found = constants(f.new_form, f.old_form);
    ASSERT_EQ(found.status, LinkStatus::OK);
    const LinkGradient g =
        link_gradient(item_table(f.new_form), item_table(f.old_form), request, found);
    ASSERT_TRUE(g.usable);
    for (const bool new_side : {true, false}) {
      const Form& form = new_side ? f.new_form : f.old_form;
      std::vector<double> dA(item_table(form).parameter_count(), 0.0), dB = dA;
      for (const LinkDerivative& d : new_side ? g.new_form : g.old_form) {
        dA[d.parameter] = d.dA, dB[d.parameter] = d.dB;
      }
      const double h = 1e-4;
      for (std::size_t j = 0; j < dA.size(); ++j) {
        const LinkSearch up = new_side ? constants(moved(form, j, h), f.old_form)
                                       : constants(f.new_form, moved(form, j, h));
        const LinkSearch down = new_side ? constants(moved(form, j, -h), f.old_form)
                                         : constants(f.new_form, moved(form, j, -h));
        const std::string what = std::string(link_method_title(t.method)) +
                                 (t.symmetric ? " symmetric" : "") +
                                 (new_side ? " new " : " old ") + std::to_string(j);
        EXPECT_NEAR(dA[j], (up.A - down.A) / (2 * h), t.tolerance + 1e-5 * std::fabs(dA[j]))
            << what << " A";
        EXPECT_NEAR(dB[j], (up.B - down.B) / (2 * h), t.tolerance + 1e-5 * std::fabs(dB[j]))
            << what << " B";
      }
    }
  }
}

}  // namespace
}  // namespace zol
