// processLow and processHigh: the table-reading routines.
#include "oscillator_module.h"

#include "conversions.h"
#include "harmonic_limit.h"
#include "noise.h"
#include "oscillator_pins.h"
#include "pair_math.h"
#include "pitch_conversion.h"
#include "pitch_conversion_pair.h"
#include "read_kernels.h"

#include <algorithm>
#include <cmath>

namespace osc {

namespace {

bool IsPulse(uint16_t waveform) { return waveform >= kFirstPulse && waveform <= kLastPulse; }

// A fixed width as cycles that the fixed-point conversion can take: widths a
// million cycles or more away (or not finite) are reduced to one cycle first.
double SafeWidth(float w) {
  return std::fabs(w) < 1048576.0f ? static_cast<double>(w) : FoldCycles(w);
}

// The unit of a step: cycles, or points for the pulse forms.
template <bool Pulse> constexpr double kStepUnit = Pulse ? kTablePoints : 1.0;

// A step in its unit as the scratch buffer holds it: reduced by whole units
// when it is that large, then rounded to float.
template <bool Pulse> float StoredStep(double step) {
  return static_cast<float>(FoldCycles(step, kStepUnit<Pulse>));
}

#if defined(OSC_PAIR_MATH)
// Two steps as StoredStep stores them; the fold runs only when a lane needs it.
template <bool Pulse> void StoreStepPair(float *out, __m128d steps) {
  const __m128d size = _mm_andnot_pd(_mm_set1_pd(-0.0), steps); // fabs
  if (_mm_movemask_pd(_mm_cmplt_pd(size, _mm_set1_pd(kStepUnit<Pulse>))) == 3) {
    StorePair(out, _mm_cvtpd_ps(steps));
    return;
  }
  alignas(16) double lanes[2];
  _mm_store_pd(lanes, steps);
  out[0] = StoredStep<Pulse>(lanes[0]);
  out[1] = StoredStep<Pulse>(lanes[1]);
}
#endif

// Per-sample steps into the scratch buffer, in their unit. With SSE2 two
// samples at a time, each with the bits of the one-at-a-time loop.
template <bool Pulse>
void FillSteps(float *steps, const float *pitch, const float *adjust, int32_t count,
               int16_t pitchMode, float linearScale, const RateTables &tables) {
  constexpr double kUnit = kStepUnit<Pulse>;
  int32_t j = 0;
  if (pitchMode != kPitchOct) {
    const double scale = static_cast<double>(linearScale) * kUnit;
#if defined(OSC_PAIR_MATH)
    for (; j + 1 < count; j += 2) {
      const __m128d s = _mm_add_pd(LoadWidenPair(pitch + j), LoadWidenPair(adjust + j));
      StoreStepPair<Pulse>(steps + j, _mm_mul_pd(s, _mm_set1_pd(scale)));
    }
#endif
    for (; j < count; ++j) {
      const double s = static_cast<double>(pitch[j]) + adjust[j];
      steps[j] = StoredStep<Pulse>(s * scale);
    }
    return;
  }
#if defined(OSC_PAIR_MATH)
  for (; j + 1 < count; j += 2) {
    const __m128d s = _mm_add_pd(LoadWidenPair(pitch + j), LoadWidenPair(adjust + j));
    __m128d step = OctStepDownPair(tables, s);
    if constexpr (Pulse)
      step = _mm_mul_pd(step, _mm_set1_pd(kUnit));
    StoreStepPair<Pulse>(steps + j, step);
  }
#endif
  for (; j < count; ++j) {
    const double s = static_cast<double>(pitch[j]) + adjust[j];
    steps[j] = StoredStep<Pulse>(OctStep<OctRounding::Down>(tables, s) * kUnit);
  }
}

} // namespace

const float *Module::tableForCall(int32_t first) const {
  if (tableSet == nullptr || waveform == kSine)
    return tableSet; // Sine has a single table
  int32_t n = harmonicSetting;
  if (limitSystem != kLimitOff) {
    const float *ref = limitSystem == kLimitB ? pitchRefIn : pitchIn;
    const double g = static_cast<double>(ref[first]) + pitchAdjustIn[first];
    n = HarmonicCount(limitHz, LimitFrequency(g, pitchMode), harmonicSetting);
  }
  n = std::clamp<int32_t>(n, 1, kMaxHarmonics);
  return tableSet + (n - 1) * kTableStride;
}

const float *Module::beginTableCall(int32_t first, int32_t count) {
  if (count <= 0)
    return nullptr;
  float *out = waveOut + first;
  if (waveform == kNoise) {
    RunNoise(out, phasePwIn + first, count, noiseA, noiseB);
    return nullptr;
  }
  const float *table = tableForCall(first);
  if (table == nullptr)
    std::fill_n(out, count, 0.0f);
  return table;
}

void Module::processLow(int32_t first, int32_t count) {
  const float *table = beginTableCall(first, count);
  if (table == nullptr)
    return;
  float *out = waveOut + first;
  const float *width = phasePwIn + first;
  double step = staticStep;
  if (pitchStreaming != 0 || adjustStreaming != 0) {
    const float f = pitchIn[first] + pitchAdjustIn[first];
    step = pitchMode != kPitchOct ? static_cast<double>(f) * linearScale
                                  : OctStep<OctRounding::Nearest>(*pitchTables, f);
  }
  // Whole cycles per sample change nothing but the phase arithmetic's range.
  step = FoldCycles(step);
  const bool pulse = IsPulse(waveform);

  if (phasePwStreaming != 0) {
    if (pulse)
      phase = ReadPulse(table, out, width, count, phase * kTablePoints,
                        ConstantStep{step * kTablePoints});
    else
      phase = ReadPlainModulated(table, out, width, count, phase, ConstantStep{step});
    return;
  }

  // Static width: 32-bit fixed-point phase. A step of half a cycle or more
  // wraps modulo one cycle, as the floating-point paths do.
  const uint32_t s = ToFixed(step);
  const uint32_t p = ToFixed(phase);
  const uint32_t w = ToFixed(SafeWidth(width[0]));
  if (pulse) {
    phase = FromFixed(ReadPulseFixed(table, out, count, p + w, p, s));
  } else {
    phase = FromFixed(ReadPlainFixed(table, out, count, p + w, s) - w);
  }
}

void Module::processHigh(int32_t first, int32_t count) {
  const float *table = beginTableCall(first, count);
  if (table == nullptr)
    return;
  float *out = waveOut + first;
  const float *width = phasePwIn + first;
  if (stepScratch == nullptr) {
    std::fill_n(out, count, 0.0f);
    return;
  }
  // Pass 1: every step of the stretch into the scratch buffer, from its start.
  const float *pitch = pitchIn + first;
  const float *adjust = pitchAdjustIn + first;
  const StepArray steps{stepScratch};
  if (IsPulse(waveform)) {
    FillSteps<true>(stepScratch, pitch, adjust, count, pitchMode, linearScale, *pitchTables);
    phase = ReadPulse(table, out, width, count, phase * kTablePoints, steps);
    return;
  }
  FillSteps<false>(stepScratch, pitch, adjust, count, pitchMode, linearScale, *pitchTables);
  // Pass 2: the table reads.
  if (phasePwStreaming != 0) {
    phase = ReadPlainModulated(table, out, width, count, phase, steps);
  } else {
    const double w = SafeWidth(width[0]);
    phase = ReadPlainShifted(table, out, count, phase + w, w, steps);
  }
}

} // namespace osc
