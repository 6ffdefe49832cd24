// Bad and extreme input: nothing undefined, nothing stuck, nothing unbounded.
#include "ladder_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ladder_test;

namespace {

Choices ForRoutine(int routine, int version) {
  Choices c;
  c.filterTap = static_cast<int16_t>(routine / 8);
  c.qTap = static_cast<int16_t>((routine % 8) / 2);
  c.emulate = static_cast<int16_t>(routine % 2);
  c.version = static_cast<int16_t>(version);
  return c;
}

bool AllFinite(const std::vector<float> &v, size_t from = 0, size_t to = SIZE_MAX) {
  for (size_t i = from; i < v.size() && i < to; ++i)
    if (!std::isfinite(v[i]))
      return false;
  return true;
}

float Peak(const std::vector<float> &v, size_t from = 0) {
  float p = 0;
  for (size_t i = from; i < v.size(); ++i)
    p = std::max(p, std::fabs(v[i]));
  return p;
}

} // namespace

TEST(LadderBadInput, NonFiniteAndExtremeInputsRecoverWithinABlock) {
  const float inf = std::numeric_limits<float>::infinity();
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -1e30f};
  for (int routine = 0; routine < 38; ++routine)
    for (int version = 0; version <= 1; ++version)
      for (int pin :
           {ladder::kSignalPin, ladder::kPitchPin, ladder::kResonancePin, ladder::kZingPin})
        for (float value : bad) {
          Scenario s;
          s.choices = ForRoutine(routine, version);
          s.length = 512;
          s.signal = Saw(s.length, 220.0, 0.5);
          s.pitch.assign(static_cast<size_t>(s.length), 0.6f);
          s.resonance.assign(static_cast<size_t>(s.length), 0.5f);
          s.zing.assign(static_cast<size_t>(s.length), 1.0f);
          // Moving pitch and resonance so that updates run after the bad stretch.
          for (int i = 0; i < s.length; ++i) {
            s.pitch[static_cast<size_t>(i)] += 0.0001f * static_cast<float>(i);
            s.resonance[static_cast<size_t>(i)] += 0.0001f * static_cast<float>(i);
          }
          std::vector<float> *target = pin == ladder::kSignalPin      ? &s.signal
                                       : pin == ladder::kPitchPin     ? &s.pitch
                                       : pin == ladder::kResonancePin ? &s.resonance
                                                                      : &s.zing;
          for (int i = 100; i < 150; ++i)
            (*target)[static_cast<size_t>(i)] = value;
          const auto out = RunPlugin(s);
          // Finite again at most one block after the inputs are.
          EXPECT_TRUE(AllFinite(out, 150 + 64))
              << routine << "/" << version << " pin " << pin << " value " << value;
          EXPECT_TRUE(AllFinite(out, 0, 100)) << routine;
        }
}

TEST(LadderBadInput, EveryFiniteInputGivesAFiniteOutput) {
  // The largest finite values on every input, alone and together, one case
  // per block in one run, in every routine, version and type: the output
  // never leaves the finite range.
  const float big = std::numeric_limits<float>::max();
  const float extremes[] = {1e30f, -1e30f, big, -big};
  struct Inputs {
    float signal, pitch, resonance, zing;
  };
  std::vector<Inputs> cases;
  for (float e : extremes) {
    cases.push_back({e, 0.6f, 0.5f, 1.0f});
    cases.push_back({0.5f, e, 0.5f, 1.0f});
    cases.push_back({0.5f, 0.6f, e, 1.0f});
    cases.push_back({0.5f, 0.6f, 0.5f, e});
    cases.push_back({e, e, e, e});
    cases.push_back({e, -e, e, -e});
    cases.push_back({e, -e, -e, e});
  }
  Scenario s;
  s.length = s.block * static_cast<int>(cases.size());
  // The signal alternates in sign; the others move, so that updates run.
  for (int i = 0; i < s.length; ++i) {
    const Inputs &in = cases[static_cast<size_t>(i / s.block)];
    const float sign = (i / 8) % 2 ? -1.0f : 1.0f;
    const float wobble = i % 2 ? 1.0f : 0.5f;
    s.signal.push_back(in.signal * sign);
    s.pitch.push_back(in.pitch * wobble);
    s.resonance.push_back(in.resonance * wobble);
    s.zing.push_back(in.zing * wobble);
  }
  for (int routine = 0; routine < 38; ++routine)
    for (int version = 0; version <= 1; ++version)
      for (int type = 0; type <= 1; ++type) {
        s.choices = ForRoutine(routine, version);
        s.choices.type = static_cast<int16_t>(type);
        const auto out = RunPlugin(s);
        for (size_t i = 0; i < out.size(); ++i) {
          const Inputs &in = cases[i / static_cast<size_t>(s.block)];
          ASSERT_TRUE(std::isfinite(out[i]))
              << "routine " << routine << "/" << version << " type " << type << ": " << in.signal
              << " " << in.pitch << " " << in.resonance << " " << in.zing;
        }
      }
}

