// Process-wide pitch tables shared by every oscillator instance of the
// library, and the rate constants derived from the sample rate.
//
// The tables are rebuilt only when an instance opens at a sample rate other
// than the one they were built for; the rate constants are rewritten by every
// open.
#ifndef AUDIO_OSCILLATOR_PITCH_TABLES_H
#define AUDIO_OSCILLATOR_PITCH_TABLES_H

#include <cstdint>

namespace osc {

// One 1/256-octave entry: the step at the entry and the difference to the next.
struct StepEntry {
  float delta;
  float base;
};

constexpr int kStepEntries = 257; // entries 0..255 are read, 256 completes the last line
constexpr int kOctaveLow = -30;   // octaveTable covers 2^-30 .. 2^30
constexpr int kOctaveHigh = 30;
constexpr int kHzEntries = 7200;  // 1/120 octave from -30 V to just below +30 V
constexpr int kHzZeroVolt = 3600; // entry of 0 V (13.75 Hz)
constexpr double kZeroVoltHz = 13.75;

extern float sampleRate;       // rate reported at the last open
extern float tablesSampleRate; // rate the tables were built for; 0 until the first build
extern double baseStep;        // 13.75 Hz as a phase step per sample
extern float kiloHzScale;      // step per unit sample in Khz mode (1 V = 1 kHz)
extern float hertzScale;       // step per unit sample in Hz mode (1 V = 1 Hz)

extern StepEntry pitchStepTable[kStepEntries];
extern float octaveTable[kOctaveHigh - kOctaveLow + 1]; // index k + 30 holds 2^k
extern float pitchHzTable[kHzEntries];

// Sets the rate constants for `rate` and rebuilds the tables if they were
// built for another rate.
void PreparePitchTables(float rate);

} // namespace osc

#endif // AUDIO_OSCILLATOR_PITCH_TABLES_H
