// The process-wide store of every table the oscillators play, and its
// additive build.
//
// The store is one block of zeroed memory (store_memory.h), taken at first use,
// written once by the build and only read afterwards. The build routines also work on any other
// store (a benchmark builds into a scratch copy).
#ifndef WAVETABLE_STORE_H
#define WAVETABLE_STORE_H

#include "wave_table_layout.h"

namespace wavetable {

struct WaveTableStore {
  float floats[kStoreFloats];

  float *Sine() { return floats; }
  // Waveform block n (1 ... 10): 256 tables, table t holding harmonics 1 ... t+1.
  float *Block(int n) { return floats + kTableStride + static_cast<size_t>(n - 1) * kBlockFloats; }
};

static_assert(sizeof(WaveTableStore) == kStoreFloats * sizeof(float), "no padding");

// The library's one store.
WaveTableStore &ProcessStore();

// Writes points 0 ... 512 of the sine table: 0.5 * sin(2 pi j / 512), copied
// from the constant table of sine_points.h (the same bits on every build).
void buildSineTable(float *sine);

// Replaces the raw amplitudes a_1 ... a_256 by a_k / S, S = sum of |a_k| / k.
void normaliseAmplitudes(float *amps);

// Normalises the raw amplitudes in place, then writes points 0 ... 512 of the
// block's 256 tables from the (already built) sine table.
void buildWaveBlock(float *amps, const float *sine, float *block);

// The whole build into `store`: sine table, then blocks 1 ... 10 in order,
// using `amps` (256 floats) as the amplitude scratch.
void buildStore(WaveTableStore &store, float *amps);

// Builds the library's store the first time it is called in the process, with
// `amps` as scratch. A call that overlaps the first build waits until it is
// complete; every later call returns at once.
void buildWaveTables(float *amps);

} // namespace wavetable

#endif // WAVETABLE_STORE_H
