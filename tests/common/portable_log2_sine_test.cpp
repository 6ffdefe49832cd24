// The modules' own log2 and sine: exact where the answer is exact (powers of
// two, quarter turns), within a few units in the last place elsewhere, and
// contained outside their domain.
#include "portable_exp2.h"
#include "portable_log2.h"
#include "portable_sine.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

using se_math::Cos2Pi;
using se_math::Log2;
using se_math::Sin2Pi;

TEST(PortableLog2, PowersOfTwoAreExactAndOddValuesAreContained) {
  for (int e = -1074; e <= 1023; e += 7)
    EXPECT_EQ(Log2(std::ldexp(1.0, e)), e) << e;
  EXPECT_EQ(Log2(1.0), 0.0);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Log2(0.0), -inf);
  EXPECT_EQ(Log2(-0.0), -inf);
  EXPECT_EQ(Log2(inf), inf);
  EXPECT_TRUE(std::isnan(Log2(-1.0)));
  EXPECT_TRUE(std::isnan(Log2(-inf)));
  EXPECT_TRUE(std::isnan(Log2(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_NEAR(Log2(DBL_TRUE_MIN), -1074.0, 1e-12);
  EXPECT_NEAR(Log2(DBL_MAX), 1024.0, 1e-12);
}

// Against the x87 unit's long double log2l, and as the inverse of our Exp2:
// a few units in the last place, never decreasing.
TEST(PortableLog2, WithinAFewUnitsAndMonotonic) {
  if (LDBL_MANT_DIG < 64)
    GTEST_SKIP() << "long double is no wider than double here";
  double worst = 0.0, previous = -1e300;
  for (double x = 1e-6; x < 1e6; x *= 1.0001) {
    const double y = Log2(x);
    const long double exact = log2l(static_cast<long double>(x));
    const double ulp = std::max(
        std::fabs(std::nextafter(static_cast<double>(exact), DBL_MAX) - static_cast<double>(exact)),
        DBL_TRUE_MIN);
    worst = std::max(worst, static_cast<double>(std::fabs(y - exact) / ulp));
    EXPECT_GE(y, previous) << x;
    previous = y;
  }
  EXPECT_LT(worst, 4.0);
  for (double x = -40.0; x < 40.0; x += 0.013)
    EXPECT_NEAR(Log2(se_math::Exp2(x)), x, 1e-13) << x;
}

TEST(PortableSine, QuarterTurnsAreExact) {
  EXPECT_EQ(Sin2Pi(0.0), 0.0);
  EXPECT_EQ(Sin2Pi(0.25), 1.0);
  EXPECT_EQ(Sin2Pi(0.5), 0.0);
  EXPECT_EQ(Sin2Pi(0.75), -1.0);
  EXPECT_EQ(Sin2Pi(-0.25), -1.0);
  EXPECT_EQ(Cos2Pi(0.0), 1.0);
  EXPECT_EQ(Cos2Pi(0.5), -1.0);
  EXPECT_EQ(Cos2Pi(3.0), 1.0);
  EXPECT_TRUE(std::isnan(Sin2Pi(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(Cos2Pi(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PortableSine, WithinAFewUnitsOfTheLibrarySine) {
  constexpr double kTwoPi = 6.283185307179586476925286766559;
  double worst = 0.0;
  for (double x = -3.0; x < 3.0; x += 1.0 / 4099.0) {
    const long double a = static_cast<long double>(kTwoPi) * x;
    worst = std::max(worst, static_cast<double>(std::fabs(Sin2Pi(x) - sinl(a))));
    worst = std::max(worst, static_cast<double>(std::fabs(Cos2Pi(x) - cosl(a))));
    EXPECT_LT(std::fabs(Sin2Pi(x) * Sin2Pi(x) + Cos2Pi(x) * Cos2Pi(x) - 1.0), 1e-15) << x;
  }
  EXPECT_LT(worst, 1e-15);
}

} // namespace
