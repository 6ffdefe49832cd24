// The combination routines through our host, against the reference model and
// against numbers worked by hand from the formulas.
#include "ladder_harness.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ladder_test;

namespace {

// A saw large enough to reach the analog clip levels, and a pitch sweep that
// crosses the bass boost threshold and moves the coefficients on the grid.
Scenario Busy(Choices c) {
  Scenario s;
  s.choices = c;
  s.length = 640;
  s.signal = Saw(s.length, 180.0, 2.5);
  s.pitch = Ramp(s.length, 0.25f, 0.95f);
  s.resonanceConst = 0.4f;
  return s;
}

Choices Make(int filterTap, int qTap, int emulate, int version = 0, int type = 0) {
  Choices c;
  c.filterTap = static_cast<int16_t>(filterTap);
  c.qTap = static_cast<int16_t>(qTap);
  c.emulate = static_cast<int16_t>(emulate);
  c.version = static_cast<int16_t>(version);
  c.type = static_cast<int16_t>(type);
  return c;
}

} // namespace

TEST(LadderRoutines, EveryCombinationFollowsTheModel) {
  for (int tap = 0; tap <= 4; ++tap)
    for (int q = 0; q <= 3; ++q)
      for (int emu = 0; emu <= 1; ++emu)
        for (int version = 0; version <= 1; ++version)
          for (int type = 0; type <= 1; ++type) {
            const Scenario s = Busy(Make(tap, q, emu, version, type));
            const auto got = RunPlugin(s);
            const auto want = RunReference(s);
            EXPECT_LT(MaxError(got, want), 2e-4)
                << "tap " << tap << " q " << q << " emulate " << emu << " version " << version
                << " type " << type << " routine " << RoutineFor(s.choices);
          }
}

TEST(LadderRoutines, SelectionFallbacks) {
  // X tap with Q Tap 5 is exactly Filter Tap 5 with Q Tap 5, gain included.
  for (int emu = 0; emu <= 1; ++emu)
    for (int version = 0; version <= 1; ++version)
      EXPECT_EQ(RunPlugin(Busy(Make(4, 3, emu, version))),
                RunPlugin(Busy(Make(3, 3, emu, version))));

  // Every index outside 0..39 runs routine 0 with gain 0.65.
  const auto routine0 = RunPlugin(Busy(Make(0, 0, 0)));
  const Choices invalid[] = {Make(4, 3, 2),  Make(5, 0, 0),     Make(0, 0, -1),
                             Make(-1, 3, 1), Make(32767, 0, 0), Make(-32768, 0, 0),
                             Make(0, -1, 1), Make(4, 32767, 0)};
  for (const Choices &c : invalid)
    EXPECT_EQ(RunPlugin(Busy(c)), routine0) << c.filterTap << "/" << c.qTap << "/" << c.emulate;

  // Any non-zero version is Furry, any non-zero type high-pass.
  EXPECT_EQ(RunPlugin(Busy(Make(2, 1, 1, 7))), RunPlugin(Busy(Make(2, 1, 1, 1))));
  EXPECT_EQ(RunPlugin(Busy(Make(2, 1, 1, -3))), RunPlugin(Busy(Make(2, 1, 1, 1))));
  EXPECT_EQ(RunPlugin(Busy(Make(1, 2, 0, 0, -2))), RunPlugin(Busy(Make(1, 2, 0, 0, 1))));
  // The two versions agree to within float32 rounding, but are not the same code.
  EXPECT_LT(MaxError(RunPlugin(Busy(Make(3, 3, 1, 0))), RunPlugin(Busy(Make(3, 3, 1, 1)))), 2e-4);
  // "Type" has no effect on the X tap.
  EXPECT_EQ(RunPlugin(Busy(Make(4, 0, 1, 0, 0))), RunPlugin(Busy(Make(4, 0, 1, 0, 1))));
}

