// The oscillator's Waveform values, all derived from the spectrum registry:
// 0 the sine table, 1 ... kWaveBlocks the blocks in registry order, then the
// pulse forms of the same blocks in the same order, and 255 noise. The value
// is also the directory entry the oscillator reads.
#ifndef WAVETABLE_CONTRACT_WAVEFORMS_H
#define WAVETABLE_CONTRACT_WAVEFORMS_H

#include "spectra.h"
#include "table_layout.h"

#include <cstdint>

namespace wavetable {

constexpr uint16_t kSineWaveform = 0;
constexpr uint16_t kFirstBlockWaveform = 1;
constexpr uint16_t kFirstPulseWaveform = kFirstBlockWaveform + kWaveBlocks;
constexpr uint16_t kLastPulseWaveform = kFirstPulseWaveform + kWaveBlocks - 1;
constexpr uint16_t kNoiseWaveform = 255;

// The item texts that are not spectrum names.
constexpr const char *kSineName = "Sine";
constexpr const char *kPulsePrefix = "Pulse:";
constexpr const char *kNoiseName = "Noise";

static_assert(kLastPulseWaveform < kNoiseWaveform, "every table waveform lies below noise");
static_assert(kNoiseWaveform < kDirectoryEntries, "noise has a (null) directory entry");

constexpr bool IsPulseWaveform(uint16_t waveform) {
  return waveform >= kFirstPulseWaveform && waveform <= kLastPulseWaveform;
}

// The directory entries of waveform block n (1 ... kWaveBlocks).
constexpr uint16_t BlockWaveform(int n) {
  return static_cast<uint16_t>(kFirstBlockWaveform - 1 + n);
}
constexpr uint16_t PulseWaveform(int n) {
  return static_cast<uint16_t>(kFirstPulseWaveform - 1 + n);
}

} // namespace wavetable

#endif // WAVETABLE_CONTRACT_WAVEFORMS_H
