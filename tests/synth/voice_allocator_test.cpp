// Which slot plays which note: stealing order, the same note played again,
// the pedal, mono and legato, all notes off and all sound off.
#include "voice_allocator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using synth::VoiceAllocator;
using synth::VoiceMode;
using Phase = VoiceAllocator::Phase;

// Records what the allocator asks of the voices, one word per action.
struct Log : synth::VoiceActions {
  std::vector<std::string> lines;
  void Begin(int slot, int note, int) override { Add("begin", slot, note); }
  void Retrigger(int slot, int note, int, bool envelopes) override {
    Add(envelopes ? "retrigger" : "legato", slot, note);
  }
  void Release(int slot) override { Add("release", slot, -1); }
  void Fade(int slot) override { Add("fade", slot, -1); }
  void Cut(int slot) override { Add("cut", slot, -1); }
  void Add(const char *what, int slot, int note) {
    char line[64];
    if (note >= 0)
      std::snprintf(line, sizeof line, "%s %d %d", what, slot, note);
    else
      std::snprintf(line, sizeof line, "%s %d", what, slot);
    lines.emplace_back(line);
  }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
};

using Lines = std::vector<std::string>;

TEST(SynthVoiceAllocator, StealsTheOldestReleasedThenPedalledThenHeldVoice) {
  VoiceAllocator a(6);
  a.SetPolyphony(4);
  Log log;
  for (int note : {60, 62, 64, 65})
    a.NoteOn(note, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"begin 0 60", "begin 1 62", "begin 2 64", "begin 3 65"}));
  a.NoteOff(64, log);
  a.NoteOff(62, log);
  log.Take();
  // Both 62 and 64 are released; 62 was struck earlier, so it goes first.
  a.NoteOn(67, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"fade 1", "begin 4 67"}));
  a.NoteOn(69, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"fade 2", "begin 5 69"}));
  // No released voice left: a pedal-held one before any held one.
  a.Pedal(true, log);
  a.NoteOff(67, log); // slot 4, held by the pedal
  a.NoteOn(71, 100, log);
  EXPECT_EQ(log.Take(),
            (Lines{"fade 4", "cut 1", "begin 1 71"})); // no free slot: the first to fade is cut
  EXPECT_EQ(a.SlotPhase(2), Phase::kFading);
  a.Finished(2);
  a.Finished(4);
  // Then the oldest held voice (slot 0, note 60).
  a.NoteOn(72, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"fade 0", "begin 2 72"}));
  // Releasing the pedal releases what it held, and only that.
  a.Pedal(false, log);
  EXPECT_EQ(log.Take(), Lines{});
  a.NoteOff(65, log);
  EXPECT_EQ(log.Take(), (Lines{"release 3"}));
}

TEST(SynthVoiceAllocator, TheSameNoteAgainReusesItsVoice) {
  VoiceAllocator a(40);
  Log log;
  a.NoteOn(60, 100, log);
  a.NoteOff(60, log);
  a.NoteOn(60, 50, log);
  EXPECT_EQ(log.Take(), (Lines{"begin 0 60", "release 0", "retrigger 0 60"}));
  // Under the pedal, a repeated key does not pile up voices either.
  a.Pedal(true, log);
  for (int i = 0; i < 5; ++i) {
    a.NoteOff(60, log);
    a.NoteOn(60, 100, log);
  }
  EXPECT_EQ(a.Sounding(), 1);
  a.Pedal(false, log);
  EXPECT_EQ(a.SlotPhase(0), Phase::kHeld);
  // A finished slot is free again, and the lowest free slot is taken first.
  a.NoteOn(61, 100, log);
  a.NoteOff(60, log);
  a.Finished(0);
  log.Take();
  a.NoteOn(62, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"begin 0 62"}));
}

TEST(SynthVoiceAllocator, MonoPlaysTheLastKeyAndReturnsToKeysStillHeld) {
  VoiceAllocator a(40);
  Log log;
  a.SetMode(VoiceMode::kMono, log);
  a.NoteOn(60, 100, log);
  a.NoteOn(64, 90, log);
  a.NoteOn(67, 80, log);
  a.NoteOff(64, log); // not sounding: nothing happens
  a.NoteOff(67, log); // back to 60, the last key still held
  a.NoteOff(60, log);
  EXPECT_EQ(log.Take(), (Lines{"begin 0 60", "retrigger 0 64", "retrigger 0 67", "retrigger 0 60",
                               "release 0"}));
  // A key during the release plays on in the same voice.
  a.NoteOn(62, 100, log);
  EXPECT_EQ(log.Take(), (Lines{"retrigger 0 62"}));
  EXPECT_EQ(a.Sounding(), 1);
}

TEST(SynthVoiceAllocator, LegatoRestartsTheEnvelopesOnlyWithoutOverlap) {
  VoiceAllocator a(40);
  Log log;
  a.SetMode(VoiceMode::kLegato, log);
  a.NoteOn(60, 100, log);
  a.NoteOn(62, 100, log); // overlapping: no restart
  a.NoteOff(62, log);     // back to 60: no restart
  a.NoteOff(60, log);
  a.NoteOn(64, 100, log); // after every key was released: restart
  EXPECT_EQ(log.Take(),
            (Lines{"begin 0 60", "legato 0 62", "legato 0 60", "release 0", "retrigger 0 64"}));
  // Changing the mode releases everything.
  a.SetMode(VoiceMode::kPoly, log);
  EXPECT_EQ(log.Take(), (Lines{"release 0"}));
}

TEST(SynthVoiceAllocator, AllNotesOffReleasesAndAllSoundOffFades) {
  VoiceAllocator a(40);
  Log log;
  a.Pedal(true, log);
  a.NoteOn(60, 100, log);
  a.NoteOn(64, 100, log);
  a.NoteOff(64, log);
  log.Take();
  a.AllNotesOff(log); // the held and the pedal-held note alike
  EXPECT_EQ(log.Take(), (Lines{"release 0", "release 1"}));
  a.NoteOn(67, 100, log);
  a.AllSoundOff(log);
  EXPECT_EQ(log.Take(), (Lines{"begin 2 67", "fade 0", "fade 1", "fade 2"}));
  EXPECT_EQ(a.Sounding(), 3); // fading voices still sound until they finish
}

} // namespace
