// The per-sample steps of processHigh, and the fixed width of processLow's
// fixed-point path: what the routines make before they read a table.
#ifndef AUDIO_OSCILLATOR_STEP_FILL_H
#define AUDIO_OSCILLATOR_STEP_FILL_H

#include "audio_oscillator/pins.h"
#include "conversions.h"
#include "pair_math.h"
#include "pitch_conversion.h"
#include "pitch_conversion_pair.h"
#include "table_read.h"

#include <cmath>
#include <cstdint>

namespace osc {

// FixedRead takes the point from the top 9 bits of a 32-bit phase.
static_assert(kCyclePoints == 1 << 9, "a cycle of 512 points");

// A fixed width as cycles that the fixed-point conversion can take: widths a
// million cycles or more away (or not finite) are reduced to one cycle first.
inline double SafeWidth(float w) {
  return std::fabs(w) < 1048576.0f ? static_cast<double>(w) : FoldCycles(w);
}

// The unit of a step: cycles, or points for the pulse forms.
template <bool Pulse> constexpr double kStepUnit = Pulse ? kCyclePoints : 1.0;

// One step in its unit, before the fold.
template <bool Pulse>
inline double RawStep(double s, bool linear, double scale, const RateTables &tables) {
  return linear ? s * scale : OctStep<OctRounding::Down>(tables, s) * kStepUnit<Pulse>;
}

#if defined(OSC_PAIR_MATH)
// Two steps as RawStep makes them.
template <bool Pulse, bool Linear>
inline __m128d RawStepPair(__m128d s, double scale, const RateTables &tables) {
  if constexpr (Linear)
    return _mm_mul_pd(s, _mm_set1_pd(scale));
  const __m128d step = OctStepDownPair(tables, s);
  return Pulse ? _mm_mul_pd(step, _mm_set1_pd(kStepUnit<Pulse>)) : step;
}

// Steps two at a time, rounded to float without the fold. Answers how many
// were written: all pairs, or none when a step needs the fold (a unit or more,
// which takes a pitch at or above the sample rate), so that the caller's
// one-at-a-time loop does them all.
template <bool Pulse, bool Linear>
inline int32_t FillStepPairs(float *steps, const float *pitch, const float *adjust, int32_t count,
                             double scale, const RateTables &tables) {
  const __m128d unit = _mm_set1_pd(kStepUnit<Pulse>);
  __m128d large = _mm_setzero_pd();
  int32_t j = 0;
  for (; j + 1 < count; j += 2) {
    const __m128d s = _mm_add_pd(LoadWidenPair(pitch + j), LoadWidenPair(adjust + j));
    const __m128d step = RawStepPair<Pulse, Linear>(s, scale, tables);
    const __m128d size = _mm_andnot_pd(_mm_set1_pd(-0.0), step); // fabs
    large = _mm_or_pd(large, _mm_cmpnlt_pd(size, unit));         // NaN counts as large
    StorePair(steps + j, _mm_cvtpd_ps(step));
  }
  return _mm_movemask_pd(large) == 0 ? j : 0;
}
#endif

// Per-sample steps into the scratch buffer, in their unit, each reduced by
// whole units when it is that large and rounded to float. With SSE2 two
// samples at a time, each with the bits of the one-at-a-time loop.
template <bool Pulse>
inline void FillSteps(float *steps, const float *pitch, const float *adjust, int32_t count,
                      int16_t pitchMode, float linearScale, const RateTables &tables) {
  constexpr double kUnit = kStepUnit<Pulse>;
  const bool linear = pitchMode != kPitchOct;
  const double scale = static_cast<double>(linearScale) * kUnit;
  int32_t j = 0;
#if defined(OSC_PAIR_MATH)
  j = linear ? FillStepPairs<Pulse, true>(steps, pitch, adjust, count, scale, tables)
             : FillStepPairs<Pulse, false>(steps, pitch, adjust, count, scale, tables);
#endif
  for (; j < count; ++j) {
    const double s = static_cast<double>(pitch[j]) + adjust[j];
    steps[j] = static_cast<float>(FoldCycles(RawStep<Pulse>(s, linear, scale, tables), kUnit));
  }
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_STEP_FILL_H
