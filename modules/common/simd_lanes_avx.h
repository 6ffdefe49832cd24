// Eight voices in one AVX register (F32x8Avx) or two (F64x8Avx), and four
// doubles in one (F64x4Avx): the lane types of the source files that are
// compiled for AVX and chosen at run time (cpu_features.h). Included by simd_lanes.h only, which
// states the contract: every operation is, lane by lane, the same IEEE operation as on one voice,
// so these lanes give the bits of the four-lane SSE2 forms.
#ifndef SE_COMMON_SIMD_LANES_AVX_H
#define SE_COMMON_SIMD_LANES_AVX_H

#include <immintrin.h>

#include <cstdint>

namespace se_lanes {
inline namespace SE_LANES_ISA {

struct M32x8Avx {
  __m256 m;
};
struct M64x8Avx {
  __m256d lo, hi; // lanes 0..3 and 4..7
};

struct F32x8Avx {
  __m256 v;

  F32x8Avx() = default;
  explicit F32x8Avx(__m256 x) : v(x) {}
  explicit F32x8Avx(float x) : v(_mm256_set1_ps(x)) {}
  explicit F32x8Avx(double x) : v(_mm256_set1_ps(static_cast<float>(x))) {}
  explicit F32x8Avx(int x) : v(_mm256_set1_ps(static_cast<float>(x))) {}

  static F32x8Avx Load(const float *p) { return F32x8Avx(_mm256_loadu_ps(p)); }
  static F32x8Avx FromScalars(const float *p) {
    return F32x8Avx(_mm256_set_ps(p[7], p[6], p[5], p[4], p[3], p[2], p[1], p[0]));
  }
  void Store(float *p) const { _mm256_storeu_ps(p, v); }
};

struct F64x8Avx {
  __m256d lo, hi;

  F64x8Avx() = default;
  F64x8Avx(__m256d l, __m256d h) : lo(l), hi(h) {}
  explicit F64x8Avx(double x) : lo(_mm256_set1_pd(x)), hi(lo) {}
  explicit F64x8Avx(float x) : F64x8Avx(static_cast<double>(x)) {}
  explicit F64x8Avx(int x) : F64x8Avx(static_cast<double>(x)) {}
  // Each float lane widened (exact).
  explicit F64x8Avx(F32x8Avx x)
      : lo(_mm256_cvtps_pd(_mm256_castps256_ps128(x.v))),
        hi(_mm256_cvtps_pd(_mm256_extractf128_ps(x.v, 1))) {}

  static F64x8Avx Load(const double *p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
  static F64x8Avx FromScalars(const double *p) {
    return {_mm256_set_pd(p[3], p[2], p[1], p[0]), _mm256_set_pd(p[7], p[6], p[5], p[4])};
  }
  void Store(double *p) const {
    _mm256_storeu_pd(p, lo);
    _mm256_storeu_pd(p + 4, hi);
  }
};

inline F32x8Avx operator+(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_add_ps(a.v, b.v)); }
inline F32x8Avx operator-(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_sub_ps(a.v, b.v)); }
inline F32x8Avx operator*(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_mul_ps(a.v, b.v)); }
inline F32x8Avx operator/(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_div_ps(a.v, b.v)); }
inline F64x8Avx operator+(F64x8Avx a, F64x8Avx b) {
  return {_mm256_add_pd(a.lo, b.lo), _mm256_add_pd(a.hi, b.hi)};
}
inline F64x8Avx operator-(F64x8Avx a, F64x8Avx b) {
  return {_mm256_sub_pd(a.lo, b.lo), _mm256_sub_pd(a.hi, b.hi)};
}
inline F64x8Avx operator*(F64x8Avx a, F64x8Avx b) {
  return {_mm256_mul_pd(a.lo, b.lo), _mm256_mul_pd(a.hi, b.hi)};
}
inline F64x8Avx operator/(F64x8Avx a, F64x8Avx b) {
  return {_mm256_div_pd(a.lo, b.lo), _mm256_div_pd(a.hi, b.hi)};
}

// `a > b ? a : b` and `a < b ? a : b`: VMAXPS/VMINPS answer their second
// operand when the comparison is false, as MAXPS/MINPS do.
inline F32x8Avx GreaterOf(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_max_ps(a.v, b.v)); }
inline F32x8Avx LessOf(F32x8Avx a, F32x8Avx b) { return F32x8Avx(_mm256_min_ps(a.v, b.v)); }
inline F64x8Avx GreaterOf(F64x8Avx a, F64x8Avx b) {
  return {_mm256_max_pd(a.lo, b.lo), _mm256_max_pd(a.hi, b.hi)};
}
inline F64x8Avx LessOf(F64x8Avx a, F64x8Avx b) {
  return {_mm256_min_pd(a.lo, b.lo), _mm256_min_pd(a.hi, b.hi)};
}

inline F32x8Avx Abs(F32x8Avx a) { return F32x8Avx(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), a.v)); }
inline F64x8Avx Abs(F64x8Avx a) {
  const __m256d sign = _mm256_set1_pd(-0.0);
  return {_mm256_andnot_pd(sign, a.lo), _mm256_andnot_pd(sign, a.hi)};
}

