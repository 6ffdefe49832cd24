// Sync, hold, on/off and the link's arrival, through the host.
#include "osc_patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace osctest;

constexpr double kRate = 44100.0;
constexpr double kStep440 = 440.0 / kRate;

double SineAt(double cycles) { return 0.5 * std::sin(2.0 * kPi * cycles); }

bool Constant(const std::vector<float> &v, size_t from, size_t to, float value) {
  return std::all_of(v.begin() + from, v.begin() + to, [value](float x) { return x == value; });
}

TEST(OscillatorSync, RestartsTheCycleAtEachRise) {
  struct Case {
    const char *what;
    int accuracy, mode;
    float pitch;
    bool streamingPitch;
    float low, high; // the sync square wave
    double fraction; // part of a sample passed at the rise, for High
  };
  const Case cases[] = {
      {"Low", 0, 0, 0.5f, false, -1.0f, 1.0f, 0.0},
      {"High, -1 to +1: half a step", 1, 0, 0.5f, false, -1.0f, 1.0f, 0.5},
      {"High, -0.25 to 0.75", 1, 0, 0.5f, false, -0.25f, 0.75f, 0.75},
      {"High, from -0", 1, 0, 0.5f, false, -0.0f, 0.5f, 1.0},
      {"High, per-sample pitch", 1, 0, 0.5f, true, -1.0f, 1.0f, 0.5},
      {"High, Hz mode", 1, 2, 44.0f, false, -1.0f, 1.0f, 0.5},
      {"Low, Khz mode, per-sample pitch", 0, 1, 0.044f, true, -1.0f, 1.0f, 0.0},
  };
  // Rises at 256 (the block boundary), 556 and 856 (mid-block).
  auto rising = [](int64_t k) { return k >= 256 && (k - 256) % 300 < 150; };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    OscPatch p;
    p.Set("Sync Accuracy", c.accuracy);
    p.Set("Pitch Mode", c.mode);
    if (c.streamingPitch)
      p.Stream("Pitch", [v = c.pitch](int64_t) { return v; });
    else
      p.Set("Pitch", c.pitch);
    p.Stream("Sync", [=](int64_t k) { return rising(k) ? c.high : c.low; });
    p.Open();
    const auto out = p.Render(1100);
    double worst = 0.0;
    double phase0 = 0.0; // phase of sample `start`, in samples of 440 Hz
    int64_t start = 0;
    for (int64_t k = 0; k < 1100; ++k) {
      if (k == 256 || k == 556 || k == 856) {
        start = k;
        phase0 = c.fraction;
      }
      const double want = SineAt((static_cast<double>(k - start) + phase0) * kStep440);
      worst = std::max(worst, std::fabs(out[k] - want));
    }
    EXPECT_LT(worst, 2e-4);
    if (c.fraction == 0.0) {
      EXPECT_EQ(out[256], 0.0f); // restart exactly on the sample
    }
  }
}

TEST(OscillatorSync, NoRestartWithoutARise) {
  // Staying at 0 (not positive), falling, and staying positive after the
  // first sample leave a free-running 440 Hz sine.
  const std::function<float(int64_t)> syncs[] = {
      [](int64_t) { return 0.0f; }, [](int64_t k) { return k < 300 ? 0.0f : -0.5f; },
      [](int64_t k) { return k < 300 ? -0.0f : -1.0f; },
      [](int64_t k) { return k < 300 ? 0.5f : 0.25f; }, // one rise, at sample 0
  };
  for (const auto &sync : syncs) {
    OscPatch p;
    p.Set("Sync Accuracy", 0);
    p.Stream("Sync", sync);
    p.Open();
    const auto out = p.Render(1024);
    double worst = 0.0;
    for (size_t k = 0; k < out.size(); ++k)
      worst = std::max(worst, std::fabs(out[k] - SineAt(static_cast<double>(k) * kStep440)));
    EXPECT_LT(worst, 1e-4);
  }
}

