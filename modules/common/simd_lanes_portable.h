// The lane types as plain arrays, one loop per operation: for builds without
// SSE2, and for tests that check the vector forms against them. Included by
// simd_lanes.h only, which states the contract.
#ifndef SE_COMMON_SIMD_LANES_PORTABLE_H
#define SE_COMMON_SIMD_LANES_PORTABLE_H

#include <bit>
#include <cmath>
#include <cstdint>

namespace se_lanes {
// Its own names, so that a program may hold both forms (tests do).
inline namespace portable {

struct M32x4 {
  bool m[4];
};
using M64x4 = M32x4;

struct F32x4 {
  float v[4];

  F32x4() = default;
  explicit F32x4(float x) : v{x, x, x, x} {}
  explicit F32x4(double x) : F32x4(static_cast<float>(x)) {}
  explicit F32x4(int x) : F32x4(static_cast<float>(x)) {}

  static F32x4 Load(const float *p) {
    F32x4 r;
    for (int l = 0; l < 4; ++l)
      r.v[l] = p[l];
    return r;
  }
  static F32x4 FromScalars(const float *p) { return Load(p); }
  void Store(float *p) const {
    for (int l = 0; l < 4; ++l)
      p[l] = v[l];
  }
};

struct F64x4 {
  double v[4];

  F64x4() = default;
  explicit F64x4(double x) : v{x, x, x, x} {}
  explicit F64x4(float x) : F64x4(static_cast<double>(x)) {}
  explicit F64x4(int x) : F64x4(static_cast<double>(x)) {}
  explicit F64x4(F32x4 x) : v{x.v[0], x.v[1], x.v[2], x.v[3]} {}

  static F64x4 Load(const double *p) {
    F64x4 r;
    for (int l = 0; l < 4; ++l)
      r.v[l] = p[l];
    return r;
  }
  static F64x4 FromScalars(const double *p) { return Load(p); }
  void Store(double *p) const {
    for (int l = 0; l < 4; ++l)
      p[l] = v[l];
  }
};

struct U32x4 {
  uint32_t v[4];

  U32x4() = default;
  explicit U32x4(uint32_t x) : v{x, x, x, x} {}
  static U32x4 FromScalars(const uint32_t *p) {
    U32x4 r;
    for (int l = 0; l < 4; ++l)
      r.v[l] = p[l];
    return r;
  }
  void Store(uint32_t *p) const {
    for (int l = 0; l < 4; ++l)
      p[l] = v[l];
  }
};

#define SE_LANES_BINARY(T, op)                                                                     \
  inline T operator op(T a, T b) {                                                                 \
    T r;                                                                                           \
    for (int l = 0; l < 4; ++l)                                                                    \
      r.v[l] = a.v[l] op b.v[l];                                                                   \
    return r;                                                                                      \
  }
SE_LANES_BINARY(F32x4, +)
SE_LANES_BINARY(F32x4, -)
SE_LANES_BINARY(F32x4, *)
SE_LANES_BINARY(F32x4, /)
SE_LANES_BINARY(F64x4, +)
SE_LANES_BINARY(F64x4, -)
SE_LANES_BINARY(F64x4, *)
SE_LANES_BINARY(F64x4, /)
SE_LANES_BINARY(U32x4, +)
SE_LANES_BINARY(U32x4, &)
SE_LANES_BINARY(U32x4, |)
#undef SE_LANES_BINARY

template <int N> inline U32x4 ShiftRight(U32x4 a) {
  U32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = a.v[l] >> N;
  return r;
}

template <class T, class F> inline T PerLane(T a, T b, F f) {
  T r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = f(a.v[l], b.v[l]);
  return r;
}
template <class T, class F> inline M32x4 Compare(T a, T b, F f) {
  M32x4 r;
  for (int l = 0; l < 4; ++l)
    r.m[l] = f(a.v[l], b.v[l]);
  return r;
}

inline F32x4 GreaterOf(F32x4 a, F32x4 b) {
  return PerLane(a, b, [](float x, float y) { return x > y ? x : y; });
}
inline F32x4 LessOf(F32x4 a, F32x4 b) {
  return PerLane(a, b, [](float x, float y) { return x < y ? x : y; });
}
inline F64x4 GreaterOf(F64x4 a, F64x4 b) {
  return PerLane(a, b, [](double x, double y) { return x > y ? x : y; });
}
inline F64x4 LessOf(F64x4 a, F64x4 b) {
  return PerLane(a, b, [](double x, double y) { return x < y ? x : y; });
}
inline F32x4 Abs(F32x4 a) {
  return PerLane(a, a, [](float x, float) { return std::fabs(x); });
}
inline F64x4 Abs(F64x4 a) {
  return PerLane(a, a, [](double x, double) { return std::fabs(x); });
}

inline M32x4 Less(F32x4 a, F32x4 b) {
  return Compare(a, b, [](float x, float y) { return x < y; });
}
inline M32x4 Greater(F32x4 a, F32x4 b) {
  return Compare(a, b, [](float x, float y) { return x > y; });
}
inline M32x4 Less(F64x4 a, F64x4 b) {
  return Compare(a, b, [](double x, double y) { return x < y; });
}
inline M32x4 Greater(F64x4 a, F64x4 b) {
  return Compare(a, b, [](double x, double y) { return x > y; });
}

inline M32x4 LessEqual(F32x4 a, F32x4 b) {
  return Compare(a, b, [](float x, float y) { return x <= y; });
}
inline M32x4 GreaterEqual(F32x4 a, F32x4 b) {
  return Compare(a, b, [](float x, float y) { return x >= y; });
}
inline M32x4 LessEqual(F64x4 a, F64x4 b) {
  return Compare(a, b, [](double x, double y) { return x <= y; });
}
inline M32x4 GreaterEqual(F64x4 a, F64x4 b) {
  return Compare(a, b, [](double x, double y) { return x >= y; });
}
inline M32x4 IsNaN(F32x4 a) {
  return Compare(a, a, [](float x, float) { return x != x; });
}
inline M32x4 IsNaN(F64x4 a) {
  return Compare(a, a, [](double x, double) { return x != x; });
}

inline F32x4 Select(M32x4 m, F32x4 a, F32x4 b) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = m.m[l] ? a.v[l] : b.v[l];
  return r;
}
inline F64x4 Select(M32x4 m, F64x4 a, F64x4 b) {
  F64x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = m.m[l] ? a.v[l] : b.v[l];
  return r;
}

inline int LaneBits(M32x4 m) {
  int bits = 0;
  for (int l = 0; l < 4; ++l)
    bits |= m.m[l] ? 1 << l : 0;
  return bits;
}
inline M32x4 MaskOfBits(int bits) {
  M32x4 r;
  for (int l = 0; l < 4; ++l)
    r.m[l] = (bits >> l & 1) != 0;
  return r;
}

inline F32x4 Narrow(F32x4 a) { return a; }
inline F32x4 Narrow(F64x4 a) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = static_cast<float>(a.v[l]);
  return r;
}

