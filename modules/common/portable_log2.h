// log2(x) computed by our own code, so that every build answers the same bits
// whatever its C library's log2 does (as portable_exp2.h for 2^x).
//
// x = 2^e * m with m in [sqrt(1/2), sqrt(2)); ln m = 2 atanh(s) with
// s = (m - 1) / (m + 1), |s| <= 0.1716, by its odd series to s^23. Every step
// is a plain double operation, so the result (within a few units in the last
// place) is the same on every machine that rounds doubles as doubles.
#ifndef SE_COMMON_PORTABLE_LOG2_H
#define SE_COMMON_PORTABLE_LOG2_H

#include "ieee_rounding.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace se_math {

// log2(x). NaN and negative x give NaN, 0 gives -infinity, +infinity stays.
inline double Log2(double x) {
  if (!(x > 0.0))
    return x == 0.0 ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::quiet_NaN();
  if (x == std::numeric_limits<double>::infinity())
    return x;
  int32_t e = 0;
  if (x < 0x1p-1022) { // subnormal: scale into the normal range first (exact)
    x *= 0x1p54;
    e = -54;
  }
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  e += static_cast<int32_t>((bits >> 52) & 0x7ff) - 1023;
  double m = std::bit_cast<double>((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);
  if (m > 1.4142135623730951) { // into [sqrt(1/2), sqrt(2)): exact halving
    m *= 0.5;
    e += 1;
  }
  const double s = (m - 1.0) / (m + 1.0); // m - 1 is exact
  const double s2 = s * s;
  // 1 + s^2/3 + s^4/5 + ... + s^22/23, by Horner's rule.
  double p = 1.0 / 23.0;
  for (int k = 21; k >= 1; k -= 2)
    p = 1.0 / k + s2 * p;
  constexpr double kTwoOverLn2 = 2.8853900817779268; // 2 / ln 2
  return static_cast<double>(e) + (s * p) * kTwoOverLn2;
}

} // namespace se_math

#endif // SE_COMMON_PORTABLE_LOG2_H
