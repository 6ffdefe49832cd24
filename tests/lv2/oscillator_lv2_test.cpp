// The oscillator plugin through lilv, as a host sees it: MIDI notes at odd
// frames under runs of 1 to 4096 frames play the right pitch from and to their
// exact frames, every control survives any value, and without a maximum block
// length the plugin plays in blocks of its own.
#include "lv2_rig.h"
#include "pitch_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace lv2test;

constexpr const char *kUri = SE_LV2_OSCILLATOR_URI;
constexpr double kRate = 48000.0;

std::vector<uint8_t> NoteOn(int note) { return {0x90, static_cast<uint8_t>(note), 100}; }
std::vector<uint8_t> NoteOff(int note) { return {0x80, static_cast<uint8_t>(note), 0}; }
double NoteHz(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

TEST(Lv2Oscillator, LoadsWithoutMaxBlockLength) {
  ASSERT_NE(FindPlugin(kUri), nullptr) << "bundle not found on LV2_PATH";
  Lv2Rig rig(kUri, kRate, std::nullopt);
  EXPECT_NE(rig.Instance(), nullptr);
}

// A sine, a quarter cycle in, so that each note's first frame is at full level.
void PlainSine(Lv2Rig &rig) {
  rig.SetControl("waveform", 0);
  rig.SetControl("pulse_width", 2.5f);
  rig.SetControl("ramp", 0);
}

TEST(Lv2Oscillator, NotesPlayTheirPitchFromAndToTheirFrames) {
  // Each note sounds for `length` frames after a gap; the last note overlaps
  // the one before (legato) and a bend moves it two semitones down.
  struct Note {
    int note;
    int64_t on, off;
  };
  const Note notes[] = {
      {69, 1001, 13001}, {21, 14003, 38003}, {60, 39007, 51007}, {108, 52011, 60011}};
  for (int32_t run : {1, 7, 64, 4096}) {
    SCOPED_TRACE(::testing::Message() << "runs of " << run);
    Lv2Rig rig(kUri, kRate, 4096);
    ASSERT_NE(rig.Instance(), nullptr);
    PlainSine(rig);
    std::vector<MidiAt> events;
    for (const Note &n : notes) {
      events.push_back({n.on, NoteOn(n.note)});
      events.push_back({n.off, NoteOff(n.note)});
    }
    const std::vector<float> out = rig.Render(61000, {run, run == 1 ? 1 : run - 3, run}, events);
    for (const Note &n : notes) {
      SCOPED_TRACE(::testing::Message() << "note " << n.note);
      EXPECT_EQ(out[static_cast<size_t>(n.on - 1)], 0.0f);
      EXPECT_NEAR(out[static_cast<size_t>(n.on)], 0.5f, 1e-3f);
      EXPECT_NE(out[static_cast<size_t>(n.off - 1)], 0.0f);
      EXPECT_EQ(out[static_cast<size_t>(n.off)], 0.0f);
      const double hz = FittedHz(out, n.on, n.off, kRate);
      EXPECT_NEAR(1200.0 * std::log2(hz / NoteHz(n.note)), 0.0, 0.1) << hz << " Hz";
    }
  }
}

TEST(Lv2Oscillator, ControlsTakeEffectOnTheRunsFirstFrame) {
  Lv2Rig rig(kUri, kRate, 4096);
  ASSERT_NE(rig.Instance(), nullptr);
  PlainSine(rig);
  rig.SetControl("active", 1); // a drone at A4, no notes
  const std::vector<float> before = rig.Render(77, {7});
  EXPECT_NEAR(before.front(), 0.5f, 1e-3f);
  EXPECT_NE(before.back(), 0.0f);
  rig.SetControl("active", 0);
  for (float x : rig.Render(7, {7}))
    ASSERT_EQ(x, 0.0f);
  rig.SetControl("active", 1);
  EXPECT_NEAR(rig.Render(7, {7}).front(), 0.5f, 1e-3f); // from phase 0 again
}

double Cents(double hz, double want) { return 1200.0 * std::log2(hz / want); }

TEST(Lv2Oscillator, BendAndPitchCvMoveThePitch) {
  Lv2Rig rig(kUri, kRate, 4096);
  ASSERT_NE(rig.Instance(), nullptr);
  PlainSine(rig);
  // Full bend down at frame 9001: two semitones below A4.
  const std::vector<float> out =
      rig.Render(24000, {333}, {{5, NoteOn(69)}, {9001, {0xE0, 0, 0}}, {23000, NoteOff(69)}});
  EXPECT_NEAR(Cents(FittedHz(out, 5, 9001, kRate), 440.0), 0.0, 0.1);
  EXPECT_NEAR(Cents(FittedHz(out, 9001, 23000, kRate), NoteHz(67)), 0.0, 0.1);
  // One volt (0.1) on the pitch input: an octave up.
  rig.SetCv("pitch_cv", 0.1f);
  const std::vector<float> up = rig.Render(12000, {512}, {{0, {0xE0, 0, 0x40}}, {0, NoteOn(69)}});
  EXPECT_NEAR(Cents(FittedHz(up, 0, 12000, kRate), 880.0), 0.0, 0.1);
}

TEST(Lv2Oscillator, RampFadesEachNoteInAndOut) {
  // The same note with the ramp, and held on without it: the ratio is the ramp.
  const int64_t on = 1000, off = 6000;
  const int64_t ramp = 144; // 3 ms at 48 kHz
  Lv2Rig faded(kUri, kRate, 4096), held(kUri, kRate, 4096);
  ASSERT_NE(faded.Instance(), nullptr);
  ASSERT_NE(held.Instance(), nullptr);
  PlainSine(faded);
  PlainSine(held);
  faded.SetControl("ramp", 1);
  const std::vector<float> out =
      faded.Render(8000, {100, 7}, {{on, NoteOn(69)}, {off, NoteOff(69)}});
  const std::vector<float> ref = held.Render(8000, {4096}, {{on, NoteOn(69)}});
  auto at = [](const std::vector<float> &v, int64_t j) { return v[static_cast<size_t>(j)]; };
  EXPECT_EQ(at(out, on - 1), 0.0f);
  for (int64_t k = 0; k < ramp; ++k) {
    const double rise = static_cast<double>(k + 1) / ramp,
                 fall = static_cast<double>(ramp - 1 - k) / ramp;
    ASSERT_NEAR(at(out, on + k), at(ref, on + k) * rise, 1e-6) << "rise, frame " << k;
    ASSERT_NEAR(at(out, off + k), at(ref, off + k) * fall, 1e-6) << "fall, frame " << k;
  }
  for (int64_t j = on + ramp; j < off; ++j)
    ASSERT_EQ(at(out, j), at(ref, j)) << "frame " << j;
  for (int64_t j = off + ramp - 1; j < 8000; ++j)
    ASSERT_EQ(at(out, j), 0.0f) << "frame " << j;
}

TEST(Lv2Oscillator, AnySampleRateOrBlockLength) {
  for (double rate : {1.0, 8000.0, 384000.0, 1.0e7}) {
    for (int32_t max_block : {1, 4096, 1 << 20}) {
      SCOPED_TRACE(::testing::Message() << rate << " Hz, blocks up to " << max_block);
      Lv2Rig rig(kUri, rate, max_block);
      ASSERT_NE(rig.Instance(), nullptr);
      // Runs beyond the plugin's own largest block are split inside it.
      const int64_t frames = max_block > 4096 ? 70000 : 5000;
      const std::vector<float> out =
          rig.Render(frames, {max_block, 7}, {{0, NoteOn(127)}, {frames - 9, NoteOn(0)}});
      for (float x : out)
        ASSERT_TRUE(std::isfinite(x) && std::fabs(x) < 1.0f) << x;
    }
  }
  EXPECT_EQ(Lv2Rig(kUri, 0.0, 4096).Instance(), nullptr);
  EXPECT_EQ(Lv2Rig(kUri, std::nan(""), 4096).Instance(), nullptr);
  // A maximum block length of 0 is no promise: the plugin's own length holds.
  EXPECT_NE(Lv2Rig(kUri, 48000.0, 0).Instance(), nullptr);
}

TEST(Lv2Oscillator, AnyControlValueKeepsTheOutputFinite) {
  Lv2Rig rig(kUri, kRate, 4096);
  ASSERT_NE(rig.Instance(), nullptr);
  rig.SetControl("active", 1); // sound between notes too
  const float inf = std::numeric_limits<float>::infinity();
  const float values[] = {std::nanf(""), inf, -inf, 1e30f, -1e30f, 0.0f, 1.0f, 255.0f, 22050.0f};
  // Notes, and bytes no sender should send: data without status, a cut
  // message, system exclusive, a release of a note never pressed.
  const std::vector<MidiAt> notes = {
      {3, NoteOn(40)},       {3, {0x45, 0x10}},   {50, {0x90}},
      {50, {0xF0, 1, 0xF7}}, {120, NoteOff(99)},  {200, NoteOn(127)},
      {200, {0xE0, 0x7F}},   {401, NoteOff(127)}, {402, {0xB0, 123, 0}}};
  for (const auto &[symbol, index] : rig.Controls()) {
    for (float v : values) {
      SCOPED_TRACE(::testing::Message() << symbol << " = " << v);
      if (symbol == "pitch_cv")
        rig.SetCv(symbol, v);
      else
        rig.SetControl(symbol, v);
      for (int wave : {1, 15, 255}) { // a waveform, a pulse form, noise
        rig.SetControl("waveform", static_cast<float>(wave));
        const std::vector<float> out = rig.Render(600, {64, 7, 1, 300}, notes);
        for (float x : out)
          ASSERT_TRUE(std::isfinite(x) && std::fabs(x) < 4.0f) << x;
      }
    }
    if (symbol == "pitch_cv")
      rig.SetCv(symbol, 0.0f);
    else
      rig.SetControl(symbol, 0.0f);
  }
}

} // namespace
