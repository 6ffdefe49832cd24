// The held notes in the order they were pressed, each at most once, so that
// the most recent one still held sounds. Fixed storage for all 128 notes.
#ifndef LV2_OSCILLATOR_NOTE_STACK_H
#define LV2_OSCILLATOR_NOTE_STACK_H

#include <cstdint>

namespace lv2osc {

class NoteStack {
public:
  static constexpr int kCapacity = 128;

  // Puts `note` on top (moving it there if it was already held).
  void Press(uint8_t note) {
    note &= 0x7F;
    Release(note);
    m_notes[m_count++] = note;
  }
  // Takes `note` out wherever it is; a note not held changes nothing.
  void Release(uint8_t note) {
    int out = 0;
    for (int in = 0; in < m_count; ++in)
      if (m_notes[in] != note)
        m_notes[out++] = m_notes[in];
    m_count = out;
  }
  void Clear() { m_count = 0; }
  bool Empty() const { return m_count == 0; }
  int Count() const { return m_count; }
  uint8_t Top() const { return m_notes[m_count - 1]; } // only when not empty

private:
  uint8_t m_notes[kCapacity] = {};
  int m_count = 0;
};

} // namespace lv2osc

#endif // LV2_OSCILLATOR_NOTE_STACK_H
