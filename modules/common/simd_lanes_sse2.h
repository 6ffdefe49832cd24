// The lane types on SSE2 (every x86 build): F32x4 in one register, F64x4 in
// two. Included by simd_lanes.h only, which states the contract.
#ifndef SE_COMMON_SIMD_LANES_SSE2_H
#define SE_COMMON_SIMD_LANES_SSE2_H

#include <emmintrin.h>

#include <cstdint>

namespace se_lanes {
// Its own names, so that a program may hold both forms (tests do). A source
// file compiled for a wider instruction set, chosen at run time, names them
// after that set (SE_LANES_ISA): the inline functions it emits then never
// stand in for these at link time.
#ifdef SE_LANES_ISA
inline namespace SE_LANES_ISA {
#else
inline namespace sse2 {
#endif

#define SE_LANES_SSE2 1

struct M32x4 {
  __m128 m;
};
struct M64x4 {
  __m128d lo, hi;
};

struct F32x4 {
  __m128 v;

  F32x4() = default;
  explicit F32x4(__m128 x) : v(x) {}
  explicit F32x4(float x) : v(_mm_set1_ps(x)) {}
  explicit F32x4(double x) : v(_mm_set1_ps(static_cast<float>(x))) {}
  explicit F32x4(int x) : v(_mm_set1_ps(static_cast<float>(x))) {}

  static F32x4 Load(const float *p) { return F32x4(_mm_loadu_ps(p)); }
  // Lanes made one by one (values just computed apart): put together in
  // registers, where a load of what was just stored as four floats would
  // wait for the stores.
  static F32x4 FromScalars(const float *p) { return F32x4(_mm_set_ps(p[3], p[2], p[1], p[0])); }
  void Store(float *p) const { _mm_storeu_ps(p, v); }
};

struct F64x4 {
  __m128d lo, hi; // lanes 0, 1 and 2, 3

  F64x4() = default;
  F64x4(__m128d l, __m128d h) : lo(l), hi(h) {}
  explicit F64x4(double x) : lo(_mm_set1_pd(x)), hi(lo) {}
  explicit F64x4(float x) : F64x4(static_cast<double>(x)) {}
  explicit F64x4(int x) : F64x4(static_cast<double>(x)) {}
  // Each float lane widened (exact).
  explicit F64x4(F32x4 x) : lo(_mm_cvtps_pd(x.v)), hi(_mm_cvtps_pd(_mm_movehl_ps(x.v, x.v))) {}

  static F64x4 Load(const double *p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
  static F64x4 FromScalars(const double *p) {
    return {_mm_set_pd(p[1], p[0]), _mm_set_pd(p[3], p[2])};
  }
  void Store(double *p) const {
    _mm_storeu_pd(p, lo);
    _mm_storeu_pd(p + 2, hi);
  }
};

// Four uint32 lanes (wrapping arithmetic), for fixed-point phases.
struct U32x4 {
  __m128i v;

  U32x4() = default;
  explicit U32x4(__m128i x) : v(x) {}
  explicit U32x4(uint32_t x) : v(_mm_set1_epi32(static_cast<int32_t>(x))) {}
  static U32x4 FromScalars(const uint32_t *p) {
    return U32x4(_mm_set_epi32(static_cast<int32_t>(p[3]), static_cast<int32_t>(p[2]),
                               static_cast<int32_t>(p[1]), static_cast<int32_t>(p[0])));
  }
  void Store(uint32_t *p) const { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }
};
inline U32x4 operator+(U32x4 a, U32x4 b) { return U32x4(_mm_add_epi32(a.v, b.v)); }
inline U32x4 operator&(U32x4 a, U32x4 b) { return U32x4(_mm_and_si128(a.v, b.v)); }
inline U32x4 operator|(U32x4 a, U32x4 b) { return U32x4(_mm_or_si128(a.v, b.v)); }
template <int N> inline U32x4 ShiftRight(U32x4 a) { return U32x4(_mm_srli_epi32(a.v, N)); }

inline F32x4 operator+(F32x4 a, F32x4 b) { return F32x4(_mm_add_ps(a.v, b.v)); }
inline F32x4 operator-(F32x4 a, F32x4 b) { return F32x4(_mm_sub_ps(a.v, b.v)); }
inline F32x4 operator*(F32x4 a, F32x4 b) { return F32x4(_mm_mul_ps(a.v, b.v)); }
inline F32x4 operator/(F32x4 a, F32x4 b) { return F32x4(_mm_div_ps(a.v, b.v)); }

inline F64x4 operator+(F64x4 a, F64x4 b) {
  return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)};
}
inline F64x4 operator-(F64x4 a, F64x4 b) {
  return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)};
}
inline F64x4 operator*(F64x4 a, F64x4 b) {
  return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)};
}
inline F64x4 operator/(F64x4 a, F64x4 b) {
  return {_mm_div_pd(a.lo, b.lo), _mm_div_pd(a.hi, b.hi)};
}

