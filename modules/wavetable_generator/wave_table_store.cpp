#include "wavetable_generator/wave_table_store.h"

#include "fill_spectrum.h"
#include "ieee_rounding.h" // the sums round as doubles on every build
#include "store_memory.h"
#include "wavetable_generator/sine_points.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace wavetable {

namespace {

constexpr int kPhaseMask = kCyclePoints - 1;

// Groups of neighbouring points, added as one vector. Where the target has no
// vector unit the compiler splits them into scalar operations; the arithmetic,
// and so every stored bit, is the same either way.
constexpr int kLanes = 2;
using Doubles = double __attribute__((vector_size(kLanes * sizeof(double))));
using Floats = float __attribute__((vector_size(kLanes * sizeof(float))));
constexpr int kGroups = kCyclePoints / kLanes;
static_assert(kCyclePoints % kLanes == 0, "groups split the cycle evenly");

// sine[(k * j) mod 512] for the kLanes points from j on, widened to double.
// (Written through a reference: a vector return value would tie the function
// to the vector registers of one instruction set.)
template <int... L>
inline void GatherHarmonic(Doubles &out, const double *sine, int k, int j,
                           std::integer_sequence<int, L...>) {
  const int phase = k * j;
  out = Doubles{sine[(phase + L * k) & kPhaseMask]...};
}

// Adds harmonic k (amplitude a) to the running sums of points 0 ... 511 and
// stores their rounded copies as points 0 ... 511 of `table`.
template <bool kFirst>
void AddHarmonic(Doubles *sum, const double *wide_sine, int k, double a, float *table) {
  constexpr auto lanes = std::make_integer_sequence<int, kLanes>{};
  for (int g = 0; g < kGroups; ++g) {
    Doubles term;
    GatherHarmonic(term, wide_sine, k, g * kLanes, lanes);
    term *= a;
    if constexpr (kFirst)
      sum[g] = term;
    else
      sum[g] += term;
    const Floats stored = __builtin_convertvector(sum[g], Floats);
    std::memcpy(table + g * kLanes, &stored, sizeof stored);
  }
}

// Harmonic by harmonic: table k-1 is the sum of harmonics 1 ... k at all 513
// points, so every point keeps its own running sum (in double, carried
// unrounded from table to table) and only the stored copy is rounded to
// float. Each table is written front to back, one after the other, and the
// points of one harmonic are independent of each other, so they are added
// kLanes at a time. No sine is evaluated: each harmonic's phase is an index
// into the sine table.
void AddHarmonics(const float *amps, const float *sine, float *block) {
  double wide_sine[kCyclePoints]; // float to double is exact
  for (int i = 0; i < kCyclePoints; ++i)
    wide_sine[i] = sine[i];

  // A silent harmonic (amplitude +0 or -0) adds a zero to every sum. That
  // leaves a sum as it is unless the sum is -0 and the zero is +0. With a
  // non-zero first amplitude, every point but 0 and 512 starts from a non-zero
  // term (sine[j] is 0 only at j = 0), and a sum that is not -0 never becomes
  // -0; points 0 and 512 (phase 0 at every harmonic) hold the sum of the
  // amplitudes times sine[0] = +0, whose zero term has the amplitude's sign.
  // So a silent harmonic changes nothing, and its table is a copy of the one
  // before, unless it is +0 while the sum at point 0 is -0.
  const bool may_copy = amps[0] != 0.0f;

  Doubles sum[kGroups];
  double end_sum = 0.0; // the sum at points 0 and 512: every phase there is 0
  for (int k = 1; k <= kMaxHarmonics; ++k) {
    const double a = amps[k - 1];
    float *table = block + static_cast<size_t>(k - 1) * kTableStride;
    if (k == 1) {
      AddHarmonic<true>(sum, wide_sine, k, a, table);
      end_sum = a * wide_sine[0];
    } else if (may_copy && a == 0.0 && (std::signbit(a) || !std::signbit(end_sum))) {
      std::memcpy(table, table - kTableStride, kStoredPoints * sizeof(float));
      continue;
    } else {
      AddHarmonic<false>(sum, wide_sine, k, a, table);
      end_sum += a * wide_sine[0];
    }
    table[kCyclePoints] = static_cast<float>(end_sum);
  }
}

} // namespace

WaveTableStore &ProcessStore() {
  static WaveTableStore *const store = AllocateStore(); // once, whichever thread comes first
  return *store;
}

static_assert(sizeof kSinePoints == kStoredPoints * sizeof(float), "one value per point");

void BuildSineTable(float *sine) { std::memcpy(sine, kSinePoints, sizeof kSinePoints); }

void NormaliseAmplitudes(float *amps) {
  double s = 0.0;
  for (int k = 1; k <= kMaxHarmonics; ++k)
    s += std::fabs(static_cast<double>(amps[k - 1])) / k;
  const double r = 1.0 / s;
  for (int k = 0; k < kMaxHarmonics; ++k)
    amps[k] = static_cast<float>(static_cast<double>(amps[k]) * r);
}

void BuildWaveBlock(float *amps, const float *sine, float *block) {
  NormaliseAmplitudes(amps);
  AddHarmonics(amps, sine, block);
}

void BuildStore(WaveTableStore &store, float *amps) {
  BuildSineTable(store.Sine());
  for (int n = 1; n <= kWaveBlocks; ++n) {
    FillSpectrum(kSpectra[n - 1], amps);
    BuildWaveBlock(amps, store.Sine(), store.Block(n));
  }
}

void BuildWaveTables(float *amps) {
  // A function-local static is initialised exactly once; a call that arrives
  // while the first is still building waits for it to finish.
  static const bool built = (BuildStore(ProcessStore(), amps), true);
  (void)built;
}

} // namespace wavetable
