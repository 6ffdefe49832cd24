// The combination table: one row per combination routine, written as the
// module's description writes it (see combination_row.h for the notation).
// Row e runs for combination index e = emulate + 2 * qTap + 8 * filterTap;
// the X tap with Q Tap 5 (e 38, 39) reuses rows 30 and 31 (selection.h). The
// process routines are generated from these rows at compile time
// (ladder_routine.h), once per version.
//
// Adding a row: append it here; the routine table, the selection and the
// checks below follow from the table. A row that breaks a rule of the notation
// does not compile.
#ifndef LADDER_FILTER_COMBINATION_TABLE_H
#define LADDER_FILTER_COMBINATION_TABLE_H

#include "combination_row.h"

#include <iterator>
#include <utility>

namespace ladder {

using enum Tap;
using enum Emulate;
using enum Pole;

// clang-format off
inline constexpr CombinationRow kCombinations[] = {
    {.e = 0, .filterTap = kTap2, .qTap = kTap2, .emulate = kAnalog, .pitchOffset = -0.1f, .upperBound = 1.01f, .indexFloor = -10, .k = 2.5f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}}, .output = kY2, .feedback = kY2Shaped},
    {.e = 1, .filterTap = kTap2, .qTap = kTap2, .emulate = kDigital, .pitchOffset = -0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 2.5f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY2, .feedback = kY2},
    {.e = 2, .filterTap = kTap2, .qTap = kTap3, .emulate = kAnalog, .pitchOffset = -0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.2f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kPB, 5.15f, 5.5f}}, .output = kY2, .feedback = kY3Shaped},
    {.e = 3, .filterTap = kTap2, .qTap = kTap3, .emulate = kDigital, .pitchOffset = -0.05f, .upperBound = 1.01f, .indexFloor = -99, .k = 1.05f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY2, .feedback = kY3},
    {.e = 4, .filterTap = kTap2, .qTap = kTap4, .emulate = kAnalog, .pitchOffset = -0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.65f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}}, .output = kY2, .feedback = kY4Shaped},
    {.e = 5, .filterTap = kTap2, .qTap = kTap4, .emulate = kDigital, .pitchOffset = -0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.4f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY2, .feedback = kY4},
    {.e = 6, .filterTap = kTap2, .qTap = kTap5, .emulate = kAnalog, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.33f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 4.95f, 5.5f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}, {kP, 5.5f, 4.95f}}, .output = kY2, .feedback = kY5Shaped},
    {.e = 7, .filterTap = kTap2, .qTap = kTap5, .emulate = kDigital, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.18f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY2, .feedback = kY5},
    {.e = 8, .filterTap = kTap3, .qTap = kTap2, .emulate = kAnalog, .pitchOffset = -0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 2.4f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kPB, 5.15f, 5.5f}}, .output = kY3, .feedback = kY2Shaped},
    {.e = 9, .filterTap = kTap3, .qTap = kTap2, .emulate = kDigital, .pitchOffset = -0.05f, .upperBound = 1.01f, .indexFloor = -99, .k = 1.6f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY3, .feedback = kY3},
    {.e = 10, .filterTap = kTap3, .qTap = kTap3, .emulate = kAnalog, .pitchOffset = -0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.3f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kPB, 5.15f, 5.5f}}, .output = kY3, .feedback = kY3Shaped},
    {.e = 11, .filterTap = kTap3, .qTap = kTap3, .emulate = kDigital, .pitchOffset = -0.05f, .upperBound = 1.01f, .indexFloor = -99, .k = 1.1f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY3, .feedback = kY3},
    {.e = 12, .filterTap = kTap3, .qTap = kTap4, .emulate = kAnalog, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.7f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}}, .output = kY3, .feedback = kY4Shaped},
    {.e = 13, .filterTap = kTap3, .qTap = kTap4, .emulate = kDigital, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.5f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY3, .feedback = kY4},
    {.e = 14, .filterTap = kTap3, .qTap = kTap5, .emulate = kAnalog, .pitchOffset = +0.029f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.35f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}, {kP, 5.5f, 4.95f}}, .output = kY3, .feedback = kY5Shaped},
    {.e = 15, .filterTap = kTap3, .qTap = kTap5, .emulate = kDigital, .pitchOffset = +0.029f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.2f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY3, .feedback = kY5},
    {.e = 16, .filterTap = kTap4, .qTap = kTap2, .emulate = kAnalog, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.7f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kPC, kNoClip, 5.5f}, {kP, 5.15f, 5.5f}}, .output = kY4, .feedback = kY2Shaped},
    {.e = 17, .filterTap = kTap4, .qTap = kTap2, .emulate = kDigital, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 2.2f, .stages = {{kP, 5.5f, kNoClip}, {kPA, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY4, .feedback = kY2},
    {.e = 18, .filterTap = kTap4, .qTap = kTap3, .emulate = kAnalog, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.2f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kPC, kNoClip, 5.5f}, {kP, 5.15f, 5.5f}}, .output = kY4, .feedback = kY3Shaped},
    {.e = 19, .filterTap = kTap4, .qTap = kTap3, .emulate = kDigital, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.2f, .stages = {{kP, 5.5f, kNoClip}, {kPA, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY4, .feedback = kY3},
    {.e = 20, .filterTap = kTap4, .qTap = kTap4, .emulate = kAnalog, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.6f, .stages = {{kPA, 5.1f, kNoClip}, {kP, 5.5f, kNoClip}, {kP, 5.15f, 4.95f}, {kPC, 5.1f, 5.5f}}, .output = kY4, .feedback = kY4Shaped},
    {.e = 21, .filterTap = kTap4, .qTap = kTap4, .emulate = kDigital, .pitchOffset = 0.0f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.5f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY4, .feedback = kY4},
    {.e = 22, .filterTap = kTap4, .qTap = kTap5, .emulate = kAnalog, .pitchOffset = +0.036f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.32f, .stages = {{kPA, 5.1f, kNoClip}, {kP, 5.5f, 4.95f}, {kP, 5.15f, 4.95f}, {kPC, 5.1f, 5.5f}, {kP, 5.5f, 4.95f}}, .output = kY4, .feedback = kY5Shaped},
    {.e = 23, .filterTap = kTap4, .qTap = kTap5, .emulate = kDigital, .pitchOffset = +0.036f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.2f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY4, .feedback = kY5},
    {.e = 24, .filterTap = kTap5, .qTap = kTap2, .emulate = kAnalog, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 2.0f, .stages = {{kP, 5.1f, kNoClip}, {kPA, kNoClip, 4.95f}, {kPC, 4.95f, 5.5f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 5.5f}}, .output = kY5, .feedback = kY2Shaped},
    {.e = 25, .filterTap = kTap5, .qTap = kTap2, .emulate = kDigital, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 2.2f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY5, .feedback = kY2},
    {.e = 26, .filterTap = kTap5, .qTap = kTap3, .emulate = kAnalog, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.2f, .stages = {{kP, 5.1f, kNoClip}, {kPA, kNoClip, 4.95f}, {kPC, 4.95f, 5.5f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 5.5f}}, .output = kY5, .feedback = kY3Shaped},
    {.e = 27, .filterTap = kTap5, .qTap = kTap3, .emulate = kDigital, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 1.1f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY5, .feedback = kY3},
    {.e = 28, .filterTap = kTap5, .qTap = kTap4, .emulate = kAnalog, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.5f, .stages = {{kP, 5.1f, kNoClip}, {kPA, kNoClip, 4.95f}, {kPC, 4.95f, 5.5f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 5.5f}}, .output = kY5, .feedback = kY4Shaped},
    {.e = 29, .filterTap = kTap5, .qTap = kTap4, .emulate = kDigital, .pitchOffset = +0.1f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.5f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY5, .feedback = kY4},
    {.e = 30, .filterTap = kTap5, .qTap = kTap5, .emulate = kAnalog, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.21f, .stages = {{kP, 5.5f, kNoClip}, {kPA, 5.1f, 4.95f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}, {kP, 5.15f, 5.5f}}, .output = kY5, .feedback = kY5Shaped},
    {.e = 31, .filterTap = kTap5, .qTap = kTap5, .emulate = kDigital, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.2f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kY5, .feedback = kY5},
    {.e = 32, .filterTap = kTapX, .qTap = kTap2, .emulate = kAnalog, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.22f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.5f, 5.15f}, {kPC, 5.1f, 4.95f}, {kP, 5.15f, 5.5f}}, .output = kTwoS3MinusY5, .feedback = kY5Shaped},
    {.e = 33, .filterTap = kTapX, .qTap = kTap2, .emulate = kDigital, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.22f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kTwoS3MinusY5, .feedback = kY5Shaped},
    {.e = 34, .filterTap = kTapX, .qTap = kTap3, .emulate = kAnalog, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.25f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.15f, 4.95f}, {kPC, 5.5f, 4.95f}, {kP, 5.15f, 5.5f}}, .output = kTwoS4MinusY5, .feedback = kY5},
    {.e = 35, .filterTap = kTapX, .qTap = kTap3, .emulate = kDigital, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.25f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kTwoS4MinusY5, .feedback = kY5},
    {.e = 36, .filterTap = kTapX, .qTap = kTap4, .emulate = kAnalog, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.28f, .stages = {{kP, 5.1f, kNoClip}, {kPA, 5.5f, 4.95f}, {kP, 5.15f, 5.5f}, {kPC, 5.1f, 4.95f}, {kP, 5.15f, 5.5f}}, .output = kTwoS2MinusY5, .feedback = kY5Shaped},
    {.e = 37, .filterTap = kTapX, .qTap = kTap4, .emulate = kDigital, .pitchOffset = +0.05f, .upperBound = 1.06f, .indexFloor = -99, .k = 0.19f, .stages = {{kP, 5.5f, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}, {kP, kNoClip, kNoClip}}, .output = kTwoS2MinusY5, .feedback = kY5},
};
// clang-format on

