// Standard MIDI files: what the reader makes of good files (running status,
// tempo, tracks, chunks of other kinds, SMPTE time), one message for each
// kind of bad file, and the song the engine plays: frames by integer
// arithmetic per tempo segment, the order of events on one tick, positions,
// and what is still held at the end let go there.
#include "midi_writer.h"
#include "synth/midi_file.h"
#include "synth/song.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace synthtest;
using synth::MidiFile;

MidiFile Read(const Bytes &bytes) {
  MidiFile f;
  const std::string error = synth::ReadMidiFile(bytes, f);
  EXPECT_EQ(error, "");
  return f;
}

std::string Error(const Bytes &bytes) {
  MidiFile f;
  return synth::ReadMidiFile(bytes, f);
}

TEST(SynthMidiFile, ReadsTracksRunningStatusAndTempo) {
  const MidiFile f = Read(TestSong());
  EXPECT_EQ(f.format, 1);
  EXPECT_EQ(f.ticksPerQuarter, 480u);
  ASSERT_EQ(f.tracks.size(), 2u);
  ASSERT_EQ(f.tracks[0].events.size(), 3u);
  EXPECT_EQ(f.tracks[0].events[1].tick, 960u);
  EXPECT_EQ(f.tracks[0].events[1].tempo, 400000u);
  EXPECT_EQ(f.tracks[0].endTick, 2400u);
  const auto &n = f.tracks[1].events;
  ASSERT_EQ(n.size(), 13u);
  EXPECT_EQ(n[1].size, 3);
  EXPECT_EQ(n[1].bytes[0], 0x90); // from the running status
  EXPECT_EQ(n[1].bytes[1], 52);
  EXPECT_EQ(n[4].tick, 240u);
  EXPECT_EQ(n.back().tick, 240u + 240u + 240u + 480u + 720u + 480u + 960u);
  // A chunk of another kind is skipped; SMPTE time; a track without an end.
  Bytes alien{'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};
  Bytes smpte = MidiFileBytes(0, 0xE728, {}); // 25 fps, 40 ticks per frame
  smpte[11] = 1;                              // one track
  smpte.insert(smpte.end(), alien.begin(), alien.end());
  const Bytes t = Track({{0, {0x90, 60, 1}}, {1000, {0x80, 60, 0}}}, false);
  smpte.insert(smpte.end(), t.begin(), t.end());
  const MidiFile s = Read(smpte);
  EXPECT_EQ(s.smpteFps, 25);
  EXPECT_EQ(s.ticksPerFrame, 40u);
  ASSERT_EQ(s.tracks.size(), 1u);
  EXPECT_EQ(s.tracks[0].endTick, 1000u);
}

TEST(SynthMidiFile, EveryBadFileGetsItsMessage) {
  const Bytes good = TestSong();
  EXPECT_EQ(Error({}), "not a standard MIDI file (no MThd header)");
  EXPECT_EQ(Error(Bytes(good.begin(), good.begin() + 10)), "its header is cut short");
  EXPECT_EQ(Error(MidiFileBytes(2, 96, {Track({})})),
            "a format 2 file (formats 0 and 1 are played)");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({}), Track({})})), "a format 0 file with 2 tracks");
  EXPECT_EQ(Error(MidiFileBytes(1, 96, {})), "it holds no track");
  EXPECT_EQ(Error(MidiFileBytes(1, 0, {Track({})})), "0 ticks per quarter note");
  Bytes missing = MidiFileBytes(1, 96, {Track({})});
  missing[11] = 3;
  EXPECT_EQ(Error(missing), "it declares 3 tracks but holds 1");
  Bytes lying = good;
  lying[21] = 0x7F; // the first track's length, far past the end
  EXPECT_EQ(Error(lying), "a chunk runs past the end of the file");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {60, 100}}})})),
            "track 1: a data byte with no status before it");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {0x90, 60}}}, false)})),
            "track 1: a channel message cut short or with a status byte inside");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {0x90, 60, 0x90}}})})),
            "track 1: a channel message cut short or with a status byte inside");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {0xFF, 0x51, 0x02, 1, 2}}})})),
            "track 1: a tempo change of 2 bytes (3 expected)");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {0xFF, 0x01, 0x40, 'a'}}})})),
            "track 1: a meta event runs past the track's end");
  EXPECT_EQ(Error(MidiFileBytes(0, 96, {Track({{0, {0xF0, 0x40, 1}}})})),
            "track 1: a system exclusive message runs past the track's end");
  Bytes five{'M', 'T', 'r', 'k', 0, 0, 0, 5, 0x80, 0x80, 0x80, 0x80, 0x01};
  Bytes vlq = MidiFileBytes(0, 96, {});
  vlq[11] = 1;
  vlq.insert(vlq.end(), five.begin(), five.end());
  EXPECT_EQ(Error(vlq), "track 1: an event's time is cut short or longer than four bytes");
  EXPECT_EQ(Error(MidiFileBytes(0, 0xE300, {Track({})})), "SMPTE time of 0 ticks per frame");
  EXPECT_EQ(Error(MidiFileBytes(0, 0xE528, {Track({})})), "SMPTE time of 27 frames per second");
}

