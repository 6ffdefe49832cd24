// Host-side sources: values worked out by hand from their definitions.
#include "sources/breakpoint_source.h"
#include "sources/file_source.h"
#include "sources/lfo_source.h"

#include "host_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace sehost {
namespace {

std::vector<float> Fill(Source &s, int32_t n, int64_t clock) {
  std::vector<float> out(static_cast<size_t>(n), -99.0f);
  s.Fill(out.data(), n, clock);
  return out;
}

TEST(BreakpointSource, HoldsRampsAndSteps) {
  // 0.1 until clock 2, up to 0.5 at clock 6, a step down to -0.2 at clock 8, then holds.
  BreakpointSource s({{2, 0.1}, {6, 0.5}, {8, 0.5}, {8, -0.2}});
  EXPECT_TRUE(s.Streaming());
  const auto v = Fill(s, 12, 0);
  const float expected[] = {0.1f, 0.1f, 0.1f,  0.2f,  0.3f,  0.4f,
                            0.5f, 0.5f, -0.2f, -0.2f, -0.2f, -0.2f};
  for (int i = 0; i < 12; ++i)
    EXPECT_NEAR(v[i], expected[i], 1e-6) << "clock " << i;
  // Blocks that split a segment give the same values, and a jump back restarts.
  BreakpointSource t({{2, 0.1}, {6, 0.5}});
  EXPECT_NEAR(Fill(t, 2, 3)[1], 0.3f, 1e-6);
  EXPECT_NEAR(Fill(t, 1, 5)[0], 0.4f, 1e-6);
  EXPECT_NEAR(Fill(t, 1, 0)[0], 0.1f, 1e-6);
  // A point between samples: the line through (0.5, 0) and (2.5, 1).
  BreakpointSource half({{0.5, 0.0}, {2.5, 1.0}});
  const auto h = Fill(half, 3, 0);
  EXPECT_NEAR(h[1], 0.25f, 1e-6);
  EXPECT_NEAR(h[2], 0.75f, 1e-6);

  EXPECT_THROW(BreakpointSource({}), HostError);
  EXPECT_THROW(BreakpointSource({{4, 0}, {3, 1}}), HostError);
}

TEST(LfoSource, SineAndTriangleStartAtTheCentreRising) {
  // A quarter cycle every 10 samples: clocks 0, 10, 20, 30 are 0°, 90°, 180°, 270°.
  LfoSource sine(LfoShape::Sine, 0.025, 0.3, 0.2);
  LfoSource tri(LfoShape::Triangle, 0.025, 0.3, 0.2);
  const auto s = Fill(sine, 41, 0);
  const auto t = Fill(tri, 41, 0);
  const float at[] = {0.3f, 0.5f, 0.3f, 0.1f, 0.3f};
  for (int q = 0; q < 5; ++q) {
    EXPECT_NEAR(s[q * 10], at[q], 1e-6) << "sine, quarter " << q;
    EXPECT_NEAR(t[q * 10], at[q], 1e-6) << "triangle, quarter " << q;
  }
  // Between the corners the triangle is straight, the sine follows sin().
  EXPECT_NEAR(t[5], 0.4f, 1e-6);
  EXPECT_NEAR(t[25], 0.2f, 1e-6);
  EXPECT_NEAR(s[5], 0.3 + 0.2 * std::sin(std::numbers::pi / 4), 1e-6);
  // The phase offset shifts the start; the value depends only on the clock.
  LfoSource shifted(LfoShape::Sine, 0.025, 0.0, 1.0, 0.25);
  EXPECT_NEAR(Fill(shifted, 1, 0)[0], 1.0f, 1e-6);
  EXPECT_NEAR(Fill(shifted, 1, 1000000)[0], 1.0f, 1e-5);
}

TEST(FileSource, PlaysOnceOrLoops) {
  FileSource once({1, 2, 3}, false);
  const auto a = Fill(once, 5, 1);
  EXPECT_EQ(a, (std::vector<float>{2, 3, 0, 0, 0}));
  FileSource loop({1, 2, 3}, true);
  EXPECT_EQ(Fill(loop, 5, 2), (std::vector<float>{3, 1, 2, 3, 1}));
  FileSource empty({}, true);
  EXPECT_EQ(Fill(empty, 2, 0), (std::vector<float>{0, 0}));
}

TEST(Resample, InterpolatesBetweenInputSamples) {
  // Doubling the rate puts a midpoint between every pair.
  EXPECT_EQ(Resample({0, 2, 4}, 100, 200), (std::vector<float>{0, 1, 2, 3, 4}));
  // Halving it keeps every other sample.
  EXPECT_EQ(Resample({0, 1, 2, 3, 4}, 200, 100), (std::vector<float>{0, 2, 4}));
  EXPECT_EQ(Resample({5, 6}, 48000, 48000), (std::vector<float>{5, 6}));
}

} // namespace
} // namespace sehost
