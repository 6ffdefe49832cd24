// The LFO on its own: each shape's values over a cycle, the sample & hold's
// draws, the rate in Hz or from the host's tempo and transport speed, and a
// host position that puts the phase on the beat (ignored while the
// transport stands, and whatever the host sends that is not a number).
#include "lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using synth::Lfo;
using synth::LfoShape;

// The values at phases 0, 1/4, 1/2 and 3/4 (four frames a cycle).
std::vector<double> QuarterValues(LfoShape shape) {
  Lfo lfo;
  lfo.Reset();
  lfo.SetShape(shape);
  lfo.SetRate(1.0, 4.0);
  std::vector<double> v;
  for (int i = 0; i < 4; ++i, lfo.Advance(1))
    v.push_back(lfo.Value());
  return v;
}

TEST(SynthLfo, EachShapeOverACycleAndTheHoldsItDraws) {
  const std::vector<double> sine = QuarterValues(LfoShape::kSine);
  const double want[] = {0.0, 1.0, 0.0, -1.0};
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(sine[i], want[i], 1e-12) << i;
  EXPECT_EQ(QuarterValues(LfoShape::kTriangle), (std::vector<double>{0.0, 1.0, 0.0, -1.0}));
  EXPECT_EQ(QuarterValues(LfoShape::kSaw), (std::vector<double>{0.0, 0.5, -1.0, -0.5}));
  EXPECT_EQ(QuarterValues(LfoShape::kSquare), (std::vector<double>{1.0, 1.0, -1.0, -1.0}));

  // Sample & hold: one value a cycle, a new one at each cycle's start, all
  // in [-1, 1), different from cycle to cycle, the same again after Reset.
  auto holds = [] {
    Lfo lfo;
    lfo.Reset();
    lfo.SetShape(LfoShape::kSampleAndHold);
    lfo.SetRate(1.0, 4.0);
    std::vector<double> v;
    for (int cycle = 0; cycle < 16; ++cycle) {
      const double held = lfo.Value();
      for (int i = 1; i <= 4; ++i) {
        lfo.Advance(1);
        EXPECT_EQ(lfo.Value() == held, i < 4) << cycle << " " << i;
      }
      v.push_back(held);
    }
    return v;
  };
  const std::vector<double> a = holds();
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_GE(a[i], -1.0);
    EXPECT_LT(a[i], 1.0);
    if (i > 0) {
      EXPECT_NE(a[i], a[i - 1]);
    }
  }
  EXPECT_EQ(holds(), a);
}

TEST(SynthLfo, TheRateInHzOrFromTheHostsTempoAndSpeed) {
  Lfo lfo;
  lfo.Reset();
  lfo.SetRate(5.0, 48000.0);
  lfo.Advance(4800); // half a cycle at 5 Hz
  EXPECT_NEAR(lfo.Phase(), 0.5, 1e-12);

  // One cycle a beat at the default 120 BPM (2 Hz), then at the host's 90.
  lfo.Reset();
  lfo.SetSync(1.0);
  lfo.Advance(6000);
  EXPECT_NEAR(lfo.Phase(), 0.25, 1e-12);
  synth::Position tempo;
  tempo.hasTempo = true;
  tempo.beatsPerMinute = 90.0f;
  lfo.SetPosition(tempo);
  lfo.Reset();
  lfo.Advance(8000); // a quarter of 1.5 Hz
  EXPECT_NEAR(lfo.Phase(), 0.25, 1e-12);

  // Twice the speed, twice the rate; a tempo that is no tempo changes nothing.
  synth::Position fast;
  fast.hasSpeed = true;
  fast.speed = 2.0f;
  lfo.SetPosition(fast);
  for (float bad : {0.0f, -90.0f, std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()}) {
    synth::Position p;
    p.hasTempo = true;
    p.beatsPerMinute = bad;
    lfo.SetPosition(p);
  }
  lfo.Reset();
  lfo.Advance(4000);
  EXPECT_NEAR(lfo.Phase(), 0.25, 1e-12);

  // Free again: its own rate, whatever the host's tempo.
  lfo.SetSync(0.0);
  lfo.Reset();
  lfo.Advance(2400);
  EXPECT_NEAR(lfo.Phase(), 0.25, 1e-12);

  // A huge stretch still leaves the phase in [0, 1).
  lfo.SetRate(1.0e6, 48000.0);
  lfo.Advance(1 << 30);
  EXPECT_GE(lfo.Phase(), 0.0);
  EXPECT_LT(lfo.Phase(), 1.0);
}

TEST(SynthLfo, ARollingTransportPutsThePhaseOnTheBeat) {
  Lfo lfo;
  lfo.Reset();
  lfo.SetRate(5.0, 48000.0);
  lfo.SetSync(2.0); // a cycle every two beats
  synth::Position p;
  p.hasBeatsPerBar = p.hasBar = p.hasBarBeat = p.hasSpeed = true;
  p.beatsPerBar = 3.0f;
  p.bar = 4;
  p.barBeat = 1.5f; // beat 13.5: 6.75 cycles
  p.speed = 1.0f;
  lfo.SetPosition(p);
  EXPECT_DOUBLE_EQ(lfo.Phase(), 0.75);

  // While the transport stands, or when the beat is not a number, the phase
  // runs on where it is.
  synth::Position stopped = p;
  stopped.speed = 0.0f;
  stopped.barBeat = 0.0f;
  lfo.SetPosition(stopped);
  EXPECT_DOUBLE_EQ(lfo.Phase(), 0.75);
  synth::Position bad = p;
  bad.barBeat = std::numeric_limits<float>::quiet_NaN();
  lfo.SetPosition(bad);
  EXPECT_DOUBLE_EQ(lfo.Phase(), 0.75);

  // Free-running, a position leaves the phase alone.
  lfo.SetSync(0.0);
  p.barBeat = 0.5f;
  lfo.SetPosition(p);
  EXPECT_DOUBLE_EQ(lfo.Phase(), 0.75);
}

} // namespace
