// OctStep<OctRounding::Down> (pitch_conversion.h) for two pitch samples at
// once: the same clamp, floor, table entries and power of two per lane, so
// each lane has the bits of a scalar conversion.
#ifndef AUDIO_OSCILLATOR_PITCH_CONVERSION_PAIR_H
#define AUDIO_OSCILLATOR_PITCH_CONVERSION_PAIR_H

#include "pair_math.h"
#include "pitch_conversion.h"

#if defined(OSC_PAIR_MATH)

namespace osc {

inline __m128d OctStepDownPair(const RateTables &tables, __m128d s) {
  const __m128d p =
      ClampPair(_mm_mul_pd(s, _mm_set1_pd(kOctUnitsPerSample)), kOctUnitsLow, kOctUnitsHigh);
  const FloorPairParts f = FloorPair(p);
  const __m128d r = _mm_sub_pd(p, f.d);
  const LanePair n = FloorLanes(f);
  const StepEntry *e = tables.pitchStepTable;
  const __m128 db = InterleavePair(e + (n.first & 255), e + (n.second & 255)); // delta x2, base x2
  // The powers of two are made in general registers, as OctavePower.
  const __m128d power = _mm_set_pd(OctavePower(n.second >> 8), OctavePower(n.first >> 8));
  return _mm_mul_pd(_mm_add_pd(_mm_mul_pd(r, _mm_cvtps_pd(db)), WidenHigh(db)), power);
}

} // namespace osc

#endif // OSC_PAIR_MATH

#endif // AUDIO_OSCILLATOR_PITCH_CONVERSION_PAIR_H
