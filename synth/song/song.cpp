#include "synth/song.h"

#include <algorithm>

namespace synth {

namespace {

constexpr uint32_t kDefaultTempo = 500000; // 120 quarter notes per minute

// floor(a * b / d) without overflow for a < 2^63 / b... : a = q d + r.
int64_t MulDiv(uint64_t a, uint64_t b, uint64_t d) {
  const uint64_t q = a / d, r = a % d;
  const uint64_t whole = q > (uint64_t{1} << 62) / (b == 0 ? 1 : b) ? (uint64_t{1} << 62) : q * b;
  return static_cast<int64_t>(whole + r * b / d);
}

// Ticks to frames, segment by segment.
class TimeMap {
public:
  TimeMap(const MidiFile &file, uint32_t rate) : m_file(file), m_rate(rate) {}

  // Frames of `tick`, ticks given in order (never decreasing).
  int64_t Frame(uint64_t tick) const {
    if (m_file.smpteFps != 0) {
      // Ticks per second: fps * ticks per frame (30000/1001 fps for "29").
      const uint64_t num = m_file.smpteFps == 29 ? 1001 : 1;
      const uint64_t den = m_file.smpteFps == 29 ? 30000 : static_cast<uint64_t>(m_file.smpteFps);
      return MulDiv(tick * num, m_rate, den * m_file.ticksPerFrame);
    }
    return m_frame +
           MulDiv((tick - m_tick) * m_tempo, m_rate, uint64_t{m_file.ticksPerQuarter} * 1000000u);
  }
  // A new tempo from `tick` on.
  void SetTempo(uint64_t tick, uint32_t tempo) {
    if (m_file.smpteFps != 0)
      return;
    m_frame = Frame(tick);
    m_tick = tick;
    m_tempo = tempo;
  }
  uint32_t Tempo() const { return m_tempo; }

private:
  const MidiFile &m_file;
  uint64_t m_rate;
  uint64_t m_tick = 0;
  int64_t m_frame = 0;
  uint64_t m_tempo = kDefaultTempo;
};

Position Where(const MidiFile &file, uint64_t tick, uint32_t tempo) {
  Position p;
  p.hasTempo = p.hasBeatsPerBar = p.hasBar = p.hasBarBeat = p.hasSpeed = true;
  p.beatsPerMinute = static_cast<float>(60.0e6 / tempo);
  p.beatsPerBar = 4.0f;
  p.speed = 1.0f;
  const double quarters =
      file.ticksPerQuarter != 0 ? static_cast<double>(tick) / file.ticksPerQuarter : 0.0;
  p.bar = static_cast<int64_t>(quarters / 4.0);
  p.barBeat = static_cast<float>(quarters - 4.0 * static_cast<double>(p.bar));
  return p;
}

} // namespace

Song ScheduleSong(const MidiFile &file, uint32_t rate) {
  struct Ref {
    uint64_t tick;
    size_t track, index;
  };
  std::vector<Ref> order;
  uint64_t end = 0;
  for (size_t t = 0; t < file.tracks.size(); ++t) {
    for (size_t i = 0; i < file.tracks[t].events.size(); ++i)
      order.push_back({file.tracks[t].events[i].tick, t, i});
    end = std::max(end, file.tracks[t].endTick);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Ref &a, const Ref &b) { return a.tick < b.tick; });

  Song song;
  TimeMap time(file, rate);
  SongEvent start;
  start.isPosition = true;
  start.position = Where(file, 0, time.Tempo());
  song.events.push_back(start);
  bool held[16][128] = {};
  bool pedal[16] = {};
  for (const Ref &r : order) {
    const MidiFileEvent &e = file.tracks[r.track].events[r.index];
    if (e.size == 0) { // a tempo change, told to the engine as a position
      time.SetTempo(e.tick, e.tempo);
      SongEvent p;
      p.frame = time.Frame(e.tick);
      p.isPosition = true;
      p.position = Where(file, e.tick, e.tempo);
      song.events.push_back(p);
      continue;
    }
    SongEvent m;
    m.frame = time.Frame(e.tick);
    m.size = e.size;
    std::copy(e.bytes, e.bytes + 3, m.bytes);
    song.events.push_back(m);
    const int channel = e.bytes[0] & 0x0F, kind = e.bytes[0] & 0xF0;
    if (kind == 0x90 || kind == 0x80)
      held[channel][e.bytes[1]] = kind == 0x90 && e.bytes[2] > 0;
    else if (kind == 0xB0 && e.bytes[1] == 64)
      pedal[channel] = e.bytes[2] >= 64;
    else if (kind == 0xB0 && (e.bytes[1] == 120 || e.bytes[1] >= 123)) // all off, modes
      std::fill(held[channel], held[channel] + 128, false);
  }
  song.endFrame = time.Frame(end);
  // What is still held at the end is let go there: notes, then pedals.
  for (int channel = 0; channel < 16; ++channel)
    for (int note = 0; note < 128; ++note)
      if (held[channel][note]) {
        SongEvent off;
        off.frame = song.endFrame;
        off.size = 3;
        off.bytes[0] = static_cast<uint8_t>(0x80 | channel);
        off.bytes[1] = static_cast<uint8_t>(note);
        song.events.push_back(off);
      }
  for (int channel = 0; channel < 16; ++channel)
    if (pedal[channel]) {
      SongEvent up;
      up.frame = song.endFrame;
      up.size = 3;
      up.bytes[0] = static_cast<uint8_t>(0xB0 | channel);
      up.bytes[1] = 64;
      song.events.push_back(up);
    }
  return song;
}

} // namespace synth
