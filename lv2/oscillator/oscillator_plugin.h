// The oscillator as an LV2 instrument: one oscillator module played by a MIDI
// voice, with its wavetables from the generator module. Notes, bends and
// control changes reach the module as pin changes at their exact frames; the
// gain ramp and the switch of the module's Active pin follow the voice.
#ifndef LV2_OSCILLATOR_OSCILLATOR_PLUGIN_H
#define LV2_OSCILLATOR_OSCILLATOR_PLUGIN_H

#include "control_value.h"
#include "gain_ramp.h"
#include "midi_voice.h"
#include "module_runner.h"
#include "oscillator_ports.h"
#include "sequence_reader.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <memory>

namespace lv2osc {

class OscillatorPlugin {
public:
  static LV2_Handle Instantiate(const LV2_Descriptor *descriptor, double rate, const char *bundle,
                                const LV2_Feature *const *features);
  static void ConnectPort(LV2_Handle handle, uint32_t port, void *data);
  static void Activate(LV2_Handle handle);
  static void Run(LV2_Handle handle, uint32_t n);
  static void Cleanup(LV2_Handle handle);

private:
  // A control port that drives a module pin: a choice pin by value, or a
  // static audio pin by its samples.
  struct Control {
    int pin = -1;
    bool choice = false;
    se_lv2::ChoiceSet choices;
    int wanted = 0;         // choices: the item value the port asks for
    float wantedSample = 0; // audio pins: the sample the port asks for
  };

  bool MakeRunner();
  void Open();
  void ReadControls();
  int PitchMode() const { return m_controls[kPitchMode].wanted; }
  float PitchSample() const;
  void HoldPin(int pin, float sample);
  void WriteHeld(int32_t length);
  void Flush();
  void ReadCv(int32_t offset, int32_t length);
  void RenderUntil(int32_t frame, uint32_t n);
  void Segment(int32_t offset, int32_t length);
  void ApplyMidi(const uint8_t *bytes, uint32_t size);

  float m_rate = 44100.0f;
  int32_t m_capacity = 0;
  intptr_t m_link = 0; // the generator's table directory
  se_lv2::SequenceUrids m_urids;
  std::unique_ptr<se_runtime::ModuleRunner> m_runner;
  bool m_opened = false;
  void *m_ports[kPortCount] = {};

  // The module pins the plugin drives besides the controls.
  int m_pitchPin = -1, m_refPin = -1, m_adjustPin = -1, m_syncPin = -1, m_activePin = -1,
      m_outPin = -1;
  Control m_controls[kPortCount];
  // Static audio inputs: the value each holds and how far its buffer has it.
  float m_held[se_runtime::ModuleRunner::kMaxPins] = {};
  int32_t m_heldLength[se_runtime::ModuleRunner::kMaxPins] = {};

  MidiParser m_parser;
  MidiVoice m_voice;
  GainRamp m_ramp;
  int32_t m_rampLength = 0;
  bool m_always = false;

  // What the module was last told (each compared with what is wanted at every
  // Process call, so that changes at one frame collapse into one event each).
  int m_applied[kPortCount] = {};
  float m_appliedSample[kPortCount] = {};
  float m_appliedPitch = 0.0f;
  bool m_appliedActive = false;
  bool m_syncHigh = false;
  bool m_cvStreaming = false;
  float m_appliedCv = 0.0f;
  int32_t m_cursor = 0; // frames of the current run done
  int32_t m_chunkEnd = 0;
};

} // namespace lv2osc

#endif // LV2_OSCILLATOR_OSCILLATOR_PLUGIN_H
