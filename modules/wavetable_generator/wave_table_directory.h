// The directory through which oscillators reach the tables: one pointer per
// Waveform value below kDirectoryEntries (waveforms.h). The link pin carries
// the address of entry 0.
#ifndef WAVETABLE_DIRECTORY_H
#define WAVETABLE_DIRECTORY_H

#include "table_layout.h"

namespace wavetable {

struct WaveTableDirectory {
  float *entries[kDirectoryEntries];
};

static_assert(sizeof(WaveTableDirectory) == kDirectoryEntries * sizeof(float *), "no padding");

// The library's one directory, with the entries of the table waveforms
// pointing at the tables of the library's store: the sine entry at the sine
// table, the entry of each block and of its pulse form at the block. Every
// other entry (noise among them) stays null.
//
// The entries are written by the first call in the process and never again:
// their values never change, and rewriting them while oscillators on other
// threads read them would be a data race. A call that overlaps the first
// waits until the entries are written.
WaveTableDirectory &PublishedDirectory();

} // namespace wavetable

#endif // WAVETABLE_DIRECTORY_H
