#include "coefficient_lanes.h"

#include "cutoff.h"
#include "portable_exp2_lanes.h"
#include "resonance_gain_table.h"
#include "simd_lanes.h"

namespace ladder {

namespace {

using se_lanes::F32x4;
using se_lanes::F64x4;
using se_lanes::Select;

// CutoffHz: 55 Hz at or below 0.2, the row's limit above its upper bound,
// 55 Hz for NaN, else 440 * 2^(10 u - 5).
F64x4 CutoffHzLanes(F32x4 u, float upperBound) {
  const double high = upperBound == kUpperBound101 ? kHighCutoffHz101 : kHighCutoffHz106;
  const F64x4 low(static_cast<double>(kLowCutoffHz));
  const F64x4 wide(u);
  F64x4 hz = F64x4(440.0) * se_math::Exp2(F64x4(10.0) * wide - F64x4(5.0));
  hz = Select(se_lanes::IsNaN(u), low, hz);
  hz = Select(se_lanes::Greater(u, F32x4(upperBound)), F64x4(high), hz);
  return Select(se_lanes::LessEqual(u, F32x4(kLowerBound)), low, hz);
}

// RelativeCutoff: fc limited to its range, NaN to the lower limit.
F32x4 RelativeCutoffLanes(F64x4 hz, F32x4 twoOverRate) {
  const F64x4 fc = hz * F64x4(twoOverRate);
  const F64x4 min(static_cast<double>(kMinRelativeCutoff));
  const F64x4 max(static_cast<double>(kMaxRelativeCutoff));
  F64x4 limited = Select(se_lanes::GreaterEqual(fc, min), fc, min);
  limited = Select(se_lanes::Greater(limited, max), max, limited);
  return se_lanes::Narrow(limited);
}

F32x4 PoleLanes(F32x4 fc) {
  const F64x4 x(fc);
  return se_lanes::Narrow(F64x4(3.2937) * x -
                          (F64x4(0.69346) * x * x * x + F64x4(0.59515) * x * x) - F64x4(1.0072));
}

// floor(x) for |x| below 2^23 (the range is held first by the caller).
F32x4 FloorLanes(F32x4 x) {
  const F32x4 truncated = se_lanes::TruncatedFloats(x);
  return Select(se_lanes::Less(x, truncated), truncated - F32x4(1.0f), truncated);
}

} // namespace

void UpdateCoefficientLanes(const CoefficientLanes *jobs, int groups, const float *z,
                            const float *twoOverRate, const CombinationRow &row,
                            Coefficients (*out)[4]) {
  if (groups > kMaxCoefficientGroups)
    groups = kMaxCoefficientGroups;
  const F32x4 zing = F32x4::FromScalars(z);
  const F32x4 rate = F32x4::FromScalars(twoOverRate);
  F32x4 pole[kMaxCoefficientGroups], gainIndex[kMaxCoefficientGroups];
  F32x4 gainFraction[kMaxCoefficientGroups], gain[kMaxCoefficientGroups];
  int32_t index[kMaxCoefficientGroups][4];

  // The pole from the cutoff.
  for (int g = 0; g < groups; ++g) {
    const F32x4 u = F32x4::FromScalars(jobs[g].pitch) + F32x4(row.pitchOffset);
    pole[g] = PoleLanes(RelativeCutoffLanes(CutoffHzLanes(u, row.upperBound), rate));
  }
  // The position in the gain table: floor, then held within [floor, 99]; NaN
  // takes the floor. The value is first held within +-128, where the floor is
  // exact and the holds that follow give what they give for the unheld floor.
  const F32x4 floor(static_cast<float>(row.indexFloor));
  for (int g = 0; g < groups; ++g) {
    gainIndex[g] = pole[g] * zing * F32x4(99.0f);
    F32x4 whole = FloorLanes(
        se_lanes::LessOf(se_lanes::GreaterOf(gainIndex[g], F32x4(-128.0f)), F32x4(128.0f)));
    whole = Select(se_lanes::GreaterEqual(whole, floor), whole, floor);
    whole = Select(se_lanes::LessEqual(whole, F32x4(99.0f)), whole, F32x4(99.0f));
    se_lanes::TruncateToInts(whole, index[g]);
    gainFraction[g] = gainIndex[g] - se_lanes::FloatsOfInts(index[g]);
  }
  // The resonance gain.
  const F64x4 limit(kMaxResonanceGain);
  for (int g = 0; g < groups; ++g) {
    float t0[4], t1[4];
    for (int l = 0; l < 4; ++l) {
      t0[l] = kResonanceGainTable[index[g][l] + 99];
      t1[l] = kResonanceGainTable[index[g][l] + 100];
    }
    const F32x4 low = F32x4::FromScalars(t0);
    const F32x4 resonance = F32x4::FromScalars(jobs[g].resonance);
    const F64x4 q = F64x4(static_cast<double>(row.k)) * F64x4(HeldResonance(resonance)) *
                    (F64x4(low) + F64x4(gainFraction[g]) * F64x4(F32x4::FromScalars(t1) - low));
    const F64x4 held =
        Select(se_lanes::Greater(q, F64x4(0.0)), limit,
               Select(se_lanes::Less(q, F64x4(0.0)), F64x4(-kMaxResonanceGain), F64x4(0.0)));
    gain[g] = se_lanes::Narrow(Select(se_lanes::LessEqual(se_lanes::Abs(q), limit), q, held));
  }

  for (int g = 0; g < groups; ++g) {
    alignas(16) float f[7][4];
    pole[g].Store(f[0]);
    (pole[g] * F32x4(0.994375f)).Store(f[1]);
    (pole[g] * F32x4(1.000625f)).Store(f[2]);
    (pole[g] * F32x4(1.0038f)).Store(f[3]);
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

} // namespace ladder
