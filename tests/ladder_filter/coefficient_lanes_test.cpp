// The coefficient update of four voices at once gives every lane the bits of
// the one-voice update, for every row, over ordinary, boundary and hostile
// pitch, resonance, zing and rate values: with its doubles in SSE2 pairs, and
// in AVX registers where the build and the processor have them.
#include "coefficient_lanes.h"
#include "combination_table.h"
#include "cutoff.h"
#include "ladder_filter/filter_voice.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<float> Values(std::vector<float> edges, float lo, float hi, int randomCount) {
  std::vector<float> v = {0.0f, -0.0f, kNaN, kInf, -kInf, 1e30f, -1e30f, 1e-40f};
  for (float e : edges)
    for (float x : {e, -e}) {
      v.push_back(x);
      v.push_back(std::nextafter(x, kInf));
      v.push_back(std::nextafter(x, -kInf));
    }
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(lo, hi);
  for (int i = 0; i < randomCount; ++i)
    v.push_back(u(rng));
  return v;
}

bool SameBits(const ladder::Coefficients &a, const ladder::Coefficients &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(CoefficientLanes, EveryLaneHasTheBitsOfTheOneVoiceUpdate) {
  // Pitch samples around the bounds of every row (after its offset), the
  // gain index around its clamps, resonance around 0 and large.
  const auto pitch = Values({0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.171f, 0.164f, 1.01f, 1.06f, 1.05f,
                             0.96f, 1.11f, 0.5f, 1.0f, 20.0f},
                            -0.5f, 1.5f, 3000);
  const auto resonance = Values({0.5f, 1.0f, 10.0f, 1e6f}, -2.0f, 3.0f, 500);
  const auto zing = Values({1.0f, 0.1f, 5.0f, 1.3f, 1.2f}, -20.0f, 20.0f, 500);
  const float rates[] = {
      2.0f / 44100.0f, 2.0f / 48000.0f, 2.0f / 8000.0f, 2.0f / 384000.0f, 0.0f, kNaN};
  std::mt19937 rng(5);
  for (int e = 0; e < ladder::kRoutineCount; ++e) {
    const ladder::CombinationRow &row = ladder::kCombinations[e];
    for (size_t i = 0; i < pitch.size(); i += 8) {
      // Batches of one to eight groups.
      const int groups = 1 + static_cast<int>(i / 8 % 8);
      ladder::CoefficientLanes jobs[8];
      float z[4], two[4];
      for (int l = 0; l < 4; ++l) {
        z[l] = zing[rng() % zing.size()];
        two[l] = rates[rng() % std::size(rates)];
        for (int g = 0; g < groups; ++g) {
          jobs[g].pitch[l] = pitch[(i + g + 977 * l) % pitch.size()];
          jobs[g].resonance[l] = resonance[rng() % resonance.size()];
        }
      }
      ladder::Coefficients lanes[8][4], narrow[8][4];
      ladder::UpdateCoefficientLanes(jobs, groups, z, two, row, lanes);
      ladder::AllowAvxLanes(false);
      ladder::UpdateCoefficientLanes(jobs, groups, z, two, row, narrow);
      ladder::AllowAvxLanes(true);
      for (int g = 0; g < groups; ++g)
        for (int l = 0; l < 4; ++l) {
          ladder::Coefficients want;
          want.Update(jobs[g].pitch[l], jobs[g].resonance[l], z[l], two[l], row);
          ASSERT_TRUE(SameBits(narrow[g][l], want)) << "row " << e << " lane " << l;
          ASSERT_TRUE(SameBits(lanes[g][l], want))
              << "row " << e << " lane " << l << " pitch " << jobs[g].pitch[l] << " resonance "
              << jobs[g].resonance[l] << " zing " << z[l] << " 2/rate " << two[l] << ": pole "
              << lanes[g][l].pole << " / " << want.pole << ", gain " << lanes[g][l].resonanceGain
              << " / " << want.resonanceGain;
        }
    }
  }
}

} // namespace
