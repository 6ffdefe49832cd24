#include "lfo_source.h"

#include <cmath>
#include <numbers>

namespace sehost {

LfoSource::LfoSource(LfoShape shape, double cycles_per_sample, double center, double depth,
                     double phase)
    : m_shape(shape), m_step(cycles_per_sample), m_center(center), m_depth(depth), m_phase(phase) {}

void LfoSource::Fill(float *out, int32_t n, int64_t clock) {
  for (int32_t i = 0; i < n; ++i) {
    // The phase is computed from the clock, not accumulated, so long renders
    // do not drift.
    double cycle = m_step * static_cast<double>(clock + i) + m_phase;
    cycle -= std::floor(cycle);
    double shape;
    if (m_shape == LfoShape::kSine) {
      shape = std::sin(2.0 * std::numbers::pi * cycle);
    } else {
      // 0 → 0, 0.25 → 1, 0.75 → −1, 1 → 0.
      shape = cycle < 0.25 ? 4.0 * cycle : cycle < 0.75 ? 2.0 - 4.0 * cycle : 4.0 * cycle - 4.0;
    }
    out[i] = static_cast<float>(m_center + m_depth * shape);
  }
}

} // namespace sehost
