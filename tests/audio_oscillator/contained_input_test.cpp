// Inputs far outside what a patch normally sends: the oscillator stays inside
// its tables, writes bounded samples, and plays normally once the input is
// ordinary again.
#include "osc_patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace osctest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int64_t kBad = 512;    // hostile input before this clock
constexpr int64_t kCheck = 1024; // ordinary playing judged from here
constexpr int64_t kLength = kCheck + 4410;

// 440 Hz over the 4410 samples from kCheck: 44 rising crossings, give or take one.
void ExpectRecovered(const std::vector<float> &out) {
  ASSERT_EQ(out.size(), static_cast<size_t>(kLength));
  EXPECT_TRUE(AllFinite(out, 2.0f));
  const int crossings = RisingCrossings(out, kCheck);
  EXPECT_GE(crossings, 43);
  EXPECT_LE(crossings, 45);
}

struct Config {
  const char *what;
  int mode; // Pitch Mode
  int waveform;
  bool streamingPitch;
  bool streamingWidth;
  float width;
  int syncAccuracy; // -1: no sync input
  int pitchModAccuracy;
};

const Config kConfigs[] = {
    {"Oct, static pitch, Saw", 0, 1, false, false, 0.0f, -1, 1},
    {"Oct, per-sample pitch, Sine", 0, 0, true, false, 0.0f, -1, 1},
    {"Oct, per-sample pitch, Pulse:Saw", 0, 11, true, false, 0.5f, -1, 1},
    {"Oct, per-call streaming pitch, Saw", 0, 1, true, false, 0.0f, -1, 0},
    {"Hz, static pitch, Saw", 2, 1, false, false, 0.0f, -1, 1},
    {"Khz, per-sample pitch, Saw, streaming width", 1, 1, true, true, 0.1f, -1, 1},
    {"Khz, per-call pitch, Pulse:Square, streaming width", 1, 15, true, true, 0.5f, -1, 0},
    {"Oct, sync High", 0, 0, false, false, 0.0f, 1, 1},
    {"Hz, sync High", 2, 0, false, false, 0.0f, 1, 1},
    {"Hz, sync Low, per-sample pitch", 2, 1, true, false, 0.0f, 0, 1},
};

float OrdinaryPitch(int mode) { return mode == 0 ? 0.5f : mode == 1 ? 0.044f : 44.0f; }

TEST(OscillatorContainment, HostilePitch) {
  const float values[] = {kNaN, kInf, -kInf, 1e30f, -1e30f, 3.5f, -3.5f, 2.9997f, -2.9997f};
  for (const Config &c : kConfigs) {
    for (float v : values) {
      SCOPED_TRACE(::testing::Message() << c.what << ", pitch " << v);
      OscPatch p;
      p.Set("Pitch Mode", c.mode);
      p.Set("Waveform", c.waveform);
      p.Set("PitchMod Accuracy", c.pitchModAccuracy);
      const float ordinary = OrdinaryPitch(c.mode);
      if (c.streamingPitch) {
        p.Stream("Pitch", [=](int64_t k) { return k < kBad ? v : ordinary; });
      } else {
        p.Set("Pitch", v);
        p.Schedule("Pitch", kBad, ordinary);
      }
      if (c.streamingWidth)
        p.Stream("Phase/Pulse Width", [w = c.width](int64_t) { return w; });
      else
        p.Set("Phase/Pulse Width", c.width);
      if (c.syncAccuracy >= 0) {
        p.Set("Sync Accuracy", c.syncAccuracy);
        p.Stream("Sync", [](int64_t k) { return k < kBad && k % 64 >= 32 ? 1.0f : -1.0f; });
      }
      p.Open();
      ExpectRecovered(p.Render(kLength));
    }
  }
}

TEST(OscillatorContainment, HzScaledPitchInOctMode) {
  // A 440 Hz pitch in Hz mode is the sample 44.0; read as Oct it is 440 V.
  for (bool streaming : {false, true}) {
    OscPatch p;
    p.Set("Pitch Mode", 2);
    p.Set("Waveform", 1);
    if (streaming)
      p.Stream("Pitch", [](int64_t) { return 44.0f; });
    else
      p.Set("Pitch", 44.0);
    p.Schedule("Pitch Mode", 256, 0);
    p.Schedule("Pitch Mode", kBad, 2);
    p.Open();
    ExpectRecovered(p.Render(kLength));
  }
}