TEST(LadderBadInput, StaysBoundedAtExtremeSettings) {
  for (int routine = 0; routine < 38; ++routine)
    for (int version = 0; version <= 1; ++version)
      for (float res : {1.0f, 10.0f, -3.0f})
        for (float zing : {5.0f, 0.01f, -5.0f, 1e6f})
          for (float pitch : {-2.0f, 0.5f, 1.5f}) {
            Scenario s;
            s.choices = ForRoutine(routine, version);
            s.length = 8192;
            s.block = 256;
            s.signal = Saw(s.length, 110.0, 1.0);
            s.pitchConst = pitch;
            s.resonanceConst = res;
            s.zingConst = zing;
            const auto out = RunPlugin(s);
            ASSERT_TRUE(AllFinite(out)) << routine << "/" << version << " " << res << " " << zing;
            EXPECT_LT(Peak(out), 1e5f) << routine << "/" << version << " " << res << " " << zing;
          }
}

TEST(LadderBadInput, ShapedFeedbackNoLongerRunsAway) {
  // Routine 33 (X tap, Q Tap 2, Digital) with settings inside the advertised
  // ranges: the model as described reaches inf, the plugin stays bounded.
  struct Setting {
    float zing, res;
  };
  for (Setting set : {Setting{2.0f, 1.0f}, Setting{5.0f, 0.5f}})
    for (int version = 0; version <= 1; ++version) {
      Scenario s;
      s.choices = ForRoutine(33, version);
      s.length = 44100;
      s.block = 256;
      s.signal = Saw(s.length, 110.0, 0.5);
      s.pitchConst = 0.5f;
      s.zingConst = set.zing;
      s.resonanceConst = set.res;
      EXPECT_FALSE(AllFinite(RunReference(s))) << "the described form runs away";
      const auto out = RunPlugin(s);
      ASSERT_TRUE(AllFinite(out));
      EXPECT_LT(Peak(out, 4096), 20.0f);
    }
}