// The comparisons of SSE's CMPLTPS and its kin: ordered, false wherever a
// NaN takes part.
template <int P> inline M32x8Avx Compare(F32x8Avx a, F32x8Avx b) {
  return {_mm256_cmp_ps(a.v, b.v, P)};
}
template <int P> inline M64x8Avx Compare(F64x8Avx a, F64x8Avx b) {
  return {_mm256_cmp_pd(a.lo, b.lo, P), _mm256_cmp_pd(a.hi, b.hi, P)};
}
inline M32x8Avx Less(F32x8Avx a, F32x8Avx b) { return Compare<_CMP_LT_OS>(a, b); }
inline M32x8Avx Greater(F32x8Avx a, F32x8Avx b) { return Compare<_CMP_GT_OS>(a, b); }
inline M32x8Avx LessEqual(F32x8Avx a, F32x8Avx b) { return Compare<_CMP_LE_OS>(a, b); }
inline M32x8Avx GreaterEqual(F32x8Avx a, F32x8Avx b) { return Compare<_CMP_GE_OS>(a, b); }
inline M32x8Avx IsNaN(F32x8Avx a) { return Compare<_CMP_UNORD_Q>(a, a); }
inline M64x8Avx Less(F64x8Avx a, F64x8Avx b) { return Compare<_CMP_LT_OS>(a, b); }
inline M64x8Avx Greater(F64x8Avx a, F64x8Avx b) { return Compare<_CMP_GT_OS>(a, b); }
inline M64x8Avx LessEqual(F64x8Avx a, F64x8Avx b) { return Compare<_CMP_LE_OS>(a, b); }
inline M64x8Avx GreaterEqual(F64x8Avx a, F64x8Avx b) { return Compare<_CMP_GE_OS>(a, b); }
inline M64x8Avx IsNaN(F64x8Avx a) { return Compare<_CMP_UNORD_Q>(a, a); }

// m ? a : b per lane.
inline F32x8Avx Select(M32x8Avx m, F32x8Avx a, F32x8Avx b) {
  return F32x8Avx(_mm256_or_ps(_mm256_and_ps(m.m, a.v), _mm256_andnot_ps(m.m, b.v)));
}
inline F64x8Avx Select(M64x8Avx m, F64x8Avx a, F64x8Avx b) {
  return {_mm256_or_pd(_mm256_and_pd(m.lo, a.lo), _mm256_andnot_pd(m.lo, b.lo)),
          _mm256_or_pd(_mm256_and_pd(m.hi, a.hi), _mm256_andnot_pd(m.hi, b.hi))};
}
// A float comparison selecting doubles: each 32-bit mask lane doubled.
inline M64x8Avx Widen(M32x8Avx m) {
  const __m128 lo = _mm256_castps256_ps128(m.m), hi = _mm256_extractf128_ps(m.m, 1);
  const auto twice = [](__m128 x) {
    return _mm256_castps_pd(_mm256_set_m128(_mm_unpackhi_ps(x, x), _mm_unpacklo_ps(x, x)));
  };
  return {twice(lo), twice(hi)};
}
inline F64x8Avx Select(M32x8Avx m, F64x8Avx a, F64x8Avx b) { return Select(Widen(m), a, b); }

inline int LaneBits(M32x8Avx m) { return _mm256_movemask_ps(m.m); }
inline int LaneBits(M64x8Avx m) { return _mm256_movemask_pd(m.lo) | _mm256_movemask_pd(m.hi) << 4; }

// A mask from bits (bit l: lane l), from two four-lane halves.
inline M32x8Avx MaskOfBits8(int bits) {
  return {_mm256_set_m128(MaskOfBits(bits >> 4 & 15).m, MaskOfBits(bits & 15).m)};
}

inline F32x8Avx Narrow(F32x8Avx a) { return a; }
inline F32x8Avx Narrow(F64x8Avx a) {
  return F32x8Avx(_mm256_set_m128(_mm256_cvtpd_ps(a.hi), _mm256_cvtpd_ps(a.lo)));
}

// Lane l of eight streams: p[l][i].
inline F32x8Avx Gather8(const float *const *p, int i) {
  return F32x8Avx(
      _mm256_set_ps(p[7][i], p[6][i], p[5][i], p[4][i], p[3][i], p[2][i], p[1][i], p[0][i]));
}
// Lane l into p[l][i], four lanes at a time as the SSE2 lanes store them.
inline void Scatter8(F32x8Avx v, float *const *p, int i) {
  Scatter(F32x4(_mm256_castps256_ps128(v.v)), p, i);
  Scatter(F32x4(_mm256_extractf128_ps(v.v, 1)), p + 4, i);
}

// Four doubles in one register: F64x4's lanes, with F32x4 as their floats.
struct M64x4Avx {
  __m256d m;
};
struct F64x4Avx {
  __m256d v;

