// The block build on spectra other than the ten the generator uses, so that
// every path of the additive loop (silent harmonics of either sign, negative
// and zero first amplitudes) is held to the plain point-by-point build.
#include "fill_spectrum.h"
#include "reference_tables.h"
#include "wavetable_generator/wave_table_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Spectrum = std::array<float, wtref::kTables>;

Spectrum Make(float first, float silent, float rest_sign) {
  Spectrum a{};
  a[0] = first;
  for (int k = 2; k <= wtref::kTables; ++k)
    a[k - 1] = k % 3 == 0 ? rest_sign / static_cast<float>(k) : silent;
  return a;
}

TEST(WaveBlockBuild, AnySpectrumMatchesThePlainBuildBitForBit) {
  const wtref::Tables ref = wtref::Build();
  struct Case {
    const char *what;
    Spectrum raw;
  };
  Spectrum one_high{};
  one_high[200] = 1.0f;
  const Case cases[] = {
      // -0 sums at the cycle ends, then +0 added: the ends turn +0.
      {"negative first, +0 silences", Make(-1.0f, 0.0f, -1.0f)},
      {"negative first, -0 silences", Make(-1.0f, -0.0f, -1.0f)},
      {"negative first, mixed signs", Make(-1.0f, 0.0f, 1.0f)},
      {"positive first, -0 silences", Make(1.0f, -0.0f, -1.0f)},
      {"silent fundamental", Make(0.0f, 0.0f, 1.0f)},
      {"negative-zero fundamental", Make(-0.0f, 0.0f, -1.0f)},
      {"one high harmonic", one_high},
  };
  std::vector<float> block(wtref::kBlockFloats, 0.0f);
  for (const Case &c : cases) {
    Spectrum expected_amps = c.raw;
    wtref::Normalise(expected_amps);
    const std::vector<float> expected = wtref::BuildBlock(expected_amps, ref.sine);

    Spectrum amps = c.raw;
    std::fill(block.begin(), block.end(), 0.0f);
    wavetable::BuildWaveBlock(amps.data(), ref.sine.data(), block.data());
    EXPECT_EQ(std::memcmp(amps.data(), expected_amps.data(), sizeof amps), 0)
        << c.what << ": normalised amplitudes";
    long first_difference = -1;
    for (size_t i = 0; i < block.size() && first_difference < 0; ++i)
      if (std::memcmp(&block[i], &expected[i], sizeof(float)) != 0)
        first_difference = static_cast<long>(i);
    EXPECT_EQ(first_difference, -1) << c.what;
  }
}

// The registry decides which blocks the store holds; the plain build must
// know every one of them, amplitude for amplitude, or a row added to the
// registry would go unchecked by the store comparisons.
TEST(WaveBlockBuild, EveryRegisteredSpectrumHasItsPlainAmplitudes) {
  ASSERT_EQ(wavetable::kWaveBlocks, wtref::kBlocks);
  for (int n = 1; n <= wavetable::kWaveBlocks; ++n) {
    Spectrum amps{};
    wavetable::FillSpectrum(wavetable::kSpectra[n - 1], amps.data());
    const Spectrum expected = wtref::RawAmplitudes(n);
    EXPECT_EQ(std::memcmp(amps.data(), expected.data(), sizeof amps), 0)
        << wavetable::kSpectra[n - 1].name;
  }
}

} // namespace
