// The spectra behind the plots, against signals whose spectrum is known.
#include "spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace sehost {
namespace {

TEST(Spectrum, FftMatchesTheDefinition) {
  // A short signal against the DFT sum written out.
  const std::vector<double> x = {0.5, -1.0, 0.25, 2.0, 0.0, -0.75, 1.5, 0.125};
  std::vector<std::complex<double>> a(x.begin(), x.end());
  Fft(a);
  for (size_t k = 0; k < x.size(); ++k) {
    std::complex<double> sum = 0.0;
    for (size_t j = 0; j < x.size(); ++j)
      sum += x[j] * std::polar(1.0, -2.0 * std::numbers::pi * k * j / x.size());
    EXPECT_NEAR(a[k].real(), sum.real(), 1e-12) << k;
    EXPECT_NEAR(a[k].imag(), sum.imag(), 1e-12) << k;
  }
  EXPECT_EQ(FloorPowerOfTwo(1000), 512u);
  EXPECT_EQ(FloorPowerOfTwo(1024), 1024u);
  EXPECT_EQ(FloorPowerOfTwo(0), 1u);
}

TEST(Spectrum, AFullScaleSineReadsZeroDecibelsAtItsBin) {
  // Bin 64 of a 1024-point frame; amplitude 0.5 reads -6.02 dB.
  std::vector<float> sine(8192);
  for (size_t i = 0; i < sine.size(); ++i)
    sine[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 64.0 * i / 1024.0));
  const auto db = AverageSpectrumDb(sine, 1024);
  ASSERT_EQ(db.size(), 513u);
  EXPECT_NEAR(db[64], 20.0 * std::log10(0.5), 0.01);
  // Hann leaks into the two neighbours only (-6 dB below the peak each).
  EXPECT_NEAR(db[63], db[64] - 6.02, 0.05);
  EXPECT_LT(db[60], -100.0);
  EXPECT_LT(db[300], -100.0);
  // The spectrogram sees the same peak in every column.
  const auto grid = SpectrogramDb(sine, 1024, 2048);
  ASSERT_EQ(grid.size(), 4u);
  // Columns that lie wholly inside the signal (the last ones run past its end).
  EXPECT_NEAR(grid[0][64], db[64], 0.01);
  EXPECT_NEAR(grid[2][64], db[64], 0.01);
}

} // namespace
} // namespace sehost
