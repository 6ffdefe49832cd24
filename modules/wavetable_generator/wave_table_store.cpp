#include "wave_table_store.h"

#include "spectra.h"

#include <cmath>

namespace wavetable {

namespace {

constexpr int kPhaseMask = kCyclePoints - 1;
constexpr double kTwoPi = 6.283185307179586476925286766559;

alignas(64) WaveTableStore g_store; // zero at load (static storage)

// Points j0 ... j0+L-1 of all 256 tables of a block. Each point keeps its own
// running sum in double, carried unrounded from harmonic to harmonic; only the
// copy stored in each table is rounded to float. Working on L neighbouring
// points at once gives L independent sums, so the additions of one point do
// not wait for each other, and each table gets L neighbouring floats at once.
template <int L> void buildPoints(const float *amps, const float *sine, float *block, int j0) {
  double sum[L];
  int phase[L];
  for (int l = 0; l < L; ++l) {
    phase[l] = (j0 + l) & kPhaseMask;
    sum[l] = static_cast<double>(amps[0]) * static_cast<double>(sine[phase[l]]);
    block[j0 + l] = static_cast<float>(sum[l]);
  }
  for (int k = 1; k < kHarmonics; ++k) {
    const double a = amps[k];
    float *table = block + static_cast<size_t>(k) * kTableStride + j0;
    for (int l = 0; l < L; ++l) {
      // phase = (k+1) * j mod 512: advance by j and wrap.
      phase[l] = (phase[l] + j0 + l) & kPhaseMask;
      sum[l] += a * static_cast<double>(sine[phase[l]]);
      table[l] = static_cast<float>(sum[l]);
    }
  }
}

constexpr int kLanes = 8;
static_assert(kCyclePoints % kLanes == 0, "lanes split the cycle evenly");

} // namespace

WaveTableStore &ProcessStore() { return g_store; }

void buildSineTable(float *sine) {
  for (int i = 0; i < kTablePoints; ++i)
    sine[i] = static_cast<float>(0.5 * std::sin(i * (1.0 / kCyclePoints) * kTwoPi));
}

void normaliseAmplitudes(float *amps) {
  double s = 0.0;
  for (int k = 1; k <= kHarmonics; ++k)
    s += std::fabs(static_cast<double>(amps[k - 1])) / k;
  const double r = 1.0 / s;
  for (int k = 0; k < kHarmonics; ++k)
    amps[k] = static_cast<float>(static_cast<double>(amps[k]) * r);
}

void buildWaveBlock(float *amps, const float *sine, float *block) {
  normaliseAmplitudes(amps);
  for (int j0 = 0; j0 < kCyclePoints; j0 += kLanes)
    buildPoints<kLanes>(amps, sine, block, j0);
  buildPoints<1>(amps, sine, block, kCyclePoints); // point 512 closes the cycle
}

void buildStore(WaveTableStore &store, float *amps) {
  buildSineTable(store.Sine());
  for (int n = 1; n <= kWaveBlocks; ++n) {
    FillSpectrum(kSpectra[n - 1], amps);
    buildWaveBlock(amps, store.Sine(), store.Block(n));
  }
}

void buildWaveTables(float *amps) {
  // A function-local static is initialised exactly once; a call that arrives
  // while the first is still building waits for it to finish.
  static const bool built = (buildStore(g_store, amps), true);
  (void)built;
}

} // namespace wavetable
