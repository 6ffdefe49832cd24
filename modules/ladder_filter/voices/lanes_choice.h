// Whether the lanes compiled for AVX run: where the build has them
// (SE_AVX_LANES), the processor has AVX, and AllowAvxLanes has not turned
// them off. The same bits either way.
#pragma once

#include "coefficient_lanes.h"

namespace ladder {

bool AvxLanesChosen();

// UpdateCoefficientLanes with its doubles four to an AVX register; only
// where AvxLanesChosen().
void UpdateCoefficientLanesAvx(const CoefficientLanes *jobs, int groups, const float *z,
                               const float *twoOverRate, const CombinationRow &row,
                               Coefficients (*out)[4]);

} // namespace ladder
