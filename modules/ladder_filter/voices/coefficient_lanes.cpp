#include "coefficient_lanes.h"

#include "coefficient_update_lanes.h"
#include "lanes_choice.h"

namespace ladder {

void UpdateCoefficientLanes(const CoefficientLanes *jobs, int groups, const float *z,
                            const float *twoOverRate, const CombinationRow &row,
                            Coefficients (*out)[4]) {
#if SE_AVX_LANES
  // Its doubles four to a register: half the instructions of SSE2's pairs.
  if (AvxLanesChosen()) {
    UpdateCoefficientLanesAvx(jobs, groups, z, twoOverRate, row, out);
    return;
  }
#endif
  lanes_update::Update<se_lanes::F64x4>(jobs, groups, z, twoOverRate, row, out);
}

} // namespace ladder
