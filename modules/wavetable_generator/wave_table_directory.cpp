#include "wave_table_directory.h"

#include "waveforms.h"
#include "wavetable_generator/wave_table_store.h"

namespace wavetable {

namespace {

WaveTableDirectory g_directory; // all null at load (static storage)

void PublishTables(WaveTableDirectory &directory, WaveTableStore &store) {
  directory.entries[kSineWaveform] = store.Sine();
  for (int n = 1; n <= kWaveBlocks; ++n) {
    directory.entries[BlockWaveform(n)] = store.Block(n);
    directory.entries[PulseWaveform(n)] = store.Block(n);
  }
}

} // namespace

WaveTableDirectory &PublishedDirectory() {
  static const bool published = (PublishTables(g_directory, ProcessStore()), true);
  (void)published;
  return g_directory;
}

} // namespace wavetable
