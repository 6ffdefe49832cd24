// The two-samples-at-a-time reads give the bits of the one-at-a-time helpers,
// over ordinary, boundary and hostile values (the golden outputs cover only
// what whole patches reach).
#include "pitch_conversion.h"
#include "pitch_conversion_pair.h"
#include "read_kernels.h"
#include "table_read.h"
#include "table_read_pair.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#if defined(OSC_PAIR_MATH)

namespace {

using osc::kCyclePoints;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Values around integers, zero, the clamp limits and beyond, plus random ones
// at `scale`.
std::vector<double> Values(double scale, int randomCount) {
  std::vector<double> v = {0.0,    -0.0,     kNaN,      kInf, -kInf, 1e300,
                           -1e300, 4.9e-324, -4.9e-324, 1e10, -1e10};
  for (double edge : {1.0, 255.0, 256.0, 511.0, 512.0, 7680.0, 7935.0, 1073741824.0}) {
    for (double e : {edge, -edge}) {
      v.push_back(e);
      v.push_back(std::nextafter(e, kInf));
      v.push_back(std::nextafter(e, -kInf));
    }
  }
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-scale, scale);
  for (int i = 0; i < randomCount; ++i) {
    const double x = u(rng);
    v.push_back(x);
    v.push_back(static_cast<float>(x)); // float-valued, as pitch and width samples are
  }
  return v;
}

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
uint32_t Bits(float x) { return std::bit_cast<uint32_t>(x); }

std::vector<float> RandomTable() {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> table(osc::kTableStride);
  for (float &x : table)
    x = u(rng);
  table[kCyclePoints] = table[0];
  return table;
}

TEST(OscillatorPairRead, LerpPairMatchesLerp) {
  const std::vector<float> table = RandomTable();
  osc::WideTable wide;
  osc::Widen(table.data(), wide);
  for (double scale : {1.0, 600.0, 3e9}) {
    const std::vector<double> t = Values(scale, 50000);
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      const __m128d pair = _mm_set_pd(t[i + 1], t[i]);
      float got[4], gotWide[4];
      _mm_storeu_ps(got, osc::LerpPair(table.data(), pair));
      _mm_storeu_ps(gotWide, osc::LerpPair(wide, pair));
      for (int lane = 0; lane < 2; ++lane) {
        const uint32_t expected = Bits(osc::Lerp(table.data(), t[i + lane]));
        ASSERT_EQ(Bits(got[lane]), expected) << t[i + lane];
        ASSERT_EQ(Bits(gotWide[lane]), expected) << t[i + lane];
      }
    }
  }
}

TEST(OscillatorPairRead, OctStepPairMatchesOctStep) {
  osc::RateTables tables{};
  for (float rate : {44100.0f, 8000.0f, 384000.0f}) {
    osc::BuildPitchTables(tables, rate);
    for (double scale : {0.5, 4.0}) {
      const std::vector<double> s = Values(scale, 50000);
      for (size_t i = 0; i + 1 < s.size(); ++i) {
        double got[2];
        _mm_storeu_pd(got, osc::OctStepDownPair(tables, _mm_set_pd(s[i + 1], s[i])));
        using osc::OctRounding;
        ASSERT_EQ(Bits(got[0]), Bits(osc::OctStep<OctRounding::Down>(tables, s[i]))) << s[i];
        ASSERT_EQ(Bits(got[1]), Bits(osc::OctStep<OctRounding::Down>(tables, s[i + 1])))
            << s[i + 1];
      }
    }
  }
}

// Whole loops, odd lengths included: the phase runs one step at a time in
// both forms, so every sample and the phase answered agree.
TEST(OscillatorPairRead, KernelsMatchOneAtATimeReads) {
  const std::vector<float> table = RandomTable();
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1.5f, 1.5f);
  for (int32_t count : {1, 2, 3, 37, 1024}) {
    std::vector<float> steps(count), width(count), out(count), pulse(count);
    for (int32_t j = 0; j < count; ++j) {
      steps[j] = u(rng);
      width[j] = j % 7 == 3 ? 1e30f : u(rng);
    }
    const double start = 0.3;
    const osc::StepArray s{steps.data()};
    double x = start, y = start * kCyclePoints, expected = 0.0;
    const double got = osc::ReadPlainModulated(table.data(), out.data(), width.data(), count, x, s);
    const double gotPulse = osc::ReadPulse(table.data(), pulse.data(), width.data(), count, y, s);
    for (int32_t j = 0; j < count; ++j) {
      ASSERT_EQ(Bits(out[j]), Bits(osc::Lerp(table.data(), (width[j] + x) * kCyclePoints)));
      const float p = osc::Lerp(table.data(), width[j] * static_cast<double>(kCyclePoints) + y) -
                      osc::Lerp(table.data(), y);
      ASSERT_EQ(Bits(pulse[j]), Bits(p));
      x += steps[j];
      y += steps[j];
    }
    expected = x - std::floor(x);
    EXPECT_EQ(Bits(got), Bits(expected));
    const double cycles = y / kCyclePoints;
    EXPECT_EQ(Bits(gotPulse), Bits(cycles - std::floor(cycles)));
  }
}

} // namespace

#endif // OSC_PAIR_MATH
