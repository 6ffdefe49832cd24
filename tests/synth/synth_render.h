// Rendering the synth engine in tests: MIDI messages at frames, runs of a
// chosen length, the test chord, and measures of what comes out.
#ifndef TESTS_SYNTH_SYNTH_RENDER_H
#define TESTS_SYNTH_SYNTH_RENDER_H

#include "synth/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace synthtest {

// A MIDI message at a frame, or (with `position`) where the host's transport is.
struct Event {
  int64_t frame;
  std::vector<uint8_t> bytes;
  std::optional<synth::Position> position = std::nullopt;
};

// The transport rolling at `bpm` in 4/4, at `beat` quarter notes from its start.
inline Event PositionAt(int64_t frame, float bpm, double beat) {
  synth::Position p;
  p.hasTempo = p.hasBeatsPerBar = p.hasBar = p.hasBarBeat = p.hasSpeed = true;
  p.beatsPerMinute = bpm;
  p.beatsPerBar = 4.0f;
  p.bar = static_cast<int64_t>(beat / 4.0);
  p.barBeat = static_cast<float>(beat - 4.0 * static_cast<double>(p.bar));
  p.speed = 1.0f;
  return {frame, {}, p};
}

struct Stereo {
  std::vector<float> left, right;
};

inline Event NoteOn(int64_t frame, int note, int velocity = 127) {
  return {frame, {0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)}};
}
inline Event NoteOff(int64_t frame, int note) {
  return {frame, {0x80, static_cast<uint8_t>(note), 0}};
}
inline Event Cc(int64_t frame, int controller, int value) {
  return {frame, {0xB0, static_cast<uint8_t>(controller), static_cast<uint8_t>(value)}};
}

// The test chord: eight notes struck together at full velocity, released
// after `hold` frames.
inline constexpr int kChord[] = {48, 52, 55, 59, 60, 64, 67, 71};
inline std::vector<Event> Chord(int64_t at, int64_t hold, int velocity = 127) {
  std::vector<Event> e;
  for (int n : kChord)
    e.push_back(NoteOn(at, n, velocity));
  for (int n : kChord)
    e.push_back(NoteOff(at + hold, n));
  return e;
}

// Renders `frames` frames with the events (sorted by frame, stable) given
// at their frames, as a host with runs of `run` frames (0: one run) would:
// Process calls end at every multiple of `run` and at every event.
inline Stereo Render(synth::Engine &engine, int64_t frames, std::vector<Event> events,
                     int32_t run = 0) {
  std::stable_sort(events.begin(), events.end(),
                   [](const Event &a, const Event &b) { return a.frame < b.frame; });
  Stereo out;
  out.left.resize(static_cast<size_t>(frames));
  out.right.resize(static_cast<size_t>(frames));
  int64_t pos = 0;
  size_t next = 0;
  while (pos < frames) {
    while (next < events.size() && events[next].frame <= pos) {
      if (events[next].position)
        engine.SetPosition(*events[next].position);
      else
        engine.Midi(events[next].bytes.data(), static_cast<uint32_t>(events[next].bytes.size()));
      ++next;
    }
    int64_t end = frames;
    if (next < events.size())
      end = std::min(end, events[next].frame);
    if (run > 0)
      end = std::min(end, (pos / run + 1) * run);
    engine.Process(out.left.data() + pos, out.right.data() + pos, static_cast<int32_t>(end - pos));
    pos = end;
  }
  return out;
}

inline float Peak(const std::vector<float> &v, size_t from = 0, size_t to = SIZE_MAX) {
  float p = 0.0f;
  for (size_t i = from; i < std::min(to, v.size()); ++i)
    p = std::max(p, std::fabs(v[i]));
  return p;
}

inline double Rms(const std::vector<float> &v, size_t from = 0, size_t to = SIZE_MAX) {
  double s = 0.0;
  to = std::min(to, v.size());
  for (size_t i = from; i < to; ++i)
    s += static_cast<double>(v[i]) * v[i];
  return to > from ? std::sqrt(s / static_cast<double>(to - from)) : 0.0;
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

} // namespace synthtest

#endif // TESTS_SYNTH_SYNTH_RENDER_H
