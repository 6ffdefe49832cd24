// The frequency of a steady tone, from the times of its rising zero crossings
// (linearly interpolated between frames) fitted to a straight line.
#ifndef TESTS_LV2_PITCH_FIT_H
#define TESTS_LV2_PITCH_FIT_H

#include <cstdint>
#include <vector>

namespace lv2test {

// Frequency in Hz of out[from, to); 0 when fewer than two crossings lie there.
inline double FittedHz(const std::vector<float> &out, int64_t from, int64_t to, double rate) {
  std::vector<double> times;
  for (int64_t j = from + 1; j < to; ++j) {
    const double a = out[static_cast<size_t>(j - 1)], b = out[static_cast<size_t>(j)];
    if (a < 0.0 && b >= 0.0)
      times.push_back(static_cast<double>(j - 1) + a / (a - b));
  }
  const auto n = static_cast<double>(times.size());
  if (times.size() < 2)
    return 0.0;
  // Least squares of time against crossing number: the slope is the period.
  double sk = 0, st = 0, skk = 0, skt = 0;
  for (size_t k = 0; k < times.size(); ++k) {
    const auto kk = static_cast<double>(k);
    sk += kk;
    st += times[k];
    skk += kk * kk;
    skt += kk * times[k];
  }
  const double period = (n * skt - sk * st) / (n * skk - sk * sk);
  return rate / period;
}

} // namespace lv2test

#endif // TESTS_LV2_PITCH_FIT_H
