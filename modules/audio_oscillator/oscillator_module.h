// The oscillator's DSP instance: an oscillator voice (oscillator_voice.h)
// behind the module's pins. The host writes the pins into the voice; pin
// changes reach the voice's reactions, the process routines run its
// routines, and what concerns the host stays here (output status, sleep, the
// pitch tables of a rate past the shared ones).
#ifndef AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H
#define AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H

#include "audio_oscillator/oscillator_voice.h"
#include "pitch_tables.h"
#include "se_gui_base.h"
#include "se_module_base.h"
#include "se_settled_output.h"

#include <cstdint>
#include <memory>

namespace osc {

class Module : public SEModule_base {
public:
  Module(SEHostCallback host, intptr_t host_data) : SEModule_base(host, host_data) {}
  ~Module() override = default;

  void OpenInstance() override;
  void PinChanged(SEPin *pin) override;
  bool DescribePin(int32_t index, SEPinProperties *properties) override;

  // Process routines (first sample index in the block, sample count).
  void processLow(int32_t first, int32_t count);  // pitch read once per call
  void processHigh(int32_t first, int32_t count); // pitch read per sample
  void processSyncLow(int32_t first, int32_t count);
  void processSyncHighOct(int32_t first, int32_t count);
  void processSyncHighLinear(int32_t first, int32_t count);
  void processHold(int32_t first, int32_t count);
  void processSilence(int32_t first, int32_t count);

private:
  // Writes the value of processHold or processSilence over a stretch, and
  // asks for sleep once the whole of the largest block holds it.
  void WriteSettled(int32_t first, int32_t count, float value);

  OscillatorVoice m_voice;
  OscillatorBuffers m_io; // the audio pins' variables
  // The pitch tables of this instance's own, when the shared registry is full.
  std::unique_ptr<RateTables> m_ownPitchTables;
  se::SettledOutput m_settled; // how much of "Wave.Out" holds the frozen value
  SEPin *m_outPin = nullptr;
};

class GuiModule : public SEGUI_base {
public:
  GuiModule(SEHostCallback host, intptr_t host_data) : SEGUI_base(host, host_data) {}
  ~GuiModule() override = default;
};

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H
