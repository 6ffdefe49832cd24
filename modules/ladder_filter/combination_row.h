// One row of the combination table: everything that differs between the
// filter's combinations, in the columns and notation of the module's
// description (e; Filter Tap, Q Tap, Emulate; pitch offset; upper bound; index
// floor; k; stages "p 5.1/–; pA 5.5/4.95"; output "y2" or "2·S3′ − y5";
// feedback "y2" or "y2*").
#ifndef LADDER_FILTER_COMBINATION_ROW_H
#define LADDER_FILTER_COMBINATION_ROW_H

#include "choices.h"

#include <cstdint>

namespace ladder {

inline constexpr int kMaxStages = 5;

// A stage's coefficient: p = pole, pA = p × 0.994375, pB = p × 1.000625,
// pC = p × 1.0038. kNoStage marks the places after a row's last stage.
enum class Pole : uint8_t { kP, kPA, kPB, kPC, kNoStage };

// "–": no softClip at that place.
inline constexpr float kNoClip = 0.0f;

// "c L1/L2": L1 clips the stage's new state, L2 its output.
struct Stage {
  Pole pole = Pole::kNoStage;
  float stateClip = kNoClip;
  float outputClip = kNoClip;
};

// Where the output or the feedback comes from: yK, the value leaving stage K;
// for the feedback also yK* (Q × yK × (1 + 0.02 × yK) instead of Q × yK); for
// the X output 2·SK′ − y5, twice the new state of stage K minus the last
// stage's output.
struct Source {
  int8_t stage;        // K of yK (5 for the X mix)
  int8_t mixState = 0; // K of SK′ in the X mix; 0: plain yK
  bool shaped = false; // yK*
};

inline constexpr Source kY2{2}, kY3{3}, kY4{4}, kY5{5};
inline constexpr Source kY2Shaped{2, 0, true}, kY3Shaped{3, 0, true}, kY4Shaped{4, 0, true},
    kY5Shaped{5, 0, true};
inline constexpr Source kTwoS2MinusY5{5, 2}, kTwoS3MinusY5{5, 3}, kTwoS4MinusY5{5, 4};

// The upper bounds of the pitch mapping (pitch samples, float32): above 1.01
// the cutoff is kHighCutoffHz101, above 1.06 kHighCutoffHz106 (cutoff.h).
inline constexpr float kUpperBound101 = 1.01f;
inline constexpr float kUpperBound106 = 1.06f;

struct CombinationRow {
  int e;
  Tap filterTap;
  Tap qTap;
  Emulate emulate;
  float pitchOffset;  // added to the pitch sample before the cutoff mapping
  float upperBound;   // kUpperBound101 or kUpperBound106
  int32_t indexFloor; // lower clamp of gainIndexInt
  float k;            // feedback scale
  Stage stages[kMaxStages];
  Source output;
  Source feedback;
};

// A row's number of stages: its listed stages, which must be the larger of its
// output stage and its feedback stage (checked with the table).
constexpr int StageCount(const CombinationRow &row) {
  int n = 0;
  while (n < kMaxStages && row.stages[n].pole != Pole::kNoStage)
    ++n;
  return n;
}

} // namespace ladder

#endif
