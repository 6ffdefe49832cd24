// Running filter voices: each voice's installed routine, and voices that
// share a routine in lanes: four to a group, or eight as one chain of AVX
// registers or two chains of four that the processor runs side by side.
#include "ladder_filter/filter_voice.h"

#include "ladder_lane_routine.h"
#include "lanes_choice.h"
#include "voice_routine_tables.h"

#include "cpu_features.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <type_traits>

namespace ladder {

namespace {

bool SameRoutine(const FilterVoice &a, const FilterVoice &b) {
  return !b.silent && a.routine == b.routine && a.version == b.version;
}

std::atomic<bool> g_avxAllowed{true};

// The routines of a version on 4 or 8 lanes: eight in one chain of AVX
// registers where the build and the processor have them, else two chains of
// SSE2 registers.
const LaneRoutineTable &LaneRoutinesFor(Version version, int lanes) {
  const bool clear = version == Version::kClear;
  if (lanes == 4)
    return clear ? LaneRoutines<Version::kClear, 4>() : LaneRoutines<Version::kFurry, 4>();
#if SE_AVX_LANES
  if (AvxLanesChosen())
    return clear ? AvxLaneRoutines<Version::kClear>() : AvxLaneRoutines<Version::kFurry>();
#endif
  return clear ? LaneRoutines<Version::kClear, 8>() : LaneRoutines<Version::kFurry, 8>();
}

// Two to eight voices of one routine in lanes: four lanes for up to four
// voices, eight for more; missing lanes repeat voice 0.
void RunGroup(FilterVoice *const *voices, const FilterBuffers *const *buffers, int n,
              int32_t count) {
  const int lanes = n > 4 ? 8 : 4;
  // Copies of voice 0 for the lanes that no voice fills, made only for those
  // (seven voices made afresh at every call cost more than some groups).
  static_assert(std::is_trivially_destructible_v<FilterVoice>);
  Unmade<FilterVoice, kFilterLanes - 1> spare;
  FilterVoice *group[kFilterLanes];
  FilterBuffers io[kFilterLanes];
  for (int l = 0; l < n; ++l) {
    group[l] = voices[l];
    io[l] = *buffers[l];
  }
  for (int k = 0; k < kFilterLanes - 1 && n + k < lanes; ++k) {
    group[n + k] = new (&spare.at[k]) FilterVoice(*voices[0]);
    io[n + k] = *buffers[0];
  }
  LaneRoutinesFor(voices[0]->version, lanes)[voices[0]->routine](group, io, n, count);
}

} // namespace

void AllowAvxLanes(bool allowed) { g_avxAllowed.store(allowed, std::memory_order_relaxed); }

bool AvxLanesChosen() {
#if SE_AVX_LANES
  return se_lanes::CpuHasAvx() && g_avxAllowed.load(std::memory_order_relaxed);
#else
  return false;
#endif
}

void ProcessFilterVoice(FilterVoice &voice, const FilterBuffers &buffers, int32_t count) {
  if (voice.silent) {
    for (int32_t i = 0; i < count; ++i)
      buffers.out[i] = 0.0f;
    voice.Silence(voice.sampleRate);
    return;
  }
  const VoiceRoutineTable &routines = voice.version == Version::kClear
                                          ? VoiceRoutines<Version::kClear>()
                                          : VoiceRoutines<Version::kFurry>();
  routines[voice.routine](voice, buffers, count);
}

void ProcessFilterVoices(FilterVoice *const *voices, const FilterBuffers *buffers, int voiceCount,
                         int32_t count) {
  // Greedy groups within batches of 64 voices: a voice takes up to seven
  // later ones of its routine.
  constexpr int kBatch = 64;
  for (int start = 0; start < voiceCount; start += kBatch) {
    const int n = voiceCount - start < kBatch ? voiceCount - start : kBatch;
    FilterVoice *const *v = voices + start;
    const FilterBuffers *b = buffers + start;
    uint64_t done = 0;
    for (int i = 0; i < n; ++i) {
      if ((done >> i & 1) != 0)
        continue;
      FilterVoice *group[kFilterLanes] = {v[i]};
      const FilterBuffers *io[kFilterLanes] = {&b[i]};
      int members = 1;
      if (!v[i]->silent && count > 0)
        for (int j = i + 1; j < n && members < kFilterLanes; ++j)
          if ((done >> j & 1) == 0 && SameRoutine(*v[i], *v[j])) {
            group[members] = v[j];
            io[members++] = &b[j];
            done |= uint64_t{1} << j;
          }
      if (members == 1)
        ProcessFilterVoice(*v[i], b[i], count);
      else
        RunGroup(group, io, members, count);
    }
  }
}

} // namespace ladder
