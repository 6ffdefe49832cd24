// Two doubles at a time with SSE2 (the baseline of every x86 build): the
// packed forms of the scalar helpers in conversions.h. Each lane goes through
// the same IEEE operations, in the same order, as the scalar helper, so a pair
// gives the bits of two scalar calls. Builds without SSE2 use the scalar
// helpers only.
#ifndef AUDIO_OSCILLATOR_PAIR_MATH_H
#define AUDIO_OSCILLATOR_PAIR_MATH_H

#if defined(__SSE2__)
#define OSC_PAIR_MATH 1
#include <emmintrin.h>

#include <cstdint>

namespace osc {

// p[0] and p[1] widened to double.
inline __m128d LoadWidenPair(const float *p) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p))));
}

// ClampRange per lane: MAXPD answers its first operand only when it is
// greater, so NaN gives lo as in the scalar form.
inline __m128d ClampPair(__m128d x, double lo, double hi) {
  return _mm_min_pd(_mm_max_pd(x, _mm_set1_pd(lo)), _mm_set1_pd(hi));
}

// FloorSplit per lane: the floor as a double (answered) and as int32 in the
// two low lanes of `i`. Lanes must lie within the int32_t range.
inline __m128d FloorPair(__m128d x, __m128i &i) {
  const __m128i t = _mm_cvttpd_epi32(x);
  const __m128d dt = _mm_cvtepi32_pd(t);
  const __m128d below = _mm_cmplt_pd(x, dt); // all ones where truncation went up
  i = _mm_add_epi32(t, _mm_shuffle_epi32(_mm_castpd_si128(below), _MM_SHUFFLE(3, 3, 2, 0)));
  return _mm_sub_pd(dt, _mm_and_pd(below, _mm_set1_pd(1.0))); // dt - 1 or dt - 0, exact
}

// The int32 of lane 0 and lane 1 of a FloorPair result.
inline int32_t Lane0(__m128i i) { return _mm_cvtsi128_si32(i); }
inline int32_t Lane1(__m128i i) { return _mm_cvtsi128_si32(_mm_srli_si128(i, 4)); }

// Two 8-byte records at a and b as four floats (a0, b0, a1, b1): the first
// fields of both in the low half, the second fields in the high half.
inline __m128 InterleavePair(const void *a, const void *b) {
  return _mm_castsi128_ps(_mm_unpacklo_epi32(_mm_loadl_epi64(static_cast<const __m128i *>(a)),
                                             _mm_loadl_epi64(static_cast<const __m128i *>(b))));
}

// Lanes 2 and 3 of v widened to double.
inline __m128d WidenHigh(__m128 v) { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }

// Lanes 0 and 1 of v into out[0] and out[1].
inline void StorePair(float *out, __m128 v) { _mm_storel_pi(reinterpret_cast<__m64 *>(out), v); }

} // namespace osc

#endif // __SSE2__

#endif // AUDIO_OSCILLATOR_PAIR_MATH_H