TEST(LadderRoutines, WorkedNumbers) {
  // Defaults at 44.1 kHz, Pitch 5 V, Zing 10 V, Resonance 5 V: routine 31.
  // u = 0.55, f = 440 * 2^0.5 = 622.25 Hz, fc = 0.028220, pole -0.91474,
  // gainIndex -90.56 between T[8] and T[9].
  const double fc = 440.0 * std::sqrt(2.0) * 2.0 / 44100.0;
  EXPECT_NEAR(fc, 0.028220, 1e-6);
  const double p31 = -0.91474;
  {
    Reference ref(44100.0);
    Choices c;
    ref.Open(c);
    ref.PinChanged(c, true);
    float x = 0.4f, v = 0.5f, r = 0.5f, z = 1.0f, out;
    ref.Process(&x, &v, &r, &z, 1, &out);
    EXPECT_NEAR(ref.pole, p31, 1e-5);
    EXPECT_NEAR(ref.gainIndex, -90.56, 0.01);
    EXPECT_EQ(ref.gainIndexInt, -91);
    const double frac = ref.gainFraction;
    EXPECT_NEAR(ref.q, 0.2 * 0.5 * (0.924866 + frac * (0.916077 - 0.924866)), 1e-6);
  }
  {
    // Routine 0: u = 0.4, 220 Hz, pole -0.97440, gainIndex -96.47 clamped to -10.
    Reference ref(44100.0);
    Choices c = Make(0, 0, 0);
    ref.Open(c);
    ref.PinChanged(c, true);
    float x = 0.4f, v = 0.5f, r = 0.5f, z = 1.0f, out;
    ref.Process(&x, &v, &r, &z, 1, &out);
    EXPECT_NEAR(ref.pole, -0.97440, 1e-5);
    EXPECT_NEAR(ref.gainIndex, -96.47, 0.01);
    EXPECT_EQ(ref.gainIndexInt, -10);
    EXPECT_NEAR(ref.gainFraction, -86.47, 0.01);
  }

  // First output sample after open, from an empty ladder: the input is halved,
  // a = x / 4, every stage passes h = a (1 + c), stage 1 clips by 0.9945.
  const float x = 0.4f;
  for (int type = 0; type <= 1; ++type) {
    Scenario s;
    s.choices.type = static_cast<int16_t>(type);
    s.signal.assign(64, x);
    s.length = 64;
    const auto out = RunPlugin(s);
    const double y5 = 0.9945 * (x / 4.0) * std::pow(1 + p31, 5);
    const double want = type == 0 ? 0.06 * y5 : 0.06 * (x / 2.0 - y5);
    EXPECT_NEAR(out[0], want, std::fabs(want) * 2e-3) << "type " << type;
    // The second sample is not halved.
    EXPECT_LT(MaxError(out, RunReference(s)), 1e-5);
  }
  {
    // Routine 0: stage 1 clips its state, stage 2 both (0.9945 each), gain 0.65.
    Scenario s;
    s.choices = Make(0, 0, 0);
    s.signal.assign(64, x);
    s.length = 64;
    const double p = -0.97440;
    const double y2 = std::pow(0.9945, 3) * (x / 4.0) * (1 + p) * (1 + p * 0.994375);
    EXPECT_NEAR(RunPlugin(s)[0], 0.65 * y2, 0.65 * y2 * 2e-3);
  }
}

TEST(LadderRoutines, UpdatesFallOnTheGridCountedFromTheCallsEnd) {
  // Calls of 30 samples: updates due at samples 5, 17 and 29 of each call.
  auto run = [](int from, int to) {
    Scenario s;
    s.block = 30;
    s.length = 150;
    s.choices.bass = 0; // no boost: the pitch acts only through the coefficients
    s.signal = Saw(s.length, 300.0, 0.5);
    s.pitch.assign(static_cast<size_t>(s.length), 0.5f);
    for (int i = from; i < to; ++i)
      s.pitch[static_cast<size_t>(30 + i)] = 0.8f;
    return std::make_pair(RunPlugin(s), RunReference(s));
  };
  const auto steady = run(0, 0).first;
  // A change between two grid samples is never seen.
  EXPECT_EQ(run(6, 17).first, steady);
  EXPECT_EQ(run(18, 29).first, steady);
  // One that covers a grid sample is.
  for (auto [from, to] :
       {std::pair{5, 6}, std::pair{17, 18}, std::pair{29, 30}, std::pair{10, 25}}) {
    const auto [got, want] = run(from, to);
    EXPECT_NE(got, steady) << from;
    EXPECT_LT(MaxError(got, want), 1e-5) << from;
    // Nothing changes before the grid sample.
    const int firstGrid = from <= 5 ? 5 : from <= 17 ? 17 : 29;
    for (int i = 0; i < 30 + firstGrid; ++i)
      ASSERT_EQ(got[i], steady[i]) << from << " at " << i;
  }
  // Zing alone is read only at an update: a change without a pitch or
  // resonance change is not heard until one comes.
  Scenario s;
  s.signal = Saw(s.length, 300.0, 0.5);
  const auto before = RunPlugin(s);
  s.changes.clear();
  {
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    host.ScheduleValue(id, ladder::kZingPin, 200, 0.3);
    host.Open();
    EXPECT_EQ(host.Render(id, ladder::kOutputPin, s.length), before);
  }
  {
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    host.ScheduleValue(id, ladder::kZingPin, 200, 0.3);
    host.ScheduleValue(id, ladder::kResonancePin, 300, 0.45);
    host.Open();
    const auto got = host.Render(id, ladder::kOutputPin, s.length);
    for (int i = 0; i < 300; ++i)
      ASSERT_EQ(got[i], before[i]);
    EXPECT_NE(got, before);
  }
}

TEST(LadderRoutines, BassBoost) {
  for (int bass : {0, 1, 2, 3}) {
    for (auto c : {Make(0, 0, 0), Make(3, 3, 1), Make(1, 2, 0), Make(4, 1, 1)}) {
      Scenario s = Busy(c);
      s.pitch = Ramp(s.length, -0.4f, 0.8f);
      s.choices.bass = static_cast<int16_t>(bass);
      EXPECT_LT(MaxError(RunPlugin(s), RunReference(s)), 2e-4) << bass;
    }
  }
  // A value outside the list keeps the previous setting (the default at open).
  Scenario s = Busy(Make(3, 3, 1));
  s.pitch = Ramp(s.length, -0.4f, 0.8f);
  s.choices.bass = 7;
  Scenario d = s;
  d.choices.bass = 2;
  EXPECT_EQ(RunPlugin(s), RunPlugin(d));
  s.choices.bass = 1;
  s.changes = {{200, ladder::kBassBoostPin, 9}, {300, ladder::kBassBoostPin, 0}};
  EXPECT_LT(MaxError(RunPlugin(s), RunReference(s)), 2e-4);
}
