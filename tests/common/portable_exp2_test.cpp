// The modules' own 2^x: exact where the answer is a table entry, within a
// hair of half a unit in the last place elsewhere, and contained outside
// the double range.
#include "portable_exp2.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

using se_math::Exp2;

TEST(PortableExp2, TableStepsAreExactPowersOfTwoTimesTheEntry) {
  for (int m : {-1022, -30, -1, 0, 1, 7, 30, 1023})
    for (int j = 0; j < 256; j += 17) {
      const double x = m + j / 256.0;
      if (x >= 1024.0)
        continue;
      EXPECT_EQ(Exp2(x), std::ldexp(se_math::kExp2Table[j].hi, m)) << x;
    }
  EXPECT_EQ(Exp2(0.0), 1.0);
  EXPECT_EQ(Exp2(-0.0), 1.0);
}

TEST(PortableExp2, ValuesOutsideTheDoubleRangeAreContained) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(Exp2(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(Exp2(inf), inf);
  EXPECT_EQ(Exp2(1024.0), inf);
  EXPECT_EQ(Exp2(1e300), inf);
  EXPECT_EQ(Exp2(-inf), 0.0);
  EXPECT_EQ(Exp2(-1022.5), 0.0);
  EXPECT_EQ(Exp2(-1e300), 0.0);
  // Just below 1024 the result is the largest doubles, not infinity.
  EXPECT_GT(Exp2(1023.999), 1.7e308);
  EXPECT_TRUE(std::isfinite(Exp2(1023.999)));
}

// Against the x87 unit's 64-bit-mantissa exp2l (2^-11 of a double's last
// place): never more than 0.51 units off, the correctly rounded double in
// nearly every case, and never decreasing. Only where long double is that wide.
TEST(PortableExp2, WithinHalfAUnitInTheLastPlace) {
  if (LDBL_MANT_DIG < 64)
    GTEST_SKIP() << "long double is no wider than double here";
  double worst = 0.0, previous = 0.0;
  int notNearest = 0, count = 0;
  for (double x = -64.0; x < 64.0; x += 1.0 / 1021.0, ++count) {
    const double y = Exp2(x);
    const long double exact = exp2l(static_cast<long double>(x));
    const double nearest = static_cast<double>(exact);
    const double ulp = std::nextafter(nearest, DBL_MAX) - nearest;
    worst = std::max(worst, static_cast<double>(std::fabs(y - exact) / ulp));
    notNearest += y != nearest;
    EXPECT_GE(y, previous) << x;
    previous = y;
  }
  EXPECT_LT(worst, 0.51);
  EXPECT_LT(notNearest, count / 1000);
}

} // namespace
