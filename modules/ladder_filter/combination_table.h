// Everything that differs between the filter's combinations, as data: one row
// per combination index e = emulate + 2 * qTap + 8 * filterTap. The process
// routines are generated from these rows at compile time (ladder_routine.h),
// and the selection at pin changes reads the routine and output gain from here.
#ifndef LADDER_FILTER_COMBINATION_TABLE_H
#define LADDER_FILTER_COMBINATION_TABLE_H

#include <cstdint>

namespace ladder {

// Which pole coefficient a stage uses: p, or p scaled for the analog spread.
enum class Coef : uint8_t { P, A, B, C };

// Upper cutoff limit of the pitch mapping.
enum class Upper : uint8_t { Hz101, Hz106 };

// Feedback form: Q * y, or Q * y * (1 + 0.02 * y).
enum class Fb : uint8_t { Plain, Shaped };

struct StageSpec {
  Coef coef;
  float clipIn;  // softClip level applied to the new state; 0: none
  float clipOut; // softClip level applied to the stage output; 0: none
};

struct CombinationRow {
  float pitchOffset;
  Upper upper;
  int32_t indexFloor; // lower clamp of gainIndexInt
  float k;            // feedback scale
  int32_t stages;
  int32_t outputStage;   // 1-based; the last stage for the X tap
  int32_t xStateStage;   // 0: plain output; else X output 2 * S'(this stage) - y5
  int32_t feedbackStage; // 1-based
  Fb feedback;
  StageSpec stage[5];
};

inline constexpr int kRoutineCount = 38;
inline constexpr int kCombinationCount = 40;

// clang-format off
inline constexpr CombinationRow kCombinations[kRoutineCount] = {
    /*  0 */ {-0.1f, Upper::Hz101, -10, 2.5f, 2, 2, 0, 2, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}}},
    /*  1 */ {-0.1f, Upper::Hz106, -99, 2.5f, 2, 2, 0, 2, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /*  2 */ {-0.05f, Upper::Hz106, -99, 1.2f, 3, 2, 0, 3, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::B, 5.15f, 5.5f}}},
    /*  3 */ {-0.05f, Upper::Hz101, -99, 1.05f, 3, 2, 0, 3, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /*  4 */ {-0.05f, Upper::Hz106, -99, 0.65f, 4, 2, 0, 4, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}}},
    /*  5 */ {-0.05f, Upper::Hz106, -99, 0.4f, 4, 2, 0, 4, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /*  6 */ {0.0f, Upper::Hz106, -99, 0.33f, 5, 2, 0, 5, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 4.95f, 5.5f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}, {Coef::P, 5.5f, 4.95f}}},
    /*  7 */ {0.0f, Upper::Hz106, -99, 0.18f, 5, 2, 0, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /*  8 */ {-0.05f, Upper::Hz106, -99, 2.4f, 3, 3, 0, 2, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::B, 5.15f, 5.5f}}},
    /*  9 */ {-0.05f, Upper::Hz101, -99, 1.6f, 3, 3, 0, 3, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 10 */ {-0.05f, Upper::Hz106, -99, 1.3f, 3, 3, 0, 3, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::B, 5.15f, 5.5f}}},
    /* 11 */ {-0.05f, Upper::Hz101, -99, 1.1f, 3, 3, 0, 3, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 12 */ {0.0f, Upper::Hz106, -99, 0.7f, 4, 3, 0, 4, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}}},
    /* 13 */ {0.0f, Upper::Hz106, -99, 0.5f, 4, 3, 0, 4, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 14 */ {0.029f, Upper::Hz106, -99, 0.35f, 5, 3, 0, 5, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}, {Coef::P, 5.5f, 4.95f}}},
    /* 15 */ {0.029f, Upper::Hz106, -99, 0.2f, 5, 3, 0, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 16 */ {0.0f, Upper::Hz106, -99, 1.7f, 4, 4, 0, 2, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::C, 0.0f, 5.5f}, {Coef::P, 5.15f, 5.5f}}},
    /* 17 */ {0.0f, Upper::Hz106, -99, 2.2f, 4, 4, 0, 2, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::A, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 18 */ {0.0f, Upper::Hz106, -99, 1.2f, 4, 4, 0, 3, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::C, 0.0f, 5.5f}, {Coef::P, 5.15f, 5.5f}}},
    /* 19 */ {0.0f, Upper::Hz106, -99, 1.2f, 4, 4, 0, 3, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::A, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 20 */ {0.0f, Upper::Hz106, -99, 0.6f, 4, 4, 0, 4, Fb::Shaped, {{Coef::A, 5.1f, 0.0f}, {Coef::P, 5.5f, 0.0f}, {Coef::P, 5.15f, 4.95f}, {Coef::C, 5.1f, 5.5f}}},
    /* 21 */ {0.0f, Upper::Hz106, -99, 0.5f, 4, 4, 0, 4, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 22 */ {0.036f, Upper::Hz106, -99, 0.32f, 5, 4, 0, 5, Fb::Shaped, {{Coef::A, 5.1f, 0.0f}, {Coef::P, 5.5f, 4.95f}, {Coef::P, 5.15f, 4.95f}, {Coef::C, 5.1f, 5.5f}, {Coef::P, 5.5f, 4.95f}}},
    /* 23 */ {0.036f, Upper::Hz106, -99, 0.2f, 5, 4, 0, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 24 */ {0.1f, Upper::Hz106, -99, 2.0f, 5, 5, 0, 2, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 0.0f, 4.95f}, {Coef::C, 4.95f, 5.5f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 5.5f}}},
    /* 25 */ {0.1f, Upper::Hz106, -99, 2.2f, 5, 5, 0, 2, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 26 */ {0.1f, Upper::Hz106, -99, 1.2f, 5, 5, 0, 3, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 0.0f, 4.95f}, {Coef::C, 4.95f, 5.5f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 5.5f}}},
    /* 27 */ {0.1f, Upper::Hz106, -99, 1.1f, 5, 5, 0, 3, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 28 */ {0.1f, Upper::Hz106, -99, 0.5f, 5, 5, 0, 4, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 0.0f, 4.95f}, {Coef::C, 4.95f, 5.5f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 5.5f}}},
    /* 29 */ {0.1f, Upper::Hz106, -99, 0.5f, 5, 5, 0, 4, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 30 */ {0.05f, Upper::Hz106, -99, 0.21f, 5, 5, 0, 5, Fb::Shaped, {{Coef::P, 5.5f, 0.0f}, {Coef::A, 5.1f, 4.95f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}, {Coef::P, 5.15f, 5.5f}}},
    /* 31 */ {0.05f, Upper::Hz106, -99, 0.2f, 5, 5, 0, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 32 */ {0.05f, Upper::Hz106, -99, 0.22f, 5, 5, 3, 5, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.5f, 5.15f}, {Coef::C, 5.1f, 4.95f}, {Coef::P, 5.15f, 5.5f}}},
    /* 33 */ {0.05f, Upper::Hz106, -99, 0.22f, 5, 5, 3, 5, Fb::Shaped, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 34 */ {0.05f, Upper::Hz106, -99, 0.25f, 5, 5, 4, 5, Fb::Plain, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.15f, 4.95f}, {Coef::C, 5.5f, 4.95f}, {Coef::P, 5.15f, 5.5f}}},
    /* 35 */ {0.05f, Upper::Hz106, -99, 0.25f, 5, 5, 4, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},
    /* 36 */ {0.05f, Upper::Hz106, -99, 0.28f, 5, 5, 2, 5, Fb::Shaped, {{Coef::P, 5.1f, 0.0f}, {Coef::A, 5.5f, 4.95f}, {Coef::P, 5.15f, 5.5f}, {Coef::C, 5.1f, 4.95f}, {Coef::P, 5.15f, 5.5f}}},
    /* 37 */ {0.05f, Upper::Hz106, -99, 0.19f, 5, 5, 2, 5, Fb::Plain, {{Coef::P, 5.5f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}, {Coef::P, 0.0f, 0.0f}}},};
