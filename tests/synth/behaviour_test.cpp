// The synth as a player meets it, on the engine and on the LV2 plugin alike
// (player.h): the test chord's level and tuning, bend and the second
// oscillator, velocity, channel pressure, the pedal, all notes off and all
// sound off, stealing, mono, legato and glide, noise in several voices.
#include "player.h"
#include "tone_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace synthtest;

constexpr double kRate = 48000.0;
constexpr int64_t kSecond = 48000;

std::unique_ptr<Player> Make() {
  auto p = MakePlayer(kRate);
  EXPECT_NE(p, nullptr);
  return p;
}

// A plain sine through an open filter, every note at the same level.
std::unique_ptr<Player> SinePlayer() {
  auto p = Make();
  if (p) {
    p->Set("osc1_wave", 0);
    p->Set("cutoff", 20000);
    p->Set("resonance", 0);
    p->Set("filter_env", 0);
    p->Set("key_track", 0);
    p->Set("vel_cutoff", 0);
    p->Set("amp_sustain", 100);
  }
  return p;
}

void ExpectSilentVoices(const Player &p) {
  if (p.ActiveVoices() >= 0) {
    EXPECT_EQ(p.ActiveVoices(), 0);
  }
}

float MaxStep(const std::vector<float> &v, size_t from, size_t to) {
  float worst = 0.0f;
  for (size_t i = std::max<size_t>(from, 1); i < std::min(to, v.size()); ++i)
    worst = std::max(worst, std::fabs(v[i] - v[i - 1]));
  return worst;
}

TEST(SynthBehaviour, TheDefaultChordIsLoudBelowFullScaleAndEndsWithinASecond) {
  auto p = Make();
  ASSERT_TRUE(p);
  const Stereo out = p->Play(2 * kSecond, Chord(0, kSecond));
  const float peak = std::max(Peak(out.left), Peak(out.right));
  EXPECT_LT(peak, 1.0f);
  EXPECT_GT(peak, 0.3f);
  EXPECT_GT(Rms(out.left, 0, kSecond), 0.05);
  ExpectSilentVoices(*p);
  EXPECT_EQ(Peak(out.left, kSecond + kSecond / 2), 0.0f); // the release is under a second
}

TEST(SynthBehaviour, EveryNoteOfAChordIsInTune) {
  auto p = SinePlayer();
  ASSERT_TRUE(p);
  const Stereo out = p->Play(2 * kSecond, Chord(0, 2 * kSecond));
  for (int note : kChord) {
    const double hz = ToneHz(out.left, kSecond / 4, 2 * kSecond, kRate, NoteHz(note));
    EXPECT_NEAR(Cents(hz, NoteHz(note)), 0.0, 0.1) << note;
  }
}

TEST(SynthBehaviour, EachWaveformSoundsWithItsHarmonics) {
  auto partials = [](float wave) {
    auto p = SinePlayer();
    std::vector<double> level(6, 0.0);
    if (!p)
      return level;
    p->Set("osc1_wave", wave);
    const Stereo out = p->Play(kSecond, {NoteOn(0, 45)}); // 110 Hz
    for (int k = 1; k <= 5; ++k)
      level[k] = Db(ToneLevel(out.left, kSecond / 4, kSecond / 2, kRate, 110.0 * k) /
                    ToneLevel(out.left, kSecond / 4, kSecond / 2, kRate, 110.0));
    return level;
  };
  // Saw: every harmonic at 1/k. Square: the odd ones at 1/k. Sine: none.
  const std::vector<double> saw = partials(1), square = partials(5), sine = partials(0);
  for (int k = 2; k <= 5; ++k)
    EXPECT_NEAR(saw[k], Db(1.0 / k), 1.0) << k;
  EXPECT_NEAR(square[3], Db(1.0 / 3), 1.0);
  EXPECT_NEAR(square[5], Db(1.0 / 5), 1.0);
  EXPECT_LT(square[2], -40.0);
  EXPECT_LT(sine[2], -60.0);
}

