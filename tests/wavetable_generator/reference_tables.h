// The generator's tables computed the plain way, straight from their
// definition: every harmonic's phase from k * j, every amplitude from its
// closed form where one exists, one point at a time. Tests and the benchmark
// compare the library's store against it bit for bit. The sine points are the
// constant table the library copies (sine_points.h, the correctly rounded
// values): the C runtime's sine is not exact everywhere, and wave_tables_test
// holds the table to glibc's.
#ifndef WAVETABLE_REFERENCE_TABLES_H
#define WAVETABLE_REFERENCE_TABLES_H

#include "wavetable_generator/sine_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <vector>

namespace wtref {

constexpr int kPoints = 513; // points 0 ... 512 of one cycle
constexpr int kStride = 516; // floats per table, spare slots included
constexpr int kTables = 256; // tables per waveform block
constexpr int kBlocks = 10;
constexpr size_t kBlockFloats = size_t{kTables} * kStride;

// Raw amplitude a_k of waveform block n (1 ... 10), k = 1 ... 256.
inline std::array<float, kTables> RawAmplitudes(int n) {
  std::array<float, kTables> a{};
  float product = 1.0f; // blocks 3 and 4 are defined by a float running product
  const float factor = n == 3 ? 0.5f : 0.8f;
  for (int k = 1; k <= kTables; ++k) {
    const float inv = 1.0f / static_cast<float>(k);
    const bool odd = k % 2 == 1;
    const int m = (k - 1) / 2; // k = 2m + 1
    const float sign = m % 2 == 0 ? 1.0f : -1.0f;
    float v = 0.0f;
    switch (n) {
    case 1: v = -inv; break;
    case 2: v = inv; break;
    case 3:
    case 4:
      v = product;
      product *= factor;
      break;
    case 5: v = odd ? inv : 0.0f; break;
    case 6: v = odd ? sign * (1.0f / static_cast<float>(k * k)) : 0.0f; break;
    case 7: {
      const float base = 1.0f + 0.75f * static_cast<float>(m);
      v = odd ? sign * (1.0f / (base * base)) : 0.0f;
      break;
    }
    case 8: v = (k & (k - 1)) == 0 ? inv : 0.0f; break;
    case 9: v = (k % 4 == 1 || k % 4 == 2) ? inv : 0.0f; break;
    case 10: v = (k % 4 == 0 || k % 4 == 1) ? inv : 0.0f; break;
    }
    a[k - 1] = v;
  }
  return a;
}

inline double NormalisationSum(const std::array<float, kTables> &a) {
  double s = 0.0;
  for (int k = 1; k <= kTables; ++k)
    s += std::fabs(static_cast<double>(a[k - 1])) / k;
  return s;
}

// Replaces raw amplitudes by a_k / S, S = sum of |a_k| / k.
inline double Normalise(std::array<float, kTables> &a) {
  const double s = NormalisationSum(a);
  for (float &v : a)
    v = static_cast<float>(v * (1.0 / s));
  return s;
}

// One block of 256 tables from normalised amplitudes, one point at a time.
inline std::vector<float> BuildBlock(const std::array<float, kTables> &a,
                                     const std::vector<float> &sine) {
  std::vector<float> block(kBlockFloats, 0.0f);
  for (int j = 0; j < kPoints; ++j) {
    // Started from the first product, not from 0.0, so that a sum of
    // negative zeros (the Saw's end points) stays a negative zero.
    double sum = static_cast<double>(a[0]) * sine[j % 512];
    block[j] = static_cast<float>(sum);
    for (int k = 2; k <= kTables; ++k) {
      sum += static_cast<double>(a[k - 1]) * sine[(k * j) % 512];
      block[size_t(k - 1) * kStride + j] = static_cast<float>(sum);
    }
  }
  return block;
}

struct Tables {
  std::vector<float> sine = std::vector<float>(kStride, 0.0f);
  std::vector<std::vector<float>> blocks; // blocks[n - 1]
  double sums[kBlocks] = {};              // normalisation sum S of each block
};

inline Tables Build() {
  Tables t;
  std::copy(std::begin(wavetable::kSinePoints), std::end(wavetable::kSinePoints), t.sine.begin());
  for (int n = 1; n <= kBlocks; ++n) {
    std::array<float, kTables> a = RawAmplitudes(n);
    t.sums[n - 1] = Normalise(a);
    t.blocks.push_back(BuildBlock(a, t.sine));
  }
  return t;
}

} // namespace wtref

#endif // WAVETABLE_REFERENCE_TABLES_H
