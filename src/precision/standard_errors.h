// The standard errors of an equating, from the covariances of the forms' parameter estimates
#pragma once

#include "common/findings.h"
#include "equating/pipeline.h"
#include "irt/linking.h"

namespace zol {

// The standard errors of the linking (into results.linking) and of every
// equated and scale score (results.standard_errors), by the delta method over
// the parameters the records' covariances name; link is the linking's
// gradient, null without a linking. What cannot be computed is NaN, and a
// warning in findings says why.
void compute_standard_errors(const Records& records, const Options& options,
                             const LinkGradient* link, Results& results, Findings& findings);

}  // namespace zol