TEST(LadderBadInput, StableAtEverySampleRate) {
  // At 22050 Hz a high pitch puts the pole below -1; at 96 kHz the lowest
  // pitches do. The described form runs away, the plugin does not.
  struct Case {
    float rate, pitch;
  };
  for (Case c :
       {Case{22050.0f, 1.2f}, Case{16000.0f, 1.2f}, Case{96000.0f, 0.0f}, Case{192000.0f, 0.1f}})
    for (int routine : {1, 7, 25, 31, 35})
      for (int version = 0; version <= 1; ++version) {
        Scenario s;
        s.rate = c.rate;
        s.choices = ForRoutine(routine, version);
        s.length = 48000;
        s.block = 512;
        s.signal = Saw(s.length, 110.0, 0.5, c.rate);
        s.pitchConst = c.pitch;
        s.resonanceConst = 0.3f;
        EXPECT_FALSE(AllFinite(RunReference(s))) << c.rate << " routine " << routine;
        const auto out = RunPlugin(s);
        ASSERT_TRUE(AllFinite(out)) << c.rate << " routine " << routine;
        EXPECT_LT(Peak(out), 20.0f) << c.rate << " routine " << routine;
      }
  // An analog stage without an input clip whose coefficient falls below -1
  // (routines 16 and 18 at the lowest pitches, even at 44.1 kHz).
  for (int routine : {16, 18}) {
    Scenario s;
    s.choices = ForRoutine(routine, 0);
    s.length = 60000;
    s.block = 512;
    s.signal = Saw(s.length, 110.0, 0.5);
    s.pitchConst = 0.1f;
    EXPECT_FALSE(AllFinite(RunReference(s))) << routine;
    const auto out = RunPlugin(s);
    ASSERT_TRUE(AllFinite(out));
    EXPECT_LT(Peak(out), 20.0f);
  }
  // Unchanged where nothing runs away: 44.1 kHz at the top, 48 kHz at the bottom.
  for (Case c : {Case{44100.0f, 1.2f}, Case{48000.0f, -0.5f}, Case{96000.0f, 0.6f}})
    for (int routine : {1, 6, 20, 31, 33, 35}) {
      Scenario s;
      s.rate = c.rate;
      s.choices = ForRoutine(routine, 1);
      s.length = 2048;
      s.signal = Saw(s.length, 110.0, 0.5, c.rate);
      s.pitchConst = c.pitch;
      s.resonanceConst = 0.4f;
      EXPECT_LT(MaxError(RunPlugin(s), RunReference(s)), 2e-4) << c.rate << " " << routine;
    }
}

TEST(LadderBadInput, DecayEndsInZeroNotInSubnormals) {
  // A burst, then zeros while "Signal" keeps streaming: the five-stage Clear
  // ladder at 6 V would otherwise settle on subnormal states.
  for (int version = 0; version <= 1; ++version) {
    Scenario s;
    s.choices = ForRoutine(31, version);
    s.block = 256;
    s.length = 44100 * 4;
    s.signal.assign(static_cast<size_t>(s.length), 0.0f);
    for (int i = 0; i < 2000; ++i)
      s.signal[static_cast<size_t>(i)] = (i / 100) % 2 ? 0.8f : -0.8f;
    s.pitchConst = 0.6f;
    const auto out = RunPlugin(s);
    // At most the rest of one call passes through the subnormal range; after
    // that the ladder is empty (or rests on a normal rounding residue).
    int subnormal = 0;
    for (float y : out)
      subnormal += std::fpclassify(y) == FP_SUBNORMAL ? 1 : 0;
    EXPECT_LE(subnormal, s.block) << version;
    for (size_t i = 44100; i < out.size(); ++i)
      ASSERT_NE(std::fpclassify(out[i]), FP_SUBNORMAL) << version << " at " << i;
  }
}

TEST(LadderBadInput, ResonanceBelowZeroIsNoResonance) {
  // A 5 V saw with the resonance held below 0 V once ran the Digital rows away
  // to ten times full scale. Every row now plays exactly what it plays at 0 V,
  // whether the resonance streams or holds, at the edge of its range or far
  // beyond it.
  for (int routine = 0; routine < 38; ++routine)
    for (int version = 0; version <= 1; ++version)
      for (int type = 0; type <= 1; ++type) {
        Scenario s;
        s.choices = ForRoutine(routine, version);
        s.choices.type = static_cast<int16_t>(type);
        s.length = 4096;
        s.block = 256;
        s.signal = Saw(s.length, 110.0, 0.5);
        s.pitch.assign(static_cast<size_t>(s.length), 0.5f);
        for (int i = 0; i < s.length; ++i) // moving, so that updates run
          s.pitch[static_cast<size_t>(i)] += 0.00002f * static_cast<float>(i);
        s.resonance.assign(static_cast<size_t>(s.length), 0.0f);
        const auto atZero = RunPlugin(s);
        for (float res : {-0.4f, -1.0f, -1e30f, -std::numeric_limits<float>::infinity()}) {
          s.resonance.assign(static_cast<size_t>(s.length), res);
          const auto out = RunPlugin(s);
          ASSERT_EQ(out, atZero) << routine << "/" << version << " type " << type << " " << res;
        }
        EXPECT_LT(Peak(atZero), 1.0f) << routine << "/" << version << " type " << type;
      }
}
