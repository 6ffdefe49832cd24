// Four voices side by side: the lane types that the modules' per-sample steps
// run on when an engine plays many voices at once.
//
//   F32x4  four floats (one SSE register)
//   F64x4  four doubles (two SSE2 registers of two)
//   U32x4  four uint32 (fixed-point phases)
//   Twice<H>  eight voices as two halves of four (F32x8, F64x8): two
//          independent dependency chains side by side
//   M32x4, M64x4  lane masks, answered by the comparisons
//   F32x8Avx, F64x8Avx  eight voices in one AVX register (two for doubles),
//          and F64x4Avx, four doubles in one, only in source files
//          compiled for AVX (simd_lanes_avx.h)
//
// Every operation does, in each lane, exactly the IEEE operation that the
// same function or operator does on one float or double, so a routine written
// once for a working type W gives every lane the bits of the one-voice
// routine. What that excludes: approximate reciprocals and square roots,
// fused multiply-adds, and minimum or maximum instructions wherever the
// one-voice form is not the comparison they implement. GreaterOf(a, b) is
// `a > b ? a : b` and LessOf(a, b) is `a < b ? a : b` (a NaN a gives b),
// which are exactly what SSE's MAXPS and MINPS do; other selections go
// through Select.
//
// The same functions exist for float and double (below), so that code
// written for a lane type also runs on one voice. Where SSE2 is missing, or
// SE_LANES_PORTABLE is defined, the lanes are plain arrays with a loop per
// operation: the same bits, only slower. The web build's lanes are
// WebAssembly SIMD128 (simd_lanes_wasm.h).
#ifndef SE_COMMON_SIMD_LANES_H
#define SE_COMMON_SIMD_LANES_H

#include "ieee_rounding.h"

#include <cmath>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#if defined(__SSE2__) && !defined(SE_LANES_PORTABLE)
#include "simd_lanes_sse2.h"
#elif defined(__wasm_simd128__) && !defined(SE_LANES_PORTABLE)
#include "simd_lanes_wasm.h"
#else
#include "simd_lanes_portable.h"
#endif

