#include "wave_table_directory.h"

namespace wavetable {

namespace {

WaveTableDirectory g_directory; // all null at load (static storage)

void publishTables(WaveTableDirectory &directory, WaveTableStore &store) {
  directory.entries[0] = store.Sine();
  for (int n = 1; n <= kWaveBlocks; ++n) {
    directory.entries[n] = store.Block(n);
    directory.entries[kFirstPulseEntry - 1 + n] = store.Block(n);
  }
}

} // namespace

WaveTableDirectory &publishedDirectory() {
  static const bool published = (publishTables(g_directory, ProcessStore()), true);
  (void)published;
  return g_directory;
}

} // namespace wavetable
