// The oscillator plugin's MIDI side on its own: message parsing, the held-note
// order, pitch and bend, hold, and the gain ramp.
#include "gain_ramp.h"
#include "midi_voice.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using namespace lv2osc;

// Feeds bytes as one event; answers the messages that came out.
std::vector<MidiMessage> Parse(MidiParser &parser, std::initializer_list<int> bytes) {
  std::vector<MidiMessage> out;
  parser.BeginEvent();
  MidiMessage m;
  for (int b : bytes)
    if (parser.Push(static_cast<uint8_t>(b), m))
      out.push_back(m);
  return out;
}

TEST(MidiParser, RunningStatusRealTimeAndGarbage) {
  MidiParser p;
  EXPECT_TRUE(Parse(p, {0x40, 0x7F, 0xF8}).empty()); // data with no status: ignored
  // Running status continues a note-on; a clock byte in the middle changes nothing.
  auto m = Parse(p, {0x91, 60, 100, 64, 0xF8, 90});
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[1].status, 0x91);
  EXPECT_EQ(m[1].data1, 64);
  EXPECT_EQ(m[1].data2, 90);
  // Running status also carries into the next event.
  m = Parse(p, {67, 1});
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].data1, 67);
  // Program change has one data byte; system exclusive data are skipped and end running status.
  m = Parse(p, {0xC0, 5, 0xF0, 0x10, 1, 2, 0xF7, 3, 4});
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].status, 0xC0);
  // A message cut short by the end of its event is dropped, not finished by the next event.
  EXPECT_TRUE(Parse(p, {0x80, 60}).empty());
  m = Parse(p, {61, 0});
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].data1, 61);
}

MidiMessage Msg(int status, int d1, int d2 = 0) {
  return {static_cast<uint8_t>(status), static_cast<uint8_t>(d1), static_cast<uint8_t>(d2)};
}

TEST(MidiVoice, LastHeldNoteSounds) {
  MidiVoice v;
  EXPECT_FALSE(v.Sounding());
  EXPECT_DOUBLE_EQ(v.PitchVolts(), 5.0);   // A4 before any note
  EXPECT_FALSE(v.Apply(Msg(0x80, 60, 0))); // note-off without note-on
  EXPECT_TRUE(v.Apply(Msg(0x90, 60, 100)));
  EXPECT_TRUE(v.Apply(Msg(0x9F, 64, 100))); // any channel
  EXPECT_TRUE(v.Apply(Msg(0x90, 67, 100)));
  EXPECT_DOUBLE_EQ(v.PitchVolts(), NoteVolts(67));
  EXPECT_TRUE(v.Apply(Msg(0x90, 67, 0))); // velocity 0 releases
  EXPECT_DOUBLE_EQ(v.PitchVolts(), NoteVolts(64));
  EXPECT_FALSE(v.Apply(Msg(0x80, 60, 0)));  // a note under the top: no change
  EXPECT_FALSE(v.Apply(Msg(0x90, 64, 50))); // the sounding note again
  EXPECT_EQ(v.HeldCount(), 1);
  EXPECT_TRUE(v.Apply(Msg(0x80, 64, 0)));
  EXPECT_FALSE(v.Sounding());
  EXPECT_DOUBLE_EQ(v.PitchVolts(), NoteVolts(64)); // keeps its pitch while it fades
  for (int n = 0; n < 300; ++n) // more presses than notes: each note is held once
    v.Apply(Msg(0x90, n & 0x7F, 1));
  EXPECT_EQ(v.HeldCount(), 128);
  EXPECT_TRUE(v.Apply(Msg(0xB0, 123, 0))); // all notes off
  EXPECT_FALSE(v.Sounding());
}

TEST(MidiVoice, PitchAndBend) {
  MidiVoice v;
  v.Apply(Msg(0x90, 69, 100));
  EXPECT_DOUBLE_EQ(v.PitchVolts(), 5.0); // 440 Hz
  EXPECT_DOUBLE_EQ(NoteVolts(9), 0.0);   // 13.75 Hz
  EXPECT_TRUE(v.Apply(Msg(0xE0, 0, 0))); // full down: two semitones
  EXPECT_DOUBLE_EQ(v.PitchVolts(), 5.0 - 2.0 / 12.0);
  v.Apply(Msg(0xE0, 0x7F, 0x7F));
  EXPECT_NEAR(v.PitchVolts(), 5.0 + 2.0 / 12.0, 1e-4);
  v.Apply(Msg(0xE0, 0, 0x40)); // centre
  EXPECT_DOUBLE_EQ(v.PitchVolts(), 5.0);
  v.Apply(Msg(0xE0, 0, 0x60));
  EXPECT_TRUE(v.Apply(Msg(0xB0, 121, 0))); // reset controllers centres the bend
  EXPECT_DOUBLE_EQ(v.PitchVolts(), 5.0);
}

TEST(MidiVoice, HoldKeepsTheLastNote) {
  MidiVoice v;
  v.SetHold(true);
  v.Apply(Msg(0x90, 60, 100));
  EXPECT_FALSE(v.Apply(Msg(0x80, 60, 0)));
  EXPECT_TRUE(v.Sounding());
  EXPECT_FALSE(v.Apply(Msg(0x90, 60, 100))); // same note again: nothing audible changes
  v.Apply(Msg(0x80, 60, 0));
  EXPECT_TRUE(v.Apply(Msg(0x90, 62, 100)));
  v.Apply(Msg(0x80, 62, 0));
  EXPECT_DOUBLE_EQ(v.PitchVolts(), NoteVolts(62));
  EXPECT_TRUE(v.SetHold(false));
  EXPECT_FALSE(v.Sounding());
}

std::vector<float> Ramp(GainRamp &r, int count) {
  std::vector<float> out(static_cast<size_t>(count), 1.0f);
  r.Apply(out.data(), count);
  return out;
}

TEST(GainRamp, ReachesEachEndOnAKnownSample) {
  GainRamp r;
  r.SetLength(4);
  EXPECT_TRUE(r.Silent());
  r.SetTarget(true);
  EXPECT_EQ(r.Remaining(), 4);
  EXPECT_EQ(Ramp(r, 6), (std::vector<float>{0.25f, 0.5f, 0.75f, 1, 1, 1}));
  r.SetTarget(false);
  EXPECT_EQ(Ramp(r, 2), (std::vector<float>{0.75f, 0.5f}));
  r.SetTarget(true); // turns back from where it is
  EXPECT_EQ(Ramp(r, 1), (std::vector<float>{0.75f}));
  r.SetTarget(false);
  EXPECT_EQ(Ramp(r, 5), (std::vector<float>{0.5f, 0.25f, 0, 0, 0}));
  EXPECT_TRUE(r.Silent());
  r.SetLength(0); // no ramp: the gain jumps
  r.SetTarget(true);
  EXPECT_EQ(Ramp(r, 2), (std::vector<float>{1, 1}));
  r.SetTarget(false);
  EXPECT_EQ(Ramp(r, 2), (std::vector<float>{0, 0}));
}

} // namespace
