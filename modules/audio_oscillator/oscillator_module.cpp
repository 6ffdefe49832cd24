#include "oscillator_module.h"

#include "harmonic_limit.h"
#include "noise.h"
#include "oscillator_pins.h"
#include "pitch_conversion.h"
#include "pitch_tables.h"

#include <algorithm>

namespace osc {

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  void *const variables[kPinCount] = {
      &pitchIn,   &pitchAdjustIn,    &pitchRefIn,  &phasePwIn, &syncIn,      &syncAccuracy,
      &waveOut,   &waveform,         &waveQuality, &harmonics, &freqLimitIn, &limitSystem,
      &pitchMode, &pitchModAccuracy, &hold,        &active,    &stepScratch, &linkValue};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::OpenInstance() {
  blockSize = BlockSize();
  usePitchTablesFor(SampleRate());
  pitchAdjustPin = PinAt(kPitchAdjust);
  noiseB = kNoiseStartB;
  noiseA = kNoiseStartA;
  outPin = PinAt(kWaveOut);
  lastSync = -1.0f;
  phase = 0.0;
  pitchPin = PinAt(kPitch);
  linearScale = 0.0f;
  linkValue = 0;
  linkConnected = PinAt(kLink)->HasConnection() ? 1 : 0;
}

void Module::usePitchTablesFor(float rate) {
  pitchTables = SharedPitchTables(rate);
  if (pitchTables != nullptr)
    return;
  // Past the registry's bound: a set of this instance's own.
  if (!ownPitchTables)
    ownPitchTables = std::make_unique<RateTables>();
  BuildPitchTables(*ownPitchTables, rate);
  pitchTables = ownPitchTables.get();
}

void Module::setStaticStep(double s) {
  switch (pitchMode) {
  case kPitchOct: staticStep = OctStep<OctRounding::Nearest>(*pitchTables, s); break;
  case kPitchKhz:
    linearScale = pitchTables->kiloHzScale;
    staticStep = s * linearScale;
    break;
  case kPitchHz:
    linearScale = pitchTables->hertzScale;
    staticStep = s * linearScale;
    break;
  default: break;
  }
}

void Module::PinChanged(SEPin *pin) {
  // An oscillator opened without a table source never plays.
  if (linkConnected == 0)
    return;
  const bool streaming = pin->Status() == PS_RUNNING;
  switch (pin->Index()) {
  case kPitch:
    pitchStreaming = streaming ? 1 : 0;
    setStaticStep(static_cast<double>(pitchPin->CurrentSample()) + pitchAdjustPin->CurrentSample());
    break;
  case kPitchAdjust:
    adjustStreaming = streaming ? 1 : 0;
    setStaticStep(static_cast<double>(pitchAdjustPin->CurrentSample()) + pitchPin->CurrentSample());
    break;
  case kPhasePw: phasePwStreaming = streaming ? 1 : 0; return;
  case kSync:
    if (streaming) {
      syncStreaming = 1;
    } else {
      syncStreaming = 0;
      const float v = pin->CurrentSample();
      if (!(lastSync > 0.0f) && v > 0.0f)
        phase = 0.0;
      lastSync = v;
    }
    break;
  case kWaveform:
  case kLink:
    if (linkValue != 0) {
      const auto *directory = reinterpret_cast<const float *const *>(linkValue);
      // Only the directory's 256 entries exist; any other value selects no table.
      tableSet = waveform < kDirectoryEntries ? directory[waveform] : nullptr;
    }
    return;
  case kHarmonics: harmonicSetting = std::clamp<int32_t>(harmonics + 1, 1, kMaxHarmonics); return;
  case kFreqLimit:
    limitHz = pin->CurrentSample() * 10.0f;
    if (!(limitHz > 1.0f))
      limitHz = 1.0f;
    return;
  case kPitchMode:
    setStaticStep(static_cast<double>(pitchPin->CurrentSample()) + pitchAdjustPin->CurrentSample());
    break;
  case kHold:
    if (hold == 0 && active != 0) {
      outPin->PostStatus(SampleClock(), PS_RUNNING);
    } else {
      freezeOutput(se::Process<&Module::processHold>);
    }
    break;
  case kActive:
    if (active != 0) {
      outPin->PostStatus(SampleClock(), PS_RUNNING);
    } else {
      freezeOutput(se::Process<&Module::processSilence>);
    }
    break;
  default: break;
  }
  chooseRoutine();
}

void Module::freezeOutput(SEProcessEntry routine) {
  // A hold already running keeps the value it took.
  if (routine != InstalledRoutine())
    heldValueTaken = false;
  InstallProcessRoutine(routine);
  settled.Restart();
  outPin->PostStatus(SampleClock(), PS_ONCE);
}

void Module::chooseRoutine() {
  // Hold and silence stay until both HOLD is off and Active is on.
  if (hold != 0 || active == 0)
    return;
  // A static pitch is read once per call whatever the accuracy asks for.
  const bool perSample = pitchModAccuracy != 0 && (pitchStreaming != 0 || adjustStreaming != 0);
  if (syncStreaming != 0) {
    innerProcess = perSample ? &Module::processHigh : &Module::processLow;
    switch (syncAccuracy) {
    case 0: InstallProcessRoutine(se::Process<&Module::processSyncLow>); break;
    case 1:
      if (pitchMode != kPitchOct)
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
