// equateIRT's example forms (../shared/data/equateirt) as slope-intercept estimates, for the tests
#pragma once

#include <optional>
#include <string>

#include "zol/zol.h"

// Form `form` (1..5) of the data set "est2pl" or "est3pl": each item I1.. with
// a = beta1, b = beta0 and, for est3pl, c = the logit of the guessing
// parameter (0 for est2pl), and the covariance of the estimates in the
// file's order (est3pl's logits first, then the intercepts, then the
// slopes); none when the shared data are not there beside the repository.
std::optional<zol::SlopeInterceptForm> equateirt_form(const std::string& data, int form);