// `a > b ? a : b` and `a < b ? a : b` per lane: MAXPS/MINPS answer their
// second operand when the comparison is false, NaN included.
inline F32x4 GreaterOf(F32x4 a, F32x4 b) { return F32x4(_mm_max_ps(a.v, b.v)); }
inline F32x4 LessOf(F32x4 a, F32x4 b) { return F32x4(_mm_min_ps(a.v, b.v)); }
inline F64x4 GreaterOf(F64x4 a, F64x4 b) {
  return {_mm_max_pd(a.lo, b.lo), _mm_max_pd(a.hi, b.hi)};
}
inline F64x4 LessOf(F64x4 a, F64x4 b) { return {_mm_min_pd(a.lo, b.lo), _mm_min_pd(a.hi, b.hi)}; }

// The sign bit cleared, as fabs does.
inline F32x4 Abs(F32x4 a) { return F32x4(_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)); }
inline F64x4 Abs(F64x4 a) {
  const __m128d sign = _mm_set1_pd(-0.0);
  return {_mm_andnot_pd(sign, a.lo), _mm_andnot_pd(sign, a.hi)};
}

// Comparisons: all ones where true (false wherever a NaN takes part).
inline M32x4 Less(F32x4 a, F32x4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline M32x4 Greater(F32x4 a, F32x4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
inline M64x4 Less(F64x4 a, F64x4 b) { return {_mm_cmplt_pd(a.lo, b.lo), _mm_cmplt_pd(a.hi, b.hi)}; }
inline M64x4 Greater(F64x4 a, F64x4 b) {
  return {_mm_cmpgt_pd(a.lo, b.lo), _mm_cmpgt_pd(a.hi, b.hi)};
}

inline M32x4 LessEqual(F32x4 a, F32x4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
inline M32x4 GreaterEqual(F32x4 a, F32x4 b) { return {_mm_cmpge_ps(a.v, b.v)}; }
inline M64x4 LessEqual(F64x4 a, F64x4 b) {
  return {_mm_cmple_pd(a.lo, b.lo), _mm_cmple_pd(a.hi, b.hi)};
}
inline M64x4 GreaterEqual(F64x4 a, F64x4 b) {
  return {_mm_cmpge_pd(a.lo, b.lo), _mm_cmpge_pd(a.hi, b.hi)};
}
inline M32x4 IsNaN(F32x4 a) { return {_mm_cmpunord_ps(a.v, a.v)}; }
inline M64x4 IsNaN(F64x4 a) { return {_mm_cmpunord_pd(a.lo, a.lo), _mm_cmpunord_pd(a.hi, a.hi)}; }

// m ? a : b per lane.
inline F32x4 Select(M32x4 m, F32x4 a, F32x4 b) {
  return F32x4(_mm_or_ps(_mm_and_ps(m.m, a.v), _mm_andnot_ps(m.m, b.v)));
}
inline F64x4 Select(M64x4 m, F64x4 a, F64x4 b) {
  return {_mm_or_pd(_mm_and_pd(m.lo, a.lo), _mm_andnot_pd(m.lo, b.lo)),
          _mm_or_pd(_mm_and_pd(m.hi, a.hi), _mm_andnot_pd(m.hi, b.hi))};
}
// A float comparison selecting doubles: each 32-bit mask lane doubled.
inline M64x4 Widen(M32x4 m) {
  return {_mm_castps_pd(_mm_unpacklo_ps(m.m, m.m)), _mm_castps_pd(_mm_unpackhi_ps(m.m, m.m))};
}
inline F64x4 Select(M32x4 m, F64x4 a, F64x4 b) { return Select(Widen(m), a, b); }

// Bit l set where lane l of m is true.
inline int LaneBits(M32x4 m) { return _mm_movemask_ps(m.m); }
inline int LaneBits(M64x4 m) { return _mm_movemask_pd(m.lo) | _mm_movemask_pd(m.hi) << 2; }

// A mask from bits (bit l: lane l).
inline M32x4 MaskOfBits(int bits) {
  const __m128i lane = _mm_set_epi32(8, 4, 2, 1);
  const __m128i set = _mm_and_si128(_mm_set1_epi32(bits), lane);
  return {_mm_castsi128_ps(_mm_cmpeq_epi32(set, lane))};
}

// Each lane rounded to float, as a conversion of one double does.
inline F32x4 Narrow(F32x4 a) { return a; }
inline F32x4 Narrow(F64x4 a) {
  return F32x4(_mm_movelh_ps(_mm_cvtpd_ps(a.lo), _mm_cvtpd_ps(a.hi)));
}

// Each lane converted to int32 by truncation; NaN and values outside the
// int32 range give INT32_MIN (what x86 answers), never undefined behaviour.
inline void TruncateToInts(F32x4 a, int32_t *out) {
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_cvttps_epi32(a.v));
}
inline void TruncateToInts(F64x4 a, int32_t *out) {
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                   _mm_unpacklo_epi64(_mm_cvttpd_epi32(a.lo), _mm_cvttpd_epi32(a.hi)));
}
// The bits of each uint32 lane as a float.
inline F32x4 FloatBits(U32x4 a) { return F32x4(_mm_castsi128_ps(a.v)); }
// TruncateToInts of doubles back to double, in registers.
inline F64x4 TruncatedDoubles(F64x4 a) {
  return {_mm_cvtepi32_pd(_mm_cvttpd_epi32(a.lo)), _mm_cvtepi32_pd(_mm_cvttpd_epi32(a.hi))};
}
// TruncateToInts back to float, in registers.
inline F32x4 TruncatedFloats(F32x4 a) { return F32x4(_mm_cvtepi32_ps(_mm_cvttps_epi32(a.v))); }
// Four int32 as floats (rounded to nearest).
inline F32x4 FloatsOfInts(const int32_t *in) {
  return F32x4(_mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in))));
}

// Lane l of four streams: p[l][i].
inline F32x4 Gather(const float *const *p, int i) {
  return F32x4(_mm_set_ps(p[3][i], p[2][i], p[1][i], p[0][i]));
}
// Lane l into p[l][i].
inline void Scatter(F32x4 v, float *const *p, int i) {
  _mm_store_ss(p[0] + i, v.v);
  _mm_store_ss(p[1] + i, _mm_shuffle_ps(v.v, v.v, 1));
  _mm_store_ss(p[2] + i, _mm_movehl_ps(v.v, v.v));
  _mm_store_ss(p[3] + i, _mm_shuffle_ps(v.v, v.v, 3));
}

} // namespace sse2
} // namespace se_lanes

#endif // SE_COMMON_SIMD_LANES_SSE2_H
