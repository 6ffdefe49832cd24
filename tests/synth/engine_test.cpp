// What only the engine itself shows: splits of the rendering that give the
// same bits, controls at their extremes, malformed MIDI. (How it plays is in
// behaviour_test.cpp, run on the engine and on the LV2 plugin.)
#include "synth_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace synthtest;
using synth::Control;
using synth::Engine;

constexpr double kRate = 48000.0;
constexpr int64_t kSecond = 48000;

TEST(SynthEngine, SplitsOnTheGridOrAtEventsGiveTheSameBits) {
  std::vector<Event> ev = Chord(100, 20000);
  ev.push_back({777, {0xE0, 0x10, 0x50}});
  ev.push_back(Cc(5000, 1, 90));
  ev.push_back(NoteOn(9999, 80));
  auto render = [&](int32_t run, bool noise = true) {
    Engine e;
    e.Activate(kRate);
    e.SetControl(synth::kLfoPitch, 30);
    e.SetControl(synth::kOsc2Sync, 1);
    e.SetControl(synth::kOscMix, 40);
    e.SetControl(synth::kNoise, noise ? 10.0f : 0.0f);
    return Render(e, kSecond, ev, run);
  };
  const Stereo whole = render(0);
  for (int32_t run : {32, 64, 96, 4096}) {
    const Stereo split = render(run);
    EXPECT_EQ(split.left, whole.left) << run;
    EXPECT_EQ(split.right, whole.right) << run;
  }
  // Other run lengths cut the module calls elsewhere: other bits, the same
  // sound (but for the noise, whose slices fall elsewhere).
  const Stereo grid = render(0, false);
  const Stereo odd = render(37, false);
  double diff = 0.0;
  for (size_t i = 0; i < odd.left.size(); ++i)
    diff += std::pow(odd.left[i] - grid.left[i], 2.0);
  EXPECT_LT(Db(std::sqrt(diff / odd.left.size()) / Rms(grid.left)), -40.0);
}

TEST(SynthEngine, NothingNonFiniteWhateverTheControls) {
  for (int pass = 0; pass < 4; ++pass) {
    Engine e;
    ASSERT_TRUE(e.Activate(kRate));
    for (int c = 0; c < synth::kControlCount; ++c) {
      const synth::ControlSpec &s = synth::kControls[c];
      const float values[] = {s.minimum, s.maximum, std::numeric_limits<float>::quiet_NaN(),
                              (c % 2 == 0) ? -std::numeric_limits<float>::infinity()
                                           : std::numeric_limits<float>::infinity()};
      e.SetControl(static_cast<Control>(c), values[(pass + c) % 4]);
      const float v = e.ControlValue(static_cast<Control>(c));
      EXPECT_TRUE(v >= s.minimum && v <= s.maximum) << s.symbol;
    }
    std::vector<Event> ev = Chord(0, kSecond / 2);
    ev.push_back({100, {0xE0, 0x7F, 0x7F}});
    ev.push_back({200, {0xD0, 0x7F}});
    ev.push_back(Cc(300, 1, 127));
    const Stereo out = Render(e, kSecond, ev, 64);
    for (size_t i = 0; i < out.left.size(); ++i)
      ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << pass << " " << i;
  }
}

TEST(SynthEngine, MalformedMidiIsIgnored) {
  Engine e;
  ASSERT_TRUE(e.Activate(kRate));
  const std::vector<Event> junk = {{0, {0x90}},
                                   {0, {0x90, 0x80, 0x40}},
                                   {0, {0x40, 0x40, 0x40}},
                                   {0, {0xF0, 0x7E, 0x7F}},
                                   {0, {0x90, 0x3C}},
                                   {0, {}}};
  const Stereo out = Render(e, 4800, junk);
  EXPECT_EQ(Peak(out.left), 0.0f);
  EXPECT_EQ(e.ActiveVoices(), 0);
  // Before activation nothing sounds and nothing breaks.
  Engine idle;
  const uint8_t on[] = {0x90, 60, 100};
  idle.Midi(on, 3);
  std::vector<float> l(64, 1.0f), r(64, 1.0f);
  idle.Process(l.data(), r.data(), 64);
  EXPECT_EQ(Peak(l), 0.0f);
}

} // namespace
