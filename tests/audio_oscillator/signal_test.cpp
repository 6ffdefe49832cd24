// The oscillator's signal through the host, fed by the real table generator:
// frequency, table choice, the two phase arithmetics, pulse forms and noise.
#include "osc_patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using namespace osctest;

constexpr double kRate = 44100.0;

double MaxSineError(const std::vector<float> &out, double hz) {
  double worst = 0.0;
  for (size_t j = 0; j < out.size(); ++j) {
    const double want = 0.5 * std::sin(2.0 * kPi * hz * static_cast<double>(j) / kRate);
    worst = std::max(worst, std::fabs(out[j] - want));
  }
  return worst;
}

TEST(OscillatorSignal, SineFrequencyInEachPitchMode) {
  struct Case {
    int mode;
    float pitch; // sample (1.0 = 10 V)
    double hz;
    int samples;
    double tolerance;
  };
  const Case cases[] = {
      {0, 0.5f, 440.0, 44100, 2e-4},        // 5 V
      {0, 0.0f, 13.75, 44100, 2e-4},        // 0 V
      {0, -0.1f, 6.875, 44100, 2e-4},       // -1 V
      {0, 0.537f, OctHz(5.37), 4410, 5e-4}, // between table entries
      {1, 0.1f, 1000.0, 44100, 3e-4},       // 1 V Khz
      {2, 0.1f, 1.0, 44100, 2e-4},          // 1 V Hz
      {2, 44.0f, 440.0, 44100, 3e-4},       // 440 V Hz
  };
  for (const Case &c : cases) {
    for (bool streaming : {false, true}) { // read once per call, and per sample
      SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " pitch " << c.pitch
                                        << (streaming ? " streaming" : " static"));
      OscPatch p;
      p.Set("Pitch Mode", c.mode);
      if (streaming)
        p.Stream("Pitch", [v = c.pitch](int64_t) { return v; });
      else
        p.Set("Pitch", c.pitch);
      p.Open();
      EXPECT_LT(MaxSineError(p.Render(c.samples), c.hz), c.tolerance);
    }
  }
}

TEST(OscillatorSignal, EachInstanceKeepsThePitchOfItsOwnRate) {
  // Instances open at several rates at once: each plays 440 Hz at 5 V, and
  // exactly what it plays when opened alone, whichever opened last.
  const float rates[] = {44100.0f, 96000.0f, 48000.0f, 22050.0f};
  std::vector<std::vector<float>> alone;
  for (float rate : rates) {
    OscPatch p(1, rate);
    p.Open();
    alone.push_back(p.Render(static_cast<int64_t>(rate / 10.0f)));
  }
  std::vector<std::unique_ptr<OscPatch>> patches;
  for (float rate : rates) {
    patches.push_back(std::make_unique<OscPatch>(1, rate));
    patches.back()->Open();
  }
  for (size_t i = 0; i < patches.size(); ++i) {
    const float rate = rates[i];
    SCOPED_TRACE(rate);
    const auto out = patches[i]->Render(static_cast<int64_t>(rate / 10.0f));
    double worst = 0.0;
    for (size_t j = 0; j < out.size(); ++j)
      worst = std::max(worst, std::fabs(out[j] - 0.5 * std::sin(2.0 * kPi * 440.0 * j / rate)));
    EXPECT_LT(worst, 1e-4);
    EXPECT_TRUE(out == alone[i]) << "differs from the instance opened alone";
  }
}

TEST(OscillatorSignal, RatesBeyondTheSharedRegistryKeepTheirPitch) {
  // More rates than the process shares tables for, all open at once: the
  // instances past the bound build tables of their own and play right too.
  std::vector<std::unique_ptr<OscPatch>> patches;
  for (int k = 0; k < 20; ++k) {
    patches.push_back(std::make_unique<OscPatch>(1, 30000.0f + 1000.0f * k));
    patches.back()->Open();
  }
  for (int k = 0; k < 20; ++k) {
    const float rate = 30000.0f + 1000.0f * k;
    const auto out = patches[k]->Render(static_cast<int64_t>(rate));
    EXPECT_NEAR(RisingCrossings(out), 440, 1) << rate;
  }
}

