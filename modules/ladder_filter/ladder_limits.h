// The limits that keep the ladder finite and out of the subnormal range
// whatever its inputs, and the soft clip of its stages.
#ifndef LADDER_FILTER_LADDER_LIMITS_H
#define LADDER_FILTER_LADDER_LIMITS_H

#include "simd_lanes.h"

namespace ladder {

// The resonance feedback carried to the next sample is held within +-1000
// (10 kV). Ordinary settings stay far below; a loop whose gain has run away
// (extreme "Resonance" or "(Zing)") is held at the limit instead of reaching
// inf. A NaN feedback (only from non-finite inputs) takes the lower limit.
inline constexpr float kFeedbackLimit = 1000.0f;

// A stage without a state clip and a coefficient below -1 grows without
// bound (the analog spread p * 1.0038 does so at the lowest pitches); such a
// stage takes this coefficient instead. Stages with a state clip stay
// bounded by the clip and keep their coefficient.
inline constexpr float kUnclippedCoefFloor = -0.99999f;

// States and feedback below this magnitude are stored as zero after each call.
inline constexpr float kSubnormalGuard = 1e-30f;

// Feedback values below this magnitude are flushed to zero at an update.
inline constexpr double kFeedbackFlush = 3e-34;

// Finite inputs far beyond any signal are held here, so that the ladder's
// gain (up to a few thousand per stage near the highest cutoff) and the bass
// boost never carry a finite input to inf: the signal within +-1e6 (10 MV),
// the bass boost factor at most 1000 (a "Pitch" near -20 kV). Ordinary
// inputs never reach either limit. A NaN signal passes unchanged.
inline constexpr float kSignalLimit = 1e6f;
inline constexpr float kBoostLimit = 1000.0f;

// x > limit ? limit : x < -limit ? -limit : x, per lane for a lane type.
template <class F> inline F HeldSignal(F x) {
  using se_lanes::GreaterOf, se_lanes::LessOf;
  return LessOf(F(kSignalLimit), GreaterOf(F(-kSignalLimit), x));
}

// softClip(w, L) = 0.3315 * (w + |w + L| - |w - L|): slope 0.9945 within +-L,
// 0.3315 beyond.
template <class W> inline W SoftClip(W w, float level) {
  using se_lanes::Abs;
  const W l(level);
  return W(0.3315) * (w + Abs(w + l) - Abs(w - l));
}

} // namespace ladder

#endif
