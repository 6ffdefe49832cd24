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
  enum class SyncPhase { Zero, Oct, Linear };

  template <SyncPhase P> void processSync(int32_t first, int32_t count);
  template <SyncPhase P> double syncPhaseAt(int32_t index, float cur, float prev) const;
  // Points pitchTables at the set for `rate` (building it if need be).
  void usePitchTablesFor(float rate);
  void setStaticStep(double s);
  void chooseRoutine();
  // The table for one call (from the harmonic limit at `first`), or null.
  const float *tableForCall(int32_t first) const;
  // Writes noise, or zeros without a table, and answers null when that settles
  // the call; otherwise answers the table the call reads.
  const float *beginTableCall(int32_t first, int32_t count);
  // Writes the value of processHold or processSilence over a stretch, and
  // asks for sleep once the whole of the largest block holds it.
  void writeSettled(int32_t first, int32_t count, float value);
  // Installs processHold or processSilence and announces a static output.
  void freezeOutput(SEProcessEntry routine);

  const float *tableSet = nullptr;
  // The pitch tables of the rate this instance opened at: a shared set, or
  // ownPitchTables when the shared registry is full.
  const RateTables *pitchTables = nullptr;
  std::unique_ptr<RateTables> ownPitchTables;
  float *pitchIn = nullptr;
  float *syncIn = nullptr;
  float *stepScratch = nullptr;
  float *waveOut = nullptr;
  float *phasePwIn = nullptr;
  float *pitchRefIn = nullptr;
  float *freqLimitIn = nullptr;
  float *pitchAdjustIn = nullptr;
  float lastSync = 0.0f;
  float limitHz = 0.0f;
  double phase = 0.0;
  double staticStep = 0.0;
  float linearScale = 0.0f;
  uint32_t noiseB = 0;
  uint32_t noiseA = 0;
  int32_t adjustStreaming = 0;
  int32_t pitchStreaming = 0;
  int32_t syncStreaming = 0;
  int32_t phasePwStreaming = 0;
  int32_t harmonicSetting = 0;
  int32_t blockSize = 0;
  se::SettledOutput settled; // how much of "Wave.Out" holds the frozen value
  float heldValue = 0.0f;    // the value processHold writes, once taken
  bool heldValueTaken = false;
  intptr_t linkValue = 0; // address of the generator's table directory, or 0
  int32_t linkConnected = 0;
  Routine innerProcess = &Module::processLow;
  SEPin *outPin = nullptr;
  SEPin *pitchPin = nullptr;
  SEPin *pitchAdjustPin = nullptr;
  uint16_t waveform = 0;
  int16_t limitSystem = 0;
  int16_t pitchMode = 0;
  int16_t pitchModAccuracy = 0;
  int16_t syncAccuracy = 0;
  int16_t waveQuality = 0;
  int16_t hold = 0;
  int16_t active = 0;
  int16_t harmonics = 0;
};

class GuiModule : public SEGUI_base {
public:
  GuiModule(SEHostCallback host, intptr_t host_data) : SEGUI_base(host, host_data) {}
  ~GuiModule() override = default;
};

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_MODULE_H
