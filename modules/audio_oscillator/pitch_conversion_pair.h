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
  const __m128i n = FloorInts(f);
  const LanePair entry = Lanes(n);
  const StepEntry *e = tables.pitchStepTable;
  const __m128 db =
      InterleavePair(e + (entry.first & 255), e + (entry.second & 255)); // delta x2, base x2
  // 2^k from its bit pattern, k = n >> 8 (as OctavePower).
  const __m128i k = _mm_add_epi32(_mm_srai_epi32(n, 8), _mm_set1_epi32(1023));
  const __m128d power =
      _mm_castsi128_pd(_mm_slli_epi64(_mm_unpacklo_epi32(k, _mm_setzero_si128()), 52));
  return _mm_mul_pd(_mm_add_pd(_mm_mul_pd(r, _mm_cvtps_pd(db)), WidenHigh(db)), power);
}

} // namespace osc

#endif // OSC_PAIR_MATH

#endif // AUDIO_OSCILLATOR_PITCH_CONVERSION_PAIR_H
