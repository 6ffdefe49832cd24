#include "oscillator_module.h"

#include "audio_oscillator/pins.h"
#include "harmonic_limit.h"
#include "noise.h"
#include "pitch_conversion.h"
#include "pitch_tables.h"
#include "routine_choice.h"

#include <algorithm>
#include <iterator>

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

namespace {

// The routine the host calls, and the one a sync routine runs, for each id.
constexpr SEProcessEntry kInstalled[] = {
    nullptr,
    se::Process<&Module::processLow>,
    se::Process<&Module::processHigh>,
    se::Process<&Module::processSyncLow>,
    se::Process<&Module::processSyncHighOct>,
    se::Process<&Module::processSyncHighLinear>,
};
constexpr void (Module::*kInner[])(int32_t, int32_t) = {
    nullptr, &Module::processLow, &Module::processHigh, nullptr, nullptr, nullptr,
};
static_assert(std::size(kInstalled) == std::size(kInner) &&
                  std::size(kInstalled) == static_cast<size_t>(RoutineId::kSyncHighLinear) + 1,
              "one entry per routine id");

} // namespace

void Module::PinChanged(SEPin *pin) {
  // An oscillator opened without a table source never plays.
  if (m_linkConnected == 0)
    return;
  const bool streaming = pin->Status() == PS_RUNNING;
  switch (pin->Index()) {
  case kPitch:
    m_pitchStreaming = streaming ? 1 : 0;
    TakePitch();
    break;
  case kPitchAdjust:
    m_adjustStreaming = streaming ? 1 : 0;
    TakePitch();
    break;
  case kPhasePw: m_phasePwStreaming = streaming ? 1 : 0; return;
  case kSync: TakeSync(*pin, streaming); break;
  case kWaveform:
  case kLink: TakeTable(); return;
  case kHarmonics: TakeHarmonics(); return;
  case kFreqLimit: TakeFreqLimit(*pin); return;
  case kPitchMode: TakePitch(); break;
  case kHold: TakeHold(); break;
  case kActive: TakeActive(); break;
  default: break;
  }
  ChooseRoutine();
}

// The pitch of a pin that does not stream: Pitch plus Pitch Adjust.
void Module::TakePitch() {
  SetStaticStep(static_cast<double>(m_pitchPin->CurrentSample()) +
                m_pitchAdjustPin->CurrentSample());
}

// A static Sync that rises through zero restarts the cycle at once.
void Module::TakeSync(SEPin &pin, bool streaming) {
  m_syncStreaming = streaming ? 1 : 0;
  if (streaming)
    return;
  const float v = pin.CurrentSample();
  if (!(m_lastSync > 0.0f) && v > 0.0f)
    m_phase = 0.0;
  m_lastSync = v;
}

void Module::TakeTable() {
  if (m_linkValue == 0)
    return;
  const auto *directory = reinterpret_cast<const float *const *>(m_linkValue);
  // Only the directory's entries exist; any other value selects no table.
  m_tableSet = m_waveform < wavetable::kDirectoryEntries ? directory[m_waveform] : nullptr;
}

void Module::TakeHarmonics() {
  m_harmonicSetting = std::clamp<int32_t>(m_harmonics + 1, 1, wavetable::kMaxHarmonics);
}

void Module::TakeFreqLimit(SEPin &pin) {
  m_limitHz = pin.CurrentSample() * 10.0f;
  if (!(m_limitHz > 1.0f))
    m_limitHz = 1.0f;
}

void Module::TakeHold() {
  if (m_hold == 0 && m_active != 0)
    m_outPin->PostStatus(SampleClock(), PS_RUNNING);
  else
    m_freeze = Freeze::kHold;
}

void Module::TakeActive() {
  if (m_active != 0)
    m_outPin->PostStatus(SampleClock(), PS_RUNNING);
  else
    m_freeze = Freeze::kSilence;
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
  if (m_freeze != Freeze::kNone) {
    FreezeOutput(m_freeze == Freeze::kHold ? se::Process<&Module::processHold>
                                           : se::Process<&Module::processSilence>);
    m_freeze = Freeze::kNone;
  }
  const RoutineChoice choice = ChooseRoutineFor({.hold = m_hold,
                                                 .active = m_active,
                                                 .pitchModAccuracy = m_pitchModAccuracy,
                                                 .pitchStreaming = m_pitchStreaming != 0,
                                                 .adjustStreaming = m_adjustStreaming != 0,
                                                 .syncStreaming = m_syncStreaming != 0,
                                                 .syncAccuracy = m_syncAccuracy,
                                                 .pitchMode = m_pitchMode});
  if (choice.inner != RoutineId::kKeep)
    innerProcess = kInner[static_cast<size_t>(choice.inner)];
  if (choice.installed != RoutineId::kKeep)
    InstallProcessRoutine(kInstalled[static_cast<size_t>(choice.installed)]);
}

} // namespace osc
