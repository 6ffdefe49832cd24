// A recorded signal played from clock 0, once or looped; after a single play
// it holds 0.
#ifndef SEHOST_SOURCES_FILE_SOURCE_H
#define SEHOST_SOURCES_FILE_SOURCE_H

#include "source.h"

#include <vector>

namespace sehost {

class FileSource : public Source {
public:
  FileSource(std::vector<float> samples, bool loop)
      : m_samples(std::move(samples)), m_loop(loop && !m_samples.empty()) {}
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override;

private:
  std::vector<float> m_samples;
  bool m_loop;
};

// The samples of `in`, taken at `from_rate`, at `to_rate` by linear
// interpolation (a copy when the rates are equal).
std::vector<float> Resample(const std::vector<float> &in, double from_rate, double to_rate);

} // namespace sehost

#endif
