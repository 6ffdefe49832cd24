// The lane types on WebAssembly SIMD128 (the web build, -msimd128): F32x4 in
// one v128, F64x4 in two. Included by simd_lanes.h only, which states the
// contract; every operation is the IEEE operation of the one-voice code per
// lane, as on SSE2. Where WebAssembly's own instruction answers differently
// from the one-voice form, it is not used:
//  - f32x4.min/max propagate NaN and order -0 below +0; GreaterOf and LessOf
//    are the comparisons `a > b ? a : b` and `a < b ? a : b`, which are the
//    pseudo-minimum and -maximum (pmin/pmax) with their operands swapped.
//  - the truncations saturate (NaN gives 0, large values INT32_MAX); the
//    lanes' contract is INT32_MIN for NaN and for everything outside the
//    int32 range, so those lanes are replaced after the conversion.
#ifndef SE_COMMON_SIMD_LANES_WASM_H
#define SE_COMMON_SIMD_LANES_WASM_H

#include <wasm_simd128.h>

#include <cstdint>

namespace se_lanes {
// Its own names, so that a program may hold both forms (tests do).
inline namespace wasm128 {

#define SE_LANES_WASM 1

struct M32x4 {
  v128_t m;
};
struct M64x4 {
  v128_t lo, hi; // 64-bit masks of lanes 0, 1 and 2, 3
};

struct F32x4 {
  v128_t v;

  F32x4() = default;
  explicit F32x4(v128_t x) : v(x) {}
  explicit F32x4(float x) : v(wasm_f32x4_splat(x)) {}
  explicit F32x4(double x) : v(wasm_f32x4_splat(static_cast<float>(x))) {}
  explicit F32x4(int x) : v(wasm_f32x4_splat(static_cast<float>(x))) {}

  static F32x4 Load(const float *p) { return F32x4(wasm_v128_load(p)); }
  static F32x4 FromScalars(const float *p) {
    return F32x4(wasm_f32x4_make(p[0], p[1], p[2], p[3]));
  }
  void Store(float *p) const { wasm_v128_store(p, v); }
};

struct F64x4 {
  v128_t lo, hi; // lanes 0, 1 and 2, 3

  F64x4() = default;
  F64x4(v128_t l, v128_t h) : lo(l), hi(h) {}
  explicit F64x4(double x) : lo(wasm_f64x2_splat(x)), hi(lo) {}
  explicit F64x4(float x) : F64x4(static_cast<double>(x)) {}
  explicit F64x4(int x) : F64x4(static_cast<double>(x)) {}
  // Each float lane widened (exact).
  explicit F64x4(F32x4 x)
      : lo(wasm_f64x2_promote_low_f32x4(x.v)),
        hi(wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(x.v, x.v, 2, 3, 2, 3))) {}

  static F64x4 Load(const double *p) { return {wasm_v128_load(p), wasm_v128_load(p + 2)}; }
  static F64x4 FromScalars(const double *p) {
    return {wasm_f64x2_make(p[0], p[1]), wasm_f64x2_make(p[2], p[3])};
  }
  void Store(double *p) const {
    wasm_v128_store(p, lo);
    wasm_v128_store(p + 2, hi);
  }
};

// Four uint32 lanes (wrapping arithmetic), for fixed-point phases.
struct U32x4 {
  v128_t v;

  U32x4() = default;
  explicit U32x4(v128_t x) : v(x) {}
  explicit U32x4(uint32_t x) : v(wasm_u32x4_splat(x)) {}
  static U32x4 FromScalars(const uint32_t *p) {
    return U32x4(wasm_u32x4_make(p[0], p[1], p[2], p[3]));
  }
  void Store(uint32_t *p) const { wasm_v128_store(p, v); }
};
inline U32x4 operator+(U32x4 a, U32x4 b) { return U32x4(wasm_i32x4_add(a.v, b.v)); }
inline U32x4 operator&(U32x4 a, U32x4 b) { return U32x4(wasm_v128_and(a.v, b.v)); }
inline U32x4 operator|(U32x4 a, U32x4 b) { return U32x4(wasm_v128_or(a.v, b.v)); }
template <int N> inline U32x4 ShiftRight(U32x4 a) { return U32x4(wasm_u32x4_shr(a.v, N)); }

inline F32x4 operator+(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_add(a.v, b.v)); }
inline F32x4 operator-(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_sub(a.v, b.v)); }
inline F32x4 operator*(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_mul(a.v, b.v)); }
inline F32x4 operator/(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_div(a.v, b.v)); }

