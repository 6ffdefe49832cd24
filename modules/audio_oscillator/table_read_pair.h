// Lerp (table_read.h) for two positions at once: the same clamp, floor, mask
// and float difference per lane, so each lane has the bits of a scalar Lerp.
#ifndef AUDIO_OSCILLATOR_TABLE_READ_PAIR_H
#define AUDIO_OSCILLATOR_TABLE_READ_PAIR_H

#include "pair_math.h"
#include "table_read.h"

#if defined(OSC_PAIR_MATH)

namespace osc {

// The table at positions t (lane 0, lane 1), as floats in lanes 0 and 1.
inline __m128 LerpPair(const float *table, __m128d t) {
  t = ClampPair(t, -kPositionLimit, kPositionLimit);
  const FloorPairParts f = FloorPair(t);
  const __m128d fr = _mm_sub_pd(t, f.d);
  const LanePair i = FloorLanes(f);
  constexpr int32_t kMask = kTablePoints - 1;
  const __m128 p = InterleavePair(table + (i.first & kMask), table + (i.second & kMask));
  // p = (p0, p0', p1, p1'): the points at each floor and the ones after them.
  const __m128 difference = _mm_sub_ps(_mm_movehl_ps(p, p), p); // in float
  return _mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(p), _mm_mul_pd(fr, _mm_cvtps_pd(difference))));
}

} // namespace osc

#endif // OSC_PAIR_MATH

#endif // AUDIO_OSCILLATOR_TABLE_READ_PAIR_H
