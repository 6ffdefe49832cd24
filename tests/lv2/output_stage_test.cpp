// The wrapper's output stage on its own: a level and a bypass that glide,
// and that leave the module's samples untouched at 0 dB and enabled.
#include "output_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using se_lv2::OutputStage;

constexpr float kRate = 48000.0f;
constexpr int32_t kGlide = 960; // 20 ms at 48 kHz
constexpr int32_t kCapacity = 4096;

std::vector<float> Wet(size_t n) {
  std::vector<float> v(n);
  for (size_t k = 0; k < n; ++k)
    v[k] = 0.7f * std::sin(0.01f * static_cast<float>(k));
  return v;
}
std::vector<float> Dry(size_t n) { return std::vector<float>(n, 0.25f); }

// Runs `wet` through the stage in runs of `run` samples on both channels,
// the dry input being `dry`; answers channel 0.
std::vector<float> Stage(OutputStage &stage, std::vector<float> wet, const std::vector<float> &dry,
                         int32_t run, std::vector<float> *second = nullptr) {
  std::vector<float> other = wet;
  for (size_t at = 0; at < wet.size(); at += static_cast<size_t>(run)) {
    const auto n =
        static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(run), wet.size() - at));
    if (stage.NeedsDry()) {
      stage.CopyDry(0, dry.data() + at, n);
      stage.CopyDry(1, dry.data() + at, n);
    }
    float *outs[] = {wet.data() + at, other.data() + at};
    stage.Apply(outs, n);
  }
  if (second != nullptr)
    *second = other;
  return wet;
}

TEST(OutputStage, AtZeroDbAndEnabledEveryBitStays) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 2));
  std::vector<float> wet = Wet(3000);
  wet[5] = std::numeric_limits<float>::quiet_NaN();
  wet[6] = std::numeric_limits<float>::denorm_min();
  wet[7] = -0.0f;
  EXPECT_FALSE(stage.NeedsDry());
  const std::vector<float> out = Stage(stage, wet, Dry(3000), 512);
  EXPECT_EQ(std::memcmp(out.data(), wet.data(), wet.size() * sizeof(float)), 0);
  // A change back to where it was is no change.
  stage.SetTargets(0.0f, true);
  EXPECT_FALSE(stage.NeedsDry());
}

TEST(OutputStage, LevelGlidesOverTwentyMillisecondsThenHolds) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 2));
  stage.SetTargets(-12.0f, true);
  const std::vector<float> ones(3000, 1.0f);
  const std::vector<float> out = Stage(stage, ones, Dry(3000), 100);
  const float target = static_cast<float>(std::pow(10.0, -12.0 / 20.0));
  for (int32_t k = 1; k < kGlide; ++k) {
    ASSERT_LT(out[k], out[k - 1]) << k;                         // falls all the way
    ASSERT_LT(out[k - 1] - out[k], 1.0f / kGlide + 1e-6f) << k; // in even steps
  }
  for (size_t k = kGlide - 1; k < out.size(); ++k)
    ASSERT_EQ(out[k], target) << k;
}

TEST(OutputStage, BypassCrossfadesToTheDryInputAndBack) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 2));
  const std::vector<float> wet = Wet(4000), dry = Dry(4000);
  stage.SetTargets(0.0f, false);
  EXPECT_TRUE(stage.NeedsDry());
  std::vector<float> second;
  const std::vector<float> off = Stage(stage, wet, dry, 333, &second);
  EXPECT_EQ(off, second) << "both channels follow the same glide";
  // Half way through, half of each.
  EXPECT_NEAR(off[kGlide / 2], 0.5f * wet[kGlide / 2] + 0.5f * dry[kGlide / 2], 2e-3f);
  for (size_t k = kGlide; k < off.size(); ++k)
    ASSERT_EQ(off[k], dry[k]) << k;
  // Enabled again: back to the module's samples, exactly, after the glide.
  stage.SetTargets(0.0f, true);
  const std::vector<float> on = Stage(stage, wet, dry, 4000);
  EXPECT_NEAR(on[0], dry[0] * (1.0f - 1.0f / kGlide) + wet[0] / kGlide, 1e-6f);
  for (size_t k = kGlide; k < on.size(); ++k)
    ASSERT_EQ(on[k], wet[k]) << k;
  EXPECT_FALSE(stage.NeedsDry());
}

TEST(OutputStage, ChangeDuringAGlideContinuesFromWhereItIs) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 1));
  const std::vector<float> ones(kGlide / 2, 1.0f);
  stage.SetTargets(-48.0f, true);
  const std::vector<float> down = Stage(stage, ones, ones, 64);
  stage.SetTargets(6.0f, true);
  const std::vector<float> up = Stage(stage, ones, ones, 64);
  EXPECT_LT(std::fabs(up[0] - down.back()), 2.0f / kGlide) << "no jump at the change";
}

TEST(OutputStage, UnconnectedOutputsStillMoveTheGlide) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 2));
  stage.SetTargets(0.0f, false);
  float *none[] = {nullptr, nullptr};
  stage.Apply(none, kGlide);
  // Now fully bypassed: the first sample after is the dry one.
  const std::vector<float> out = Stage(stage, Wet(10), Dry(10), 10);
  EXPECT_EQ(out, Dry(10));
}

TEST(OutputStage, DryMayShareTheOutputsBuffer) {
  OutputStage stage;
  ASSERT_TRUE(stage.Init(kRate, kCapacity, 1));
  stage.Reset(0.0f, false);
  std::vector<float> buffer = Dry(256);
  stage.CopyDry(0, buffer.data(), 256);
  std::fill(buffer.begin(), buffer.end(), 9.0f); // the module writes over its input
  float *outs[] = {buffer.data()};
  stage.Apply(outs, 256);
  EXPECT_EQ(buffer, Dry(256));
  // No input connected: silence.
  stage.CopyDry(0, nullptr, 256);
  stage.Apply(outs, 256);
  EXPECT_EQ(buffer, std::vector<float>(256, 0.0f));
}

TEST(OutputStage, RefusesWhatItCannotServe) {
  OutputStage stage;
  EXPECT_FALSE(stage.Init(kRate, kCapacity, 0));
  EXPECT_FALSE(stage.Init(kRate, kCapacity, OutputStage::kMaxChannels + 1));
  EXPECT_FALSE(stage.Init(kRate, 0, 1));
  EXPECT_TRUE(stage.Init(1.0f, 1, 1)); // a glide of at least one sample
}

} // namespace
