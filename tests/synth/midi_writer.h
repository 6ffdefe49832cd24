// Standard MIDI files written by the tests: tracks of (delta ticks, bytes).
#ifndef TESTS_SYNTH_MIDI_WRITER_H
#define TESTS_SYNTH_MIDI_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace synthtest {

using Bytes = std::vector<uint8_t>;
using TrackEvents = std::vector<std::pair<uint32_t, Bytes>>;

inline Bytes Vlq(uint32_t n) {
  Bytes out{static_cast<uint8_t>(n & 0x7F)};
  for (n >>= 7; n != 0; n >>= 7)
    out.insert(out.begin(), static_cast<uint8_t>((n & 0x7F) | 0x80));
  return out;
}

inline void Big(Bytes &out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A track chunk; `end` adds the end-of-track event.
inline Bytes Track(const TrackEvents &events, bool end = true) {
  Bytes body;
  for (const auto &[delta, bytes] : events) {
    const Bytes d = Vlq(delta);
    body.insert(body.end(), d.begin(), d.end());
    body.insert(body.end(), bytes.begin(), bytes.end());
  }
  if (end)
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes chunk{'M', 'T', 'r', 'k'};
  Big(chunk, static_cast<uint32_t>(body.size()), 4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

inline Bytes MidiFileBytes(int format, uint16_t division, const std::vector<Bytes> &tracks) {
  Bytes out{'M', 'T', 'h', 'd'};
  Big(out, 6, 4);
  Big(out, static_cast<uint32_t>(format), 2);
  Big(out, static_cast<uint32_t>(tracks.size()), 2);
  Big(out, division, 2);
  for (const Bytes &t : tracks)
    out.insert(out.end(), t.begin(), t.end());
  return out;
}

inline Bytes Tempo(uint32_t microseconds) {
  return {0xFF,
          0x51,
          0x03,
          static_cast<uint8_t>(microseconds >> 16),
          static_cast<uint8_t>(microseconds >> 8),
          static_cast<uint8_t>(microseconds)};
}

// A two-track song with tempo changes, running status, a bend, the wheel, the
// pedal and notes on two channels, some still held at its end; the LFO synced
// to the tempo, so that the tempo map is heard.
inline Bytes TestSong() {
  const Bytes tempo = Track({{0, Tempo(500000)}, {960, Tempo(400000)}, {1440, Tempo(750000)}});
  const Bytes notes = Track({{0, {0x90, 48, 100}},
                             {0, {52, 90}}, // running status
                             {0, {55, 80}},
                             {120, {0xB0, 1, 100}},
                             {120, {0xE1, 0x00, 0x60}},
                             {240, {0x91, 72, 127}},
                             {240, {0x80, 48, 0}},
                             {0, {0xB0, 64, 127}},
                             {480, {0x81, 72, 0}},
                             {0, {0x90, 60, 64}},
                             {720, {0xB0, 64, 0}},
                             {480, {0x92, 67, 100}},
                             {960, {0x90, 76, 110}}});
  return MidiFileBytes(1, 480, {tempo, notes});
}

} // namespace synthtest

#endif // TESTS_SYNTH_MIDI_WRITER_H
