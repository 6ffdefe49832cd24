// One monophonic voice played from MIDI: which note sounds (the most recent
// one still held), its pitch with the bend, and whether the voice sounds at
// all. Every channel is heard. Pure and allocation-free, so the plugin's run
// can use it between two samples.
#ifndef LV2_OSCILLATOR_MIDI_VOICE_H
#define LV2_OSCILLATOR_MIDI_VOICE_H

#include "midi_parser.h"
#include "note_stack.h"

namespace lv2osc {

// Pitch volts of a MIDI note: 1 V per octave, 0 V = 13.75 Hz (note 9), so
// A4 (note 69, 440 Hz) is 5 V.
constexpr double NoteVolts(double note) { return (note - 9.0) / 12.0; }

class MidiVoice {
public:
  static constexpr double kBendRange = 2.0; // semitones at either end of the wheel

  // Applies one message; answers true when the pitch or Sounding() changed.
  bool Apply(const MidiMessage &message);
  // With hold on, the last note released keeps sounding until the next note
  // or until hold goes off. Answers true when Sounding() changed.
  bool SetHold(bool on);
  void Reset();

  // A note is held, or the last one is kept by hold.
  bool Sounding() const { return !m_notes.Empty() || m_latched; }
  // The pitch of the note that sounds, or last sounded (a released note keeps
  // its pitch while it fades), with the bend; 5 V before any note.
  double PitchVolts() const;
  int HeldCount() const { return m_notes.Count(); }

private:
  bool NoteOn(uint8_t note);
  bool NoteOff(uint8_t note);
  bool Silence();

  NoteStack m_notes;
  uint8_t m_lastNote = 69;
  int m_bend = 0; // -8192 to 8191
  bool m_hold = false;
  bool m_latched = false;
};

} // namespace lv2osc

#endif // LV2_OSCILLATOR_MIDI_VOICE_H
