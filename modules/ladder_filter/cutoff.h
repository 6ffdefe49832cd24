// From a "Pitch" sample to the pole coefficient of the ladder stages.
#ifndef LADDER_FILTER_CUTOFF_H
#define LADDER_FILTER_CUTOFF_H

#include "combination_table.h"

namespace ladder {

// Process-wide cutoff limits in Hz, computed when the library loads: 440 Hz
// times 2^(10 * s - 5) for the pitch samples 0.2, 1.01 and 1.06 (as float32).
extern const float lowCutoffHz;     // 55.0
extern const float highCutoffHz101; // 15090.569
extern const float highCutoffHz106; // 21341.281

// Limits of the relative cutoff fc (cutoff over half the sample rate). The
// cubic below keeps every stage coefficient (the pole scaled by up to 1.0038)
// inside -1 .. 1 only for fc up to about 0.975, and keeps the pole above -1
// only for fc above about 0.00219. The absolute limits above give fc up to
// 0.968 at 44.1 kHz and down to 0.00229 at 48 kHz, so neither limit acts
// there; they hold the ladder stable at low sample rates (high pitches) and
// at high ones (the lowest pitches). A NaN fc takes the lower limit.
inline constexpr float kMinRelativeCutoff = 0.0022f;
inline constexpr float kMaxRelativeCutoff = 0.97f;

// Cutoff in Hz for pitch sample u (already offset by the row): 55 Hz at or
// below 0.2, the row's upper limit above its bound, else 1 V per octave.
double CutoffHz(float u, Upper upper);

// Relative cutoff, limited as above.
float RelativeCutoff(double hz, float twoOverRate);

// The pole coefficient for relative cutoff fc.
float PoleFor(float fc);

} // namespace ladder

#endif
