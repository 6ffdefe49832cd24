// The inner loops of the table-reading routines, one per way of moving the
// phase. Each takes the phase in, writes `count` samples and answers the
// phase reduced to one cycle. The step source is either one step for the
// whole call or a per-sample array, so both routines share the loops.
#ifndef AUDIO_OSCILLATOR_READ_KERNELS_H
#define AUDIO_OSCILLATOR_READ_KERNELS_H

#include "table_read.h"

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

// Phase modulation by a streaming width: the table at (width + phase) cycles.
template <class Steps>
double ReadPlainModulated(const float *table, float *out, const float *width, int32_t count,
                          double x, Steps steps) {
  for (int32_t j = 0; j < count; ++j) {
    out[j] = Lerp(table, (width[j] + x) * kCyclePoints);
    x += steps[j];
  }
  return x - std::floor(x);
}

// A fixed width w, already added into x: the table at x cycles.
template <class Steps>
double ReadPlainShifted(const float *table, float *out, int32_t count, double x, double w,
                        Steps steps) {
  for (int32_t j = 0; j < count; ++j) {
    out[j] = Lerp(table, x * kCyclePoints);
    x += steps[j];
  }
  const double base = x - w;
  return base - std::floor(base);
}

// Pulse: the table at phase + width minus the table at phase, both in points.
template <class Steps>
double ReadPulse(const float *table, float *out, const float *width, int32_t count, double y,
                 Steps pointSteps) {
  for (int32_t j = 0; j < count; ++j) {
    out[j] = Lerp(table, width[j] * static_cast<double>(kCyclePoints) + y) - Lerp(table, y);
    y += pointSteps[j];
  }
  const double cycles = y / kCyclePoints;
  return cycles - std::floor(cycles);
}

// Fixed-point phase: a shift, a mask, two loads and one multiply-add per sample.
inline uint32_t ReadPlainFixed(const float *table, float *out, int32_t count, uint32_t a,
                               uint32_t step) {
  for (int32_t j = 0; j < count; ++j) {
    out[j] = FixedRead(table, a);
    a += step;
  }
  return a;
}

inline uint32_t ReadPulseFixed(const float *table, float *out, int32_t count, uint32_t a,
                               uint32_t b, uint32_t step) {
  for (int32_t j = 0; j < count; ++j) {
    out[j] = FixedRead(table, a) - FixedRead(table, b);
    a += step;
    b += step;
  }
  return b;
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_READ_KERNELS_H