// Truncation to int32; NaN and values outside the range give INT32_MIN, as
// on x86.
template <class T> inline int32_t TruncateToInt(T x) {
  return x > T(-2147483649.0) && x < T(2147483648.0) ? static_cast<int32_t>(x) : INT32_MIN;
}
inline void TruncateToInts(F32x4 a, int32_t *out) {
  for (int l = 0; l < 4; ++l)
    out[l] = TruncateToInt(a.v[l]);
}
inline void TruncateToInts(F64x4 a, int32_t *out) {
  for (int l = 0; l < 4; ++l)
    out[l] = TruncateToInt(a.v[l]);
}
inline F32x4 FloatBits(U32x4 a) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = std::bit_cast<float>(a.v[l]);
  return r;
}
inline F64x4 TruncatedDoubles(F64x4 a) {
  F64x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = static_cast<double>(TruncateToInt(a.v[l]));
  return r;
}
inline F32x4 TruncatedFloats(F32x4 a) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = static_cast<float>(TruncateToInt(a.v[l]));
  return r;
}
inline F32x4 FloatsOfInts(const int32_t *in) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = static_cast<float>(in[l]);
  return r;
}

inline F32x4 Gather(const float *const *p, int i) {
  F32x4 r;
  for (int l = 0; l < 4; ++l)
    r.v[l] = p[l][i];
  return r;
}
inline void Scatter(F32x4 v, float *const *p, int i) {
  for (int l = 0; l < 4; ++l)
    p[l][i] = v.v[l];
}

} // namespace portable
} // namespace se_lanes

#endif // SE_COMMON_SIMD_LANES_PORTABLE_H
