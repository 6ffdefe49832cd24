// The inner loops of the table-reading routines, one per way of moving the
// phase. Each takes the phase in, writes `count` samples and answers the
// phase reduced to one cycle. The step source is either one step for the
// whole call or a per-sample array, so both routines share the loops. The
// one-at-a-time loops are those of read_loops.h, which lanes share too.
//
// With SSE2 the floating-point loops take two samples at a time: the phase
// still advances one step at a time (two scalar additions, the only serial
// part), and the two table reads run side by side in one register. Each
// sample gets the same bits as in the one-at-a-time loop, which finishes an
// odd count.
#ifndef AUDIO_OSCILLATOR_READ_KERNELS_H
#define AUDIO_OSCILLATOR_READ_KERNELS_H

#include "pair_math.h"
#include "read_loops.h"
#include "table_read.h"
#include "table_read_pair.h"

#include <cmath>
#include <cstdint>

namespace osc {

struct ConstantStep {
  double step;
  double operator[](int32_t) const { return step; }
};

struct StepArray {
  const float *steps;
  double operator[](int32_t j) const { return steps[j]; }
};

// One voice's table, output and streaming width for read_loops.h.
struct VoiceIo {
  const float *table;
  float *out;
  const float *width;
  double Width(int32_t j) const { return width[j]; }
  void Put(int32_t j, float v) const { out[j] = v; }
  float Lerp(double t) const { return osc::Lerp(table, t); }
  float FixedRead(uint32_t a) const { return osc::FixedRead(table, a); }
};

// Phase modulation by a streaming width: the table at (width + phase) cycles.
template <class Steps>
double ReadPlainModulated(const float *table, float *out, const float *width, int32_t count,
                          double x, Steps steps) {
  int32_t j = 0;
#if defined(OSC_PAIR_MATH)
  for (; j + 1 < count; j += 2) {
    const double x1 = x + steps[j];
    const __m128d t = _mm_add_pd(LoadWidenPair(width + j), _mm_set_pd(x1, x));
    StorePair(out + j, LerpPair(table, _mm_mul_pd(t, _mm_set1_pd(kCyclePoints))));
    x = x1 + steps[j + 1];
  }
#endif
  x = loops::PlainModulated(VoiceIo{table, out, width}, j, count, x, steps);
  return x - std::floor(x);
}

// A fixed width w, already added into x: the table at x cycles.
template <class Steps>
double ReadPlainShifted(const float *table, float *out, int32_t count, double x, double w,
                        Steps steps) {
  int32_t j = 0;
#if defined(OSC_PAIR_MATH)
  for (; j + 1 < count; j += 2) {
    const double x1 = x + steps[j];
    StorePair(out + j, LerpPair(table, _mm_mul_pd(_mm_set_pd(x1, x), _mm_set1_pd(kCyclePoints))));
    x = x1 + steps[j + 1];
  }
#endif
  x = loops::PlainShifted(VoiceIo{table, out, nullptr}, j, count, x, steps);
  const double base = x - w;
  return base - std::floor(base);
}

#if defined(OSC_PAIR_MATH)
// The pairs of ReadPulse from a table as LerpPair reads it; answers how many
// samples were written and leaves y after them.
template <class Table, class Steps>
int32_t PulsePairs(const Table &table, float *out, const float *width, int32_t count, double &y,
                   Steps pointSteps) {
  int32_t j = 0;
  for (; j + 1 < count; j += 2) {
    const double y1 = y + pointSteps[j];
    const __m128d at = _mm_set_pd(y1, y);
    const __m128d shifted =
        _mm_add_pd(_mm_mul_pd(LoadWidenPair(width + j), _mm_set1_pd(kCyclePoints)), at);
    StorePair(out + j, _mm_sub_ps(LerpPair(table, shifted), LerpPair(table, at)));
    y = y1 + pointSteps[j + 1];
  }
  return j;
}

// From this many samples on, widening the table first pays for itself.
constexpr int32_t kWidenedPulseCount = 256;
#endif

// Pulse: the table at phase + width minus the table at phase, both in points.
template <class Steps>
double ReadPulse(const float *table, float *out, const float *width, int32_t count, double y,
                 Steps pointSteps) {
  int32_t j = 0;
#if defined(OSC_PAIR_MATH)
  if (count >= kWidenedPulseCount) {
    WideTable wide;
    Widen(table, wide);
    j = PulsePairs(wide, out, width, count, y, pointSteps);
  } else {
    j = PulsePairs(table, out, width, count, y, pointSteps);
  }
#endif
  y = loops::Pulse(VoiceIo{table, out, width}, j, count, y, pointSteps);
  const double cycles = y / kCyclePoints;
  return cycles - std::floor(cycles);
}

// Fixed-point phase: a shift, a mask, two loads and one multiply-add per sample.
inline uint32_t ReadPlainFixed(const float *table, float *out, int32_t count, uint32_t a,
                               uint32_t step) {
  return loops::PlainFixed(VoiceIo{table, out, nullptr}, count, a, step);
}

inline uint32_t ReadPulseFixed(const float *table, float *out, int32_t count, uint32_t a,
                               uint32_t b, uint32_t step) {
  return loops::PulseFixed(VoiceIo{table, out, nullptr}, count, a, b, step);
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_READ_KERNELS_H
