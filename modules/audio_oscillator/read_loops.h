// The per-sample loops of the table reads, written once for one voice and for
// voices side by side in lanes. `Io` brings the tables, outputs and widths
// (VoiceIo in read_kernels.h, LanesIo in read_lanes.h) and `D` and `U` are
// the phase's double and fixed-point types: double and uint32_t for one
// voice, a lane type for lanes. Each lane goes through the one voice's IEEE
// operations in the same order, so lanes write the one voice's samples.
// The floating-point loops run samples j to count (after the one-voice pair
// loops, or from 0), the fixed-point ones the whole call; each answers its
// phase after them, unreduced.
#ifndef AUDIO_OSCILLATOR_READ_LOOPS_H
#define AUDIO_OSCILLATOR_READ_LOOPS_H

#include "table_layout.h"

#include <cstdint>

namespace osc::loops {

inline constexpr double kPoints = wavetable::kCyclePoints;

// The table at (width + phase) cycles.
template <class Io, class D, class Steps>
D PlainModulated(const Io &io, int32_t j, int32_t count, D x, Steps steps) {
  for (; j < count; ++j) {
    io.Put(j, io.Lerp((io.Width(j) + x) * D(kPoints)));
    x = x + steps[j];
  }
  return x;
}

// The table at x cycles (a fixed width already in x).
template <class Io, class D, class Steps>
D PlainShifted(const Io &io, int32_t j, int32_t count, D x, Steps steps) {
  for (; j < count; ++j) {
    io.Put(j, io.Lerp(x * D(kPoints)));
    x = x + steps[j];
  }
  return x;
}

// The table at y + width minus the table at y, both in points.
template <class Io, class D, class Steps>
D Pulse(const Io &io, int32_t j, int32_t count, D y, Steps pointSteps) {
  for (; j < count; ++j) {
    io.Put(j, io.Lerp(io.Width(j) * D(kPoints) + y) - io.Lerp(y));
    y = y + pointSteps[j];
  }
  return y;
}

// The table at a fixed-point phase a.
template <class Io, class U> U PlainFixed(const Io &io, int32_t count, U a, U step) {
  for (int32_t j = 0; j < count; ++j) {
    io.Put(j, io.FixedRead(a));
    a = a + step;
  }
  return a;
}

// The table at a minus the table at b; answers b.
template <class Io, class U> U PulseFixed(const Io &io, int32_t count, U a, U b, U step) {
  for (int32_t j = 0; j < count; ++j) {
    io.Put(j, io.FixedRead(a) - io.FixedRead(b));
    a = a + step;
    b = b + step;
  }
  return b;
}

} // namespace osc::loops

#endif // AUDIO_OSCILLATOR_READ_LOOPS_H
