#include "synth/midi_file.h"

#include <cstring>

namespace synth {

namespace {

// The bytes still to read, and the reading of them; every read is checked.
class Cursor {
public:
  Cursor(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
  size_t Left() const { return m_size - m_at; }
  bool Byte(uint8_t &b) {
    if (m_at >= m_size)
      return false;
    b = m_data[m_at++];
    return true;
  }
  bool Peek(uint8_t &b) const {
    if (m_at >= m_size)
      return false;
    b = m_data[m_at];
    return true;
  }
  bool Skip(uint64_t n) {
    if (n > Left())
      return false;
    m_at += static_cast<size_t>(n);
    return true;
  }
  bool Bytes(uint8_t *out, size_t n) {
    if (n > Left())
      return false;
    std::memcpy(out, m_data + m_at, n);
    m_at += n;
    return true;
  }
  bool Big(uint32_t &v, int n) {
    v = 0;
    for (int i = 0; i < n; ++i) {
      uint8_t b;
      if (!Byte(b))
        return false;
      v = v << 8 | b;
    }
    return true;
  }
  // A variable-length quantity: at most four bytes, seven bits each.
  bool Vlq(uint32_t &v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!Byte(b))
        return false;
      v = v << 7 | (b & 0x7F);
      if ((b & 0x80) == 0)
        return true;
    }
    return false;
  }
  const uint8_t *Here() const { return m_data + m_at; }

private:
  const uint8_t *m_data;
  size_t m_size;
  size_t m_at = 0;
};

int DataBytes(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

std::string ReadTrack(Cursor c, MidiTrack &track, int number) {
  const std::string where = "track " + std::to_string(number) + ": ";
  uint64_t tick = 0;
  uint8_t running = 0;
  while (c.Left() > 0) {
    uint32_t delta;
    if (!c.Vlq(delta))
      return where + "an event's time is cut short or longer than four bytes";
    tick += delta;
    if (tick > kMaxTicks)
      return where + "runs too long (more than 2^40 ticks)";
    uint8_t status;
    if (!c.Peek(status))
      return where + "ends inside an event";
    if (status >= 0x80)
      c.Skip(1);
    else if (running == 0)
      return where + "a data byte with no status before it";
    else
      status = running;
    if (status == 0xFF) { // meta event
      uint8_t type;
      uint32_t length;
      if (!c.Byte(type) || !c.Vlq(length) || length > c.Left())
        return where + "a meta event runs past the track's end";
      running = 0;
      if (type == 0x2F) { // end of track: what follows is ignored
        track.endTick = tick;
        return {};
      }
      if (type == 0x51) {
        if (length != 3)
          return where + "a tempo change of " + std::to_string(length) + " bytes (3 expected)";
        uint32_t tempo;
        c.Big(tempo, 3);
        if (tempo == 0)
          return where + "a tempo of 0 microseconds per quarter note";
        MidiFileEvent e;
        e.tick = tick;
        e.tempo = tempo;
        track.events.push_back(e);
      } else {
        c.Skip(length);
      }
    } else if (status == 0xF0 || status == 0xF7) { // system exclusive: skipped
      uint32_t length;
      if (!c.Vlq(length) || !c.Skip(length))
        return where + "a system exclusive message runs past the track's end";
      running = 0;
    } else if (status >= 0xF0) {
      return where + "a system message (" + std::to_string(status) + ") that a file cannot hold";
    } else {
      MidiFileEvent e;
      e.tick = tick;
      e.bytes[0] = status;
      e.size = static_cast<uint8_t>(1 + DataBytes(status));
      for (int i = 1; i < e.size; ++i)
        if (!c.Byte(e.bytes[i]) || e.bytes[i] >= 0x80)
          return where + "a channel message cut short or with a status byte inside";
      running = status;
      track.events.push_back(e);
    }
    track.endTick = tick;
  }
  return {}; // no end-of-track event: the track ends with its bytes
}

} // namespace

std::string ReadMidiFile(std::span<const uint8_t> bytes, MidiFile &file) {
  file = MidiFile();
  if (bytes.size() > kMaxMidiFileBytes)
    return "larger than 64 MiB";
  Cursor c(bytes.data(), bytes.size());
  uint8_t id[4];
  uint32_t length = 0, format = 0, count = 0, division = 0;
  if (!c.Bytes(id, 4) || std::memcmp(id, "MThd", 4) != 0)
    return "not a standard MIDI file (no MThd header)";
  if (!c.Big(length, 4) || length < 6 || length > c.Left() || !c.Big(format, 2) ||
      !c.Big(count, 2) || !c.Big(division, 2) || !c.Skip(length - 6))
    return "its header is cut short";
  if (format > 1)
    return "a format " + std::to_string(format) + " file (formats 0 and 1 are played)";
  if (count == 0)
    return "it holds no track";
  if (format == 0 && count != 1)
    return "a format 0 file with " + std::to_string(count) + " tracks";
  file.format = static_cast<int>(format);
  if ((division & 0x8000) != 0) {
    const int fps = -static_cast<int8_t>(division >> 8);
    if (fps != 24 && fps != 25 && fps != 29 && fps != 30)
      return "SMPTE time of " + std::to_string(fps) + " frames per second";
    file.smpteFps = fps;
    file.ticksPerFrame = division & 0xFF;
    if (file.ticksPerFrame == 0)
      return "SMPTE time of 0 ticks per frame";
  } else {
    file.ticksPerQuarter = division;
    if (division == 0)
      return "0 ticks per quarter note";
  }
  while (file.tracks.size() < count) {
    if (c.Left() == 0)
      return "it declares " + std::to_string(count) + " tracks but holds " +
             std::to_string(file.tracks.size());
    uint32_t chunk;
    if (!c.Bytes(id, 4) || !c.Big(chunk, 4) || chunk > c.Left())
      return "a chunk runs past the end of the file";
    Cursor body(c.Here(), chunk);
    c.Skip(chunk);
    if (std::memcmp(id, "MTrk", 4) != 0)
      continue; // a chunk of another kind: skipped, as the format asks
    MidiTrack track;
    const std::string error = ReadTrack(body, track, static_cast<int>(file.tracks.size()) + 1);
    if (!error.empty())
      return error;
    file.tracks.push_back(std::move(track));
  }
  return {};
}

} // namespace synth
