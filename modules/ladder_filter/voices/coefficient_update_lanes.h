// The body of UpdateCoefficientLanes (coefficient_lanes.h) for a type of
// four double lanes: F64x4 in the plain build, F64x4Avx in the file compiled
// for AVX. Included only by those two source files.
#ifndef LADDER_FILTER_VOICES_COEFFICIENT_UPDATE_LANES_H
#define LADDER_FILTER_VOICES_COEFFICIENT_UPDATE_LANES_H

#include "coefficient_lanes.h"
#include "cutoff.h"
#include "portable_exp2_lanes.h"
#include "resonance_gain_table.h"
#include "simd_lanes.h"

namespace ladder {

namespace lanes_update {

using se_lanes::Select;

// CutoffHz: 55 Hz at or below 0.2, the row's limit above its upper bound,
// 55 Hz for NaN, else 440 * 2^(10 u - 5).
template <class D4, class F4 = se_lanes::FloatOf<D4>> D4 CutoffHzLanes(F4 u, float upperBound) {
  const double high = upperBound == kUpperBound101 ? kHighCutoffHz101 : kHighCutoffHz106;
  const D4 low(static_cast<double>(kLowCutoffHz));
  const D4 wide(u);
  D4 hz = D4(440.0) * se_math::Exp2(D4(10.0) * wide - D4(5.0));
  hz = Select(se_lanes::IsNaN(u), low, hz);
  hz = Select(se_lanes::Greater(u, F4(upperBound)), D4(high), hz);
  return Select(se_lanes::LessEqual(u, F4(kLowerBound)), low, hz);
}

// RelativeCutoff: fc limited to its range, NaN to the lower limit.
template <class D4, class F4 = se_lanes::FloatOf<D4>>
F4 RelativeCutoffLanes(D4 hz, F4 twoOverRate) {
  const D4 fc = hz * D4(twoOverRate);
  const D4 min(static_cast<double>(kMinRelativeCutoff));
  const D4 max(static_cast<double>(kMaxRelativeCutoff));
  D4 limited = Select(se_lanes::GreaterEqual(fc, min), fc, min);
  limited = Select(se_lanes::Greater(limited, max), max, limited);
  return se_lanes::Narrow(limited);
}

template <class D4, class F4 = se_lanes::FloatOf<D4>> F4 PoleLanes(F4 fc) {
  const D4 x(fc);
  return se_lanes::Narrow(D4(3.2937) * x - (D4(0.69346) * x * x * x + D4(0.59515) * x * x) -
                          D4(1.0072));
}

// floor(x) for |x| below 2^23 (the range is held first by the caller).
template <class F4> F4 FloorLanes(F4 x) {
  const F4 truncated = se_lanes::TruncatedFloats(x);
  return Select(se_lanes::Less(x, truncated), truncated - F4(1.0f), truncated);
}

// UpdateCoefficientLanes with its doubles in D4 and its floats in F4.
template <class D4, class F4 = se_lanes::FloatOf<D4>>
void Update(const CoefficientLanes *jobs, int groups, const float *z, const float *twoOverRate,
            const CombinationRow &row, Coefficients (*out)[4]) {
  if (groups > kMaxCoefficientGroups)
    groups = kMaxCoefficientGroups;
  const F4 zing = F4::FromScalars(z);
  const F4 rate = F4::FromScalars(twoOverRate);
  F4 pole[kMaxCoefficientGroups], gainIndex[kMaxCoefficientGroups];
  F4 gainFraction[kMaxCoefficientGroups], gain[kMaxCoefficientGroups];
  int32_t index[kMaxCoefficientGroups][4];

  // The pole from the cutoff.
  for (int g = 0; g < groups; ++g) {
    const F4 u = F4::FromScalars(jobs[g].pitch) + F4(row.pitchOffset);
    pole[g] = PoleLanes<D4>(RelativeCutoffLanes(CutoffHzLanes<D4>(u, row.upperBound), rate));
  }
  // The position in the gain table: floor, then held within [floor, 99]; NaN
  // takes the floor. The value is first held within +-128, where the floor is
  // exact and the holds that follow give what they give for the unheld floor.
  const F4 floor(static_cast<float>(row.indexFloor));
  for (int g = 0; g < groups; ++g) {
    gainIndex[g] = pole[g] * zing * F4(99.0f);
    F4 whole =
        FloorLanes(se_lanes::LessOf(se_lanes::GreaterOf(gainIndex[g], F4(-128.0f)), F4(128.0f)));
    whole = Select(se_lanes::GreaterEqual(whole, floor), whole, floor);
    whole = Select(se_lanes::LessEqual(whole, F4(99.0f)), whole, F4(99.0f));
    se_lanes::TruncateToInts(whole, index[g]);
    gainFraction[g] = gainIndex[g] - se_lanes::FloatsOfInts(index[g]);
  }
  // The resonance gain.
  const D4 limit(kMaxResonanceGain);
  for (int g = 0; g < groups; ++g) {
    float t0[4], t1[4];
    for (int l = 0; l < 4; ++l) {
      t0[l] = kResonanceGainTable[index[g][l] + 99];
      t1[l] = kResonanceGainTable[index[g][l] + 100];
    }
    const F4 low = F4::FromScalars(t0);
    const F4 resonance = F4::FromScalars(jobs[g].resonance);
    const D4 q = D4(static_cast<double>(row.k)) * D4(HeldResonance(resonance)) *
                 (D4(low) + D4(gainFraction[g]) * D4(F4::FromScalars(t1) - low));
    const D4 held = Select(se_lanes::Greater(q, D4(0.0)), limit,
                           Select(se_lanes::Less(q, D4(0.0)), D4(-kMaxResonanceGain), D4(0.0)));
    gain[g] = se_lanes::Narrow(Select(se_lanes::LessEqual(se_lanes::Abs(q), limit), q, held));
  }

  for (int g = 0; g < groups; ++g) {
    alignas(16) float f[7][4];
    pole[g].Store(f[0]);
    (pole[g] * F4(0.994375f)).Store(f[1]);
    (pole[g] * F4(1.000625f)).Store(f[2]);
    (pole[g] * F4(1.0038f)).Store(f[3]);
    gain[g].Store(f[4]);
    gainIndex[g].Store(f[5]);
    gainFraction[g].Store(f[6]);
    for (int l = 0; l < 4; ++l) {
      Coefficients &c = out[g][l];
      c.lastResonance = jobs[g].resonance[l];
      c.lastPitch = jobs[g].pitch[l];
      c.pole = f[0][l];
      c.poleA = f[1][l];
      c.poleB = f[2][l];
      c.poleC = f[3][l];
      c.resonanceGain = f[4][l];
      c.gainIndex = f[5][l];
      c.gainFraction = f[6][l];
      c.gainIndexInt = index[g][l];
    }
  }
}

} // namespace lanes_update

} // namespace ladder

#endif
