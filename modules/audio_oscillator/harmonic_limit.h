// How many harmonics one process call may use: the user's setting, lowered so
// that the highest harmonic stays below the frequency limit. The root
// harmonic always sounds.
#ifndef AUDIO_OSCILLATOR_HARMONIC_LIMIT_H
#define AUDIO_OSCILLATOR_HARMONIC_LIMIT_H

#include "audio_oscillator/pins.h"
#include "pitch_conversion.h"
#include "pitch_tables.h"

#include <cstdint>

namespace osc {

// Frequency in Hz of a limiting pitch sample g under a pitch mode.
inline double LimitFrequency(double g, int16_t pitchMode) {
  switch (pitchMode) {
  case kPitchOct: return pitchHzTable[HzTableIndex(g)];
  case kPitchHz: return g * 10.0;
  default: return g * 10000.0;
  }
}

// The count for a limit and a frequency: limit / frequency truncated towards
// zero, 1 when the fundamental is above the limit, the user's setting when the
// quotient is negative, too large, not finite or beyond the 32-bit range.
inline int32_t HarmonicCount(float limitHz, double frequency, int32_t setting) {
  const double q = static_cast<double>(limitHz) / frequency;
  if (!(q > -2147483649.0 && q < 2147483648.0))
    return setting;
  const int32_t m = static_cast<int32_t>(q); // truncation
  if (m == 0)
    return 1;
  if (m < 0 || m >= setting)
    return setting;
  return m;
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_HARMONIC_LIMIT_H
