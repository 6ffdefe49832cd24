// From the choice pins to a combination routine and its output gain.
#ifndef LADDER_FILTER_SELECTION_H
#define LADDER_FILTER_SELECTION_H

#include "choices.h"
#include "combination_table.h"

#include <array>
#include <cstdint>

namespace ladder {

// Output gain per combination index: one line per "Filter Tap", columns Q Tap
// 2 to 5, each Analog then Digital.
inline constexpr float kOutputGain[kCombinationCount] = {
    0.65f, 0.5f,    0.65f, 0.5f,    0.65f,  0.5f,    0.65f, 0.5f,  // Filter Tap 2
    0.35f, 0.25f,   0.35f, 0.25f,   0.3f,   0.25f,   0.25f, 0.25f, // 3
    0.15f, 0.12f,   0.15f, 0.125f,  0.14f,  0.125f,  0.14f, 0.12f, // 4
    0.08f, 0.06f,   0.08f, 0.06f,   0.08f,  0.06f,   0.08f, 0.06f, // 5
    -0.1f, -0.075f, -0.2f, -0.095f, -0.12f, -0.055f, 0.08f, 0.06f, // X
};

// A gain left out of the list above would be zero.
constexpr bool EveryGainIsSet() {
  for (float gain : kOutputGain)
    if (gain == 0.0f)
      return false;
  return true;
}
static_assert(EveryGainIsSet(), "every combination index needs its output gain");

// Combination indices without a row of their own run another row: the X tap
// with Q Tap 5 is the five-stage output with five-stage feedback.
struct SharedRoutine {
  int e;
  int routine;
};
inline constexpr SharedRoutine kSharedRoutines[] = {
    {.e = CombinationIndex(kTapX, kTap5, kAnalog),
     .routine = CombinationIndex(kTap5, kTap5, kAnalog)},
    {.e = CombinationIndex(kTapX, kTap5, kDigital),
     .routine = CombinationIndex(kTap5, kTap5, kDigital)},
};

// An index outside the table (invalid choices) runs this combination.
inline constexpr int kFallbackIndex = 0;

// Routine per combination index; -1 where neither table gives one.
constexpr std::array<int, kCombinationCount> RoutineByIndex() {
  std::array<int, kCombinationCount> routine{};
  for (int e = 0; e < kCombinationCount; ++e)
    routine[e] = e < kRoutineCount ? e : -1;
  for (const SharedRoutine &s : kSharedRoutines)
    routine[s.e] = s.e >= kRoutineCount && s.routine < kRoutineCount ? s.routine : -1;
  return routine;
}
inline constexpr std::array<int, kCombinationCount> kRoutineByIndex = RoutineByIndex();

constexpr bool EveryIndexHasARoutine() {
  for (int routine : kRoutineByIndex)
    if (routine < 0)
      return false;
  return kRoutineCount <= kCombinationCount;
}
static_assert(EveryIndexHasARoutine(),
              "every combination index needs a row or a shared routine, and no index both");

struct Selection {
  int routine;
  float gain;
};

// Any choice values, valid or not, select a routine.
constexpr Selection SelectCombination(int16_t filterTap, int16_t qTap, int16_t emulate) {
  int e = CombinationIndex(filterTap, qTap, emulate);
  if (e < 0 || e >= kCombinationCount)
    e = kFallbackIndex;
  return {kRoutineByIndex[e], kOutputGain[e]};
}

} // namespace ladder

#endif
