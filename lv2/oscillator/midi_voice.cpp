// The voice's reactions to note, bend and channel-mode messages.
#include "midi_voice.h"

namespace lv2osc {

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kPitchBend = 0xE0;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kResetControllers = 121;
constexpr uint8_t kAllNotesOff = 123;

} // namespace

bool MidiVoice::Apply(const MidiMessage &message) {
  switch (message.status & 0xF0) {
  case kNoteOn: return message.data2 == 0 ? NoteOff(message.data1) : NoteOn(message.data1);
  case kNoteOff: return NoteOff(message.data1);
  case kPitchBend: {
    const int bend = (message.data1 | message.data2 << 7) - 8192;
    const bool changed = bend != m_bend;
    m_bend = bend;
    return changed;
  }
  case kControlChange:
    if (message.data1 == kAllSoundOff || message.data1 == kAllNotesOff)
      return Silence();
    if (message.data1 == kResetControllers) {
      const bool changed = m_bend != 0;
      m_bend = 0;
      return changed;
    }
    return false;
  default: return false;
  }
}

bool MidiVoice::NoteOn(uint8_t note) {
  const bool changed = !m_notes.Empty() ? m_notes.Top() != note : !m_latched || m_lastNote != note;
  m_notes.Press(note);
  m_lastNote = m_notes.Top();
  m_latched = false;
  return changed;
}

bool MidiVoice::NoteOff(uint8_t note) {
  if (m_notes.Empty())
    return false;
  const uint8_t before = m_notes.Top();
  m_notes.Release(note);
  if (!m_notes.Empty()) {
    m_lastNote = m_notes.Top();
    return m_lastNote != before;
  }
  m_latched = m_hold;
  return !m_latched;
}

bool MidiVoice::Silence() {
  const bool was = Sounding();
  m_notes.Clear();
  m_latched = false;
  return was;
}

bool MidiVoice::SetHold(bool on) {
  m_hold = on;
  if (on || !m_latched)
    return false;
  m_latched = false;
  return true;
}

void MidiVoice::Reset() { *this = MidiVoice(); }

double MidiVoice::PitchVolts() const {
  return NoteVolts(m_lastNote + kBendRange * m_bend / 8192.0);
}

} // namespace lv2osc
