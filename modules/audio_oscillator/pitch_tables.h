// The pitch tables of the oscillator.
//
// Two tables do not depend on the sample rate (`octaveTable`, `pitchHzTable`):
// they are built once, at the first open in the process. The step table and
// the rate constants do: one `RateTables` set per sample rate, built at the
// first open at that rate and never changed afterwards, is shared by every
// instance opened at that rate. Each instance reads only the set of its own
// rate, so what one instance plays never depends on the rate another instance
// opens at, and instances on different threads read immutable data.
#ifndef AUDIO_OSCILLATOR_PITCH_TABLES_H
#define AUDIO_OSCILLATOR_PITCH_TABLES_H

#include <cstdint>

namespace osc {

// One 1/256-octave entry: the step at the entry and the difference to the next.
struct StepEntry {
  float delta;
  float base;
};

// The same entry widened to double, for code that reads four entries at
// once: the widening is exact.
struct WideStepEntry {
  double delta;
  double base;
};

constexpr int kStepEntries = 257; // entries 0..255 are read, 256 completes the last line
constexpr int kOctaveLow = -30;   // octaveTable covers 2^-30 .. 2^30
constexpr int kOctaveHigh = 30;
constexpr int kHzEntries = 7200;  // 1/120 octave from -30 V to just below +30 V
constexpr int kHzZeroVolt = 3600; // entry of 0 V (13.75 Hz)
constexpr double kZeroVoltHz = 13.75;

// How many sample rates the process-wide registry holds (every common rate
// from 8 kHz to 384 kHz fits). An instance that opens at yet another rate
// builds a set of its own.
constexpr int kSharedRates = 16;

// Everything that depends on the sample rate.
struct RateTables {
  float sampleRate;
  double baseStep;   // 13.75 Hz as a phase step per sample
  float kiloHzScale; // step per unit sample in Khz mode (1 V = 1 kHz)
  float hertzScale;  // step per unit sample in Hz mode (1 V = 1 Hz)
  StepEntry pitchStepTable[kStepEntries];
  WideStepEntry widePitchStepTable[kStepEntries];
};

extern float octaveTable[kOctaveHigh - kOctaveLow + 1]; // index k + 30 holds 2^k
extern float pitchHzTable[kHzEntries];

// The shared set for `rate`, built now if this is the first open at that
// rate, or null when the registry is full. Also builds the rate-independent
// tables at the first call. Called at open, never on the audio path; safe to
// call from several threads at once.
const RateTables *SharedPitchTables(float rate);

// Fills a set for `rate` that the caller owns (past the registry's bound).
void BuildPitchTables(RateTables &set, float rate);

} // namespace osc

#endif // AUDIO_OSCILLATOR_PITCH_TABLES_H