TEST(OscillatorSignal, HarmonicCountFromLimit) {
  struct Case {
    const char *what;
    int system, mode, harmonics;
    float pitch, adjust, ref, limit; // samples; limit is Hz / 10
    double hz;
    int expected;
  };
  const Case cases[] = {
      {"A, 440 Hz under 22000 Hz", 1, 0, 255, 0.5f, 0.0f, 0.5f, 2200.0f, 440.0, 50},
      {"A, pitch plus adjust", 1, 0, 255, 0.4f, 0.1f, 0.5f, 2200.0f, 440.0, 50},
      {"A, fundamental above the limit", 1, 0, 255, 0.5f, 0.0f, 0.5f, 30.0f, 440.0, 1},
      {"OFF", 0, 0, 255, 0.5f, 0.0f, 0.5f, 2200.0f, 440.0, 256},
      {"OFF, Harmonics 10", 0, 0, 9, 0.5f, 0.0f, 0.5f, 2200.0f, 440.0, 10},
      {"A under a lower Harmonics", 1, 0, 29, 0.5f, 0.0f, 0.5f, 2200.0f, 440.0, 30},
      {"B from Pitch Ref at 110 Hz", 2, 0, 255, 0.5f, 0.0f, 0.3f, 2200.0f, 440.0, 200},
      {"A, 1250 Hz in Khz mode", 1, 1, 255, 0.125f, 0.0f, 0.5f, 2200.0f, 1250.0, 17},
      {"A, 1 kHz in Hz mode", 1, 2, 255, 100.0f, 0.0f, 0.5f, 2200.0f, 1000.0, 22},
      {"A, -30 kHz: quotient above -1", 1, 2, 255, -3000.0f, 0.0f, 0.5f, 2200.0f, -30000.0, 1},
      {"A, -1 kHz: quotient below -1", 1, 2, 255, -100.0f, 0.0f, 0.5f, 2200.0f, -1000.0, 256},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    OscPatch p;
    p.Set("Waveform", 1); // Saw
    p.Set("Limit Freq System", c.system);
    p.Set("Pitch Mode", c.mode);
    p.Set("Harmonics", c.harmonics);
    p.Set("Pitch", c.pitch);
    p.Set("Pitch Adjust (offset)", c.adjust);
    p.Set("Pitch Ref (System B)", c.ref);
    p.Set("Freq Limit (Hz)", c.limit);
    p.Open();
    const auto out = p.Render(1024);
    const int best = BestTable(p, 1, out, c.hz / kRate);
    if (c.expected == 256) {
      // Harmonic 256 falls on the table's own Nyquist points, so tables 255
      // and 256 read alike.
      EXPECT_GE(best, 255);
    } else {
      EXPECT_EQ(best, c.expected);
    }
    EXPECT_LT(TableError(out, p.Table(1, c.expected), c.hz / kRate), 1e-4);
  }
}

// The same settings through the fixed-point path (static width), the
// floating-point path (streaming width) and the per-sample pitch path. Oct
// pitches lie on pitch-table entries, where rounding the entry down (per
// sample) and to nearest (per call) give the same step.
TEST(OscillatorSignal, FixedAndFloatingPathsAgree) {
  struct Case {
    int waveform, mode, system;
    float pitch, width;
    double tolerance;
  };
  const Case cases[] = {
      {1, 0, 1, 0.5f, 0.25f, 1e-4},     // Saw, 440 Hz
      {0, 0, 1, 0.625f, -0.3f, 1e-5},   // Sine
      {15, 0, 1, 0.5f, 0.3f, 1e-4},     // Pulse:Square
      {11, 0, 1, 0.40625f, 0.5f, 1e-4}, // Pulse:Saw
      // Steps of more than half a cycle fold back the same way in both.
      {6, 2, 0, 3307.5f, 0.1f, 1e-3},  // Triangle, 0.75 cycle per sample
      {6, 2, 0, 5512.5f, 0.1f, 1e-3},  // 1.25 cycles per sample
      {16, 2, 0, 3307.5f, 0.2f, 1e-3}, // Pulse:Triangle
      {6, 2, 0, -3307.5f, 0.1f, 1e-3}, // negative
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "waveform " << c.waveform << " pitch " << c.pitch);
    std::vector<float> outs[3];
    for (int path = 0; path < 3; ++path) {
      OscPatch p;
      p.Set("Waveform", c.waveform);
      p.Set("Pitch Mode", c.mode);
      p.Set("Limit Freq System", c.system);
      if (path == 1)
        p.Stream("Phase/Pulse Width", [w = c.width](int64_t) { return w; });
      else
        p.Set("Phase/Pulse Width", c.width);
      if (path == 2)
        p.Stream("Pitch", [v = c.pitch](int64_t) { return v; });
      else
        p.Set("Pitch", c.pitch);
      p.Open();
      outs[path] = p.Render(2048);
    }
    double d1 = 0.0, d2 = 0.0, peak = 0.0;
    for (size_t j = 0; j < outs[0].size(); ++j) {
      d1 = std::max(d1, static_cast<double>(std::fabs(outs[0][j] - outs[1][j])));
      d2 = std::max(d2, static_cast<double>(std::fabs(outs[0][j] - outs[2][j])));
      peak = std::max(peak, static_cast<double>(std::fabs(outs[0][j])));
    }
    EXPECT_LT(d1, c.tolerance);
    EXPECT_LT(d2, c.tolerance);
    EXPECT_GT(peak, 0.05); // not trivially silent
  }
}

