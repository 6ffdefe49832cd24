// The output limit on its own: ordinary samples pass bit for bit, the curve
// beyond the knee rises smoothly and never passes the ceiling.
#include "output_limit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using se_lv2::LimitOutput;
using se_lv2::LimitSample;

TEST(OutputLimit, PassesWithinTheKneeAndHoldsTheCeilingBeyond) {
  constexpr float kCeiling = 4.0f;
  for (float x : {0.0f, -0.0f, 1e-30f, 0.5f, -1.9999f, 2.0f, -2.0f})
    EXPECT_EQ(LimitSample(x, kCeiling), x);
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(LimitSample(inf, kCeiling), kCeiling);
  EXPECT_EQ(LimitSample(-inf, kCeiling), -kCeiling);
  EXPECT_EQ(LimitSample(std::nanf(""), kCeiling), 0.0f);
  // Beyond the knee: rising, below the ceiling, and leaving the line with its
  // slope (no corner at the knee).
  float last = 2.0f;
  for (float x = 2.001f; x < 1e6f; x *= 1.01f) {
    const float y = LimitSample(x, kCeiling);
    ASSERT_GE(y, last) << x;
    ASSERT_LE(y, kCeiling) << x;
    ASSERT_EQ(LimitSample(-x, kCeiling), -y);
    last = y;
  }
  EXPECT_NEAR(LimitSample(2.01f, kCeiling), 2.01f, 1e-4f);
  EXPECT_GT(LimitSample(6.0f, kCeiling), 3.5f);
  std::vector<float> block = {0.25f, 7.0f, -inf, std::nanf(""), -1.5f};
  LimitOutput(block.data(), static_cast<int32_t>(block.size()), kCeiling);
  EXPECT_EQ(block[0], 0.25f);
  EXPECT_EQ(block[1], LimitSample(7.0f, kCeiling));
  EXPECT_EQ(block[2], -kCeiling);
  EXPECT_EQ(block[3], 0.0f);
  EXPECT_EQ(block[4], -1.5f);
}

} // namespace
