// The coefficient update of four voices with its doubles in one AVX register.
#include "../coefficient_update_lanes.h"
#include "../lanes_choice.h"

void ladder::UpdateCoefficientLanesAvx(const CoefficientLanes *jobs, int groups, const float *z,
                                       const float *twoOverRate, const CombinationRow &row,
                                       Coefficients (*out)[4]) {
  lanes_update::Update<se_lanes::F64x4Avx>(jobs, groups, z, twoOverRate, row, out);
}
