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
  __m128i i;
  const __m128d fr = _mm_sub_pd(t, FloorPair(t, i));
  i = _mm_and_si128(i, _mm_set1_epi32(kTablePoints - 1));
  const __m128 p = InterleavePair(table + Lane0(i), table + Lane1(i)); // p0, p0', p1, p1'
  const __m128 difference = _mm_sub_ps(_mm_movehl_ps(p, p), p);        // in float
  return _mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(p), _mm_mul_pd(fr, _mm_cvtps_pd(difference))));
}

} // namespace osc

#endif // OSC_PAIR_MATH

#endif // AUDIO_OSCILLATOR_TABLE_READ_PAIR_H