inline F64x4 operator+(F64x4 a, F64x4 b) {
  return {wasm_f64x2_add(a.lo, b.lo), wasm_f64x2_add(a.hi, b.hi)};
}
inline F64x4 operator-(F64x4 a, F64x4 b) {
  return {wasm_f64x2_sub(a.lo, b.lo), wasm_f64x2_sub(a.hi, b.hi)};
}
inline F64x4 operator*(F64x4 a, F64x4 b) {
  return {wasm_f64x2_mul(a.lo, b.lo), wasm_f64x2_mul(a.hi, b.hi)};
}
inline F64x4 operator/(F64x4 a, F64x4 b) {
  return {wasm_f64x2_div(a.lo, b.lo), wasm_f64x2_div(a.hi, b.hi)};
}

// `a > b ? a : b` and `a < b ? a : b` per lane: pmax(x, y) is `x < y ? y : x`
// and pmin(x, y) is `y < x ? y : x`, so with the operands swapped each
// answers b whenever the comparison is false, NaN included.
inline F32x4 GreaterOf(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_pmax(b.v, a.v)); }
inline F32x4 LessOf(F32x4 a, F32x4 b) { return F32x4(wasm_f32x4_pmin(b.v, a.v)); }
inline F64x4 GreaterOf(F64x4 a, F64x4 b) {
  return {wasm_f64x2_pmax(b.lo, a.lo), wasm_f64x2_pmax(b.hi, a.hi)};
}
inline F64x4 LessOf(F64x4 a, F64x4 b) {
  return {wasm_f64x2_pmin(b.lo, a.lo), wasm_f64x2_pmin(b.hi, a.hi)};
}

// The sign bit cleared, as fabs does.
inline F32x4 Abs(F32x4 a) { return F32x4(wasm_f32x4_abs(a.v)); }
inline F64x4 Abs(F64x4 a) { return {wasm_f64x2_abs(a.lo), wasm_f64x2_abs(a.hi)}; }

// Comparisons: all ones where true (false wherever a NaN takes part).
inline M32x4 Less(F32x4 a, F32x4 b) { return {wasm_f32x4_lt(a.v, b.v)}; }
inline M32x4 Greater(F32x4 a, F32x4 b) { return {wasm_f32x4_gt(a.v, b.v)}; }
inline M64x4 Less(F64x4 a, F64x4 b) {
  return {wasm_f64x2_lt(a.lo, b.lo), wasm_f64x2_lt(a.hi, b.hi)};
}
inline M64x4 Greater(F64x4 a, F64x4 b) {
  return {wasm_f64x2_gt(a.lo, b.lo), wasm_f64x2_gt(a.hi, b.hi)};
}

inline M32x4 LessEqual(F32x4 a, F32x4 b) { return {wasm_f32x4_le(a.v, b.v)}; }
inline M32x4 GreaterEqual(F32x4 a, F32x4 b) { return {wasm_f32x4_ge(a.v, b.v)}; }
inline M64x4 LessEqual(F64x4 a, F64x4 b) {
  return {wasm_f64x2_le(a.lo, b.lo), wasm_f64x2_le(a.hi, b.hi)};
}
inline M64x4 GreaterEqual(F64x4 a, F64x4 b) {
  return {wasm_f64x2_ge(a.lo, b.lo), wasm_f64x2_ge(a.hi, b.hi)};
}
inline M32x4 IsNaN(F32x4 a) { return {wasm_f32x4_ne(a.v, a.v)}; }
inline M64x4 IsNaN(F64x4 a) { return {wasm_f64x2_ne(a.lo, a.lo), wasm_f64x2_ne(a.hi, a.hi)}; }

// m ? a : b per lane.
inline F32x4 Select(M32x4 m, F32x4 a, F32x4 b) { return F32x4(wasm_v128_bitselect(a.v, b.v, m.m)); }
inline F64x4 Select(M64x4 m, F64x4 a, F64x4 b) {
  return {wasm_v128_bitselect(a.lo, b.lo, m.lo), wasm_v128_bitselect(a.hi, b.hi, m.hi)};
}
// A float comparison selecting doubles: each 32-bit mask lane doubled.
inline M64x4 Widen(M32x4 m) {
  return {wasm_i32x4_shuffle(m.m, m.m, 0, 0, 1, 1), wasm_i32x4_shuffle(m.m, m.m, 2, 2, 3, 3)};
}
inline F64x4 Select(M32x4 m, F64x4 a, F64x4 b) { return Select(Widen(m), a, b); }

// Bit l set where lane l of m is true.
inline int LaneBits(M32x4 m) { return static_cast<int>(wasm_i32x4_bitmask(m.m)); }
inline int LaneBits(M64x4 m) {
  return static_cast<int>(wasm_i64x2_bitmask(m.lo) | wasm_i64x2_bitmask(m.hi) << 2);
}

