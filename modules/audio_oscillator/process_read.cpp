// processLow and processHigh: the table-reading routines.
#include "voice_routines.h"

#include "audio_oscillator/pins.h"
#include "conversions.h"
#include "harmonic_limit.h"
#include "noise.h"
#include "pitch_conversion.h"
#include "read_kernels.h"
#include "step_fill.h"
#include "waveforms.h"

#include <algorithm>
#include <cmath>

namespace osc {

const float *TableForCall(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first) {
  const uint16_t waveform = v.choices.waveform;
  if (v.tableSet == nullptr || waveform == wavetable::kSineWaveform)
    return v.tableSet; // Sine has a single table
  int32_t n = v.harmonicSetting;
  const int16_t system = v.choices.limitSystem;
  if (system != kLimitOff) {
    const float *ref = system == kLimitB ? b.pitchRef : b.pitch;
    const double g = static_cast<double>(ref[first]) + b.pitchAdjust[first];
    HarmonicMemo &m = v.harmonicMemo;
    if (!(g == m.pitch && v.limitHz == m.limitHz && v.harmonicSetting == m.setting &&
          v.choices.pitchMode == m.pitchMode)) {
      m = {g, v.limitHz, v.harmonicSetting, v.choices.pitchMode,
           HarmonicCount(v.limitHz, LimitFrequency(g, v.choices.pitchMode), v.harmonicSetting)};
    }
    n = m.count;
  }
  n = std::clamp<int32_t>(n, 1, wavetable::kMaxHarmonics);
  return v.tableSet + (n - 1) * kTableStride;
}

const float *BeginTableCall(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first,
                            int32_t count) {
  if (count <= 0)
    return nullptr;
  float *out = b.out + first;
  if (v.choices.waveform == wavetable::kNoiseWaveform) {
    RunNoise(out, b.phasePw + first, count, v.noiseA, v.noiseB);
    return nullptr;
  }
  const float *table = TableForCall(v, b, first);
  if (table == nullptr)
    std::fill_n(out, count, 0.0f);
  return table;
}

void RunLow(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  const float *table = BeginTableCall(v, b, first, count);
  if (table == nullptr)
    return;
  float *out = b.out + first;
  const float *width = b.phasePw + first;
  double step = v.staticStep;
  if (v.pitchStreaming || v.adjustStreaming) {
    const float f = b.pitch[first] + b.pitchAdjust[first];
    step = v.choices.pitchMode != kPitchOct ? static_cast<double>(f) * v.linearScale
                                            : OctStep<OctRounding::Nearest>(*v.pitchTables, f);
  }
  // Whole cycles per sample change nothing but the phase arithmetic's range.
  step = FoldCycles(step);
  const bool pulse = wavetable::IsPulseWaveform(v.choices.waveform);

  if (v.phasePwStreaming) {
    if (pulse)
      v.phase = ReadPulse(table, out, width, count, v.phase * kCyclePoints,
                          ConstantStep{step * kCyclePoints});
    else
      v.phase = ReadPlainModulated(table, out, width, count, v.phase, ConstantStep{step});
    return;
  }

  // Static width: 32-bit fixed-point phase. A step of half a cycle or more
  // wraps modulo one cycle, as the floating-point paths do.
  const uint32_t s = ToFixed(step);
  const uint32_t p = ToFixed(v.phase);
  const uint32_t w = ToFixed(SafeWidth(width[0]));
  if (pulse) {
    v.phase = FromFixed(ReadPulseFixed(table, out, count, p + w, p, s));
  } else {
    v.phase = FromFixed(ReadPlainFixed(table, out, count, p + w, s) - w);
  }
}

void RunHigh(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  const float *table = BeginTableCall(v, b, first, count);
  if (table == nullptr)
    return;
  float *out = b.out + first;
  const float *width = b.phasePw + first;
  if (b.stepScratch == nullptr) {
    std::fill_n(out, count, 0.0f);
    return;
  }
  // Pass 1: every step of the stretch into the scratch buffer, from its start.
  const float *pitch = b.pitch + first;
  const float *adjust = b.pitchAdjust + first;
  float *scratch = b.stepScratch;
  const StepArray steps{scratch};
  const int16_t mode = v.choices.pitchMode;
  if (wavetable::IsPulseWaveform(v.choices.waveform)) {
    FillSteps<true>(scratch, pitch, adjust, count, mode, v.linearScale, *v.pitchTables);
    v.phase = ReadPulse(table, out, width, count, v.phase * kCyclePoints, steps);
    return;
  }
  FillSteps<false>(scratch, pitch, adjust, count, mode, v.linearScale, *v.pitchTables);
  // Pass 2: the table reads.
  if (v.phasePwStreaming) {
    v.phase = ReadPlainModulated(table, out, width, count, v.phase, steps);
  } else {
    const double w = SafeWidth(width[0]);
    v.phase = ReadPlainShifted(table, out, count, v.phase + w, w, steps);
  }
}

} // namespace osc
