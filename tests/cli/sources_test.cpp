// Host-side sources: values worked out by hand from their definitions.
#include "sources/breakpoint_source.h"
#include "sources/file_source.h"
#include "sources/lfo_source.h"

#include "host_error.h"
#include "run_tool.h"

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
  LfoSource sine(LfoShape::kSine, 0.025, 0.3, 0.2);
  LfoSource tri(LfoShape::kTriangle, 0.025, 0.3, 0.2);
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
  LfoSource shifted(LfoShape::kSine, 0.025, 0.0, 1.0, 0.25);
  EXPECT_NEAR(Fill(shifted, 1, 0)[0], 1.0f, 1e-6);
  EXPECT_NEAR(Fill(shifted, 1, 1000000)[0], 1.0f, 1e-5);
}

std::unique_ptr<FileSource> PlayFile(const setest::TempDir &dir, int file_rate,
                                     const std::vector<float> &samples, double rate, bool loop) {
  const std::string path = dir / (std::to_string(file_rate) + ".wav");
  EXPECT_TRUE(setest::WriteSound(path, file_rate, 1, samples));
  FileSourceSettings settings;
  settings.loop = loop;
  settings.gain = 2.0;
  return std::make_unique<FileSource>(std::make_unique<AudioFileReader>(path), settings, rate);
}

TEST(FileSource, PlaysOnceOrLoopsAndStartsAgainOnAJumpBack) {
  setest::TempDir dir;
  auto once = PlayFile(dir, 1000, {0.1f, 0.2f, 0.3f}, 1000, false);
  EXPECT_EQ(Fill(*once, 5, 1), (std::vector<float>{0.4f, 0.6f, 0, 0, 0}));
  EXPECT_EQ(Fill(*once, 3, 0), (std::vector<float>{0.2f, 0.4f, 0.6f}));
  auto loop = PlayFile(dir, 1000, {0.1f, 0.2f, 0.3f}, 1000, true);
  EXPECT_EQ(Fill(*loop, 5, 2), (std::vector<float>{0.6f, 0.2f, 0.4f, 0.6f, 0.2f}));
}

// A tone through the resampler, measured against the ideal one at the new
// rate: what passes keeps its level and its timing, what lies above the new
// rate's Nyquist frequency is gone (no aliases).
double ResampledToneError(double file_rate, double hz, double rate, double *level) {
  setest::TempDir dir;
  std::vector<float> tone(static_cast<size_t>(file_rate / 2));
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<float>(0.25 * std::sin(2 * std::numbers::pi * hz * i / file_rate));
  auto source = PlayFile(dir, static_cast<int>(file_rate), tone, rate, false);
  const auto n = static_cast<int32_t>(rate / 2);
  std::vector<float> out;
  for (int32_t clock = 0; clock < n; clock += 256) {
    const auto block = Fill(*source, 256, clock);
    out.insert(out.end(), block.begin(), block.end());
  }
  // The middle, away from the edges of the file.
  double error = 0, power = 0;
  const auto from = static_cast<size_t>(n / 4), to = static_cast<size_t>(3 * n / 4);
  for (size_t i = from; i < to; ++i) {
    const double ideal = 0.5 * std::sin(2 * std::numbers::pi * hz * i / rate);
    error = std::max(error, std::abs(out[i] - ideal));
    power += out[i] * out[i];
  }
  *level = std::sqrt(power / static_cast<double>(to - from));
  return error;
}

TEST(FileSource, ResamplesWithoutAliases) {
  double level = 0;
  // 1 kHz, 96 kHz to 48 kHz and 44.1 kHz to 48 kHz: the same tone, in time.
  EXPECT_LT(ResampledToneError(96000, 1000, 48000, &level), 1e-4);
  EXPECT_NEAR(level, 0.5 / std::sqrt(2.0), 1e-4);
  EXPECT_LT(ResampledToneError(44100, 1000, 48000, &level), 1e-4);
  // 40 kHz in a 96 kHz file has no place at 48 kHz: it must vanish, not fold to 8 kHz.
  ResampledToneError(96000, 40000, 48000, &level);
  EXPECT_LT(20 * std::log10(level + 1e-12), -100.0);
}

} // namespace
} // namespace sehost
