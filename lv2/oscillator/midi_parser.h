// Turns the bytes of MIDI events into channel messages. Keeps running status,
// skips system exclusive and system common data, ignores real-time bytes and
// any data byte that has no status to belong to. Pure and allocation-free.
#ifndef LV2_OSCILLATOR_MIDI_PARSER_H
#define LV2_OSCILLATOR_MIDI_PARSER_H

#include <cstdint>

namespace lv2osc {

// One channel voice message: status (0x80 to 0xEF) and its data bytes (a
// one-byte message leaves data2 at 0).
struct MidiMessage {
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

class MidiParser {
public:
  // Starts a new event: a message left incomplete by the previous one is
  // dropped, running status stays.
  void BeginEvent() { m_have = 0; }
  // Takes one byte; answers true when it completes a message, written to `message`.
  bool Push(uint8_t byte, MidiMessage &message);
  void Reset() { *this = MidiParser(); }

private:
  uint8_t m_running = 0; // status of the message being collected, 0 for none
  uint8_t m_data[2] = {};
  uint8_t m_have = 0;
};

inline bool MidiParser::Push(uint8_t byte, MidiMessage &message) {
  if (byte >= 0xF8) // real time: may come between any two bytes, changes nothing
    return false;
  if (byte >= 0xF0) { // system exclusive and common: their data belong to no channel
    m_running = 0;
    m_have = 0;
    return false;
  }
  if (byte >= 0x80) {
    m_running = byte;
    m_have = 0;
    return false;
  }
  if (m_running == 0)
    return false;
  m_data[m_have++] = byte;
  const uint8_t kind = m_running & 0xF0;
  const uint8_t needed = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
  if (m_have < needed)
    return false;
  m_have = 0;
  message.status = m_running;
  message.data1 = m_data[0];
  message.data2 = needed == 2 ? m_data[1] : 0;
  return true;
}

} // namespace lv2osc

#endif // LV2_OSCILLATOR_MIDI_PARSER_H
