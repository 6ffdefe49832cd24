#include "ladder_filter_module.h"

#include "ladder_filter/pins.h"
#include "routine_table.h"

namespace ladder {

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  FilterChoices &c = m_voice.choices;
  void *const variables[] = {&m_signalIn, &m_pitchIn,   &m_resonanceIn, &m_zingIn,
                             &c.type,     &c.filterTap, &c.qTap,        &c.emulate,
                             &c.version,  &c.bassBoost, &m_signalOut};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::InstallRoutine() {
  InstallProcessRoutine(m_voice.silent ? se::Process<&Module::processSilent>
                                       : CombinationRoutine(m_voice.routine, m_voice.version));
}

void Module::OpenInstance() {
  m_voice.Open(SampleRate());
  InstallRoutine();
}

void Module::PinChanged(SEPin *) {
  const int32_t status = PinAt(kSignalPin)->Status();
  PinAt(kOutputPin)->PostStatus(SampleClock(), status);
  m_voice.PinsChanged(status >= PS_RUNNING, SampleRate());
  if (m_voice.silent)
    m_silence.Restart();
  InstallRoutine();
}

void Module::processSilent(int32_t first, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    m_signalOut[first + i] = 0.0f;
  m_silence.Wrote(first, count);
  m_voice.Silence(SampleRate());
  if (m_silence.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP, 0, 0, nullptr, 0.0f);
}

} // namespace ladder
