#include "spectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sehost {
namespace {

constexpr double kFloorDb = -160.0;

std::vector<double> Hann(size_t n) {
  std::vector<double> w(n);
  for (size_t i = 0; i < n; ++i)
    w[i] = 0.5 -
           0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
  return w;
}

// Adds the power spectrum of the frame at `start` (zero-padded past the end).
void AddFramePower(const std::vector<float> &signal, size_t start, const std::vector<double> &w,
                   std::vector<std::complex<double>> &scratch, std::vector<double> &power) {
  const size_t n = w.size();
  for (size_t i = 0; i < n; ++i) {
    const size_t k = start + i;
    scratch[i] = {k < signal.size() ? signal[k] * w[i] : 0.0, 0.0};
  }
  Fft(scratch);
  for (size_t k = 0; k <= n / 2; ++k)
    power[k] += std::norm(scratch[k]);
}

std::vector<double> ToDb(const std::vector<double> &power, double frames, double window_sum) {
  std::vector<double> db(power.size());
  for (size_t k = 0; k < power.size(); ++k) {
    // A sine of amplitude A gives |X| = A × sum(w) / 2 at its bin.
    const double magnitude = 2.0 * std::sqrt(power[k] / frames) / window_sum;
    db[k] = magnitude > 0.0 ? std::max(kFloorDb, 20.0 * std::log10(magnitude)) : kFloorDb;
  }
  return db;
}

} // namespace

void Fft(std::vector<std::complex<double>> &a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j)
      std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0, 0.0);
      for (size_t j = 0; j < len / 2; ++j) {
        const auto u = a[i + j];
        const auto v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

size_t FloorPowerOfTwo(size_t n) {
  size_t p = 1;
  while (p * 2 <= n)
    p *= 2;
  return p;
}

std::vector<double> AverageSpectrumDb(const std::vector<float> &signal, size_t frame) {
  const std::vector<double> w = Hann(frame);
  double window_sum = 0.0;
  for (double x : w)
    window_sum += x;
  std::vector<std::complex<double>> scratch(frame);
  std::vector<double> power(frame / 2 + 1, 0.0);
  double frames = 0.0;
  const size_t hop = std::max<size_t>(1, frame / 2);
  for (size_t start = 0; start == 0 || start + frame <= signal.size(); start += hop) {
    AddFramePower(signal, start, w, scratch, power);
    frames += 1.0;
  }
  return ToDb(power, frames, window_sum);
}

std::vector<std::vector<double>> SpectrogramDb(const std::vector<float> &signal, size_t frame,
                                               size_t hop) {
  const std::vector<double> w = Hann(frame);
  double window_sum = 0.0;
  for (double x : w)
    window_sum += x;
  std::vector<std::complex<double>> scratch(frame);
  std::vector<std::vector<double>> columns;
  hop = std::max<size_t>(1, hop);
  for (size_t start = 0; start < signal.size(); start += hop) {
    std::vector<double> power(frame / 2 + 1, 0.0);
    AddFramePower(signal, start, w, scratch, power);
    columns.push_back(ToDb(power, 1.0, window_sum));
  }
  return columns;
}

} // namespace sehost
