// A low-frequency oscillator: centre + depth × shape(rate × t + phase), where
// the shape is a sine or a triangle that both start at the centre, rising.
#ifndef SEHOST_SOURCES_LFO_SOURCE_H
#define SEHOST_SOURCES_LFO_SOURCE_H

#include "source.h"

namespace sehost {

enum class LfoShape { kSine, kTriangle };

class LfoSource : public Source {
public:
  // `cycles_per_sample` is the rate divided by the sample rate; values are
  // sample values (1.0 = 10 V); `phase` is in cycles.
  LfoSource(LfoShape shape, double cycles_per_sample, double center, double depth,
            double phase = 0.0);
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override;

private:
  LfoShape m_shape;
  double m_step;
  double m_center;
  double m_depth;
  double m_phase;
};

} // namespace sehost

#endif
