// A signal through breakpoints joined by straight lines: before the first
// point it holds the first value, after the last point the last value.
#ifndef SEHOST_SOURCES_BREAKPOINT_SOURCE_H
#define SEHOST_SOURCES_BREAKPOINT_SOURCE_H

#include "source.h"

#include <cstddef>

#include <vector>

namespace sehost {

struct Breakpoint {
  double clock; // in samples; may fall between two samples
  double value; // a sample value (1.0 = 10 V)
};

class BreakpointSource : public Source {
public:
  // Points must be in non-decreasing clock order; two points at one clock make
  // a step. Throws HostError for an empty or unordered list.
  explicit BreakpointSource(std::vector<Breakpoint> points);
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override;

private:
  std::vector<Breakpoint> m_points;
  size_t m_segment = 0; // first point at or after the last clock filled
};

} // namespace sehost

#endif