TEST(OscillatorSignal, PulseWidthSetsDuty) {
  for (bool streaming : {false, true}) {
    for (float width : {0.0f, 0.5f, 0.25f}) {
      SCOPED_TRACE(::testing::Message() << "width " << width << (streaming ? " streaming" : ""));
      OscPatch p;
      p.Set("Waveform", 11); // Pulse:Saw
      p.Set("Pitch", 0.2f);  // 55 Hz: about 802 samples per cycle
      if (streaming)
        p.Stream("Phase/Pulse Width", [width](int64_t) { return width; });
      else
        p.Set("Phase/Pulse Width", width);
      p.Open();
      const auto out = p.Render(8020); // ten cycles
      if (width == 0.0f) {
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 0.0f; }));
        continue;
      }
      double mean = 0.0;
      for (float v : out)
        mean += v;
      mean /= static_cast<double>(out.size());
      const double high = static_cast<double>(std::count_if(out.begin(), out.end(),
                                                            [mean](float v) { return v > mean; })) /
                          static_cast<double>(out.size());
      EXPECT_NEAR(std::min(high, 1.0 - high), width, 0.02);
      EXPECT_NEAR(mean, 0.0, 0.01); // a saw difference has no offset over whole cycles
    }
  }
}

// The generator's two words, stepped as documented: a ^= b, b += a.
std::vector<float> ExpectedNoise(size_t n, double level) {
  uint32_t a = 0x67453201u, b = 0xEFCDAB89u;
  std::vector<float> out(n);
  for (size_t j = 0; j < n; ++j) {
    a ^= b;
    b += a;
    out[j] =
        static_cast<float>(std::ldexp(static_cast<double>(static_cast<int32_t>(b)), -32) * level);
  }
  return out;
}

TEST(OscillatorSignal, NoiseSequence) {
  OscPatch p(2);
  for (int i = 0; i < 2; ++i) {
    p.Set("Waveform", 255, i);
    p.Set("Phase/Pulse Width", 1.0, i);
  }
  // A streaming pitch runs the per-sample routine, which draws the same words.
  p.Stream(
      "Pitch", [](int64_t k) { return 0.3f + 0.0001f * static_cast<float>(k % 7); }, 1);
  p.Open();
  p.host.ProcessBlock();
  p.host.ProcessBlock();
  const auto a = p.Render(512, 0); // samples 512 to 1023 of instance 0
  const auto want = ExpectedNoise(1024, 1.0);
  EXPECT_TRUE(std::equal(a.begin(), a.end(), want.begin() + 512));
  const float *b = p.host.Buffer(p.osc[1], p.host.PinIndex(p.osc[1], "Wave.Out"));
  EXPECT_TRUE(std::equal(b, b + 256, a.begin() + 256)); // the last block of both

  OscPatch half;
  half.Set("Waveform", 255);
  half.Stream("Phase/Pulse Width", [](int64_t k) { return k < 300 ? 0.5f : 0.0f; });
  half.Open();
  const auto h = half.Render(512);
  const auto wantHalf = ExpectedNoise(300, 0.5);
  EXPECT_TRUE(std::equal(wantHalf.begin(), wantHalf.end(), h.begin()));
  EXPECT_TRUE(std::all_of(h.begin() + 300, h.end(), [](float v) { return v == 0.0f; }));
}

} // namespace
