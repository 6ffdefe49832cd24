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

// The two low int32 lanes of i. On x86-64 one move takes both to a general
// register, where they are split: that leaves the vector units free.
struct LanePair {
  int32_t first;
  int32_t second;
};
inline LanePair Lanes(__m128i i) {
#if defined(__x86_64__) || defined(_M_X64)
  const uint64_t v = static_cast<uint64_t>(_mm_cvtsi128_si64(i));
  return {static_cast<int32_t>(static_cast<uint32_t>(v)), static_cast<int32_t>(v >> 32)};
#else
  return {_mm_cvtsi128_si32(i), _mm_cvtsi128_si32(_mm_srli_si128(i, 4))};
#endif
}

// FloorSplit per lane: the floor as a double, and what FloorLanes makes the
// integer floors from. Lanes must lie within the int32_t range.
struct FloorPairParts {
  __m128d d;
  __m128d below; // all ones where the truncation went up
  __m128i truncated;
};
inline FloorPairParts FloorPair(__m128d x) {
  const __m128i t = _mm_cvttpd_epi32(x);
  const __m128d dt = _mm_cvtepi32_pd(t);
  const __m128d below = _mm_cmplt_pd(x, dt);
  return {_mm_sub_pd(dt, _mm_and_pd(below, _mm_set1_pd(1.0))), below, t}; // dt - 1 or dt - 0
}

// The integer floors of a FloorPair in general registers.
inline LanePair FloorLanes(const FloorPairParts &f) {
  const LanePair t = Lanes(f.truncated);
  const int below = _mm_movemask_pd(f.below);
  return {t.first - (below & 1), t.second - (below >> 1)};
}

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
