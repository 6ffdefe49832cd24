// sin(2 pi x) and cos(2 pi x) computed by our own code, so that every build
// answers the same bits whatever its C library's sin does.
//
// 4x = n + r with n the nearest integer and |r| <= 1/2, so 2 pi x = n pi/2 +
// t with |t| = |r| pi/2 <= pi/4, and sin or cos of t by its Taylor series to
// t^17 / t^16 (the first term left out is below 1e-17). Plain double
// operations throughout; within a few units in the last place for |x| up to
// a few thousand cycles.
#ifndef SE_COMMON_PORTABLE_SINE_H
#define SE_COMMON_PORTABLE_SINE_H

#include "ieee_rounding.h"

#include <cmath>
#include <cstdint>

namespace se_math {

namespace sine_detail {

// sin t and cos t for |t| <= pi/4.
inline double SinSeries(double t) {
  const double t2 = t * t;
  double p = 1.0 / 355687428096000.0; // 1/17!
  p = -1.0 / 1307674368000.0 + t2 * p;
  p = 1.0 / 6227020800.0 + t2 * p;
  p = -1.0 / 39916800.0 + t2 * p;
  p = 1.0 / 362880.0 + t2 * p;
  p = -1.0 / 5040.0 + t2 * p;
  p = 1.0 / 120.0 + t2 * p;
  p = -1.0 / 6.0 + t2 * p;
  return t + t * (t2 * p);
}

inline double CosSeries(double t) {
  const double t2 = t * t;
  double p = 1.0 / 20922789888000.0; // 1/16!
  p = -1.0 / 87178291200.0 + t2 * p;
  p = 1.0 / 479001600.0 + t2 * p;
  p = -1.0 / 3628800.0 + t2 * p;
  p = 1.0 / 40320.0 + t2 * p;
  p = -1.0 / 720.0 + t2 * p;
  p = 1.0 / 24.0 + t2 * p;
  p = -0.5 + t2 * p;
  return 1.0 + t2 * p;
}

// The quarter turn nearest to x cycles (0 to 3) and what is left, in radians.
inline int32_t Reduce(double x, double &t) {
  const double f = x - std::floor(x); // [0, 1]; floor is exact
  const double y = 4.0 * f;           // exact
  const double n = std::floor(y + 0.5);
  t = (y - n) * 1.5707963267948966; // y - n is exact
  return static_cast<int32_t>(n) & 3;
}

} // namespace sine_detail

// sin(2 pi x); a non-finite x gives NaN.
inline double Sin2Pi(double x) {
  if (!(x - x == 0.0))
    return x - x;
  double t;
  switch (sine_detail::Reduce(x, t)) {
  case 0: return sine_detail::SinSeries(t);
  case 1: return sine_detail::CosSeries(t);
  case 2: return -sine_detail::SinSeries(t);
  default: return -sine_detail::CosSeries(t);
  }
}

// cos(2 pi x); a non-finite x gives NaN.
inline double Cos2Pi(double x) {
  if (!(x - x == 0.0))
    return x - x;
  double t;
  switch (sine_detail::Reduce(x, t)) {
  case 0: return sine_detail::CosSeries(t);
  case 1: return -sine_detail::SinSeries(t);
  case 2: return -sine_detail::CosSeries(t);
  default: return sine_detail::SinSeries(t);
  }
}

} // namespace se_math

#endif // SE_COMMON_PORTABLE_SINE_H
