// Lerp (table_read.h) for two positions at once: the same clamp, floor, mask
// and float difference per lane, so each lane has the bits of a scalar Lerp.
#ifndef AUDIO_OSCILLATOR_TABLE_READ_PAIR_H
#define AUDIO_OSCILLATOR_TABLE_READ_PAIR_H

#include "pair_math.h"
#include "table_read.h"

#if defined(OSC_PAIR_MATH)

namespace osc {

// Two positions as Lerp splits them: the points (floors masked to the cycle)
// and the fractions.
struct PairPosition {
  LanePair point;
  __m128d fraction;
};
inline PairPosition SplitPair(__m128d t) {
  t = ClampPair(t, -kPositionLimit, kPositionLimit);
  const FloorPairParts f = FloorPair(t);
  const LanePair i = FloorLanes(f);
  constexpr int32_t kMask = kCyclePoints - 1;
  return {{i.first & kMask, i.second & kMask}, _mm_sub_pd(t, f.d)};
}

// The table at positions t (lane 0, lane 1), as floats in lanes 0 and 1.
inline __m128 LerpPair(const float *table, __m128d t) {
  const PairPosition q = SplitPair(t);
  const __m128 p = InterleavePair(table + q.point.first, table + q.point.second);
  // p = (p0, p0', p1, p1'): the points at each floor and the ones after them.
  const __m128 difference = _mm_sub_ps(_mm_movehl_ps(p, p), p); // in float
  return _mm_cvtpd_ps(
      _mm_add_pd(_mm_cvtps_pd(p), _mm_mul_pd(q.fraction, _mm_cvtps_pd(difference))));
}

// A table's points and their float differences to the next point, widened
// to double once: the values Lerp widens at every read. Loops that read a
// table many times per call (the pulse forms read it twice per sample) widen
// it first and save the conversions and the subtraction of every read.
struct WideTable {
  alignas(16) double point[kCyclePoints];
  alignas(16) double difference[kCyclePoints];
};

inline void Widen(const float *table, WideTable &wide) {
  for (int32_t k = 0; k < kCyclePoints; k += 4) {
    const __m128 p = _mm_loadu_ps(table + k);
    const __m128 d = _mm_sub_ps(_mm_loadu_ps(table + k + 1), p);
    _mm_store_pd(wide.point + k, _mm_cvtps_pd(p));
    _mm_store_pd(wide.point + k + 2, _mm_cvtps_pd(_mm_movehl_ps(p, p)));
    _mm_store_pd(wide.difference + k, _mm_cvtps_pd(d));
    _mm_store_pd(wide.difference + k + 2, _mm_cvtps_pd(_mm_movehl_ps(d, d)));
  }
}

// LerpPair from a widened table: the same bits.
inline __m128 LerpPair(const WideTable &wide, __m128d t) {
  const PairPosition q = SplitPair(t);
  const __m128d p =
      _mm_loadh_pd(_mm_load_sd(wide.point + q.point.first), wide.point + q.point.second);
  const __m128d d =
      _mm_loadh_pd(_mm_load_sd(wide.difference + q.point.first), wide.difference + q.point.second);
  return _mm_cvtpd_ps(_mm_add_pd(p, _mm_mul_pd(q.fraction, d)));
}

} // namespace osc

#endif // OSC_PAIR_MATH

#endif // AUDIO_OSCILLATOR_TABLE_READ_PAIR_H
