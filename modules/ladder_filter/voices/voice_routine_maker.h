// Makes one table of voice_routine_tables.h: included only by the source
// file that defines that table (the routines' code is instantiated there).
#pragma once

#include "voice_routine_tables.h"

#include "ladder_lane_routine.h"
#include "ladder_routine.h"

#include <utility>

namespace ladder::routine_tables {

template <int E, Version V> void OneVoice(FilterVoice &v, const FilterBuffers &b, int32_t n) {
  RunCombination<E, V>(v, b, n);
}

template <int E, class W>
void LaneVoices(FilterVoice *const *v, const FilterBuffers *b, int voiceCount, int32_t n) {
  RunCombinationLanes<E, W>(v, b, voiceCount, n);
}

template <Version V, int... E>
constexpr VoiceRoutineTable VoiceTable(std::integer_sequence<int, E...>) {
  return {&OneVoice<E, V>...};
}

template <Version V, int N, int... E>
constexpr LaneRoutineTable LaneTable(std::integer_sequence<int, E...>) {
  return {&LaneVoices<E, VersionLanes<V, N>>...};
}

inline constexpr auto kRows = std::make_integer_sequence<int, kRoutineCount>{};

#ifdef SE_LANES_ISA
template <Version V, int... E>
constexpr LaneRoutineTable AvxTable(std::integer_sequence<int, E...>) {
  using W = std::conditional_t<V == Version::kClear, se_lanes::F32x8Avx, se_lanes::F64x8Avx>;
  return {&LaneVoices<E, W>...};
}
#endif

} // namespace ladder::routine_tables

// The definition of one table, in the source file that makes it.
#define SE_LADDER_VOICE_TABLE(version)                                                             \
  template <> const ladder::VoiceRoutineTable &ladder::VoiceRoutines<ladder::Version::version>() { \
    static constexpr VoiceRoutineTable kTable =                                                    \
        routine_tables::VoiceTable<Version::version>(routine_tables::kRows);                       \
    return kTable;                                                                                 \
  }
#define SE_LADDER_LANE_TABLE(version, lanes)                                                       \
  template <>                                                                                      \
  const ladder::LaneRoutineTable &ladder::LaneRoutines<ladder::Version::version, lanes>() {        \
    static constexpr LaneRoutineTable kTable =                                                     \
        routine_tables::LaneTable<Version::version, lanes>(routine_tables::kRows);                 \
    return kTable;                                                                                 \
  }
#define SE_LADDER_AVX_TABLE(version)                                                               \
  template <>                                                                                      \
  const ladder::LaneRoutineTable &ladder::AvxLaneRoutines<ladder::Version::version>() {            \
    static constexpr LaneRoutineTable kTable =                                                     \
        routine_tables::AvxTable<Version::version>(routine_tables::kRows);                         \
    return kTable;                                                                                 \
  }
