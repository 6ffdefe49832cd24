// The tables of filter-voice routines, one per version and lane count, each
// made in a source file of its own: hundreds of specialised routines split
// so that a build compiles them side by side and no one file grows too large
// for a compiler with sanitizers.
#pragma once

#include "ladder_filter/filter_voice.h"

#include "combination_table.h"

#include <array>
#include <cstdint>

namespace ladder {

using VoiceRoutine = void (*)(FilterVoice &, const FilterBuffers &, int32_t);
using LaneRoutine = void (*)(FilterVoice *const *, const FilterBuffers *, int, int32_t);
using VoiceRoutineTable = std::array<VoiceRoutine, kRoutineCount>;
using LaneRoutineTable = std::array<LaneRoutine, kRoutineCount>;

// Routine `e` of version V on one voice, at index e.
template <Version V> const VoiceRoutineTable &VoiceRoutines();
// Routine `e` of version V on N lanes (4, or 8 as two chains of four).
template <Version V, int N> const LaneRoutineTable &LaneRoutines();

template <> const VoiceRoutineTable &VoiceRoutines<Version::kClear>();
template <> const VoiceRoutineTable &VoiceRoutines<Version::kFurry>();
template <> const LaneRoutineTable &LaneRoutines<Version::kClear, 4>();
template <> const LaneRoutineTable &LaneRoutines<Version::kFurry, 4>();
template <> const LaneRoutineTable &LaneRoutines<Version::kClear, 8>();
template <> const LaneRoutineTable &LaneRoutines<Version::kFurry, 8>();

// Routine `e` of version V on eight lanes of AVX registers (one chain of
// eight), made only where the build compiles AVX lanes (SE_AVX_LANES), run
// only where the processor has AVX.
template <Version V> const LaneRoutineTable &AvxLaneRoutines();
template <> const LaneRoutineTable &AvxLaneRoutines<Version::kClear>();
template <> const LaneRoutineTable &AvxLaneRoutines<Version::kFurry>();

} // namespace ladder
