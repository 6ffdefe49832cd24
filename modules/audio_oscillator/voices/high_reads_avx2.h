// processHigh's step fill and reads with AVX2 (avx2/), for the voice
// library to choose at run time where the processor has AVX2: four samples
// of one voice's steps to a register, and four voices' reads to a register
// with the tables' points gathered. Each lane goes through the IEEE
// operations of the one-voice routine in the same order, so it gives that
// routine's bits. Plain declarations: callers need no AVX2.
#ifndef AUDIO_OSCILLATOR_HIGH_READS_AVX2_H
#define AUDIO_OSCILLATOR_HIGH_READS_AVX2_H

#include "pitch_tables.h"

#include <cstdint>

namespace osc::avx2 {

inline constexpr int kLanes = 4;

// One voice's step fill: its steps, inputs, linear scale in the step's unit
// and its rate's conversion table.
struct StepFill {
  float *steps;
  const float *pitch;
  const float *adjust;
  double scale;
  const WideStepEntry *entries;
};

// FillStepPairs (step_fill.h) for four voices, four samples at a time:
// leaves in written[l] how many of voice l's steps were written, a multiple
// of four, or none when one of its steps needs the fold.
void FillSteps(bool pulse, bool linear, const StepFill (&voices)[kLanes], int32_t count,
               int32_t *written);

// How a group of four voices reads: ReadPulse, ReadPlainModulated or
// ReadPlainShifted (read_kernels.h) with steps per sample.
enum class HighRead : uint8_t { kPulse, kModulated, kShifted };

struct HighLanes {
  const float *table[kLanes];
  float *out[kLanes];
  const float *width[kLanes]; // not read by kShifted
  const float *steps[kLanes]; // in points for kPulse, else in cycles
};

// `count` samples of each lane from x[l] (y in points for kPulse, the
// phase plus the width for kShifted); leaves each lane's x after the call
// in x[l], for the caller to reduce as the one-voice read does.
void ReadHigh(HighRead read, const HighLanes &lanes, int32_t count, double *x);

} // namespace osc::avx2

#endif // AUDIO_OSCILLATOR_HIGH_READS_AVX2_H
