// Pitch sample (1.0 = 10 V) to phase step per sample, in cycles.
//
// Oct mode works in 1/256-octave units: p = s * 2560. The integer part picks
// a table entry (low 8 bits) and an octave (the rest, an arithmetic shift),
// the remainder follows the straight line to the next entry. One lookup, one
// multiply-add and one multiply by a power of two per conversion.
//
// p is clamped to the range the tables cover (octaves -30..+30) before any
// integer conversion, so every float input, NaN and infinities included,
// reads inside the tables. NaN is taken as the lowest pitch.
#ifndef AUDIO_OSCILLATOR_PITCH_CONVERSION_H
#define AUDIO_OSCILLATOR_PITCH_CONVERSION_H

#include "conversions.h"
#include "float_pair.h"
#include "pitch_tables.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace osc {

constexpr double kOctUnitsPerSample = 2560.0; // 10 V * 256 steps per volt
constexpr double kOctUnitsLow = kOctaveLow * 256.0;
constexpr double kOctUnitsHigh = kOctaveHigh * 256.0 + 255.0;

// 2^k for k in kOctaveLow..kOctaveHigh (the values of octaveTable), made from
// its bit pattern: no table load and no conversion.
inline double OctavePower(int32_t k) {
  return std::bit_cast<double>(static_cast<uint64_t>(k + 1023) << 52);
}

enum class OctRounding { Nearest, Down };

// `tables` is the set of the instance's sample rate.
template <OctRounding R> inline double OctStep(const RateTables &tables, double s) {
  const double p = ClampRange(s * kOctUnitsPerSample, kOctUnitsLow, kOctUnitsHigh);
  int32_t n;
  double r;
  if constexpr (R == OctRounding::Nearest) {
    n = RoundHalfEvenTo<int32_t>(p);
    r = p - static_cast<double>(n);
  } else {
    const FloorParts f = FloorSplit(p);
    n = f.i;
    r = p - f.d;
  }
  static_assert(offsetof(StepEntry, base) == offsetof(StepEntry, delta) + sizeof(float));
  const DoublePair e = WidenPair(&tables.pitchStepTable[n & 255].delta); // delta, base
  return (r * e.first + e.second) * OctavePower(n >> 8);
}

// Index of pitchHzTable for a pitch sample g: g quantised to 1/120 octave,
// clamped to the table (g * 1200 + 3600 reaches 7199.5 a little below +30 V).
inline int32_t HzTableIndex(double g) {
  const double x = ClampRange(g * 1200.0 + kHzZeroVolt, 0.0, kHzEntries - 1.0);
  return RoundHalfEvenTo<int32_t>(x);
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_PITCH_CONVERSION_H
