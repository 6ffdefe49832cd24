#include "file_source.h"

#include <cmath>

namespace sehost {

void FileSource::Fill(float *out, int32_t n, int64_t clock) {
  const int64_t size = static_cast<int64_t>(m_samples.size());
  for (int32_t i = 0; i < n; ++i) {
    int64_t k = clock + i;
    if (m_loop && k >= 0)
      k %= size;
    out[i] = (k >= 0 && k < size) ? m_samples[static_cast<size_t>(k)] : 0.0f;
  }
}

std::vector<float> Resample(const std::vector<float> &in, double from_rate, double to_rate) {
  if (in.empty() || from_rate == to_rate)
    return in;
  const double ratio = from_rate / to_rate; // input samples per output sample
  const auto count = static_cast<size_t>(std::floor((in.size() - 1) / ratio)) + 1;
  std::vector<float> out(count);
  for (size_t j = 0; j < count; ++j) {
    const double pos = static_cast<double>(j) * ratio;
    const auto i = static_cast<size_t>(pos);
    const double frac = pos - static_cast<double>(i);
    const float a = in[i];
    const float b = i + 1 < in.size() ? in[i + 1] : a;
    out[j] = static_cast<float>(a + (b - a) * frac);
  }
  return out;
}

} // namespace sehost
