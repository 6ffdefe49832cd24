// Float-to-integer conversions with a fixed rounding direction, whatever
// rounding mode the processor is in. Each starts from the truncating
// conversion (which ignores the mode) and corrects it, so no routine ever
// changes the processor's global mode.
//
// Callers bring the argument into range first: it must be finite and within
// the range of the integer type. ClampRange does that in floating point,
// mapping NaN to the low end.
#ifndef AUDIO_OSCILLATOR_CONVERSIONS_H
#define AUDIO_OSCILLATOR_CONVERSIONS_H

#include <cmath>
#include <cstdint>

namespace osc {

// x limited to [lo, hi]; NaN gives lo. Two comparisons, no branch in practice.
inline double ClampRange(double x, double lo, double hi) {
  x = x > lo ? x : lo;
  return x < hi ? x : hi;
}

// Largest integer not above x, as Int. The 32-bit form is the cheap one on
// every target (a single truncating conversion even on 32-bit x86 with SSE2).
template <class Int = int64_t> inline Int FloorTo(double x) {
  const Int i = static_cast<Int>(x);
  return i - static_cast<Int>(x < static_cast<double>(i));
}

// Largest integer not above x, as an int32_t and as a double, with one
// conversion each way (FloorTo followed by a conversion back takes two).
// x must lie within the int32_t range.
struct FloorParts {
  int32_t i;
  double d;
};
inline FloorParts FloorSplit(double x) {
  const int32_t t = static_cast<int32_t>(x);
  const double dt = static_cast<double>(t);
  const bool below = x < dt;
  return {t - static_cast<int32_t>(below), below ? dt - 1.0 : dt}; // dt - 1 is exact
}

// Nearest integer, halves to even, as Int.
template <class Int = int64_t> inline Int RoundHalfEvenTo(double x) {
  Int i = FloorTo<Int>(x);
  const double frac = x - static_cast<double>(i); // exact: x and i share the integer part
  if (frac > 0.5 || (frac == 0.5 && (i & 1) != 0))
    ++i;
  return i;
}

// A position in cycles (or a step in cycles per sample) reduced by whole
// cycles when it lies a cycle or more from zero; a non-finite value gives 0.
// Values inside (-unit, unit) pass unchanged, so ordinary phases and steps
// keep their exact value.
inline double FoldCycles(double x, double unit = 1.0) {
  if (std::fabs(x) < unit)
    return x;
  if (!std::isfinite(x))
    return 0.0;
  return x - std::floor(x / unit) * unit;
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_CONVERSIONS_H