TEST(OscillatorSync, StaticSyncRiseResetsAtItsEvent) {
  OscPatch p;
  p.Schedule("Sync", 1000, 0.1); // rises
  p.Schedule("Sync", 1500, -0.1);
  p.Schedule("Sync", 1700, 0.0); // 0 is not above 0
  p.Schedule("Sync", 2000, 0.2); // rises again
  p.Open();
  const auto out = p.Render(2560);
  double worst = 0.0;
  for (int64_t k = 0; k < 2560; ++k) {
    const int64_t start = k >= 2000 ? 2000 : k >= 1000 ? 1000 : 0;
    worst = std::max(worst, std::fabs(out[k] - SineAt(static_cast<double>(k - start) * kStep440)));
  }
  EXPECT_LT(worst, 1e-4);
  EXPECT_EQ(out[1000], 0.0f);
  EXPECT_EQ(out[2000], 0.0f);
}

TEST(OscillatorHold, RepeatsTheSampleBeforeItAndSleeps) {
  for (int64_t at : {512, 600}) { // a block boundary, and mid-block
    SCOPED_TRACE(at);
    OscPatch p;
    p.host.RecordRequests(p.osc[0], true);
    p.Schedule("HOLD: On/Off", at, 1);
    p.Schedule("HOLD: On/Off", 2048, 0);
    p.Open();
    auto out = p.Render(1536);
    const float held = out[at - 1];
    EXPECT_NE(held, 0.0f);
    EXPECT_NE(out[at - 2], held);
    EXPECT_TRUE(Constant(out, at, out.size(), held));
    EXPECT_TRUE(p.host.Sleeping(p.osc[0]));
    const int calls = p.host.ProcessCalls(p.osc[0]);
    p.host.ProcessBlock();
    EXPECT_EQ(p.host.ProcessCalls(p.osc[0]), calls); // asleep: not called
    EXPECT_TRUE(Constant(std::vector<float>(p.Out(), p.Out() + 256), 0, 256, held));

    // HOLD off: running again, announced as such.
    p.host.ClearRequests(p.osc[0]);
    out = p.Render(512); // samples 1792 .. 2303
    EXPECT_FALSE(p.host.Sleeping(p.osc[0]));
    EXPECT_FALSE(Constant(out, 256, 512, out[256]));
    const auto &rq = p.host.Requests(p.osc[0]);
    EXPECT_TRUE(std::any_of(rq.begin(), rq.end(), [](const sehost::Request &r) {
      return r.opcode == HRQ_PIN_STATUS && r.index == 6 && r.value == PS_RUNNING;
    }));
  }
}

TEST(OscillatorHold, NeverReadsPastALoweredBlockSize) {
  OscPatch p;
  p.Open();
  p.Render(512); // two blocks of 256: the buffer's tail holds sample 511
  p.host.SetBlockSize(128);
  p.host.ProcessBlock(); // samples 512 .. 639
  const float last = p.Out()[127];
  EXPECT_NE(last, p.Out()[255]);
  p.Schedule("HOLD: On/Off", 640, 1);
  p.host.ProcessBlock();
  EXPECT_TRUE(Constant(std::vector<float>(p.Out(), p.Out() + 128), 0, 128, last));
}

TEST(OscillatorHold, HoldAndSilenceCoverEveryBlockLengthAfterSleep) {
  // HOLD or Active OFF arrives while the host runs one-sample blocks; then
  // the blocks grow and shrink: every sample of every block holds the frozen
  // value (or silence), asleep or not.
  for (const char *pin : {"HOLD: On/Off", "Active"}) {
    SCOPED_TRACE(pin);
    OscPatch p;
    p.Set("Waveform", 1);
    p.Open();
    p.Render(512);
    p.host.SetBlockSize(1);
    p.Schedule(pin, 515, pin[0] == 'H' ? 1 : 0);
    float want = 0.0f;
    for (int32_t size : {1, 1, 1, 1, 1, 1, 1, 1, 256, 7, 256, 100, 1, 256, 256}) {
      p.host.SetBlockSize(size);
      p.host.ProcessBlock();
      if (p.host.Clock() == 515 && pin[0] == 'H')
        want = p.Out()[0]; // the sample before HOLD
      if (p.host.Clock() <= 515)
        continue;
      ASSERT_TRUE(Constant(std::vector<float>(p.Out(), p.Out() + size), 0, size, want))
          << "block of " << size;
    }
    EXPECT_TRUE(pin[0] != 'H' || want != 0.0f);
    EXPECT_TRUE(p.host.Sleeping(p.osc[0]));
  }
}

