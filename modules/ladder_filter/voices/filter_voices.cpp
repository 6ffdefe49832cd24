// Running filter voices: each voice's installed routine, and voices that
// share a routine in lanes: four to a group, or eight as two chains of four
// that the processor runs side by side.
#include "ladder_filter/filter_voice.h"

#include "ladder_lane_routine.h"
#include "voice_routine_tables.h"

#include <cstdint>

namespace ladder {

namespace {

bool SameRoutine(const FilterVoice &a, const FilterVoice &b) {
  return !b.silent && a.routine == b.routine && a.version == b.version;
}

// Two to eight voices of one routine in lanes: four lanes for up to four
// voices, eight for more; missing lanes repeat voice 0.
void RunGroup(FilterVoice *const *voices, const FilterBuffers *const *buffers, int n,
              int32_t count) {
  const int lanes = n > 4 ? 8 : 4;
  FilterVoice spare[kFilterLanes - 1];
  FilterVoice *group[kFilterLanes];
  FilterBuffers io[kFilterLanes];
  for (int l = 0; l < n; ++l) {
    group[l] = voices[l];
    io[l] = *buffers[l];
  }
  for (int k = 0; k < kFilterLanes - 1 && n + k < lanes; ++k) {
    spare[k] = *voices[0];
    group[n + k] = &spare[k];
    io[n + k] = *buffers[0];
  }
  const bool clear = voices[0]->version == Version::kClear;
  const LaneRoutineTable &routines =
      lanes == 8
          ? (clear ? LaneRoutines<Version::kClear, 8>() : LaneRoutines<Version::kFurry, 8>())
          : (clear ? LaneRoutines<Version::kClear, 4>() : LaneRoutines<Version::kFurry, 4>());
  routines[voices[0]->routine](group, io, n, count);
}

} // namespace

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
