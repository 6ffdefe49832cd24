// Two neighbouring floats widened to double: with SSE2 one 64-bit load and one
// conversion instruction instead of two. The values are the same either way.
#ifndef AUDIO_OSCILLATOR_FLOAT_PAIR_H
#define AUDIO_OSCILLATOR_FLOAT_PAIR_H

#include "pair_math.h"

namespace osc {

struct DoublePair {
  double first;
  double second;
};

inline DoublePair WidenPair(const float *p) {
#if defined(OSC_PAIR_MATH)
  const __m128d v = LoadWidenPair(p);
  return {_mm_cvtsd_f64(v), _mm_cvtsd_f64(_mm_unpackhi_pd(v, v))};
#else
  return {p[0], p[1]};
#endif
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_FLOAT_PAIR_H