// clang-format on

// Output gain per combination index (the X tap with Q Tap 5, e 38 and 39,
// runs the five-stage routines 30 and 31 with a positive gain).
inline constexpr float kOutputGain[kCombinationCount] = {
    0.65f, 0.5f,    0.65f, 0.5f,    0.65f,  0.5f,    0.65f, 0.5f,  // Filter Tap 2
    0.35f, 0.25f,   0.35f, 0.25f,   0.3f,   0.25f,   0.25f, 0.25f, // 3
    0.15f, 0.12f,   0.15f, 0.125f,  0.14f,  0.125f,  0.14f, 0.12f, // 4
    0.08f, 0.06f,   0.08f, 0.06f,   0.08f,  0.06f,   0.08f, 0.06f, // 5
    -0.1f, -0.075f, -0.2f, -0.095f, -0.12f, -0.055f, 0.08f, 0.06f, // X
};

struct Selection {
  int routine;
  float gain;
};

// Any choice values, valid or not, select a routine: an index outside 0..39
// falls back to routine 0 with gain 0.65.
constexpr Selection SelectCombination(int16_t filterTap, int16_t qTap, int16_t emulate) {
  const int e = emulate + 2 * qTap + 8 * filterTap;
  if (e < 0 || e >= kCombinationCount)
    return {0, kOutputGain[0]};
  return {e >= kRoutineCount ? e - 8 : e, kOutputGain[e]};
}

} // namespace ladder

#endif
