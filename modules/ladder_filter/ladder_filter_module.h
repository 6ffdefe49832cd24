// "DO DI Zuderu 3": a resonant ladder filter of two to five one-pole stages
// under negative feedback. The choice pins select one of the combination
// routines (in a Clear and a Furry version) at every pin change; the routines
// themselves are generated from the combination table (ladder_routine.h).
#ifndef LADDER_FILTER_MODULE_H
#define LADDER_FILTER_MODULE_H

#include "bass_boost.h"
#include "choices.h"
#include "coefficients.h"
#include "se_module_base.h"
#include "se_settled_output.h"
#include "version.h"

#include <cstdint>

namespace ladder {

class Module : public SEModule_base {
public:
  Module(SEHostCallback host, intptr_t host_data) : SEModule_base(host, host_data) {}

  void OpenInstance() override;
  void PinChanged(SEPin *pin) override;
  bool DescribePin(int32_t index, SEPinProperties *properties) override;

  // Combination routine e in version V (ladder_routine.h).
  template <int E, Version V> void processCombination(int32_t first, int32_t count);
  // Writes silence, keeps the ladder empty and asks for sleep once the whole
  // of the largest block is silent.
  void processSilent(int32_t first, int32_t count);

private:
  void SelectRoutine();
  void EmptyStages();
  void ApplyBassBoost();
  void SetRate();

  // Pin variables, written by the host.
  float *m_signalIn = nullptr;
  float *m_pitchIn = nullptr;
  float *m_resonanceIn = nullptr;
  float *m_zingIn = nullptr;
  int16_t m_filterTap = static_cast<int16_t>(Tap::kTap5);
  int16_t m_qTap = static_cast<int16_t>(Tap::kTap5);
  int16_t m_emulate = static_cast<int16_t>(Emulate::kDigital);
  int16_t m_filterType = 0; // FilterType: 0 low-pass, anything else high-pass
  int16_t m_version = 0;    // Version: 0 Clear, anything else Furry
  int16_t m_bassBoost = kBassBoostDefault;
  float *m_signalOut = nullptr;

  float m_outputGain = 0.06f;
  se::SettledOutput m_silence; // how much of the output processSilent has cleared
  float m_stageState[kMaxStages] = {};
  float m_feedback = 0.0f;
  int16_t m_prevFilterTap = 0, m_prevEmulate = 0, m_prevQTap = 0;
  BassBoostSetting m_bassBoostSetting = kBassBoost[kBassBoostDefault];
  Coefficients m_coefficients;
  bool m_restart = true;
  float m_twoOverRate = 2.0f / 44100.0f;
  int32_t m_duckCount = 0;
};

} // namespace ladder

#endif
