// "DO DI Zuderu 3": a resonant ladder filter of two to five one-pole stages
// under negative feedback. The choice pins select one of the combination
// routines (in a Clear and a Furry version) at every pin change; the routines
// themselves are generated from the combination table (ladder_routine.h).
#ifndef LADDER_FILTER_MODULE_H
#define LADDER_FILTER_MODULE_H

#include "ladder_filter/filter_voice.h"
#include "se_module_base.h"
#include "se_settled_output.h"

#include <cstdint>

namespace ladder {

class Module : public SEModule_base {
public:
  Module(SEHostCallback host, intptr_t host_data) : SEModule_base(host, host_data) {}

  void OpenInstance() override;
  void PinChanged(SEPin *pin) override;
  bool DescribePin(int32_t index, SEPinProperties *properties) override;

  // Combination routine e in version V (ladder_routine.h) on the module's
  // voice.
  template <int E, Version V> void processCombination(int32_t first, int32_t count);
  // Writes silence, keeps the ladder empty and asks for sleep once the whole
  // of the largest block is silent.
  void processSilent(int32_t first, int32_t count);

private:
  void InstallRoutine();
  FilterBuffers Buffers(int32_t first) const {
    return {m_signalIn + first, m_pitchIn + first, m_resonanceIn + first, m_zingIn + first,
            m_signalOut + first};
  }

  // Pin variables, written by the host (the choice pins' are the voice's).
  float *m_signalIn = nullptr;
  float *m_pitchIn = nullptr;
  float *m_resonanceIn = nullptr;
  float *m_zingIn = nullptr;
  float *m_signalOut = nullptr;

  se::SettledOutput m_silence; // how much of the output processSilent has cleared
  FilterVoice m_voice;
};

} // namespace ladder

#endif
