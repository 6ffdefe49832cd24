// The ladder's sample steps on four lanes give every lane the bits of the
// one-voice ladder where the voice machinery seldom goes: signals and
// feedback in and near the subnormal range, where the lanes' first stage
// (which halves the input with its pole) and the one-voice ladder's (which
// halves the input first) round differently, mixed in one register with
// ordinary and non-finite lanes. The output is read at gain 1.
#include "combination_table.h"
#include "ladder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

namespace {

template <class W, class S, int E> void ExpectLanesAsOneVoice(const char *what) {
  constexpr int kLanes = 4;
  ladder::LadderState lanes[kLanes], alone[kLanes];
  const float poles[kLanes] = {0.3f, 0.9f, -0.2f, 0.6f};
  for (int l = 0; l < kLanes; ++l) {
    ladder::Coefficients &c = lanes[l].coefficients;
    c.pole = poles[l];
    c.poleA = poles[l] * 0.994375f;
    c.poleB = poles[l] * 1.000625f;
    c.poleC = poles[l] * 1.0038f;
    c.resonanceGain = 0.2f * static_cast<float>(l + 1);
    alone[l] = lanes[l];
  }
  const ladder::LadderState *group[kLanes] = {&lanes[0], &lanes[1], &lanes[2], &lanes[3]};
  typename ladder::Ladder<E, W>::Loaded loads;
  ladder::Ladder<E, W>::LoadCoefficients(group, loads);
  ladder::Ladder<E, W> inLanes(group, loads);
  const auto mix = ladder::OutputMixFor<W>(1.0f, 0);
  const auto mixOne = ladder::OutputMixFor<S>(1.0f, 0);
  std::mt19937 rng(5);
  std::uniform_int_distribution<uint32_t> mantissa(0, (1u << 23) - 1);
  std::vector<ladder::Ladder<E, S>> one;
  for (int l = 0; l < kLanes; ++l) {
    const ladder::LadderState *single[] = {&alone[l]};
    one.emplace_back(single);
  }
  for (int i = 0; i < 3000; ++i) {
    S x[kLanes];
    for (int l = 0; l < kLanes; ++l) {
      // Subnormal and smallest-normal inputs with odd last bits, bursts of
      // ordinary signal that decay into them, and now and then NaN.
      const uint32_t bits = mantissa(rng) | (i % 3 == 0 ? 1u << 23 : 0u) | (rng() & 1u) << 31;
      const float tiny = std::bit_cast<float>(bits | 1u);
      x[l] = (i + 97 * l) % 500 < 8 ? S(0.5f) : (i + 31 * l) % 7 == 0 ? S(0) : S(tiny);
      if (l == 2 && i == 1700)
        x[l] = std::numeric_limits<S>::quiet_NaN();
    }
    S got[kLanes];
    se_lanes::LaneTraits<W>::Store(
        inLanes.Sample(se_lanes::LaneTraits<W>::FromScalars(x), W(1), mix), got);
    for (int l = 0; l < kLanes; ++l) {
      const S want = one[static_cast<size_t>(l)].Sample(x[l], S(1), mixOne);
      using Bits = std::conditional_t<sizeof(S) == 4, uint32_t, uint64_t>;
      if (std::bit_cast<Bits>(got[l]) != std::bit_cast<Bits>(want)) {
        ADD_FAILURE() << what << ": lane " << l << " sample " << i << ": " << got[l] << " against "
                      << want;
        return;
      }
    }
  }
}

TEST(LadderLanes, FaintSignalsHaveTheBitsOfOneVoice) {
  // Two to five stages, with and without clips and shaped feedback, in
  // both working types.
  ExpectLanesAsOneVoice<se_lanes::F32x4, float, 0>("row 0, float");
  ExpectLanesAsOneVoice<se_lanes::F32x4, float, 21>("row 21, float");
  ExpectLanesAsOneVoice<se_lanes::F32x4, float, 30>("row 30, float");
  ExpectLanesAsOneVoice<se_lanes::F32x4, float, 31>("row 31, float");
  ExpectLanesAsOneVoice<se_lanes::F32x4, float, 33>("row 33 (X), float");
  ExpectLanesAsOneVoice<se_lanes::F64x4, double, 21>("row 21, double");
  ExpectLanesAsOneVoice<se_lanes::F64x4, double, 30>("row 30, double");
}

} // namespace
