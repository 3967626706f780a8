// Linking the new form's scale to the old form's: common items, the moment methods, the criteria
#include "irt/linking.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "irt/deterministic_exp.h"
#include "irt/link_criterion.h"

namespace zol {

namespace {

struct MethodName {
  LinkMethod method;
  const char* title;   // as the report writes it
  const char* option;  // as the command line takes it
};

constexpr MethodName METHOD_NAMES[] = {
    {LinkMethod::MEAN_MEAN, "Mean-Mean", "mean-mean"},
    {LinkMethod::MEAN_SIGMA, "Mean-Sigma", "mean-sigma"},
    {LinkMethod::HAEBARA, "Haebara", "haebara"},
    {LinkMethod::STOCKING_LORD, "Stocking-Lord", "stocking-lord"},
    {LinkMethod::MEAN_GMEAN, "Mean-Geometric-Mean", "mean-gmean"},
};

// The labels in both forms, in the new form's order; every label to leave
// out must be one of them.
LinkStatus match_common_items(const ItemTable& new_form, const ItemTable& old_form,
                              std::span<const std::string> excluded, LinkSearch& link) {
  struct Seen {
    std::size_t count = 0;
    std::size_t index = 0;
  };
  std::map<std::string_view, Seen> in_old;
  for (std::size_t i = 0; i < old_form.size(); ++i) {
    Seen& seen = in_old[old_form.items[i].label];
    if (seen.count++ == 0) seen.index = i;
  }
  std::map<std::string_view, std::size_t> in_new;
  for (const Item& item : new_form.items) ++in_new[item.label];
  // A label named twice is left out once.
  std::vector<std::string_view> left_out(excluded.begin(), excluded.end());
  std::sort(left_out.begin(), left_out.end());
  left_out.erase(std::unique(left_out.begin(), left_out.end()), left_out.end());
  for (std::size_t i = 0; i < new_form.size(); ++i) {
    const std::string& label = new_form.items[i].label;
    const auto old_item = in_old.find(label);
    if (old_item == in_old.end()) continue;
    if (old_item->second.count > 1 || in_new[label] > 1) {
      link.ambiguous_label = label;
      return LinkStatus::AMBIGUOUS_LABEL;
    }
    const bool used = !std::binary_search(left_out.begin(), left_out.end(), label);
    link.matches.push_back({i, old_item->second.index, used});
  }
  for (std::string_view label : left_out) {
    const bool common = std::any_of(link.matches.begin(), link.matches.end(), [&](const auto& m) {
      return new_form.items[m.new_index].label == label;
    });
    if (!common) {
      link.ambiguous_label = label;
      return LinkStatus::NOT_COMMON;
    }
  }
  link.excluded = static_cast<std::int32_t>(left_out.size());
  link.common_items = static_cast<std::int32_t>(link.matches.size() - left_out.size());
  return LinkStatus::OK;
}

// The common items the linking uses: at least 2, once every common item has
// the same model and number of categories in both forms.
LinkStatus used_common_items(const ItemTable& new_form, const ItemTable& old_form,
                             LinkSearch& link, CommonItems& items) {
  if (link.common_items < 2) return LinkStatus::TOO_FEW_COMMON_ITEMS;
  for (const CommonMatch& match : link.matches) {
    const Item& new_item = new_form.items[match.new_index];
    const Item& old_item = old_form.items[match.old_index];
    if (old_item.model != new_item.model || categories(old_item) != categories(new_item)) {
      link.ambiguous_label = new_item.label;
      return LinkStatus::MODELS_DIFFER;
    }
  }
  items = used_common_items(new_form, old_form, link, items.d);
  return LinkStatus::OK;
}

double mean(const std::vector<double>& values) {
  double total = 0.0;
  for (double v : values) total += v;
  return total / static_cast<double>(values.size());
}

// Standard deviation with the divisor n, the same for both forms.
double deviation(const std::vector<double>& values) {
  const double m = mean(values);
  double total = 0.0;
  for (double v : values) total += (v - m) * (v - m);
  return std::sqrt(total / static_cast<double>(values.size()));
}

// The mean of the slopes' logarithms; a slope of 0 or below has none.
double mean_log(const std::vector<double>& slopes) {
  double total = 0.0;
  for (double a : slopes) total += deterministic_log(a);
  return total / static_cast<double>(slopes.size());
}

// theta_old = A theta_new + B.
struct Constants {
  double A = 1.0;
  double B = 0.0;
};

// The constants of a moment method: A from the slopes' means (mean-mean),
// the b's spreads (mean-sigma) or the slopes' geometric means, B from the
// b's means.
Constants moment_constants(const CommonItems& items, LinkMethod method) {
  double A = 0.0;
  switch (method) {
    case LinkMethod::MEAN_SIGMA:
      A = deviation(items.old_bs) / deviation(items.new_bs);
      break;
    case LinkMethod::MEAN_GMEAN:
      A = deterministic_exp(mean_log(items.new_slopes) - mean_log(items.old_slopes));
      break;
    default:
      A = mean(items.new_slopes) / mean(items.old_slopes);
      break;
  }
  return {A, mean(items.old_bs) - A * mean(items.new_bs)};
}

// Written so that a quotient that is not a number is unusable too.
bool usable(const Constants& c) {
  return c.A > 0.0 && std::isfinite(c.A) && std::isfinite(c.B);
}

}  // namespace

const char* link_method_title(LinkMethod method) {
  for (const MethodName& name : METHOD_NAMES) {
    if (name.method == method) return name.title;
  }
  return "";
}

const char* link_method_option(LinkMethod method) {
  for (const MethodName& name : METHOD_NAMES) {
    if (name.method == method) return name.option;
  }
  return "";
}

std::string link_method_options() {
  const std::size_t count = std::size(LINK_METHODS);
  std::string names;
  for (std::size_t k = 0; k < count; ++k) {
    names += k == 0 ? "" : k + 1 < count ? ", " : " or ";
    names += link_method_option(LINK_METHODS[k]);
  }
  return names;
}

std::optional<LinkMethod> link_method_named(std::string_view option) {
  for (const MethodName& name : METHOD_NAMES) {
    if (option == name.option) return name.method;
  }
  return std::nullopt;
}

LinkSearch link_scales(const ItemTable& new_form, const ItemTable& old_form,
                       const LinkRequest& request) {
  const LinkMethod method = request.method;
  LinkSearch link;
  link.method = method;
  link.symmetric = request.symmetric;
  CommonItems items;
  items.d = request.d;
  link.status = match_common_items(new_form, old_form, request.excluded, link);
  if (link.status == LinkStatus::OK) {
    link.status = used_common_items(new_form, old_form, link, items);
  }
  if (link.status != LinkStatus::OK) return link;

  if (!characteristic_curve_method(method)) {
    const Constants own = moment_constants(items, method);
    link.A = own.A, link.B = own.B;
    if (!usable(own)) link.status = LinkStatus::NO_SLOPE;
    return link;
  }
  const Criterion criterion = request_criterion(request, items);
  const Constants mean_mean = moment_constants(items, LinkMethod::MEAN_MEAN);
  const Constants mean_sigma = moment_constants(items, LinkMethod::MEAN_SIGMA);
  // Mean-sigma's A is infinite when the common items' new b's are all equal,
  // and far off when they nearly are, although the criterion has a clear
  // minimum: start from whichever usable start lies lowest.
  double lowest = 0.0;
  bool started = false;
  for (const Constants& start : {mean_sigma, mean_mean, Constants{}}) {
    if (!usable(start)) continue;
    const double f = evaluate(criterion, start.A, start.B).f;
    // A criterion that is not a number loses to any that is.
    if (!started || f < lowest || std::isnan(lowest)) {
      link.A = start.A, link.B = start.B, lowest = f;
      started = true;
    }
  }
  minimise(criterion, link);
  // Newton's last short step is taken whole: where the criterion's minimum
  // lies at an A of almost 0 it could cross to an A without a scale.
  if (link.status == LinkStatus::OK && !usable({link.A, link.B})) link.status = LinkStatus::NO_SLOPE;
  return link;
}

LinkCriterion link_criterion(const ItemTable& new_form, const ItemTable& old_form,
                             const LinkRequest& request, double A, double B) {
  LinkSearch link;
  CommonItems items;
  items.d = request.d;
  if (match_common_items(new_form, old_form, request.excluded, link) != LinkStatus::OK ||
      used_common_items(new_form, old_form, link, items) != LinkStatus::OK) {
    return {};
  }
  return evaluate(request_criterion(request, items), A, B);
}

}  // namespace zol
