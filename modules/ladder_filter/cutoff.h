// From a "Pitch" sample to the pole coefficient of the ladder stages.
#ifndef LADDER_FILTER_CUTOFF_H
#define LADDER_FILTER_CUTOFF_H

#include "combination_row.h"

namespace ladder {

// The lower bound of the pitch mapping: at or below it the cutoff is
// kLowCutoffHz (the upper bounds are the rows', combination_row.h).
inline constexpr float kLowerBound = 0.2f;

// Process-wide cutoff limits in Hz, computed when the library loads: 440 Hz
// times 2^(10 * s - 5) for the pitch samples 0.2, 1.01 and 1.06 (as float32).
extern const float kLowCutoffHz;     // 55.0
extern const float kHighCutoffHz101; // 15090.569
extern const float kHighCutoffHz106; // 21341.281

// Limits of the relative cutoff fc (cutoff over half the sample rate). The
// pole cubic below stays above -1 only for fc above 0.002187, and keeps every
// stage coefficient (the pole scaled by up to 1.0038) below 1 only for fc up
// to about 0.975. The absolute cutoff limits give fc from 0.00229 (55 Hz at
// 48 kHz) to 0.968 (21341 Hz at 44.1 kHz), so at 44.1 and 48 kHz neither
// limit acts; they keep the ladder stable at low sample rates with high
// pitches (the pole would pass -1 above fc 1.79) and at high sample rates
// with the lowest pitches. A NaN fc takes the lower limit.
inline constexpr float kMinRelativeCutoff = 0.00219f;
inline constexpr float kMaxRelativeCutoff = 0.97f;

// Cutoff in Hz for pitch sample u (already offset by the row): 55 Hz at or
// below 0.2, the row's upper limit above its upper bound (kUpperBound101 or
// kUpperBound106), else 1 V per octave.
double CutoffHz(float u, float upperBound);

// Relative cutoff, limited as above.
float RelativeCutoff(double hz, float twoOverRate);

// The pole coefficient for relative cutoff fc.
float PoleFor(float fc);

} // namespace ladder

#endif
