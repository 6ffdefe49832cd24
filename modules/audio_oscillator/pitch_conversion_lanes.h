// OctStep<OctRounding::Down> (pitch_conversion.h) for four voices at once,
// each lane with its own pitch tables: the same clamp, floor, table entry
// and power of two per lane, so each lane has the bits of a scalar
// conversion.
#ifndef AUDIO_OSCILLATOR_PITCH_CONVERSION_LANES_H
#define AUDIO_OSCILLATOR_PITCH_CONVERSION_LANES_H

#include "pitch_conversion.h"
#include "simd_lanes.h"

#include <cstdint>

namespace osc {

inline se_lanes::F64x4 OctStepDownLanes(const RateTables *const *tables, se_lanes::F64x4 s) {
  using se_lanes::F32x4, se_lanes::F64x4;
  const F64x4 p =
      se_lanes::LessOf(se_lanes::GreaterOf(s * F64x4(kOctUnitsPerSample), F64x4(kOctUnitsLow)),
                       F64x4(kOctUnitsHigh)); // ClampRange
  // FloorSplit: the truncation, one lower where it went up.
  const F64x4 truncated = se_lanes::TruncatedDoubles(p);
  const F64x4 floor =
      se_lanes::Select(se_lanes::Less(p, truncated), truncated - F64x4(1.0), truncated);
  int32_t n[4];
  se_lanes::TruncateToInts(floor, n);
  const F64x4 r = p - floor;
  float delta[4], base[4];
  double power[4];
  for (int l = 0; l < 4; ++l) {
    const StepEntry &e = tables[l]->pitchStepTable[n[l] & 255];
    delta[l] = e.delta;
    base[l] = e.base;
    power[l] = OctavePower(n[l] >> 8);
  }
  return (r * F64x4(F32x4::FromScalars(delta)) + F64x4(F32x4::FromScalars(base))) *
         F64x4::FromScalars(power);
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_PITCH_CONVERSION_LANES_H
