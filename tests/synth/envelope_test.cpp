// The envelope's stages, to the sample at 48 kHz: where each ends, the level
// it ends on, the shape of its curve, and what a retrigger or a release in
// the middle of a stage does.
#include "envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using synth::Envelope;
using Stage = Envelope::Stage;

constexpr double kRate = 48000.0;

Envelope Make(double a, double d, double s, double r) {
  Envelope e;
  e.Configure(Envelope::MakeShape(Envelope::FromMs(a, d, s, r, kRate), 240));
  return e;
}

std::vector<double> Take(Envelope &e, int n) {
  std::vector<double> out(static_cast<size_t>(n));
  e.Fill(out.data(), n);
  return out;
}

// The curve of a stage of n samples from s to e with ratio r, at sample k.
double Curve(double s, double e, double r, int n, int k) {
  const double t = e + r * (e - s);
  return t + (s - t) * std::pow(r / (1.0 + r), static_cast<double>(k) / n);
}

TEST(SynthEnvelope, StagesEndOnTheirLevelsAtTheirSamples) {
  Envelope e = Make(10.0, 100.0, 0.5, 250.0); // 480, 4800, -, 12000 samples
  e.Trigger();
  const std::vector<double> up = Take(e, 480 + 4800 + 100);
  EXPECT_EQ(up[0], 0.0);
  for (int k = 1; k < 480; ++k) {
    EXPECT_GT(up[k], up[k - 1]) << k;
    EXPECT_LT(up[k], 1.0) << k;
    EXPECT_NEAR(up[k], Curve(0.0, 1.0, 0.3, 480, k), 1e-12) << k;
  }
  EXPECT_EQ(up[480], 1.0); // the peak, exactly at 10 ms
  for (int k = 481; k < 480 + 4800; ++k) {
    EXPECT_LT(up[k], up[k - 1]) << k;
    EXPECT_GT(up[k], 0.5) << k;
    EXPECT_NEAR(up[k], Curve(1.0, 0.5, 0.001, 4800, k - 480), 1e-12) << k;
  }
  EXPECT_EQ(up[480 + 4800], 0.5); // the sustain level, exactly at 110 ms
  EXPECT_EQ(up.back(), 0.5);
  EXPECT_EQ(e.CurrentStage(), Stage::kSustain);

  e.Release();
  const std::vector<double> down = Take(e, 12000 + 10);
  EXPECT_EQ(down[0], 0.5);
  for (int k = 1; k < 12000; ++k) {
    EXPECT_LT(down[k], down[k - 1]) << k;
    EXPECT_GT(down[k], 0.0) << k;
  }
  // Half way through, the release is about 30 dB below where it began.
  EXPECT_NEAR(down[6000], Curve(0.5, 0.0, 0.001, 12000, 6000), 1e-12);
  EXPECT_NEAR(20.0 * std::log10(down[6000] / 0.5), -30.0, 0.5);
  EXPECT_EQ(down[12000], 0.0);
  EXPECT_TRUE(e.Idle());
}

TEST(SynthEnvelope, EveryStageTakesItsTimeFromWhereverItStarts) {
  Envelope e = Make(10.0, 100.0, 0.8, 50.0);
  e.Trigger();
  Take(e, 200); // in the attack
  const double level = e.Level();
  ASSERT_GT(level, 0.3);
  ASSERT_LT(level, 1.0);
  e.Release(); // from the attack: 2400 samples to 0, starting where it stood
  const std::vector<double> down = Take(e, 2401);
  EXPECT_EQ(down[0], level);
  EXPECT_GT(down[2399], 0.0);
  EXPECT_EQ(down[2400], 0.0);

  // A retrigger during the release climbs from the level it finds, again in 480 samples.
  e.Trigger();
  Take(e, 100);
  e.Release();
  Take(e, 1000);
  const double from = e.Level();
  e.Trigger();
  const std::vector<double> again = Take(e, 481);
  EXPECT_EQ(again[0], from);
  EXPECT_NEAR(again[1], Curve(from, 1.0, 0.3, 480, 1), 1e-12);
  EXPECT_LT(again[479], 1.0);
  EXPECT_EQ(again[480], 1.0);
}

TEST(SynthEnvelope, NoStepWhereverTheSettingsChange) {
  Envelope e = Make(1.0, 1.0, 1.0, 1.0);
  e.Trigger();
  Take(e, 100);
  EXPECT_EQ(e.CurrentStage(), Stage::kSustain); // sustain 1: no decay at all
  EXPECT_EQ(e.Level(), 1.0);
  // A new sustain level is reached in the move's 240 samples, not at once.
  e.Configure(Envelope::MakeShape(Envelope::FromMs(1.0, 1.0, 0.25, 1.0, kRate), 240));
  const std::vector<double> move = Take(e, 241);
  EXPECT_EQ(move[0], 1.0);
  for (int k = 1; k < 240; ++k)
    EXPECT_LT(move[k], move[k - 1]);
  EXPECT_EQ(move[240], 0.25);
  EXPECT_EQ(e.CurrentStage(), Stage::kSustain);
  // A change of sustain while the decay runs: the decay ends on its own level,
  // then moves on to the new one.
  Envelope f = Make(1.0, 10.0, 0.5, 1.0);
  f.Trigger();
  Take(f, 100);
  f.Configure(Envelope::MakeShape(Envelope::FromMs(1.0, 10.0, 0.2, 1.0, kRate), 240));
  const std::vector<double> rest = Take(f, 48 + 380 + 241);
  EXPECT_EQ(rest[48 + 380], 0.5);
  EXPECT_EQ(rest[48 + 380 + 240], 0.2);
  double worst = 0.0;
  for (size_t k = 1; k < rest.size(); ++k)
    worst = std::max(worst, std::fabs(rest[k] - rest[k - 1]));
  EXPECT_LT(worst, 0.01);
}

TEST(SynthEnvelope, ShortestTimesAndSilentSustainEndTheNote) {
  Envelope e = Make(1.0, 1.0, 0.0, 1.0); // 48 samples each
  e.Trigger();
  const std::vector<double> v = Take(e, 200);
  EXPECT_EQ(v[48], 1.0);
  EXPECT_EQ(v[96], 0.0);
  EXPECT_EQ(e.CurrentStage(), Stage::kSustain);
  e.Release(); // nothing left to release
  EXPECT_TRUE(e.Idle());
  // Release before anything sounded: idle at once.
  Envelope f = Make(5.0, 5.0, 0.5, 5.0);
  f.Trigger();
  f.Release();
  EXPECT_TRUE(f.Idle());
}

} // namespace
