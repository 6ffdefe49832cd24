// The combination routines: one process routine per combination row and
// voicing, generated at compile time from the row, so that the per-sample
// loop holds only the arithmetic of that row's ladder.
#ifndef LADDER_FILTER_LADDER_ROUTINE_H
#define LADDER_FILTER_LADDER_ROUTINE_H

#include "combination_table.h"
#include "ducking.h"
#include "ladder_filter_module.h"
#include "voicing.h"

#include <cmath>
#include <utility>

namespace ladder {

// The resonance feedback carried to the next sample is held within +-1000
// (10 kV). Ordinary settings stay far below; a loop whose gain has run away
// (extreme "Resonance" or "(Zing)") is held at the limit instead of reaching
// inf. A NaN feedback (only from non-finite inputs) takes the lower limit.
inline constexpr float kFeedbackLimit = 1000.0f;

// A stage without an input clip and a coefficient below -1 grows without
// bound (the analog spread p * 1.0038 does so at the lowest pitches); such a
// stage takes this coefficient instead. Stages with an input clip stay
// bounded by the clip and keep their coefficient.
inline constexpr float kUnclippedCoefFloor = -0.99999f;

// States and feedback below this magnitude are stored as zero after each call.
inline constexpr float kSubnormalGuard = 1e-30f;

// Feedback values below this magnitude are flushed to zero at an update.
inline constexpr double kFeedbackFlush = 3e-34;

// 0.3315 * (w + |w + L| - |w - L|): slope 0.9945 within +-L, 0.3315 beyond.
template <class W> inline W SoftClip(W w, float level) {
  const W l = level;
  return W(0.3315) * (w + std::abs(w + l) - std::abs(w - l));
}

// Routine 0 boosts with its own fixed curve; the others use the pin's.
constexpr bool FixedBassBoost(int routine) { return routine == 0; }

template <int E, class V> void Module::processCombination(int32_t first, int32_t count) {
  using W = typename V::Work;
  constexpr CombinationRow R = kCombinations[E];
  constexpr int N = R.stages;
  static_assert(N >= 2 && N <= 5 && R.outputStage <= N && R.feedbackStage <= N);
  if (count <= 0)
    return;

  const float *const x = signalIn + first;
  const float *const pv = pitchIn + first;
  const float *const pr = resonanceIn + first;
  float *const out = signalOut + first;
  const float z = zingIn[first];

  W s[N];
  for (int k = 0; k < N; ++k)
    s[k] = stageState[k];
  W fb = feedback;
  // Per stage: c, 1 + c and 1 - c (see the stage below).
  W c[N], cPlus[N], cMinus[N];
  W q;
  auto loadCoefficients = [&] {
    const float coefs[4] = {pole, poleA, poleB, poleC};
    [&]<int... K>(std::integer_sequence<int, K...>) {
      ((c[K] = coefs[static_cast<int>(R.stage[K].coef)]), ...);
      (
          [&] {
            if constexpr (R.stage[K].clipIn == 0.0f)
              c[K] = c[K] < W(-1) ? W(kUnclippedCoefFloor) : c[K];
            cPlus[K] = W(1) + c[K];
            cMinus[K] = W(1) - c[K];
          }(),
          ...);
    }
    (std::make_integer_sequence<int, N>{});
    q = resonanceGain;
  };
  auto update = [&](int32_t i) {
    updateCoefficients(pv[i], pr[i], z, R);
    loadCoefficients();
    if (std::abs(static_cast<double>(fb)) < kFeedbackFlush)
      fb = 0;
  };
  loadCoefficients();

  // Per-call constants. Low-pass writes G * y, high-pass G * (x - y): both as
  // G * (hp * x + sign * y), exact for either choice.
  const W gain = outputGain;
  const W hp = filterType != 0 ? W(1) : W(0);
  const W sign = filterType != 0 ? W(-1) : W(1);
  const float threshold = bassThreshold;
  const W boostRef = FixedBassBoost(E) ? W(0.5) : W(threshold);
  const W boostSlope = FixedBassBoost(E) ? W(0.5) : W(bassStrength);

  auto step = [&](int32_t i, W xin) __attribute__((always_inline)) {
    const float v = pv[i];
    const W boost = v < threshold ? W(1) + (boostRef - W(v)) * boostSlope : W(1);
    W a = (xin - fb) * W(0.5);
    W yOut = 0, yFb = 0;
    [&]<int... K>(std::integer_sequence<int, K...>) {
      (
          [&] {
            constexpr StageSpec S = R.stage[K];
            // h = a + c (a - S) and y = h + S, evaluated as (1 + c) a - c S and
            // (1 + c) a + (1 - c) S: the same values, with one multiply and one
            // add on the path from a to y. c S and (1 - c) S are known ahead.
            W h = cPlus[K] * a - c[K] * s[K];
            W y;
            if constexpr (S.clipIn != 0.0f) {
              h = SoftClip(h, S.clipIn);
              y = h + s[K];
            } else {
              y = cPlus[K] * a + cMinus[K] * s[K];
            }
            s[K] = h;
            if constexpr (S.clipOut != 0.0f)
              y = SoftClip(y, S.clipOut);
            if constexpr (K + 1 == R.outputStage) {
              y = y * boost;
              yOut = y;
            }
            if constexpr (K + 1 == R.feedbackStage)
              yFb = y;
            a = y;
          }(),
          ...);
    }
    (std::make_integer_sequence<int, N>{});

    if constexpr (R.xStateStage != 0)
      out[i] = static_cast<float>(gain * (W(2) * s[R.xStateStage - 1] - yOut));
    else
      out[i] = static_cast<float>(gain * (hp * xin + sign * yOut));

    W f = q * yFb;
    if constexpr (R.feedback == Fb::Shaped) {
      // Q * y * (1 + 0.02 * y); the factor is held at 0 from y = -50 down, where
      // it would turn the feedback positive and the ladder would run away.
      const W shape = W(1) + W(0.02) * yFb;
      f = f * (shape > W(0) ? shape : W(0));
    }
    f = f > W(-kFeedbackLimit) ? f : W(-kFeedbackLimit);
    fb = f < W(kFeedbackLimit) ? f : W(kFeedbackLimit);
  };

  int32_t i = 0;
  if (restart) {
    update(0);
    restart = false;
    step(0, W(x[0]) * W(0.5));
    i = 1;
  }
  // Updates fall on the call's last sample and every 12th sample before it.
  int32_t grid = (count - 1) % 12;
  if (grid < i)
    grid += 12;
  for (;;) {
    const int32_t stop = grid < count ? grid : count;
    for (; i < stop; ++i)
      step(i, W(x[i]));
    if (i >= count)
      break;
    if (pv[i] != lastPitch || pr[i] != lastResonance)
      update(i);
    step(i, W(x[i]));
    ++i;
    grid += 12;
  }

  // Store in float32. A non-finite value (only from non-finite inputs) would
  // stay forever, so it empties the ladder. Values below 1e-30 (600 dB down)
  // are stored as zero, so that a decaying ladder does not sit in the
  // subnormal range, which is slow on many processors.
  auto store = [](W value, bool finite) {
    const float f = static_cast<float>(value);
    return finite && !(std::fabs(f) < kSubnormalGuard) ? f : 0.0f;
  };
  bool finite = std::isfinite(static_cast<float>(fb));
  for (int k = 0; k < N; ++k)
    finite = finite && std::isfinite(static_cast<float>(s[k]));
  for (int k = 0; k < N; ++k)
    stageState[k] = store(s[k], finite);
  feedback = store(fb, finite);

  DuckOutput(out, count, duckCount);
}

} // namespace ladder

#endif
