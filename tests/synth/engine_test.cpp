// The engine as a player meets it: the test chord's level and tuning,
// velocity, the pedal, all notes off and all sound off, stealing, mono,
// legato and glide, noise in several voices, splits of the rendering that
// give the same bits, and controls at their extremes.
#include "synth_render.h"
#include "tone_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace synthtest;
using synth::Control;
using synth::Engine;

constexpr double kRate = 48000.0;
constexpr int64_t kSecond = 48000;

// A plain sine through an open filter, every note at the same level.
void SinePatch(Engine &e) {
  e.SetControl(synth::kOsc1Waveform, 0);
  e.SetControl(synth::kCutoff, 20000);
  e.SetControl(synth::kResonance, 0);
  e.SetControl(synth::kFilterEnvAmount, 0);
  e.SetControl(synth::kKeyTrack, 0);
  e.SetControl(synth::kVelocityToCutoff, 0);
  e.SetControl(synth::kAmpSustain, 100);
}

float MaxStep(const std::vector<float> &v, size_t from, size_t to) {
  float worst = 0.0f;
  for (size_t i = std::max<size_t>(from, 1); i < std::min(to, v.size()); ++i)
    worst = std::max(worst, std::fabs(v[i] - v[i - 1]));
  return worst;
}

TEST(SynthEngine, TheDefaultChordIsLoudBelowFullScaleAndEndsWithinASecond) {
  Engine e;
  ASSERT_TRUE(e.Activate(kRate));
  const Stereo out = Render(e, 2 * kSecond, Chord(0, kSecond));
  const float peak = std::max(Peak(out.left), Peak(out.right));
  EXPECT_LT(peak, 1.0f);
  EXPECT_GT(peak, 0.3f);
  EXPECT_GT(Rms(out.left, 0, kSecond), 0.05);
  EXPECT_EQ(e.ActiveVoices(), 0);
  EXPECT_EQ(Peak(out.left, kSecond + kSecond / 2), 0.0f); // the release is under a second
}

TEST(SynthEngine, EveryNoteOfAChordIsInTune) {
  Engine e;
  ASSERT_TRUE(e.Activate(kRate));
  SinePatch(e);
  const Stereo out = Render(e, 2 * kSecond, Chord(0, 2 * kSecond));
  for (int note : kChord) {
    const double hz = ToneHz(out.left, kSecond / 4, 2 * kSecond, kRate, NoteHz(note));
    EXPECT_NEAR(Cents(hz, NoteHz(note)), 0.0, 0.1) << note;
  }
}

TEST(SynthEngine, PitchBendAndTheSecondOscillatorFollowTheirControls) {
  Engine e;
  ASSERT_TRUE(e.Activate(kRate));
  SinePatch(e);
  e.SetControl(synth::kBendRange, 7);
  const Stereo out =
      Render(e, kSecond, {NoteOn(0, 57), {kSecond / 2, {0xE0, 0x7F, 0x7F}}}); // full bend up
  EXPECT_NEAR(Cents(ToneHz(out.left, 1000, kSecond / 2, kRate, 220.0), 220.0), 0.0, 0.1);
  const double up = NoteHz(57) * std::pow(2.0, 7.0 * (8191.0 / 8192.0) / 12.0);
  EXPECT_NEAR(Cents(ToneHz(out.left, kSecond / 2 + 100, kSecond, kRate, up), up), 0.0, 0.1);
  // Oscillator 2 alone, an octave and a fifth up and 10 cents sharp.
  Engine f;
  ASSERT_TRUE(f.Activate(kRate));
  SinePatch(f);
  f.SetControl(synth::kOsc2Waveform, 0);
  f.SetControl(synth::kOscMix, 100);
  f.SetControl(synth::kOsc2Octave, 1);
  f.SetControl(synth::kOsc2Semitones, 7);
  f.SetControl(synth::kOsc2Fine, 10);
  const Stereo two = Render(f, kSecond, {NoteOn(0, 45)});
  const double expected = 110.0 * std::pow(2.0, (12.0 + 7.0 + 0.1) / 12.0);
  EXPECT_NEAR(Cents(ToneHz(two.left, 1000, kSecond, kRate, expected), expected), 0.0, 0.1);
}

TEST(SynthEngine, VelocityChangesTheLevelUnlessItIsToldNotTo) {
  auto level = [](int velocity, bool sensitive) {
    Engine e;
    e.Activate(kRate);
    if (!sensitive) {
      e.SetControl(synth::kAmpVelocity, 0);
      e.SetControl(synth::kVelocityToCutoff, 0);
    }
    return Render(e, kSecond / 2, {NoteOn(0, 60, velocity)});
  };
  const double loud = Rms(level(127, true).left), soft = Rms(level(64, true).left);
  EXPECT_LT(Db(soft / loud), -6.0); // -6 dB of level, and a darker tone
  EXPECT_GT(Db(soft / loud), -15.0);
  EXPECT_EQ(level(127, false).left, level(20, false).left);
}

