// Placeholder until the reader lands
#include "input_reader.h"

Status read_input(std::FILE*, std::int32_t&, std::int32_t&, std::int32_t&, ItemSet&, ItemSet&,
                  ThetaDistribution&, ScaleConversion&) {
  return 1;
}
