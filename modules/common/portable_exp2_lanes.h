// se_math::Exp2 (portable_exp2.h) for four doubles at once (F64x4, or
// F64x4Avx where compiled for AVX): in every lane the same operations in the
// same order, the table read per lane, and the special cases (NaN, at or
// above 1024, below -1022) selected per lane, so each lane has the bits of
// Exp2 of its value.
#ifndef SE_COMMON_PORTABLE_EXP2_LANES_H
#define SE_COMMON_PORTABLE_EXP2_LANES_H

#include "portable_exp2.h"
#include "simd_lanes.h"

#include <cstdint>
#include <limits>
#include <type_traits>

namespace se_math {

template <class F64x4>
inline std::enable_if_t<se_lanes::kLaneCount<F64x4> == 4 &&
                            std::is_same_v<typename se_lanes::LaneTraits<F64x4>::Scalar, double>,
                        F64x4>
Exp2(F64x4 x) {
  constexpr double kSteps = 1 << kExp2TableBits;
  constexpr double kRoundingShift = 0x1.8p52;
  const F64x4 t = x * F64x4(kSteps);
  const F64x4 k = (t + F64x4(kRoundingShift)) - F64x4(kRoundingShift);
  const F64x4 r = (t - k) * F64x4(1 / kSteps);
  // The integer parts per lane. Lanes outside the range (selected away
  // below) read some entry of the table and make some power: never out of
  // bounds.
  int32_t steps[4];
  se_lanes::TruncateToInts(k, steps);
  double hi[4], lo[4], power[4], twice[4];
  for (int l = 0; l < 4; ++l) {
    const Exp2Entry &e = kExp2Table[steps[l] & ((1 << kExp2TableBits) - 1)];
    hi[l] = e.hi;
    lo[l] = e.lo;
    int32_t m = steps[l] >> kExp2TableBits;
    twice[l] = m > 1023 ? 2.0 : 1.0; // x just below 1024: y < 1, and 2^1024 has no double
    m -= m > 1023 ? 1 : 0;
    power[l] = m >= -1022 && m <= 1023 ? PowerOfTwo(m) : 0.0;
  }
  const double *c = kExp2Series;
  const F64x4 r2 = r * r;
  const F64x4 p = r * F64x4(c[0]) + r2 * (F64x4(c[1]) + r * F64x4(c[2])) +
                  r2 * r2 * (F64x4(c[3]) + r * F64x4(c[4]));
  const F64x4 eHi = F64x4::FromScalars(hi);
  F64x4 y = eHi + (F64x4::FromScalars(lo) + eHi * p);
  // y *= 2 only where m was above 1023 (a multiplication by 1 elsewhere
  // would not change y, but the scalar form does not multiply there).
  const F64x4 two = F64x4::FromScalars(twice);
  y = se_lanes::Select(se_lanes::Greater(two, F64x4(1.0)), y * two, y);
  F64x4 result = y * F64x4::FromScalars(power);
  result = se_lanes::Select(se_lanes::Less(x, F64x4(-1022.0)), F64x4(0.0), result);
  result = se_lanes::Select(se_lanes::GreaterEqual(x, F64x4(1024.0)),
                            F64x4(std::numeric_limits<double>::infinity()), result);
  return se_lanes::Select(se_lanes::IsNaN(x), x, result);
}

} // namespace se_math

#endif // SE_COMMON_PORTABLE_EXP2_LANES_H
