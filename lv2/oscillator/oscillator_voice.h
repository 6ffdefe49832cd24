// The oscillator instrument's part of the generic plugin path: a MIDI voice
// that plays the module. Notes and bends set the Pitch pin (and the limit's
// Pitch Ref) at their exact frames; a note from silence raises Sync for one
// call so its cycle starts at phase 0; the Active pin and a gain ramp follow
// the voice (and the Hold, Always Active and Click-free Ramp controls, which
// only the voice reads). The wavetables come from the generator module,
// opened once at instantiation for its link value.
#ifndef LV2_OSCILLATOR_OSCILLATOR_VOICE_H
#define LV2_OSCILLATOR_OSCILLATOR_VOICE_H

#include "gain_ramp.h"
#include "midi_voice.h"
#include "module_plugin.h"

#include <cstdint>

namespace lv2osc {

class OscillatorVoice final : public se_lv2::PluginVoice {
public:
  bool Prepare(se_lv2::ModulePlugin &plugin) override;
  void Start(se_lv2::ModulePlugin &plugin) override;
  void Started(se_lv2::ModulePlugin &plugin) override;
  void ReadControls(se_lv2::ModulePlugin &plugin) override;
  void Midi(const uint8_t *bytes, uint32_t size) override;
  void FlushFirst(se_lv2::ModulePlugin &plugin) override;
  void Flush(se_lv2::ModulePlugin &plugin) override;
  int32_t Piece(int32_t length) const override;
  void Output(float *out, int32_t count) override { m_ramp.Apply(out, count); }

private:
  float PitchSample() const;

  intptr_t m_link = 0; // the generator's table directory
  int m_pitchPin = -1, m_refPin = -1, m_syncPin = -1, m_activePin = -1, m_linkPin = -1;
  int32_t m_rampSamples = 1; // of the click-free ramp at this rate

  MidiParser m_parser;
  MidiVoice m_voice;
  GainRamp m_ramp;
  int32_t m_rampLength = 0;
  bool m_always = false;
  int m_pitchMode = 0; // the Pitch Mode control's item, read with the controls

  // What the module was last told.
  float m_appliedPitch = 0.0f;
  bool m_appliedActive = false;
  bool m_syncHigh = false;
};

} // namespace lv2osc

#endif // LV2_OSCILLATOR_OSCILLATOR_VOICE_H