inline constexpr int kRoutineCount = static_cast<int>(std::size(kCombinations));

// The rules every row keeps; a row that breaks one stops the build at the
// static_assert below, which names the row.
constexpr bool StagesAreListedInOrder(const CombinationRow &row) {
  const int n = StageCount(row);
  for (int k = n; k < kMaxStages; ++k)
    if (row.stages[k].pole != Pole::kNoStage)
      return false;
  return n >= 2;
}

constexpr bool TapsFitTheStages(const CombinationRow &row) {
  const int n = StageCount(row);
  const Source out = row.output, fb = row.feedback;
  const int last = out.stage > fb.stage ? out.stage : fb.stage;
  const bool x = row.filterTap == Tap::kTapX;
  return last == n && !out.shaped && fb.mixState == 0 &&
         (x ? out.stage == n && out.mixState >= 1 && out.mixState < n
            : out.mixState == 0 && out.stage == static_cast<int>(row.filterTap) + 2);
}

constexpr bool RowIsWellFormed(const CombinationRow &row, int position) {
  return row.e == position && row.e == CombinationIndex(row.filterTap, row.qTap, row.emulate) &&
         row.qTap != Tap::kTapX &&
         (row.upperBound == kUpperBound101 || row.upperBound == kUpperBound106) &&
         row.indexFloor >= -99 && row.indexFloor <= 0 && StagesAreListedInOrder(row) &&
         TapsFitTheStages(row);
}

template <int E> constexpr bool CheckRow() {
  static_assert(RowIsWellFormed(kCombinations[E], E), "combination row breaks the table's rules");
  return true;
}

template <int... E> constexpr bool CheckRows(std::integer_sequence<int, E...>) {
  return (CheckRow<E>() && ...);
}
static_assert(CheckRows(std::make_integer_sequence<int, kRoutineCount>{}));

} // namespace ladder

#endif
