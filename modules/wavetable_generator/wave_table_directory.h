// The directory through which oscillators reach the tables: 256 pointers,
// indexed by the oscillator's Waveform value. The link pin carries the address
// of entry 0.
#ifndef WAVETABLE_DIRECTORY_H
#define WAVETABLE_DIRECTORY_H

#include "wave_table_store.h"

namespace wavetable {

constexpr int kDirectoryEntries = 256;
constexpr int kFirstPulseEntry = 11; // entries 11 ... 20 repeat entries 1 ... 10

struct WaveTableDirectory {
  float *entries[kDirectoryEntries];
};

static_assert(sizeof(WaveTableDirectory) == kDirectoryEntries * sizeof(float *), "no padding");

// The library's one directory, with entries 0 ... 20 pointing at the tables
// of the library's store: 0 the sine table, 1 ... 10 the waveform blocks,
// 11 ... 20 the same blocks again. Entries 21 ... 255 stay null.
//
// The entries are written by the first call in the process and never again:
// their values never change, and rewriting them while oscillators on other
// threads read them would be a data race. A call that overlaps the first
// waits until the entries are written.
WaveTableDirectory &publishedDirectory();

} // namespace wavetable

#endif // WAVETABLE_DIRECTORY_H