TEST(SynthSong, FramesComeFromTheTempoMapByIntegerArithmetic) {
  // 480 ticks per quarter: 120 bpm for 960 ticks (1 s), then 150 bpm.
  const MidiFile f = Read(TestSong());
  const synth::Song song = synth::ScheduleSong(f, 44100);
  // The tempo segments: tick 960 at 1 s; tick 2400 at 1 s + 1440 * 0.4 ms / 480 * ...
  std::vector<int64_t> positions;
  for (const synth::SongEvent &e : song.events)
    if (e.isPosition)
      positions.push_back(e.frame);
  ASSERT_EQ(positions.size(), 4u);
  EXPECT_EQ(positions[0], 0);
  EXPECT_EQ(positions[1], 0);     // the first tempo change, at tick 0
  EXPECT_EQ(positions[2], 44100); // tick 960 at 120 bpm
  // tick 2400: 1440 ticks at 0.4 s per quarter = 1.2 s more.
  EXPECT_EQ(positions[3], 44100 + 52920);
  // A note at tick 480 (a quarter note at 120 bpm: 0.5 s), one at tick 2400.
  int found = 0;
  for (const synth::SongEvent &e : song.events) {
    if (e.size == 3 && e.bytes[0] == 0x91 && e.bytes[1] == 72) {
      EXPECT_EQ(e.frame, 22050);
      ++found;
    }
    if (e.size == 3 && e.bytes[0] == 0x92 && e.bytes[1] == 67) {
      EXPECT_EQ(e.frame, 44100 + 52920);
      ++found;
    }
  }
  EXPECT_EQ(found, 2);
  // A frame that is not whole is rounded down: one tick at 120 bpm and 480
  // ticks per quarter is 45.9375 frames at 44.1 kHz.
  const MidiFile g = Read(MidiFileBytes(0, 480, {Track({{1, {0x90, 60, 1}}})}));
  EXPECT_EQ(synth::ScheduleSong(g, 44100).events.at(1).frame, 45);
  // The bar and beat a position tells.
  const synth::SongEvent *tempo = nullptr;
  for (const synth::SongEvent &e : song.events)
    if (e.isPosition)
      tempo = &e;
  const synth::Position &last = tempo->position;
  EXPECT_EQ(last.bar, 1);
  EXPECT_EQ(last.barBeat, 1.0f);
  EXPECT_EQ(last.beatsPerMinute, 80.0f);
}

TEST(SynthSong, SameTickKeepsTrackThenFileOrderAndTheEndLetsGo) {
  const Bytes a = Track({{10, {0x90, 60, 100}}, {0, {0x90, 61, 100}}});
  const Bytes b = Track({{10, {0x90, 62, 100}}, {0, {0xB1, 64, 127}}, {50, {0x80, 62, 0}}});
  const synth::Song song = synth::ScheduleSong(Read(MidiFileBytes(1, 96, {a, b})), 9600);
  std::vector<int> notes;
  for (const synth::SongEvent &e : song.events)
    if (e.size == 3)
      notes.push_back(e.bytes[0] << 8 | e.bytes[1]);
  // 60, 61 (track 1), 62, pedal (track 2), 62 off, then at the end: 60 and 61
  // off, and the pedal of channel 2 up.
  EXPECT_EQ(notes,
            (std::vector<int>{0x903C, 0x903D, 0x903E, 0xB140, 0x803E, 0x803C, 0x803D, 0xB140}));
  EXPECT_EQ(song.endFrame, 60 * 50); // tick 60, at 50 frames per tick
  EXPECT_EQ(song.events.back().frame, song.endFrame);
  EXPECT_EQ(song.events.back().bytes[2], 0);
  // SMPTE: 25 fps and 40 ticks per frame are 1000 ticks per second.
  Bytes smpte = MidiFileBytes(0, 0xE728, {Track({{1000, {0x90, 60, 1}}})});
  EXPECT_EQ(synth::ScheduleSong(Read(smpte), 48000).events.at(1).frame, 48000);
}

} // namespace
