// Placeholder until the pipeline lands
#include "pipeline.h"

Status compute_equating_functions(std::int32_t, std::int32_t, std::int32_t, const ItemSet&,
                                  const ItemSet&, const ThetaDistribution&, ScoreVector,
                                  ScoreVector, ScoreVector, double*, ScoreVector, ScoreVector) {
  return 1;
}
