#include "breakpoint_source.h"

#include "host_error.h"

namespace sehost {

BreakpointSource::BreakpointSource(std::vector<Breakpoint> points) : m_points(std::move(points)) {
  if (m_points.empty())
    throw HostError("a ramp needs at least one point");
  for (size_t i = 1; i < m_points.size(); ++i)
    if (!(m_points[i].clock >= m_points[i - 1].clock))
      throw HostError("ramp points must be in time order");
}

void BreakpointSource::Fill(float *out, int32_t n, int64_t clock) {
  // Clocks only move forward while rendering; a jump back restarts the search.
  if (m_segment > 0 && m_points[m_segment - 1].clock > static_cast<double>(clock))
    m_segment = 0;
  for (int32_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(clock + i);
    while (m_segment < m_points.size() && m_points[m_segment].clock <= t)
      ++m_segment;
    double v;
    if (m_segment == 0) {
      v = m_points.front().value;
    } else if (m_segment == m_points.size()) {
      v = m_points.back().value;
    } else {
      const Breakpoint &a = m_points[m_segment - 1];
      const Breakpoint &b = m_points[m_segment];
      v = a.value + (b.value - a.value) * (t - a.clock) / (b.clock - a.clock);
    }
    out[i] = static_cast<float>(v);
  }
}

} // namespace sehost
