// The one reader of an input atom sequence (a MIDI port) for every plugin of
// the bundle. A host hands the plugin a sequence whose own size it vouches
// for, and nothing else: every event is checked against that size before a
// byte of it is read, so a malformed event (a body size that runs past the
// sequence, a header cut short) ends the reading there instead of reading
// past the buffer.
//
// Contract:
//  - SequenceReader(port, urids, frames): `port` is what the host connected
//    (may be null: no events); `frames` the length of the run. The size is
//    read once, here: a host that reuses the buffer for output while the
//    plugin renders (sharing it with an audio output) cannot move the bounds.
//  - Next(event): the next well-formed event, in the sequence's order, with
//    its frame held to [the previous event's frame, frames] (events out of
//    order or past the run act at the nearest frame that keeps the order).
//    Events timed in another unit than frames (beat time) act at the run's
//    first frame. Answers false at the end of the sequence or at its first
//    malformed event; then and after, nothing more is read.
//  - The reader never writes, allocates or reads outside [port, port + 8 +
//    the sequence's size). Real-time safe.
#ifndef SE_LV2_SEQUENCE_READER_H
#define SE_LV2_SEQUENCE_READER_H

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>

namespace se_lv2 {

// The URIDs the reader and a MIDI plugin need, mapped once at instantiation.
struct SequenceUrids {
  LV2_URID sequence = 0;  // atom:Sequence
  LV2_URID frameTime = 0; // atom:frameTime
  LV2_URID midiEvent = 0; // midi:MidiEvent

  // Answers false (leaving every URID 0) when `map` is null or maps nothing.
  bool Map(const LV2_URID_Map *map);
};

// One event: its frame within the run, its type and its body's bytes.
struct SequenceEvent {
  uint32_t frame = 0;
  LV2_URID type = 0;
  uint32_t size = 0;
  const uint8_t *body = nullptr;
};

inline bool SequenceUrids::Map(const LV2_URID_Map *map) {
  *this = SequenceUrids();
  if (map == nullptr || map->map == nullptr)
    return false;
  sequence = map->map(map->handle, LV2_ATOM__Sequence);
  frameTime = map->map(map->handle, LV2_ATOM__frameTime);
  midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
  if (sequence != 0 && midiEvent != 0)
    return true;
  *this = SequenceUrids();
  return false;
}

class SequenceReader {
public:
  SequenceReader(const void *port, const SequenceUrids &urids, uint32_t frames);
  bool Next(SequenceEvent &event);

private:
  const uint8_t *m_data = nullptr; // the sequence's body
  uint64_t m_size = 0;             // bytes of the body
  uint64_t m_offset = 0;           // of the next event within the body
  bool m_frameTimes = true;
  uint32_t m_frames = 0;
  uint32_t m_last = 0;
};

inline SequenceReader::SequenceReader(const void *port, const SequenceUrids &urids, uint32_t frames)
    : m_frames(frames) {
  if (port == nullptr || urids.sequence == 0)
    return;
  LV2_Atom atom;
  std::memcpy(&atom, port, sizeof atom);
  if (atom.type != urids.sequence || atom.size < sizeof(LV2_Atom_Sequence_Body))
    return;
  LV2_Atom_Sequence_Body body;
  std::memcpy(&body, static_cast<const uint8_t *>(port) + sizeof(LV2_Atom), sizeof body);
  m_data = static_cast<const uint8_t *>(port) + sizeof(LV2_Atom);
  m_size = atom.size;
  m_offset = sizeof(LV2_Atom_Sequence_Body);
  m_frameTimes = body.unit == 0 || body.unit == urids.frameTime;
}

inline bool SequenceReader::Next(SequenceEvent &event) {
  constexpr uint64_t kHeader = sizeof(LV2_Atom_Event); // time and body header
  if (m_data == nullptr || m_offset > m_size || m_size - m_offset < kHeader) {
    m_data = nullptr;
    return false;
  }
  LV2_Atom_Event header;
  std::memcpy(&header, m_data + m_offset, kHeader);
  const uint64_t body_at = m_offset + kHeader;
  if (header.body.size > m_size - body_at) { // the body runs past the sequence
    m_data = nullptr;
    return false;
  }
  int64_t frame = m_frameTimes ? header.time.frames : 0;
  frame = frame < m_last ? m_last : (frame > m_frames ? m_frames : frame);
  m_last = static_cast<uint32_t>(frame);
  event.frame = m_last;
  event.type = header.body.type;
  event.size = header.body.size;
  event.body = m_data + body_at;
  m_offset = body_at + ((uint64_t{header.body.size} + 7u) & ~uint64_t{7});
  return true;
}

} // namespace se_lv2

#endif // SE_LV2_SEQUENCE_READER_H
