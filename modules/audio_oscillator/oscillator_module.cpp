#include "oscillator_module.h"

#include "audio_oscillator/pins.h"
#include "harmonic_limit.h"
#include "noise.h"
#include "pitch_conversion.h"
#include "pitch_tables.h"

#include <algorithm>

namespace osc {

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  void *const variables[kPinCount] = {
      &m_pitchIn,      &m_pitchAdjustIn, &m_pitchRefIn, &m_phasePwIn,        &m_syncIn,
      &m_syncAccuracy, &m_waveOut,       &m_waveform,   &m_waveQuality,      &m_harmonics,
      &m_freqLimitIn,  &m_limitSystem,   &m_pitchMode,  &m_pitchModAccuracy, &m_hold,
      &m_active,       &m_stepScratch,   &m_linkValue};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::OpenInstance() {
  m_blockSize = BlockSize();
  UsePitchTablesFor(SampleRate());
  m_pitchAdjustPin = PinAt(kPitchAdjust);
  m_noiseB = kNoiseStartB;
  m_noiseA = kNoiseStartA;
  m_outPin = PinAt(kWaveOut);
  m_lastSync = -1.0f;
  m_phase = 0.0;
  m_pitchPin = PinAt(kPitch);
  m_linearScale = 0.0f;
  m_linkValue = 0;
  m_linkConnected = PinAt(kLink)->HasConnection() ? 1 : 0;
}

void Module::UsePitchTablesFor(float rate) {
  m_pitchTables = SharedPitchTables(rate);
  if (m_pitchTables != nullptr)
    return;
  // Past the registry's bound: a set of this instance's own.
  if (!m_ownPitchTables)
    m_ownPitchTables = std::make_unique<RateTables>();
  BuildPitchTables(*m_ownPitchTables, rate);
  m_pitchTables = m_ownPitchTables.get();
}

void Module::SetStaticStep(double s) {
  switch (m_pitchMode) {
  case kPitchOct: m_staticStep = OctStep<OctRounding::Nearest>(*m_pitchTables, s); break;
  case kPitchKhz:
    m_linearScale = m_pitchTables->kiloHzScale;
    m_staticStep = s * m_linearScale;
    break;
  case kPitchHz:
    m_linearScale = m_pitchTables->hertzScale;
    m_staticStep = s * m_linearScale;
    break;
  default: break;
  }
}

void Module::PinChanged(SEPin *pin) {
  // An oscillator opened without a table source never plays.
  if (m_linkConnected == 0)
    return;
  const bool streaming = pin->Status() == PS_RUNNING;
  switch (pin->Index()) {
  case kPitch:
    m_pitchStreaming = streaming ? 1 : 0;
    SetStaticStep(static_cast<double>(m_pitchPin->CurrentSample()) +
                  m_pitchAdjustPin->CurrentSample());
    break;
  case kPitchAdjust:
    m_adjustStreaming = streaming ? 1 : 0;
    SetStaticStep(static_cast<double>(m_pitchAdjustPin->CurrentSample()) +
                  m_pitchPin->CurrentSample());
    break;
  case kPhasePw: m_phasePwStreaming = streaming ? 1 : 0; return;
  case kSync:
    if (streaming) {
      m_syncStreaming = 1;
    } else {
      m_syncStreaming = 0;
      const float v = pin->CurrentSample();
      if (!(m_lastSync > 0.0f) && v > 0.0f)
        m_phase = 0.0;
      m_lastSync = v;
    }
    break;
  case kWaveform:
  case kLink:
    if (m_linkValue != 0) {
      const auto *directory = reinterpret_cast<const float *const *>(m_linkValue);
      // Only the directory's entries exist; any other value selects no table.
      m_tableSet = m_waveform < wavetable::kDirectoryEntries ? directory[m_waveform] : nullptr;
    }
    return;
  case kHarmonics:
    m_harmonicSetting = std::clamp<int32_t>(m_harmonics + 1, 1, wavetable::kMaxHarmonics);
    return;
  case kFreqLimit:
    m_limitHz = pin->CurrentSample() * 10.0f;
    if (!(m_limitHz > 1.0f))
      m_limitHz = 1.0f;
    return;
  case kPitchMode:
    SetStaticStep(static_cast<double>(m_pitchPin->CurrentSample()) +
                  m_pitchAdjustPin->CurrentSample());
    break;
  case kHold:
    if (m_hold == 0 && m_active != 0) {
      m_outPin->PostStatus(SampleClock(), PS_RUNNING);
    } else {
      FreezeOutput(se::Process<&Module::processHold>);
    }
    break;
  case kActive:
    if (m_active != 0) {
      m_outPin->PostStatus(SampleClock(), PS_RUNNING);
    } else {
      FreezeOutput(se::Process<&Module::processSilence>);
    }
    break;
  default: break;
  }
  ChooseRoutine();
}

void Module::FreezeOutput(SEProcessEntry routine) {
  // A hold already running keeps the value it took.
  if (routine != InstalledRoutine())
    m_heldValueTaken = false;
  InstallProcessRoutine(routine);
  m_settled.Restart();
  m_outPin->PostStatus(SampleClock(), PS_ONCE);
}

void Module::ChooseRoutine() {
  // Hold and silence stay until both HOLD is off and Active is on.
  if (m_hold != 0 || m_active == 0)
    return;
  // A static pitch is read once per call whatever the accuracy asks for.
  const bool perSample =
      m_pitchModAccuracy != 0 && (m_pitchStreaming != 0 || m_adjustStreaming != 0);
  if (m_syncStreaming != 0) {
    innerProcess = perSample ? &Module::processHigh : &Module::processLow;
    switch (m_syncAccuracy) {
    case 0: InstallProcessRoutine(se::Process<&Module::processSyncLow>); break;
    case 1:
      if (m_pitchMode != kPitchOct)
        InstallProcessRoutine(se::Process<&Module::processSyncHighLinear>);
      else
        InstallProcessRoutine(se::Process<&Module::processSyncHighOct>);
      break;
    default: break;
    }
    return;
  }
  if (perSample)
    InstallProcessRoutine(se::Process<&Module::processHigh>);
  else
    InstallProcessRoutine(se::Process<&Module::processLow>);
}

} // namespace osc
