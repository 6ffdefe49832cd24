#include "wave_table_directory.h"

namespace wavetable {

namespace {
WaveTableDirectory g_directory; // all null at load (static storage)
} // namespace

WaveTableDirectory &ProcessDirectory() { return g_directory; }

void publishTables(WaveTableDirectory &directory, WaveTableStore &store) {
  directory.entries[0] = store.Sine();
  for (int n = 1; n <= kWaveBlocks; ++n) {
    directory.entries[n] = store.Block(n);
    directory.entries[kPulseEntries - 1 + n] = store.Block(n);
  }
}

} // namespace wavetable
