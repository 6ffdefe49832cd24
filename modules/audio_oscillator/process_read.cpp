// processLow and processHigh: the table-reading routines.
#include "oscillator_module.h"

#include "audio_oscillator/pins.h"
#include "conversions.h"
#include "harmonic_limit.h"
#include "noise.h"
#include "pair_math.h"
#include "pitch_conversion.h"
#include "pitch_conversion_pair.h"
#include "read_kernels.h"
#include "waveforms.h"

#include <algorithm>
#include <cmath>

namespace osc {

namespace {

// FixedRead takes the point from the top 9 bits of a 32-bit phase.
static_assert(kCyclePoints == 1 << 9, "a cycle of 512 points");

// A fixed width as cycles that the fixed-point conversion can take: widths a
// million cycles or more away (or not finite) are reduced to one cycle first.
double SafeWidth(float w) {
  return std::fabs(w) < 1048576.0f ? static_cast<double>(w) : FoldCycles(w);
}

// The unit of a step: cycles, or points for the pulse forms.
template <bool Pulse> constexpr double kStepUnit = Pulse ? kCyclePoints : 1.0;

// One step in its unit, before the fold.
template <bool Pulse>
double RawStep(double s, bool linear, double scale, const RateTables &tables) {
  return linear ? s * scale : OctStep<OctRounding::Down>(tables, s) * kStepUnit<Pulse>;
}

#if defined(OSC_PAIR_MATH)
// Two steps as RawStep makes them.
template <bool Pulse, bool Linear>
__m128d RawStepPair(__m128d s, double scale, const RateTables &tables) {
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
int32_t FillStepPairs(float *steps, const float *pitch, const float *adjust, int32_t count,
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
void FillSteps(float *steps, const float *pitch, const float *adjust, int32_t count,
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

} // namespace

const float *Module::TableForCall(int32_t first) const {
  if (m_tableSet == nullptr || m_waveform == wavetable::kSineWaveform)
    return m_tableSet; // Sine has a single table
  int32_t n = m_harmonicSetting;
  if (m_limitSystem != kLimitOff) {
    const float *ref = m_limitSystem == kLimitB ? m_pitchRefIn : m_pitchIn;
    const double g = static_cast<double>(ref[first]) + m_pitchAdjustIn[first];
    n = HarmonicCount(m_limitHz, LimitFrequency(g, m_pitchMode), m_harmonicSetting);
  }
  n = std::clamp<int32_t>(n, 1, wavetable::kMaxHarmonics);
  return m_tableSet + (n - 1) * kTableStride;
}

const float *Module::BeginTableCall(int32_t first, int32_t count) {
  if (count <= 0)
    return nullptr;
  float *out = m_waveOut + first;
  if (m_waveform == wavetable::kNoiseWaveform) {
    RunNoise(out, m_phasePwIn + first, count, m_noiseA, m_noiseB);
    return nullptr;
  }
  const float *table = TableForCall(first);
  if (table == nullptr)
    std::fill_n(out, count, 0.0f);
  return table;
}

void Module::processLow(int32_t first, int32_t count) {
  const float *table = BeginTableCall(first, count);
  if (table == nullptr)
    return;
  float *out = m_waveOut + first;
  const float *width = m_phasePwIn + first;
  double step = m_staticStep;
  if (m_pitchStreaming != 0 || m_adjustStreaming != 0) {
    const float f = m_pitchIn[first] + m_pitchAdjustIn[first];
    step = m_pitchMode != kPitchOct ? static_cast<double>(f) * m_linearScale
                                    : OctStep<OctRounding::Nearest>(*m_pitchTables, f);
  }
  // Whole cycles per sample change nothing but the phase arithmetic's range.
  step = FoldCycles(step);
  const bool pulse = wavetable::IsPulseWaveform(m_waveform);

  if (m_phasePwStreaming != 0) {
    if (pulse)
      m_phase = ReadPulse(table, out, width, count, m_phase * kCyclePoints,
                          ConstantStep{step * kCyclePoints});
    else
      m_phase = ReadPlainModulated(table, out, width, count, m_phase, ConstantStep{step});
    return;
  }

  // Static width: 32-bit fixed-point phase. A step of half a cycle or more
  // wraps modulo one cycle, as the floating-point paths do.
  const uint32_t s = ToFixed(step);
  const uint32_t p = ToFixed(m_phase);
  const uint32_t w = ToFixed(SafeWidth(width[0]));
  if (pulse) {
    m_phase = FromFixed(ReadPulseFixed(table, out, count, p + w, p, s));
  } else {
    m_phase = FromFixed(ReadPlainFixed(table, out, count, p + w, s) - w);
  }
}

void Module::processHigh(int32_t first, int32_t count) {
  const float *table = BeginTableCall(first, count);
  if (table == nullptr)
    return;
  float *out = m_waveOut + first;
  const float *width = m_phasePwIn + first;
  if (m_stepScratch == nullptr) {
    std::fill_n(out, count, 0.0f);
    return;
  }
  // Pass 1: every step of the stretch into the scratch buffer, from its start.
  const float *pitch = m_pitchIn + first;
  const float *adjust = m_pitchAdjustIn + first;
  const StepArray steps{m_stepScratch};
  if (wavetable::IsPulseWaveform(m_waveform)) {
    FillSteps<true>(m_stepScratch, pitch, adjust, count, m_pitchMode, m_linearScale,
                    *m_pitchTables);
    m_phase = ReadPulse(table, out, width, count, m_phase * kCyclePoints, steps);
    return;
  }
  FillSteps<false>(m_stepScratch, pitch, adjust, count, m_pitchMode, m_linearScale, *m_pitchTables);
  // Pass 2: the table reads.
  if (m_phasePwStreaming != 0) {
    m_phase = ReadPlainModulated(table, out, width, count, m_phase, steps);
  } else {
    const double w = SafeWidth(width[0]);
    m_phase = ReadPlainShifted(table, out, count, m_phase + w, w, steps);
  }
}

} // namespace osc
