// Which process routine the oscillator runs: one table keyed by how the Sync
// input is used, how a moving pitch is read and how the pitch is scaled. The
// pin reactions only record state; the routine choice reads it through this
// table.
#ifndef AUDIO_OSCILLATOR_ROUTINE_CHOICE_H
#define AUDIO_OSCILLATOR_ROUTINE_CHOICE_H

#include "audio_oscillator/pins.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace osc {

// The routines the choice picks among (oscillator_module.h); kKeep: the
// routine in place stays.
enum class RoutineId : uint8_t { kKeep, kLow, kHigh, kSyncLow, kSyncHighOct, kSyncHighLinear };

// How the Sync input cuts the cycle: not at all (a static Sync acts through
// its pin reaction alone), on the sample ("Sync Accuracy" Low), between
// samples (High), or as before (a value beyond the list).
enum class SyncUse : uint8_t { kNoSync, kOnSample, kBetweenSamples, kUnlisted };
// A moving pitch read once per call or once per sample.
enum class PitchRead : uint8_t { kPerCall, kPerSample };
// "Pitch Mode" Oct, or a linear mode (any value but Oct reads linearly).
enum class PitchScale : uint8_t { kOct, kLinear };

inline constexpr size_t kSyncUses = 4, kPitchReads = 2, kPitchScales = 2;

struct RoutineRow {
  SyncUse sync;
  PitchRead read;
  PitchScale scale;
  RoutineId installed; // the routine the host calls
  RoutineId inner;     // what a sync routine runs between sync points
};

// One row per key, in key order. Without Sync the installed routine reads
// the table itself; with it, a sync routine cuts each call at the rises and
// the inner routine reads between them.
constexpr std::array<RoutineRow, kSyncUses * kPitchReads * kPitchScales> RoutineTable() {
  using enum RoutineId;
  using enum SyncUse;
  using enum PitchRead;
  using enum PitchScale;
  // clang-format off
  return {{
      // sync           read        scale    installed         inner
      {kNoSync,         kPerCall,   kOct,    kLow,             kKeep},
      {kNoSync,         kPerCall,   kLinear, kLow,             kKeep},
      {kNoSync,         kPerSample, kOct,    kHigh,            kKeep},
      {kNoSync,         kPerSample, kLinear, kHigh,            kKeep},
      {kOnSample,       kPerCall,   kOct,    kSyncLow,         kLow},
      {kOnSample,       kPerCall,   kLinear, kSyncLow,         kLow},
      {kOnSample,       kPerSample, kOct,    kSyncLow,         kHigh},
      {kOnSample,       kPerSample, kLinear, kSyncLow,         kHigh},
      {kBetweenSamples, kPerCall,   kOct,    kSyncHighOct,     kLow},
      {kBetweenSamples, kPerCall,   kLinear, kSyncHighLinear,  kLow},
      {kBetweenSamples, kPerSample, kOct,    kSyncHighOct,     kHigh},
      {kBetweenSamples, kPerSample, kLinear, kSyncHighLinear,  kHigh},
      {kUnlisted,       kPerCall,   kOct,    kKeep,            kLow},
      {kUnlisted,       kPerCall,   kLinear, kKeep,            kLow},
      {kUnlisted,       kPerSample, kOct,    kKeep,            kHigh},
      {kUnlisted,       kPerSample, kLinear, kKeep,            kHigh},
  }};
  // clang-format on
}
inline constexpr auto kRoutineTable = RoutineTable();

constexpr size_t RowIndex(SyncUse sync, PitchRead read, PitchScale scale) {
  return (static_cast<size_t>(sync) * kPitchReads + static_cast<size_t>(read)) * kPitchScales +
         static_cast<size_t>(scale);
}

// A row out of its key's place does not compile.
constexpr bool EveryRowIsInPlace() {
  for (size_t i = 0; i < kRoutineTable.size(); ++i) {
    const RoutineRow &row = kRoutineTable[i];
    if (RowIndex(row.sync, row.read, row.scale) != i)
      return false;
  }
  return true;
}
static_assert(EveryRowIsInPlace(), "one row per key, in key order");

// What the routine choice reads of an instance.
struct RoutineState {
  int16_t hold;
  int16_t active;
  int16_t pitchModAccuracy;
  bool pitchStreaming;
  bool adjustStreaming;
  bool syncStreaming;
  int16_t syncAccuracy;
  int16_t pitchMode;
};

struct RoutineChoice {
  RoutineId installed;
  RoutineId inner;
};

// The choice for any state, valid or not. While held or inactive the hold or
// silence routine in place stays. A static pitch is read once per call
// whatever "PitchMod Accuracy" asks for.
constexpr RoutineChoice ChooseRoutineFor(const RoutineState &s) {
  if (s.hold != 0 || s.active == 0)
    return {RoutineId::kKeep, RoutineId::kKeep};
  const bool perSample = s.pitchModAccuracy != 0 && (s.pitchStreaming || s.adjustStreaming);
  const SyncUse sync = !s.syncStreaming      ? SyncUse::kNoSync
                       : s.syncAccuracy == 0 ? SyncUse::kOnSample
                       : s.syncAccuracy == 1 ? SyncUse::kBetweenSamples
                                             : SyncUse::kUnlisted;
  const RoutineRow &row =
      kRoutineTable[RowIndex(sync, perSample ? PitchRead::kPerSample : PitchRead::kPerCall,
                             s.pitchMode == kPitchOct ? PitchScale::kOct : PitchScale::kLinear)];
  return {row.installed, row.inner};
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_ROUTINE_CHOICE_H
