// The oscillator's DSP instance: pins, open, reactions to pin changes, the
// choice of process routine, and the process routines themselves.
#ifndef AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H
#define AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H

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
  using Routine = void (Module::*)(int32_t, int32_t);
  enum class SyncPhase { kZero, kOct, kLinear };

  template <SyncPhase P> void ProcessSync(int32_t first, int32_t count);
  template <SyncPhase P> double SyncPhaseAt(int32_t index, float cur, float prev) const;
  // Points pitchTables at the set for `rate` (building it if need be).
  void UsePitchTablesFor(float rate);
  void SetStaticStep(double s);
  // The pin reactions: each records what its pin changed.
  void TakePitch();
  void TakeSync(SEPin &pin, bool streaming);
  void TakeTable();
  void TakeHarmonics();
  void TakeFreqLimit(SEPin &pin);
  void TakeHold();
  void TakeActive();
  // Installs the routine the state calls for (routine_choice.h), freezing the
  // output first when a reaction asked for it.
  void ChooseRoutine();
  // The table for one call (from the harmonic limit at `first`), or null.
  const float *TableForCall(int32_t first) const;
  // Writes noise, or zeros without a table, and answers null when that settles
  // the call; otherwise answers the table the call reads.
  const float *BeginTableCall(int32_t first, int32_t count);
  // Writes the value of processHold or processSilence over a stretch, and
  // asks for sleep once the whole of the largest block holds it.
  void WriteSettled(int32_t first, int32_t count, float value);
  // Installs processHold or processSilence and announces a static output.
  void FreezeOutput(SEProcessEntry routine);

  // A freeze that HOLD or Active asked for, made by the next routine choice.
  enum class Freeze : uint8_t { kNone, kHold, kSilence };

  const float *m_tableSet = nullptr;
  // The pitch tables of the rate this instance opened at: a shared set, or
  // ownPitchTables when the shared registry is full.
  const RateTables *m_pitchTables = nullptr;
  std::unique_ptr<RateTables> m_ownPitchTables;
  float *m_pitchIn = nullptr;
  float *m_syncIn = nullptr;
  float *m_stepScratch = nullptr;
  float *m_waveOut = nullptr;
  float *m_phasePwIn = nullptr;
  float *m_pitchRefIn = nullptr;
  float *m_freqLimitIn = nullptr;
  float *m_pitchAdjustIn = nullptr;
  float m_lastSync = 0.0f;
  float m_limitHz = 0.0f;
  double m_phase = 0.0;
  double m_staticStep = 0.0;
  float m_linearScale = 0.0f;
  uint32_t m_noiseB = 0;
  uint32_t m_noiseA = 0;
  int32_t m_adjustStreaming = 0;
  int32_t m_pitchStreaming = 0;
  int32_t m_syncStreaming = 0;
  int32_t m_phasePwStreaming = 0;
  int32_t m_harmonicSetting = 0;
  int32_t m_blockSize = 0;
  se::SettledOutput m_settled; // how much of "Wave.Out" holds the frozen value
  float m_heldValue = 0.0f;    // the value processHold writes, once taken
  bool m_heldValueTaken = false;
  Freeze m_freeze = Freeze::kNone;
  intptr_t m_linkValue = 0; // address of the generator's table directory, or 0
  int32_t m_linkConnected = 0;
  Routine innerProcess = &Module::processLow;
  SEPin *m_outPin = nullptr;
  SEPin *m_pitchPin = nullptr;
  SEPin *m_pitchAdjustPin = nullptr;
  uint16_t m_waveform = 0;
  int16_t m_limitSystem = 0;
  int16_t m_pitchMode = 0;
  int16_t m_pitchModAccuracy = 0;
  int16_t m_syncAccuracy = 0;
  int16_t m_waveQuality = 0;
  int16_t m_hold = 0;
  int16_t m_active = 0;
  int16_t m_harmonics = 0;
};

class GuiModule : public SEGUI_base {
public:
  GuiModule(SEHostCallback host, intptr_t host_data) : SEGUI_base(host, host_data) {}
  ~GuiModule() override = default;
};

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H
