// A standard MIDI file (format 0 or 1) read from its bytes: every track's
// channel messages and tempo changes at their ticks. No file access: the
// caller reads the bytes. Nothing in a file, however malformed, is read
// outside the bytes given; a file this reader cannot play gets one message.
#ifndef SYNTH_MIDI_FILE_H
#define SYNTH_MIDI_FILE_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace synth {

struct MidiFileEvent {
  uint64_t tick = 0;     // from the track's start
  uint8_t bytes[3] = {}; // a channel message, its status byte first (running status resolved)
  uint8_t size = 0;      // 2 or 3; 0 for a tempo change
  uint32_t tempo = 0;    // a tempo change: microseconds per quarter note
};

struct MidiTrack {
  std::vector<MidiFileEvent> events; // in file order
  uint64_t endTick = 0;              // its end of track (or its last event)
};

struct MidiFile {
  int format = 0;
  // Time: ticks per quarter note, or (when smpteFps is not 0) SMPTE frames per
  // second (24, 25, 29 for 30 drop-frame, 30) and ticks per frame.
  uint32_t ticksPerQuarter = 0;
  int smpteFps = 0;
  uint32_t ticksPerFrame = 0;
  std::vector<MidiTrack> tracks;
};

// The longest file read (bytes), and the most ticks a track may run to.
inline constexpr size_t kMaxMidiFileBytes = 64u << 20;
inline constexpr uint64_t kMaxTicks = uint64_t{1} << 40;

// Answers an empty string and fills `file`, or says what is wrong.
std::string ReadMidiFile(std::span<const uint8_t> bytes, MidiFile &file);

} // namespace synth

#endif // SYNTH_MIDI_FILE_H
