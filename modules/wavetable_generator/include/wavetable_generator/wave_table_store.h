// The process-wide store of every table the oscillators play, and its
// additive build.
//
// The store is one block of zeroed memory (store_memory.h), taken at first use,
// written once by the build and only read afterwards. The build routines also work on any other
// store (a benchmark builds into a scratch copy).
#ifndef WAVETABLE_STORE_H
#define WAVETABLE_STORE_H

#include "spectra.h"
#include "table_layout.h"

#include <cstddef>

namespace wavetable {

// One sine table, then one block of kMaxHarmonics tables per registered
// spectrum. Every table is kTableStride floats; points 0 ... kCyclePoints are
// written and the spare slots after them stay 0.0.
constexpr size_t kStoreFloats = kTableStride + kWaveBlocks * kBlockFloats;

struct WaveTableStore {
  float floats[kStoreFloats];

  float *Sine() { return floats; }
  // Waveform block n (1 ... kWaveBlocks): table t holds harmonics 1 ... t+1.
  float *Block(int n) { return floats + kTableStride + static_cast<size_t>(n - 1) * kBlockFloats; }
};

static_assert(sizeof(WaveTableStore) == kStoreFloats * sizeof(float), "no padding");

// The library's one store.
WaveTableStore &ProcessStore();

// Writes points 0 ... 512 of the sine table: 0.5 * sin(2 pi j / 512), copied
// from the constant table of sine_points.h (the same bits on every build).
void BuildSineTable(float *sine);

// Replaces the raw amplitudes a_1 ... a_256 by a_k / S, S = sum of |a_k| / k.
void NormaliseAmplitudes(float *amps);

// Normalises the raw amplitudes in place, then writes points 0 ... 512 of the
// block's 256 tables from the (already built) sine table.
void BuildWaveBlock(float *amps, const float *sine, float *block);

// The whole build into `store`: sine table, then the blocks in registry order,
// using `amps` (256 floats) as the amplitude scratch.
void BuildStore(WaveTableStore &store, float *amps);

// Builds the library's store the first time it is called in the process, with
// `amps` as scratch. A call that overlaps the first build waits until it is
// complete; every later call returns at once.
void BuildWaveTables(float *amps);

} // namespace wavetable

#endif // WAVETABLE_STORE_H
