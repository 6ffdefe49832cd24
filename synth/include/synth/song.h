// A MIDI file as the engine plays it: every event at its frame, in the order
// the engine takes them, with the host's position told at the start and at
// every tempo change (as an LV2 host tells its plugins), and the notes and
// pedals still held at the end released there.
//
// Ticks become frames per tempo segment with integer arithmetic, rounded
// down: a tick t of the segment that starts at tick t0 on frame f0 with a
// tempo of T microseconds per quarter note lies on frame
// f0 + floor((t - t0) * T * rate / (ticks per quarter * 10^6)), and the next
// segment starts on the frame its first tick gets. (SMPTE files: frames =
// floor(ticks * rate / (frames per second * ticks per frame)), 30000/1001
// frames per second for 29.) Events on the same tick keep the order of their
// tracks, then their order in the file.
#ifndef SYNTH_SONG_H
#define SYNTH_SONG_H

#include "synth/midi_file.h"
#include "synth/position.h"

#include <cstdint>
#include <vector>

namespace synth {

struct SongEvent {
  int64_t frame = 0;
  uint8_t bytes[3] = {};
  uint8_t size = 0;        // a MIDI message (2 or 3 bytes), or 0:
  bool isPosition = false; // where the transport is
  Position position;
};

struct Song {
  std::vector<SongEvent> events; // by frame, in the order to give them
  int64_t endFrame = 0;          // where the file ends (the longest track's end)
};

// The song of `file` at `rate` frames per second (a whole number, 1 or more).
Song ScheduleSong(const MidiFile &file, uint32_t rate);

} // namespace synth

#endif // SYNTH_SONG_H