TEST(OscillatorContainment, HostileWidth) {
  const float values[] = {kNaN, kInf, -kInf, 1e30f, -1e30f, 1e7f, -2.75f};
  const int waveforms[] = {1, 11}; // Saw, Pulse:Saw
  for (int waveform : waveforms) {
    for (bool streaming : {false, true}) {
      for (bool perSample : {false, true}) {
        for (float v : values) {
          SCOPED_TRACE(::testing::Message() << "waveform " << waveform << ", width " << v
                                            << (streaming ? ", streaming" : "")
                                            << (perSample ? ", per-sample pitch" : ""));
          OscPatch p;
          p.Set("Waveform", waveform);
          if (perSample)
            p.Stream("Pitch", [](int64_t) { return 0.5f; });
          if (streaming) {
            p.Stream("Phase/Pulse Width", [v](int64_t k) { return k < kBad ? v : 0.5f; });
          } else {
            p.Set("Phase/Pulse Width", v);
            p.Schedule("Phase/Pulse Width", kBad, 0.5);
          }
          p.Open();
          ExpectRecovered(p.Render(kLength));
        }
      }
    }
  }
}

TEST(OscillatorContainment, HostileSync) {
  struct Pattern {
    float low, high;
  };
  const Pattern patterns[] = {{-kInf, kInf}, {-1.0f, kInf}, {-kInf, 1.0f},    {kNaN, 1.0f},
                              {-1.0f, kNaN}, {-kNaN, kNaN}, {-1e-45f, 1e-45f}};
  for (int mode : {0, 2}) {
    for (const Pattern &s : patterns) {
      SCOPED_TRACE(::testing::Message()
                   << "mode " << mode << ", sync " << s.low << " to " << s.high);
      OscPatch p;
      p.Set("Pitch Mode", mode);
      p.Set("Pitch", OrdinaryPitch(mode));
      p.Set("Sync Accuracy", 1);
      p.Stream("Sync",
               [s](int64_t k) { return k < kBad ? (k % 40 < 20 ? s.low : s.high) : -1.0f; });
      p.Open();
      ExpectRecovered(p.Render(kLength));
    }
  }
}

TEST(OscillatorContainment, WaveformBeyondTheDirectoryIsSilent) {
  for (int w : {100, 256, 300, 32767, -1, -32768}) {
    SCOPED_TRACE(w);
    OscPatch p;
    p.Set("Waveform", w);
    p.Schedule("Waveform", kBad, 0);
    p.Open();
    const auto out = p.Render(kLength);
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + kBad, [](float x) { return x == 0.0f; }));
    ExpectRecovered(out);
  }
}

TEST(OscillatorContainment, HarmonicsAndLimitOutOfRange) {
  struct Case {
    int harmonics, system;
    float limit;
    int lowest, highest; // tables the rendering may follow
  };
  const Case cases[] = {
      {-5, 0, 2200.0f, 1, 1},       {-32768, 0, 2200.0f, 1, 1},  {256, 0, 2200.0f, 255, 256},
      {1000, 0, 2200.0f, 255, 256}, {32767, 1, 2200.0f, 50, 50}, {255, 1, kNaN, 1, 1},
      {255, 1, -100.0f, 1, 1},      {255, 1, kInf, 255, 256},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "harmonics " << c.harmonics << ", limit " << c.limit);
    OscPatch p;
    p.Set("Waveform", 1);
    p.Set("Harmonics", c.harmonics);
    p.Set("Limit Freq System", c.system);
    p.Set("Freq Limit (Hz)", c.limit);
    p.Open();
    const auto out = p.Render(1024);
    const int best = BestTable(p, 1, out, 440.0 / 44100.0);
    EXPECT_GE(best, c.lowest);
    EXPECT_LE(best, c.highest);
  }
}

} // namespace