TEST(OscillatorHold, ANonFiniteSampleIsHeldAsZero) {
  // Noise at a NaN level until HOLD comes on, a finite level after: the
  // frozen output is 0, not the NaN sample before it.
  OscPatch p;
  p.Set("Waveform", 255);
  p.Stream("Phase/Pulse Width",
           [](int64_t k) { return k < 600 ? std::numeric_limits<float>::quiet_NaN() : 0.5f; });
  p.Schedule("HOLD: On/Off", 600, 1);
  p.Open();
  const auto out = p.Render(1536);
  EXPECT_TRUE(std::isnan(out[599]));
  EXPECT_TRUE(Constant(out, 600, out.size(), 0.0f));
}

TEST(OscillatorHold, ActiveOnDuringHoldKeepsTheFrozenRoutine) {
  OscPatch p;
  p.host.RecordRequests(p.osc[0], true);
  p.Schedule("HOLD: On/Off", 512, 1);
  p.Schedule("Active", 1024, 0); // silence while held
  p.Schedule("Active", 1536, 1); // announced as running, but still silent
  p.Schedule("HOLD: On/Off", 2048, 0);
  p.Open();
  const auto out = p.Render(2560);
  EXPECT_TRUE(Constant(out, 512, 1024, out[511]));
  EXPECT_TRUE(Constant(out, 1024, 2048, 0.0f));
  EXPECT_FALSE(Constant(out, 2048, 2560, out[2048]));
  int running = 0;
  for (const auto &r : p.host.Requests(p.osc[0]))
    if (r.opcode == HRQ_PIN_STATUS && r.index == 6 && r.value == PS_RUNNING)
      ++running;
  // At open (the HOLD and the Active event), Active ON at 1536, HOLD OFF at 2048.
  EXPECT_EQ(running, 4);
}

TEST(OscillatorActive, OffByDefaultThenOn) {
  OscPatch p(1, 44100.0f, 256, true, false);
  p.host.RecordRequests(p.osc[0], true);
  p.Schedule("Active", 1024, 1);
  p.Open();
  const auto out = p.Render(2048);
  EXPECT_TRUE(Constant(out, 0, 1024, 0.0f));
  EXPECT_EQ(p.host.ProcessCalls(p.osc[0]), 1 + 4); // one silent block, then asleep
  const auto &rq = p.host.Requests(p.osc[0]);
  std::vector<int32_t> statuses;
  for (const auto &r : rq)
    if (r.opcode == HRQ_PIN_STATUS && r.index == 6)
      statuses.push_back(r.value);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), PS_RUNNING); // Active ON
  EXPECT_EQ(statuses[statuses.size() - 2], PS_ONCE);
  double worst = 0.0;
  for (int64_t k = 1024; k < 2048; ++k)
    worst = std::max(worst, std::fabs(out[k] - SineAt(static_cast<double>(k - 1024) * kStep440)));
  EXPECT_LT(worst, 1e-4); // the phase stands still while silent
}

TEST(OscillatorLink, UnconnectedLinkNeverPlays) {
  OscPatch source;
  source.Open();
  const auto directory = reinterpret_cast<intptr_t>(source.Directory());

  OscPatch p(1, 44100.0f, 256, false);
  p.host.RecordRequests(p.osc[0], true);
  p.Open();
  p.Set("QX_Osc_Link", static_cast<double>(directory)); // arrives after open
  p.Set("Pitch", 0.3);
  const auto out = p.Render(1024);
  EXPECT_TRUE(Constant(out, 0, out.size(), 0.0f));
  for (const auto &r : p.host.Requests(p.osc[0])) {
    EXPECT_NE(r.opcode, HRQ_PROCESS_CHANGED);
    EXPECT_NE(r.opcode, HRQ_PIN_STATUS);
    EXPECT_NE(r.opcode, HRQ_SLEEP);
  }
}

TEST(OscillatorLink, WaveformChangeBeforeTheLinkArrives) {
  OscPatch p;
  p.Set("Waveform", 1);
  // Delivered at clock 0 ahead of the generator's link value.
  SETimedEvent e{};
  e.event_type = EV_PIN_STATUS;
  e.int_value = PS_ONCE;
  e.ptr_value = 7;
  p.host.QueueEvent(p.osc[0], e);
  p.Open();
  const auto out = p.Render(1024);
  EXPECT_LT(TableError(out, p.Table(1, 50), kStep440), 1e-4); // Saw, 50 harmonics
}

} // namespace