TEST(SynthEngine, ThePedalHoldsAndAllNotesOffSilencesWithinTheRelease) {
  Engine e;
  ASSERT_TRUE(e.Activate(kRate));
  const int64_t release = kSecond / 4; // the default 250 ms
  Stereo out = Render(e, 2 * kSecond,
                      {NoteOn(0, 60), Cc(100, 64, 127), NoteOff(1000, 60), Cc(kSecond, 64, 0)});
  EXPECT_GT(Rms(out.left, kSecond - 4800, kSecond), 0.01); // held by the pedal
  EXPECT_EQ(Peak(out.left, kSecond + release + 1), 0.0f);  // released with it
  // All notes off, with the pedal down and notes held.
  Engine f;
  ASSERT_TRUE(f.Activate(kRate));
  std::vector<Event> ev = Chord(0, 10 * kSecond);
  ev.push_back(Cc(10, 64, 127));
  ev.push_back(Cc(kSecond / 2, 123, 0));
  out = Render(f, kSecond, ev);
  EXPECT_GT(Peak(out.left, kSecond / 2 - 100, kSecond / 2), 0.05f);
  EXPECT_EQ(Peak(out.left, kSecond / 2 + release + 1), 0.0f);
  EXPECT_EQ(f.ActiveVoices(), 0);
  // All sound off: gone within the 5 ms fade.
  Engine g;
  ASSERT_TRUE(g.Activate(kRate));
  ev = Chord(0, 10 * kSecond);
  ev.push_back(Cc(kSecond / 2, 120, 0));
  out = Render(g, kSecond, ev);
  EXPECT_EQ(Peak(out.left, kSecond / 2 + 240), 0.0f);
  EXPECT_LT(MaxStep(out.left, kSecond / 2 - 1, kSecond / 2 + 240),
            MaxStep(out.left, kSecond / 4, kSecond / 2));
}

TEST(SynthEngine, AStolenVoiceFadesWithoutAStep) {
  auto play = [](int polyphony, std::vector<Event> ev) {
    Engine e;
    e.Activate(kRate);
    SinePatch(e);
    e.SetControl(synth::kPolyphony, static_cast<float>(polyphony));
    Stereo out = Render(e, kSecond, ev);
    EXPECT_EQ(e.ActiveVoices(), 1 + (polyphony > 1 ? 1 : 0));
    return out;
  };
  // The two sines at full level together, over enough beats to meet their
  // largest step; then one voice that the second note steals on its frame.
  const Stereo both = play(2, {NoteOn(0, 69), NoteOn(0, 72)});
  const int64_t at = kSecond / 2 + 7;
  const Stereo stolen = play(1, {NoteOn(0, 69), NoteOn(at, 72)});
  EXPECT_LE(MaxStep(stolen.left, at - 1, at + 480), MaxStep(both.left, 4800, kSecond));
  EXPECT_LE(MaxStep(stolen.right, at - 1, at + 480), MaxStep(both.right, 4800, kSecond));
  EXPECT_NE(stolen.left[at + 1], stolen.left[at]); // the new note starts at its frame
  const double hz = ToneHz(stolen.left, at + 2000, kSecond, kRate, NoteHz(72), 4096);
  EXPECT_NEAR(Cents(hz, NoteHz(72)), 0.0, 0.1);
}

TEST(SynthEngine, MonoLegatoAndGlide) {
  auto play = [](synth::VoiceMode mode, double glide) {
    Engine e;
    e.Activate(kRate);
    SinePatch(e);
    e.SetControl(synth::kVoiceMode, static_cast<float>(mode));
    e.SetControl(synth::kGlide, static_cast<float>(glide));
    e.SetControl(synth::kAmpAttack, 100);
    e.SetControl(synth::kAmpSustain, 50);
    Stereo out =
        Render(e, kSecond, {NoteOn(0, 57), NoteOn(kSecond / 4, 69), NoteOff(kSecond / 2, 69)});
    EXPECT_EQ(e.ActiveVoices(), 1);
    return out;
  };
  // Mono restarts the attack at the second note (a dip is not needed: it
  // climbs from where it is); legato keeps the level going.
  const Stereo mono = play(synth::VoiceMode::kMono, 0);
  const Stereo legato = play(synth::VoiceMode::kLegato, 0);
  EXPECT_NEAR(Cents(ToneHz(mono.left, kSecond / 4 + 100, kSecond / 2, kRate, 440.0, 4096), 440.0),
              0.0, 0.1);
  // After the second key is released the first, still held, sounds again.
  EXPECT_NEAR(Cents(ToneHz(legato.left, kSecond / 2 + 100, kSecond, kRate, 220.0), 220.0), 0.0,
              0.1);
  // 100 ms after the second note the legato voice is still at its sustain
  // level, the mono one at the peak of its new attack.
  const size_t t = kSecond / 4 + 4800;
  EXPECT_GT(Db(Rms(mono.left, t - 480, t + 480) / Rms(legato.left, t - 480, t + 480)), 5.0);
  // A glide of 200 ms: half way there after 100 ms, there after 200.
  const Stereo glide = play(synth::VoiceMode::kLegato, 200);
  const double mid = NoteHz(63);
  EXPECT_NEAR(Cents(ToneHz(glide.left, kSecond / 4 + 4800 - 1024, kSecond / 4 + 4800 + 1024, kRate,
                           mid, 1024),
                    mid),
              0.0, 15.0);
  EXPECT_NEAR(Cents(ToneHz(glide.left, kSecond / 4 + 9700, kSecond / 2, kRate, 440.0, 1024), 440.0),
              0.0, 0.1);
}

TEST(SynthEngine, NoiseDiffersFromVoiceToVoice) {
  auto noise = [](std::vector<Event> ev) {
    Engine e;
    e.Activate(kRate);
    e.SetControl(synth::kOsc1Waveform, 255);
    e.SetControl(synth::kOsc1Width, 100);
    e.SetControl(synth::kCutoff, 20000);
    e.SetControl(synth::kKeyTrack, 0);
    e.SetControl(synth::kWidth, 0);
    e.SetControl(synth::kFilterEnvAmount, 0);
    return Render(e, kSecond / 2, ev).left;
  };
  const double one = Rms(noise({NoteOn(0, 60)}), 2400);
  const double two = Rms(noise({NoteOn(0, 60), NoteOn(0, 61)}), 2400);
  EXPECT_NEAR(Db(two / one), 3.0, 0.5); // powers add: not +6 dB as for the same noise twice
}

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
