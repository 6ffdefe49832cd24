// "DO DI Zuderu 3": a resonant ladder filter of two to five one-pole stages
// under negative feedback. The five choice pins select one of 38 process
// routines (in a Clear and a Furry voicing) at every pin change; the routines
// themselves are generated from the combination table (ladder_routine.h).
#ifndef LADDER_FILTER_MODULE_H
#define LADDER_FILTER_MODULE_H

#include "combination_table.h"
#include "se_module_base.h"
#include "se_settled_output.h"

#include <cstdint>

namespace ladder {
struct ClearVoicing;
struct FurryVoicing;

class Module : public SEModule_base {
public:
  Module(SEHostCallback host, intptr_t host_data) : SEModule_base(host, host_data) {}

  void OpenInstance() override;
  void PinChanged(SEPin *pin) override;
  bool DescribePin(int32_t index, SEPinProperties *properties) override;

  // Combination routine e in voicing V (ladder_routine.h).
  template <int E, class V> void processCombination(int32_t first, int32_t count);
  // Writes silence, keeps the ladder empty and asks for sleep once the whole
  // of the largest block is silent.
  void processSilent(int32_t first, int32_t count);

private:
  enum PinIndex {
    kSignalPin = 0,
    kPitchPin,
    kResonancePin,
    kZingPin,
    kTypePin,
    kFilterTapPin,
    kQTapPin,
    kEmulatePin,
    kVersionPin,
    kBassBoostPin,
    kOutputPin,
  };

  void selectRoutine();
  void emptyStages();
  void applyBassBoost();
  void setRate();
  // Pole, resonance gain and their inputs, for pitch v, resonance r and zing z.
  void updateCoefficients(float v, float r, float z, const CombinationRow &row);

  // Pin variables, written by the host.
  float *signalIn = nullptr;
  float *pitchIn = nullptr;
  float *resonanceIn = nullptr;
  float *zingIn = nullptr;
  int16_t filterTap = 3;
  int16_t qTap = 3;
  int16_t emulate = 1;
  int16_t filterType = 0; // 0 low-pass, anything else high-pass
  int16_t variant = 0;    // 0 Clear, anything else Furry
  float *signalOut = nullptr;

  float outputGain = 0.06f;
  se::SettledOutput silence; // how much of the output processSilent has cleared
  float stageState[5] = {};
  float feedback = 0.0f;
  int16_t prevFilterTap = 0, prevEmulate = 0, prevQTap = 0;
  double bassStrength = 0.3;
  float bassThreshold = 0.5f;
  int16_t bassBoost = 2;
  float pole = 0.5f;
  float poleA = 0.0f, poleB = 0.0f, poleC = 0.0f;
  float resonanceGain = 0.3f;
  float gainIndex = 0.0f;
  float gainFraction = 0.0f;
  int32_t gainIndexInt = 0;
  float lastPitch = 200.0f;
  float lastResonance = 0.3f;
  bool restart = true;
  float twoOverRate = 2.0f / 44100.0f;
  int32_t duckCount = 0;
};

} // namespace ladder

#endif