  F64x4Avx() = default;
  explicit F64x4Avx(__m256d x) : v(x) {}
  explicit F64x4Avx(double x) : v(_mm256_set1_pd(x)) {}
  explicit F64x4Avx(float x) : F64x4Avx(static_cast<double>(x)) {}
  explicit F64x4Avx(int x) : F64x4Avx(static_cast<double>(x)) {}
  // Each float lane widened (exact).
  explicit F64x4Avx(F32x4 x) : v(_mm256_cvtps_pd(x.v)) {}

  static F64x4Avx Load(const double *p) { return F64x4Avx(_mm256_loadu_pd(p)); }
  static F64x4Avx FromScalars(const double *p) {
    return F64x4Avx(_mm256_set_pd(p[3], p[2], p[1], p[0]));
  }
  void Store(double *p) const { _mm256_storeu_pd(p, v); }
};

inline F64x4Avx operator+(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_add_pd(a.v, b.v)); }
inline F64x4Avx operator-(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_sub_pd(a.v, b.v)); }
inline F64x4Avx operator*(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_mul_pd(a.v, b.v)); }
inline F64x4Avx operator/(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_div_pd(a.v, b.v)); }
inline F64x4Avx GreaterOf(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_max_pd(a.v, b.v)); }
inline F64x4Avx LessOf(F64x4Avx a, F64x4Avx b) { return F64x4Avx(_mm256_min_pd(a.v, b.v)); }
inline F64x4Avx Abs(F64x4Avx a) { return F64x4Avx(_mm256_andnot_pd(_mm256_set1_pd(-0.0), a.v)); }
template <int P> inline M64x4Avx Compare(F64x4Avx a, F64x4Avx b) {
  return {_mm256_cmp_pd(a.v, b.v, P)};
}
inline M64x4Avx Less(F64x4Avx a, F64x4Avx b) { return Compare<_CMP_LT_OS>(a, b); }
inline M64x4Avx Greater(F64x4Avx a, F64x4Avx b) { return Compare<_CMP_GT_OS>(a, b); }
inline M64x4Avx LessEqual(F64x4Avx a, F64x4Avx b) { return Compare<_CMP_LE_OS>(a, b); }
inline M64x4Avx GreaterEqual(F64x4Avx a, F64x4Avx b) { return Compare<_CMP_GE_OS>(a, b); }
inline M64x4Avx IsNaN(F64x4Avx a) { return Compare<_CMP_UNORD_Q>(a, a); }
inline F64x4Avx Select(M64x4Avx m, F64x4Avx a, F64x4Avx b) {
  return F64x4Avx(_mm256_or_pd(_mm256_and_pd(m.m, a.v), _mm256_andnot_pd(m.m, b.v)));
}
inline F64x4Avx Select(M32x4 m, F64x4Avx a, F64x4Avx b) {
  const __m256 twice = _mm256_set_m128(_mm_unpackhi_ps(m.m, m.m), _mm_unpacklo_ps(m.m, m.m));
  return Select(M64x4Avx{_mm256_castps_pd(twice)}, a, b);
}
inline int LaneBits(M64x4Avx m) { return _mm256_movemask_pd(m.m); }
inline F32x4 Narrow(F64x4Avx a) { return F32x4(_mm256_cvtpd_ps(a.v)); }
inline void TruncateToInts(F64x4Avx a, int32_t *out) {
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_cvttpd_epi32(a.v));
}

} // namespace SE_LANES_ISA

template <> struct LaneTraits<F32x8Avx> {
  static constexpr int kCount = 8;
  using Scalar = float;
  using Float = F32x8Avx;
  static F32x8Avx Load(const float *p) { return F32x8Avx::Load(p); }
  static F32x8Avx FromScalars(const float *p) { return F32x8Avx::FromScalars(p); }
  static void Store(F32x8Avx v, float *p) { v.Store(p); }
  static F32x8Avx Gather(const float *const *p, int i) { return Gather8(p, i); }
  static void Scatter(F32x8Avx v, float *const *p, int i) { Scatter8(v, p, i); }
  static M32x8Avx Mask(int bits) { return MaskOfBits8(bits); }
};
template <> struct LaneTraits<F64x4Avx> {
  static constexpr int kCount = 4;
  using Scalar = double;
  using Float = F32x4;
  static F64x4Avx Load(const double *p) { return F64x4Avx::Load(p); }
  static F64x4Avx FromScalars(const double *p) { return F64x4Avx::FromScalars(p); }
  static void Store(F64x4Avx v, double *p) { v.Store(p); }
  static M32x4 Mask(int bits) { return MaskOfBits(bits); }
};
template <> struct LaneTraits<F64x8Avx> {
  static constexpr int kCount = 8;
  using Scalar = double;
  using Float = F32x8Avx;
  static F64x8Avx Load(const double *p) { return F64x8Avx::Load(p); }
  static F64x8Avx FromScalars(const double *p) { return F64x8Avx::FromScalars(p); }
  static void Store(F64x8Avx v, double *p) { v.Store(p); }
  static M32x8Avx Mask(int bits) { return MaskOfBits8(bits); }
};

} // namespace se_lanes

#endif // SE_COMMON_SIMD_LANES_AVX_H