// A mask from bits (bit l: lane l).
inline M32x4 MaskOfBits(int bits) {
  const v128_t lane = wasm_i32x4_make(1, 2, 4, 8);
  return {wasm_i32x4_eq(wasm_v128_and(wasm_i32x4_splat(bits), lane), lane)};
}

// Each lane rounded to float, as a conversion of one double does.
inline F32x4 Narrow(F32x4 a) { return a; }
inline F32x4 Narrow(F64x4 a) {
  return F32x4(wasm_i32x4_shuffle(wasm_f32x4_demote_f64x2_zero(a.lo),
                                  wasm_f32x4_demote_f64x2_zero(a.hi), 0, 1, 4, 5));
}

namespace detail {
// Truncated int32 lanes with INT32_MIN wherever `inRange` is not set.
inline v128_t Int32MinOutside(v128_t truncated, v128_t inRange) {
  return wasm_v128_bitselect(truncated, wasm_i32x4_splat(INT32_MIN), inRange);
}
// Four floats truncated to int32; NaN and values outside the range give INT32_MIN.
inline v128_t Truncate(v128_t a) {
  const v128_t inRange = wasm_v128_and(wasm_f32x4_ge(a, wasm_f32x4_splat(-2147483648.0f)),
                                       wasm_f32x4_lt(a, wasm_f32x4_splat(2147483648.0f)));
  return Int32MinOutside(wasm_i32x4_trunc_sat_f32x4(a), inRange);
}
// Two doubles truncated to int32 in lanes 0 and 1 (lanes 2 and 3: 0), as above.
inline v128_t Truncate2(v128_t a) {
  const v128_t inRange = wasm_v128_and(wasm_f64x2_gt(a, wasm_f64x2_splat(-2147483649.0)),
                                       wasm_f64x2_lt(a, wasm_f64x2_splat(2147483648.0)));
  // The 64-bit masks' low halves as lanes 0 and 1; lanes 2 and 3 hold 0 either way.
  const v128_t narrowMask = wasm_i32x4_shuffle(inRange, wasm_i32x4_splat(-1), 0, 2, 4, 4);
  return Int32MinOutside(wasm_i32x4_trunc_sat_f64x2_zero(a), narrowMask);
}
inline v128_t Truncate4(F64x4 a) {
  return wasm_i32x4_shuffle(Truncate2(a.lo), Truncate2(a.hi), 0, 1, 4, 5);
}
} // namespace detail

// Each lane converted to int32 by truncation; NaN and values outside the
// int32 range give INT32_MIN (what x86 answers), never undefined behaviour.
inline void TruncateToInts(F32x4 a, int32_t *out) { wasm_v128_store(out, detail::Truncate(a.v)); }
inline void TruncateToInts(F64x4 a, int32_t *out) { wasm_v128_store(out, detail::Truncate4(a)); }
// The bits of each uint32 lane as a float.
inline F32x4 FloatBits(U32x4 a) { return F32x4(a.v); }
// TruncateToInts of doubles back to double, in registers.
inline F64x4 TruncatedDoubles(F64x4 a) {
  return {wasm_f64x2_convert_low_i32x4(detail::Truncate2(a.lo)),
          wasm_f64x2_convert_low_i32x4(detail::Truncate2(a.hi))};
}
// TruncateToInts back to float, in registers.
inline F32x4 TruncatedFloats(F32x4 a) {
  return F32x4(wasm_f32x4_convert_i32x4(detail::Truncate(a.v)));
}
// Four int32 as floats (rounded to nearest).
inline F32x4 FloatsOfInts(const int32_t *in) {
  return F32x4(wasm_f32x4_convert_i32x4(wasm_v128_load(in)));
}

// Lane l of four streams: p[l][i].
inline F32x4 Gather(const float *const *p, int i) {
  return F32x4(wasm_f32x4_make(p[0][i], p[1][i], p[2][i], p[3][i]));
}
// Lane l into p[l][i].
inline void Scatter(F32x4 v, float *const *p, int i) {
  p[0][i] = wasm_f32x4_extract_lane(v.v, 0);
  p[1][i] = wasm_f32x4_extract_lane(v.v, 1);
  p[2][i] = wasm_f32x4_extract_lane(v.v, 2);
  p[3][i] = wasm_f32x4_extract_lane(v.v, 3);
}

} // namespace wasm128
} // namespace se_lanes

#endif // SE_COMMON_SIMD_LANES_WASM_H