TEST(SynthBehaviour, PitchBendAndTheSecondOscillatorFollowTheirControls) {
  auto p = SinePlayer();
  ASSERT_TRUE(p);
  p->Set("bend_range", 7);
  const Stereo out = p->Play(kSecond, {NoteOn(0, 57), {kSecond / 2, {0xE0, 0x7F, 0x7F}}});
  EXPECT_NEAR(Cents(ToneHz(out.left, 1000, kSecond / 2, kRate, 220.0), 220.0), 0.0, 0.1);
  const double up = NoteHz(57) * std::pow(2.0, 7.0 * (8191.0 / 8192.0) / 12.0);
  EXPECT_NEAR(Cents(ToneHz(out.left, kSecond / 2 + 100, kSecond, kRate, up), up), 0.0, 0.1);
  // Oscillator 2 alone, an octave and a fifth up and 10 cents sharp.
  auto q = SinePlayer();
  ASSERT_TRUE(q);
  q->Set("osc2_wave", 0);
  q->Set("osc_mix", 100);
  q->Set("osc2_octave", 1);
  q->Set("osc2_semi", 7);
  q->Set("osc2_fine", 10);
  const Stereo two = q->Play(kSecond, {NoteOn(0, 45)});
  const double expected = 110.0 * std::pow(2.0, (12.0 + 7.0 + 0.1) / 12.0);
  EXPECT_NEAR(Cents(ToneHz(two.left, 1000, kSecond, kRate, expected), expected), 0.0, 0.1);
}

TEST(SynthBehaviour, VelocityChangesTheLevelUnlessItIsToldNotTo) {
  auto level = [](int velocity, bool sensitive) {
    auto p = Make();
    if (!p)
      return std::vector<float>();
    if (!sensitive) {
      p->Set("amp_velocity", 0);
      p->Set("vel_cutoff", 0);
    }
    return p->Play(kSecond / 2, {NoteOn(0, 60, velocity)}).left;
  };
  const double loud = Rms(level(127, true)), soft = Rms(level(64, true));
  EXPECT_LT(Db(soft / loud), -6.0); // -6 dB of level, and a darker tone
  EXPECT_GT(Db(soft / loud), -15.0);
  EXPECT_EQ(level(127, false), level(20, false));
}

// Channel pressure (on any channel) raises the cutoff by its amount while it
// lasts: a saw's 8th harmonic, far above a low cutoff, comes up, and goes
// back down with the pressure.
TEST(SynthBehaviour, ChannelPressureOpensTheFilterWhileItLasts) {
  auto harmonic = [](bool pressed) {
    auto p = Make();
    if (!p)
      return std::vector<double>();
    for (const char *c : {"key_track", "filter_env", "vel_cutoff", "resonance"})
      p->Set(c, 0);
    p->Set("cutoff", 200);
    p->Set("pressure_cutoff", 3);
    std::vector<Event> ev = {{0, {0x95, 48, 100}}};
    if (pressed) {
      ev.push_back({0, {0xD5, 127}});
      ev.push_back({kSecond / 2, {0xD5, 0}});
    }
    const Stereo out = p->Play(kSecond, ev);
    const double hz = 8.0 * NoteHz(48);
    return std::vector<double>{ToneLevel(out.left, kSecond / 4, kSecond / 2, kRate, hz),
                               ToneLevel(out.left, 3 * kSecond / 4, kSecond, kRate, hz)};
  };
  const std::vector<double> plain = harmonic(false), pressed = harmonic(true);
  ASSERT_EQ(pressed.size(), 2u);
  EXPECT_GT(Db(pressed[0] / plain[0]), 12.0);
  EXPECT_NEAR(Db(pressed[1] / plain[1]), 0.0, 0.5);
}

TEST(SynthBehaviour, ThePedalHoldsAndAllNotesOffSilencesWithinTheRelease) {
  const int64_t release = kSecond / 4; // the default 250 ms
  auto p = Make();
  ASSERT_TRUE(p);
  Stereo out = p->Play(2 * kSecond,
                       {NoteOn(0, 60), Cc(100, 64, 127), NoteOff(1000, 60), Cc(kSecond, 64, 0)});
  EXPECT_GT(Rms(out.left, kSecond - 4800, kSecond), 0.01); // held by the pedal
  EXPECT_EQ(Peak(out.left, kSecond + release + 1), 0.0f);  // released with it
  // All notes off, with the pedal down and notes held.
  auto q = Make();
  ASSERT_TRUE(q);
  std::vector<Event> ev = Chord(0, 10 * kSecond);
  ev.push_back(Cc(10, 64, 127));
  ev.push_back(Cc(kSecond / 2, 123, 0));
  out = q->Play(kSecond, ev);
  EXPECT_GT(Peak(out.left, kSecond / 2 - 100, kSecond / 2), 0.05f);
  EXPECT_EQ(Peak(out.left, kSecond / 2 + release + 1), 0.0f);
  ExpectSilentVoices(*q);
  // All sound off: gone within the 5 ms fade, without a step.
  auto r = Make();
  ASSERT_TRUE(r);
  ev = Chord(0, 10 * kSecond);
  ev.push_back(Cc(kSecond / 2, 120, 0));
  out = r->Play(kSecond, ev);
  EXPECT_EQ(Peak(out.left, kSecond / 2 + 240), 0.0f);
  EXPECT_LT(MaxStep(out.left, kSecond / 2 - 1, kSecond / 2 + 240),
            MaxStep(out.left, kSecond / 4, kSecond / 2));
}

