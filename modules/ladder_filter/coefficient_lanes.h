// The coefficient update of four voices at once: Coefficients::Update
// (coefficients.cpp, with the cutoff of cutoff.cpp) in every lane, its
// branches as selections per lane, so that each lane has the bits of the
// one-voice update of its inputs.
#ifndef LADDER_FILTER_COEFFICIENT_LANES_H
#define LADDER_FILTER_COEFFICIENT_LANES_H

#include "combination_row.h"
#include "ladder_filter/coefficients.h"

namespace ladder {

// The pitch and resonance of one update of four voices (lane l: voice l).
struct CoefficientLanes {
  float pitch[4];
  float resonance[4];
};

inline constexpr int kMaxCoefficientGroups = 8;

// Updates out[g][l] as Coefficients::Update(jobs[g].pitch[l],
// jobs[g].resonance[l], z[l], twoOverRate[l], row) would, for up to
// kMaxCoefficientGroups groups g. The groups are independent: they run one
// step at a time over all groups, so that their dependency chains overlap.
void UpdateCoefficientLanes(const CoefficientLanes *jobs, int groups, const float *z,
                            const float *twoOverRate, const CombinationRow &row,
                            Coefficients (*out)[4]);

} // namespace ladder

#endif
