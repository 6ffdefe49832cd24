#include "ladder_filter_module.h"

#include "ladder_filter/pins.h"
#include "routine_table.h"
#include "selection.h"

#include <iterator>

namespace ladder {

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  void *const variables[kPinCount] = {&m_signalIn,   &m_pitchIn,   &m_resonanceIn, &m_zingIn,
                                      &m_filterType, &m_filterTap, &m_qTap,        &m_emulate,
                                      &m_version,    &m_bassBoost, &m_signalOut};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::SetRate() {
  const float rate = SampleRate();
  m_twoOverRate = rate > 0.0f ? 2.0f / rate : 0.0f;
}

// Builds the ladder afresh for the current topology: the choices it is built
// with are remembered and every stage starts empty.
void Module::EmptyStages() {
  m_prevEmulate = m_emulate;
  m_prevFilterTap = m_filterTap;
  m_prevQTap = m_qTap;
  for (float &s : m_stageState)
    s = 0.0f;
}

void Module::SelectRoutine() {
  const Selection s = SelectCombination(m_filterTap, m_qTap, m_emulate);
  m_outputGain = s.gain;
  InstallProcessRoutine(CombinationRoutine(s.routine, VersionOf(m_version)));
}

// A value outside the pin's items keeps the previous setting.
void Module::ApplyBassBoost() {
  if (m_bassBoost < 0 || m_bassBoost >= static_cast<int>(std::size(kBassBoost)))
    return;
  m_bassBoostSetting = kBassBoost[m_bassBoost];
}

void Module::OpenInstance() {
  m_restart = true;
  m_duckCount = 0;
  EmptyStages();
  SetRate();
  SelectRoutine();
  m_feedback = 0.0f;
  // The "Bass Boost" pin is first read at a pin change.
  m_bassBoostSetting = kBassBoost[kBassBoostDefault];
  m_coefficients.lastPitch = 200.0f;
  m_coefficients.lastResonance = 0.3f;
  m_coefficients.pole = 0.5f;
  m_coefficients.resonanceGain = 0.3f;
}

void Module::PinChanged(SEPin *) {
  const int32_t status = PinAt(kSignalPin)->Status();
  PinAt(kOutputPin)->PostStatus(SampleClock(), status);
  ApplyBassBoost();

  // A signal that does not stream gives a silent output.
  if (status < PS_RUNNING) {
    m_silence.Restart();
    InstallProcessRoutine(se::Process<&Module::processSilent>);
    return;
  }

  SelectRoutine();
  if (m_emulate == m_prevEmulate && m_filterTap == m_prevFilterTap && m_qTap == m_prevQTap)
    return;

  // Another ladder topology: start from empty stages, keep a fifth of the
  // feedback.
  m_feedback *= 0.2f;
  EmptyStages();
  m_restart = true;
  SetRate();
}

void Module::processSilent(int32_t first, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    m_signalOut[first + i] = 0.0f;
  m_silence.Wrote(first, count);
  EmptyStages();
  m_feedback = 0.0f;
  m_duckCount = 0;
  m_restart = true;
  SetRate();
  if (m_silence.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP, 0, 0, nullptr, 0.0f);
}

} // namespace ladder
