// Two neighbouring floats widened to double: with SSE2 one 64-bit load and one
// conversion instruction instead of two. The values are the same either way.
#ifndef AUDIO_OSCILLATOR_FLOAT_PAIR_H
#define AUDIO_OSCILLATOR_FLOAT_PAIR_H

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace osc {

struct DoublePair {
  double first;
  double second;
};

inline DoublePair WidenPair(const float *p) {
#if defined(__SSE2__)
  const __m128d v =
      _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
  return {_mm_cvtsd_f64(v), _mm_cvtsd_f64(_mm_unpackhi_pd(v, v))};
#else
  return {p[0], p[1]};
#endif
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_FLOAT_PAIR_H
