// The oscillator voice's reactions to open and to pin changes: what the
// module does with its pins, without the framework.
#include "audio_oscillator/oscillator_voice.h"

#include "audio_oscillator/pins.h"
#include "noise.h"
#include "pitch_conversion.h"
#include "pitch_tables.h"
#include "routine_choice.h"
#include "waveforms.h"

#include <algorithm>
#include <cmath>

namespace osc {

namespace {

// The voice's routine for a routine id of the choice table.
OscillatorRoutine RoutineOf(RoutineId id) {
  switch (id) {
  case RoutineId::kLow: return OscillatorRoutine::kLow;
  case RoutineId::kHigh: return OscillatorRoutine::kHigh;
  case RoutineId::kSyncLow: return OscillatorRoutine::kSyncLow;
  case RoutineId::kSyncHighOct: return OscillatorRoutine::kSyncHighOct;
  case RoutineId::kSyncHighLinear: return OscillatorRoutine::kSyncHighLinear;
  case RoutineId::kKeep: break;
  }
  return OscillatorRoutine::kNone;
}

// A freeze that HOLD or Active asked for, made by the next routine choice.
enum class Freeze : uint8_t { kNone, kHold, kSilence };

void SetStaticStep(OscillatorVoice &v, double s) {
  switch (v.choices.pitchMode) {
  case kPitchOct: v.staticStep = OctStep<OctRounding::Nearest>(*v.pitchTables, s); break;
  case kPitchKhz:
    v.linearScale = v.pitchTables->kiloHzScale;
    v.staticStep = s * v.linearScale;
    break;
  case kPitchHz:
    v.linearScale = v.pitchTables->hertzScale;
    v.staticStep = s * v.linearScale;
    break;
  default: break;
  }
}

// The pitch of a pin that does not stream: Pitch plus Pitch Adjust.
void TakePitch(OscillatorVoice &v, const PinSamples &now) {
  SetStaticStep(v, static_cast<double>(now.pitch) + now.pitchAdjust);
}

// A static Sync that rises through zero restarts the cycle at once.
void TakeSync(OscillatorVoice &v, bool streaming, float value) {
  v.syncStreaming = streaming;
  if (streaming)
    return;
  if (!(v.lastSync > 0.0f) && value > 0.0f)
    v.phase = 0.0;
  v.lastSync = value;
}

void TakeTable(OscillatorVoice &v) {
  if (v.choices.link == 0)
    return;
  const auto *directory = reinterpret_cast<const float *const *>(v.choices.link);
  // Only the directory's entries exist; any other value selects no table.
  v.tableSet =
      v.choices.waveform < wavetable::kDirectoryEntries ? directory[v.choices.waveform] : nullptr;
}

void TakeFreqLimit(OscillatorVoice &v, float value) {
  v.limitHz = value * 10.0f;
  if (!(v.limitHz > 1.0f))
    v.limitHz = 1.0f;
}

// The routine the state calls for (routine_choice.h), frozen first when a
// reaction asked for it.
void ChooseRoutine(OscillatorVoice &v, Freeze freeze, PinReaction &reaction) {
  if (freeze != Freeze::kNone) {
    const OscillatorRoutine frozen =
        freeze == Freeze::kHold ? OscillatorRoutine::kHold : OscillatorRoutine::kSilence;
    // A hold already running keeps the value it took.
    if (frozen != v.installed)
      v.heldValueTaken = false;
    v.installed = frozen;
    reaction.outputFrozen = true;
  }
  const OscillatorChoices &c = v.choices;
  const RoutineChoice choice = ChooseRoutineFor({.hold = c.hold,
                                                 .active = c.active,
                                                 .pitchModAccuracy = c.pitchModAccuracy,
                                                 .pitchStreaming = v.pitchStreaming,
                                                 .adjustStreaming = v.adjustStreaming,
                                                 .syncStreaming = v.syncStreaming,
                                                 .syncAccuracy = c.syncAccuracy,
                                                 .pitchMode = c.pitchMode});
  if (choice.inner != RoutineId::kKeep)
    v.inner = RoutineOf(choice.inner);
  if (choice.installed != RoutineId::kKeep)
    v.installed = RoutineOf(choice.installed);
}

} // namespace

void OscillatorVoice::Open(const RateTables *tables, int32_t openBlockSize, bool linkIsConnected) {
  blockSize = openBlockSize;
  pitchTables = tables;
  noiseB = kNoiseStartB;
  noiseA = kNoiseStartA;
  lastSync = -1.0f;
  phase = 0.0;
  linearScale = 0.0f;
  choices.link = 0;
  linkConnected = linkIsConnected;
}

bool OscillatorVoice::Open(float rate, int32_t openBlockSize, bool linkIsConnected) {
  const RateTables *tables = SharedPitchTables(rate);
  Open(tables, openBlockSize, linkIsConnected);
  return tables != nullptr;
}

PinReaction OscillatorVoice::PinChanged(int pin, bool streaming, const PinSamples &now) {
  PinReaction reaction;
  // An oscillator opened without a table source never plays.
  if (!linkConnected)
    return reaction;
  Freeze freeze = Freeze::kNone;
  switch (pin) {
  case kPitch:
    pitchStreaming = streaming;
    TakePitch(*this, now);
    break;
  case kPitchAdjust:
    adjustStreaming = streaming;
    TakePitch(*this, now);
    break;
  case kPhasePw: phasePwStreaming = streaming; return reaction;
  case kSync: TakeSync(*this, streaming, now.sync); break;
  case kWaveform:
  case kLink: TakeTable(*this); return reaction;
  case kHarmonics:
    harmonicSetting = std::clamp<int32_t>(choices.harmonics + 1, 1, wavetable::kMaxHarmonics);
    return reaction;
  case kFreqLimit: TakeFreqLimit(*this, now.freqLimit); return reaction;
  case kPitchMode: TakePitch(*this, now); break;
  case kHold:
    if (choices.hold == 0 && choices.active != 0)
      reaction.outputRunning = true;
    else
      freeze = Freeze::kHold;
    break;
  case kActive:
    if (choices.active != 0)
      reaction.outputRunning = true;
    else
      freeze = Freeze::kSilence;
    break;
  default: break;
  }
  ChooseRoutine(*this, freeze, reaction);
  return reaction;
}

float OscillatorVoice::HeldValue(const float *out, int32_t first, int32_t currentBlockSize) {
  if (!heldValueTaken) {
    const int32_t last = std::min(blockSize, currentBlockSize) - 1;
    const float v = first > 0 ? out[first - 1] : out[std::max(last, 0)];
    heldValue = std::isfinite(v) ? v : 0.0f;
    heldValueTaken = true;
  }
  return heldValue;
}

} // namespace osc
