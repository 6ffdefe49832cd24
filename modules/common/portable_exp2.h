// 2^x computed by our own code, so that every build (64-bit, 32-bit and
// Windows) answers the same bits, whatever its C library's exp2 or pow does.
//
// x = m + j/256 + r, with m and j integers (0 <= j < 256) and |r| <= 1/512:
//   2^x = 2^m * 2^(j/256) * 2^r,
// 2^(j/256) from a table as double + double, 2^r - 1 by its series to r^5.
// Each step is plain double arithmetic (r and the scaling by 2^m are exact),
// so the result is within about 0.505 units in the last place and the same
// on every machine that rounds doubles as doubles (ieee_rounding.h).
#ifndef SE_COMMON_PORTABLE_EXP2_H
#define SE_COMMON_PORTABLE_EXP2_H

#include "exp2_table.h"
#include "ieee_rounding.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace se_math {

// 2^m for a normal exponent m (-1022 ... 1023), built from its bits.
inline double PowerOfTwo(int32_t m) {
  return std::bit_cast<double>(static_cast<uint64_t>(m + 1023) << 52);
}

// 2^x. NaN stays NaN; at and above 1024 it is +infinity, below -1022 (where
// results leave the normal range) 0.
inline double Exp2(double x) {
  if (!(x == x))
    return x;
  if (x >= 1024.0)
    return std::numeric_limits<double>::infinity();
  if (x < -1022.0)
    return 0.0;
  constexpr double kSteps = 1 << kExp2TableBits;
  // Adding 1.5 * 2^52 leaves no fraction bits: t rounded to the nearest
  // integer (ties to even), exactly, for |t| < 2^51 (here |t| < 2^19).
  constexpr double kRoundingShift = 0x1.8p52;
  const double t = x * kSteps; // exact: a power of two
  const double k = (t + kRoundingShift) - kRoundingShift;
  const double r = (t - k) * (1 / kSteps); // exact, |r| <= 1/512
  const auto steps = static_cast<int32_t>(k);
  const Exp2Entry &e = kExp2Table[steps & ((1 << kExp2TableBits) - 1)];
  int32_t m = steps >> kExp2TableBits; // arithmetic shift: floor division
  // 2^r - 1, in pairs of terms that do not wait for each other.
  const double *c = kExp2Series;
  const double r2 = r * r;
  const double p = r * c[0] + r2 * (c[1] + r * c[2]) + r2 * r2 * (c[3] + r * c[4]);
  double y = e.hi + (e.lo + e.hi * p);
  if (m > 1023) { // x just below 1024: y < 1, and 2^1024 has no double
    y *= 2.0;
    m -= 1;
  }
  return y * PowerOfTwo(m);
}

} // namespace se_math

#endif // SE_COMMON_PORTABLE_EXP2_H
