// Reading one wavetable: 512 points per cycle, point 512 closing the cycle,
// linear interpolation between neighbouring points.
#ifndef AUDIO_OSCILLATOR_TABLE_READ_H
#define AUDIO_OSCILLATOR_TABLE_READ_H

#include "conversions.h"
#include "table_layout.h"

#include <bit>
#include <cstdint>

namespace osc {

using wavetable::kCyclePoints;
using wavetable::kTableStride;
// Positions are limited to +-2^30 points (2^21 cycles), far beyond what a call
// reaches from a phase in one cycle with steps below one cycle; only hostile
// widths get there.
constexpr double kPositionLimit = 1073741824.0;

// The table at position t (in points), any finite or non-finite t: the point
// is the floor of t, masked to the cycle, so negative positions wrap.
inline float Lerp(const float *table, double t) {
  t = ClampRange(t, -kPositionLimit, kPositionLimit);
  const FloorParts i = FloorSplit(t);
  const double fr = t - i.d;
  const float *p = table + (i.i & (kCyclePoints - 1));
  return static_cast<float>(p[0] + fr * (p[1] - p[0])); // the difference in float
}

// The table at a 32-bit fixed-point phase (2^32 = one cycle): the top 9 bits
// are the point, the low 23 bits the fraction. The fraction is made without an
// integer-to-float conversion: the 23 bits under the exponent of 1.0 form a
// float in [1, 2), from which 1.0 is taken.
inline float FixedRead(const float *table, uint32_t acc) {
  const float *p = table + (acc >> 23);
  const float fr = std::bit_cast<float>((acc & 0x7FFFFFu) | 0x3F800000u) - 1.0f;
  return p[0] + fr * (p[1] - p[0]);
}

// A phase in cycles as a 32-bit fixed-point value (low 32 bits of the nearest
// integer to x * 2^32). |x| must stay below 2^30, which phases, folded steps
// and folded widths do.
inline uint32_t ToFixed(double x) {
  return static_cast<uint32_t>(static_cast<uint64_t>(RoundHalfEvenTo<int64_t>(x * 4294967296.0)));
}

// A signed 32-bit fixed-point value back to cycles, in [-0.5, 0.5).
inline double FromFixed(uint32_t a) {
  return static_cast<double>(static_cast<int32_t>(a)) * (1.0 / 4294967296.0);
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_TABLE_READ_H
