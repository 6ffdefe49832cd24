// Output ducking: when a call's first output sample runs hotter than 2.0, the
// following calls are scaled down (0.9 ... 0.3), held at 0.3, and ramped back
// up, one step per call.
#ifndef LADDER_FILTER_DUCKING_H
#define LADDER_FILTER_DUCKING_H

#include <cstdint>

namespace ladder {

inline constexpr int32_t kDuckStart = 128;
inline constexpr int32_t kDuckRetrigger = 64;
inline constexpr float kDuckTrigger = 2.0f;

// Factor for a count of 1 .. 128: the ramp from either end, 0.3 in between.
constexpr float DuckFactor(int32_t count) {
  constexpr float kRamp[6] = {0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f};
  const int32_t fromEnd = count - 1 < kDuckStart - count ? count - 1 : kDuckStart - count;
  return fromEnd < 6 ? kRamp[fromEnd] : 0.3f;
}

// Applies ducking to the n samples a call wrote. Only a positive first sample
// triggers; a retrigger while the count is below 64 jumps to 64.
inline void DuckOutput(float *out, int32_t n, int32_t &duckCount) {
  if (out[0] > kDuckTrigger) {
    if (duckCount == 0)
      duckCount = kDuckStart;
    else if (duckCount < kDuckRetrigger)
      duckCount = kDuckRetrigger;
  }
  if (duckCount == 0)
    return;
  const float factor = DuckFactor(duckCount);
  for (int32_t i = 0; i < n; ++i)
    out[i] *= factor;
  --duckCount;
}

} // namespace ladder

#endif
