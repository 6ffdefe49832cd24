// The directory through which oscillators reach the tables: 256 pointers,
// indexed by the oscillator's Waveform value. The link pin carries the address
// of entry 0.
#ifndef WAVETABLE_DIRECTORY_H
#define WAVETABLE_DIRECTORY_H

#include "wave_table_store.h"

namespace wavetable {

constexpr int kDirectoryEntries = 256;
constexpr int kPulseEntries = 11; // entries 11 ... 20 repeat entries 1 ... 10

struct WaveTableDirectory {
  float *entries[kDirectoryEntries];
};

static_assert(sizeof(WaveTableDirectory) == kDirectoryEntries * sizeof(float *), "no padding");

// The library's one directory; null entries until the first publish.
WaveTableDirectory &ProcessDirectory();

// Points entries 0 ... 20 at the store's tables: 0 the sine table, 1 ... 10 the
// waveform blocks, 11 ... 20 the same blocks again. Entries 21 ... 255 are
// never written.
void publishTables(WaveTableDirectory &directory, WaveTableStore &store);

} // namespace wavetable

#endif // WAVETABLE_DIRECTORY_H