TEST(SynthBehaviour, AStolenVoiceFadesWithoutAStep) {
  auto play = [](int polyphony, std::vector<Event> ev) {
    auto p = SinePlayer();
    if (!p)
      return Stereo();
    p->Set("polyphony", static_cast<float>(polyphony));
    return p->Play(kSecond, ev);
  };
  // The two sines at full level together, over enough beats to meet their
  // largest step; then one voice that the second note steals on its frame.
  const Stereo both = play(2, {NoteOn(0, 69), NoteOn(0, 72)});
  const int64_t at = kSecond / 2 + 7;
  const Stereo stolen = play(1, {NoteOn(0, 69), NoteOn(at, 72)});
  ASSERT_EQ(stolen.left.size(), static_cast<size_t>(kSecond));
  EXPECT_LE(MaxStep(stolen.left, at - 1, at + 480), MaxStep(both.left, 4800, kSecond));
  EXPECT_LE(MaxStep(stolen.right, at - 1, at + 480), MaxStep(both.right, 4800, kSecond));
  EXPECT_NE(stolen.left[at + 1], stolen.left[at]); // the new note starts at its frame
  const double hz = ToneHz(stolen.left, at + 2000, kSecond, kRate, NoteHz(72), 4096);
  EXPECT_NEAR(Cents(hz, NoteHz(72)), 0.0, 0.1);
}

TEST(SynthBehaviour, MonoLegatoAndGlide) {
  auto play = [](const char *mode, double glide) {
    auto p = SinePlayer();
    if (!p)
      return Stereo();
    p->Set("voice_mode", mode[0] == 'm' ? 1.0f : 2.0f);
    p->Set("glide", static_cast<float>(glide));
    p->Set("amp_attack", 100);
    p->Set("amp_sustain", 50);
    Stereo out =
        p->Play(kSecond, {NoteOn(0, 57), NoteOn(kSecond / 4, 69), NoteOff(kSecond / 2, 69)});
    if (p->ActiveVoices() >= 0) {
      EXPECT_EQ(p->ActiveVoices(), 1); // one voice, still holding the first key
    }
    return out;
  };
  const Stereo mono = play("mono", 0);
  const Stereo legato = play("legato", 0);
  ASSERT_EQ(legato.left.size(), static_cast<size_t>(kSecond));
  EXPECT_NEAR(Cents(ToneHz(mono.left, kSecond / 4 + 100, kSecond / 2, kRate, 440.0, 4096), 440.0),
              0.0, 0.1);
  // After the second key is released the first, still held, sounds again.
  EXPECT_NEAR(Cents(ToneHz(legato.left, kSecond / 2 + 100, kSecond, kRate, 220.0), 220.0), 0.0,
              0.1);
  // 100 ms after the second note the legato voice is still at its sustain
  // level, the mono one at the peak of its new attack.
  const size_t t = kSecond / 4 + 4800;
  EXPECT_GT(Db(Rms(mono.left, t - 480, t + 480) / Rms(legato.left, t - 480, t + 480)), 5.0);
  // A glide of 200 ms: about half way (in pitch) after 100 ms, there after 200.
  const Stereo glide = play("legato", 200);
  const double mid = NoteHz(63);
  EXPECT_NEAR(Cents(ToneHz(glide.left, t - 1024, t + 1024, kRate, mid, 1024), mid), 0.0, 15.0);
  EXPECT_NEAR(Cents(ToneHz(glide.left, kSecond / 4 + 9700, kSecond / 2, kRate, 440.0, 1024), 440.0),
              0.0, 0.1);
}

TEST(SynthBehaviour, NoiseDiffersFromVoiceToVoice) {
  auto noise = [](std::vector<Event> ev) {
    auto p = Make();
    if (!p)
      return std::vector<float>();
    p->Set("osc1_wave", 255);
    p->Set("osc1_width", 100);
    p->Set("cutoff", 20000);
    p->Set("key_track", 0);
    p->Set("width", 0);
    p->Set("filter_env", 0);
    return p->Play(kSecond / 2, ev).left;
  };
  const double one = Rms(noise({NoteOn(0, 60)}), 2400);
  const double two = Rms(noise({NoteOn(0, 60), NoteOn(0, 61)}), 2400);
  EXPECT_NEAR(Db(two / one), 3.0, 0.5); // powers add: not +6 dB as for the same noise twice
}

} // namespace
