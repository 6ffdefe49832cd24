#include "source.h"

#include <algorithm>

namespace sehost {

void SteppedSource::AddStep(int64_t clock, float value) {
  auto at = std::upper_bound(m_steps.begin(), m_steps.end(), clock,
                             [](int64_t c, const auto &step) { return c < step.first; });
  m_steps.insert(at, {clock, value});
}

float SteppedSource::ValueAt(int64_t clock) const {
  float v = m_initial;
  for (const auto &[c, value] : m_steps) {
    if (c > clock)
      break;
    v = value;
  }
  return v;
}

void SteppedSource::Fill(float *out, int32_t n, int64_t clock) {
  int32_t i = 0;
  while (i < n) {
    const int64_t now = clock + i;
    float v = ValueAt(now);
    // Run up to the next step.
    int64_t until = clock + n;
    for (const auto &step : m_steps)
      if (step.first > now) {
        until = std::min(until, step.first);
        break;
      }
    const int32_t end = static_cast<int32_t>(until - clock);
    std::fill(out + i, out + end, v);
    i = end;
  }
}

void ArraySource::Fill(float *out, int32_t n, int64_t clock) {
  for (int32_t i = 0; i < n; ++i) {
    const int64_t k = clock + i;
    out[i] = (k >= 0 && k < static_cast<int64_t>(m_samples.size())) ? m_samples[k] : 0.0f;
  }
}

} // namespace sehost