namespace se_lanes {

// How many voices a working type carries, the type of one of them and of
// its float lanes, and how its lanes are made: from scalars just computed,
// from lane l of four streams at i (Gather), into four streams (Scatter), and
// a mask from bits (bit l: lane l).
template <class W> struct LaneTraits {
  static constexpr int kCount = 1;
  using Scalar = W;
  using Float = float; // W's float lanes: the type samples come in
  static W Load(const Scalar *p) { return p[0]; }
  static W FromScalars(const Scalar *p) { return p[0]; }
  static void Store(W v, Scalar *p) { p[0] = v; }
};
template <> struct LaneTraits<F32x4> {
  static constexpr int kCount = 4;
  using Scalar = float;
  using Float = F32x4;
  static F32x4 Load(const float *p) { return F32x4::Load(p); }
  static F32x4 FromScalars(const float *p) { return F32x4::FromScalars(p); }
  static void Store(F32x4 v, float *p) { v.Store(p); }
  static F32x4 Gather(const float *const *p, int i) { return se_lanes::Gather(p, i); }
  static void Scatter(F32x4 v, float *const *p, int i) { se_lanes::Scatter(v, p, i); }
  static M32x4 Mask(int bits) { return MaskOfBits(bits); }
};
template <> struct LaneTraits<F64x4> {
  static constexpr int kCount = 4;
  using Scalar = double;
  using Float = F32x4;
  static F64x4 Load(const double *p) { return F64x4::Load(p); }
  static F64x4 FromScalars(const double *p) { return F64x4::FromScalars(p); }
  static void Store(F64x4 v, double *p) { v.Store(p); }
  static M32x4 Mask(int bits) { return MaskOfBits(bits); }
};

template <class W> inline constexpr int kLaneCount = LaneTraits<W>::kCount;
// The float type of a working type: float for float and double, F32x4 for
// the four-lane types.
template <class W> using FloatOf = typename LaneTraits<W>::Float;

// Eight voices as two halves of four: every operation is its halves'.
template <class H> struct Twice {
  H lo, hi;

  Twice() = default;
  Twice(H l, H h) : lo(l), hi(h) {}
  template <class X> explicit Twice(X x) : lo(x), hi(x) {}              // broadcast
  template <class G> explicit Twice(Twice<G> x) : lo(x.lo), hi(x.hi) {} // per lane
};
using F32x8 = Twice<F32x4>;
using F64x8 = Twice<F64x4>;

template <class H> inline Twice<H> operator+(Twice<H> a, Twice<H> b) {
  return {a.lo + b.lo, a.hi + b.hi};
}
template <class H> inline Twice<H> operator-(Twice<H> a, Twice<H> b) {
  return {a.lo - b.lo, a.hi - b.hi};
}
template <class H> inline Twice<H> operator*(Twice<H> a, Twice<H> b) {
  return {a.lo * b.lo, a.hi * b.hi};
}
template <class H> inline Twice<H> operator/(Twice<H> a, Twice<H> b) {
  return {a.lo / b.lo, a.hi / b.hi};
}
template <class H> inline Twice<H> GreaterOf(Twice<H> a, Twice<H> b) {
  return {GreaterOf(a.lo, b.lo), GreaterOf(a.hi, b.hi)};
}
template <class H> inline Twice<H> LessOf(Twice<H> a, Twice<H> b) {
  return {LessOf(a.lo, b.lo), LessOf(a.hi, b.hi)};
}
template <class H> inline Twice<H> Abs(Twice<H> a) { return {Abs(a.lo), Abs(a.hi)}; }
template <class H> inline auto Less(Twice<H> a, Twice<H> b) {
  return Twice<decltype(Less(a.lo, b.lo))>{Less(a.lo, b.lo), Less(a.hi, b.hi)};
}
template <class H> inline auto Greater(Twice<H> a, Twice<H> b) {
  return Twice<decltype(Greater(a.lo, b.lo))>{Greater(a.lo, b.lo), Greater(a.hi, b.hi)};
}
template <class H> inline auto LessEqual(Twice<H> a, Twice<H> b) {
  return Twice<decltype(LessEqual(a.lo, b.lo))>{LessEqual(a.lo, b.lo), LessEqual(a.hi, b.hi)};
}
template <class H> inline auto GreaterEqual(Twice<H> a, Twice<H> b) {
  return Twice<decltype(GreaterEqual(a.lo, b.lo))>{GreaterEqual(a.lo, b.lo),
                                                   GreaterEqual(a.hi, b.hi)};
}
template <class M, class H> inline Twice<H> Select(Twice<M> m, Twice<H> a, Twice<H> b) {
  return {Select(m.lo, a.lo, b.lo), Select(m.hi, a.hi, b.hi)};
}
template <class M> inline int LaneBits(Twice<M> m) { return LaneBits(m.lo) | LaneBits(m.hi) << 4; }
template <class H> inline auto Narrow(Twice<H> a) {
  return Twice<decltype(Narrow(a.lo))>{Narrow(a.lo), Narrow(a.hi)};
}
template <class H> struct LaneTraits<Twice<H>> {
  using Half = LaneTraits<H>;
  static constexpr int kCount = 2 * Half::kCount;
  using Scalar = typename Half::Scalar;
  using Float = Twice<typename Half::Float>;
  static Twice<H> Load(const Scalar *p) { return {Half::Load(p), Half::Load(p + Half::kCount)}; }
  static Twice<H> FromScalars(const Scalar *p) {
    return {Half::FromScalars(p), Half::FromScalars(p + Half::kCount)};
  }
  static void Store(Twice<H> v, Scalar *p) {
    Half::Store(v.lo, p);
    Half::Store(v.hi, p + Half::kCount);
  }
  static Twice<H> Gather(const float *const *p, int i) {
    return {Half::Gather(p, i), Half::Gather(p + Half::kCount, i)};
  }
  static void Scatter(Twice<H> v, float *const *p, int i) {
    Half::Scatter(v.lo, p, i);
    Half::Scatter(v.hi, p + Half::kCount, i);
  }
  static auto Mask(int bits) {
    constexpr int kHalf = (1 << Half::kCount) - 1;
    using M = decltype(Half::Mask(0));
    return Twice<M>{Half::Mask(bits & kHalf), Half::Mask(bits >> Half::kCount)};
  }
};

// Whether every lane of W's mask m is true (false wherever a NaN took part
// in the comparison). For a branch that skips work that would change no
// lane: the processor predicts it and does not wait for the comparison, which
// takes it off a dependency chain.
template <class W, class M> inline bool AllLanes(M m) {
  return LaneBits(m) == (1 << kLaneCount<W>)-1;
}

// One voice: the same functions on plain values.
#if defined(__wasm_simd128__)
// WebAssembly: the code generator may turn a selection `a > b ? a : b` into
// f32.max, which answers +0 for (0, -0) where the comparison answers -0, and
// a NaN where it answers b; pmax and pmin are exactly the comparisons
// (simd_lanes_wasm.h).
inline float GreaterOf(float a, float b) {
  return wasm_f32x4_extract_lane(wasm_f32x4_pmax(wasm_f32x4_splat(b), wasm_f32x4_splat(a)), 0);
}
inline double GreaterOf(double a, double b) {
  return wasm_f64x2_extract_lane(wasm_f64x2_pmax(wasm_f64x2_splat(b), wasm_f64x2_splat(a)), 0);
}
inline float LessOf(float a, float b) {
  return wasm_f32x4_extract_lane(wasm_f32x4_pmin(wasm_f32x4_splat(b), wasm_f32x4_splat(a)), 0);
}
inline double LessOf(double a, double b) {
  return wasm_f64x2_extract_lane(wasm_f64x2_pmin(wasm_f64x2_splat(b), wasm_f64x2_splat(a)), 0);
}
#else
inline float GreaterOf(float a, float b) { return a > b ? a : b; }
inline double GreaterOf(double a, double b) { return a > b ? a : b; }
inline float LessOf(float a, float b) { return a < b ? a : b; }
inline double LessOf(double a, double b) { return a < b ? a : b; }
#endif
inline bool Less(float a, float b) { return a < b; }
inline bool Less(double a, double b) { return a < b; }
inline bool Greater(float a, float b) { return a > b; }
inline bool Greater(double a, double b) { return a > b; }
template <class T> inline T Select(bool m, T a, T b) { return m ? a : b; }
inline float Abs(float a) { return std::fabs(a); }
inline double Abs(double a) { return std::fabs(a); }
inline float Narrow(float a) { return a; }
inline float Narrow(double a) { return static_cast<float>(a); }

} // namespace se_lanes

// Eight lanes to a register, in the source files compiled for AVX.
#if defined(SE_LANES_ISA) && defined(__AVX__) && !defined(SE_LANES_PORTABLE)
#include "simd_lanes_avx.h"
#endif

#endif // SE_COMMON_SIMD_LANES_H
