// The registry of waveform spectra: one row per waveform block, in block
// order. It alone decides which table waveforms exist and what they are
// called; the generator builds one block per row and the oscillator's
// Waveform list and table lookup follow from it (waveforms.h). Adding a
// spectrum is adding a row here (and, if no rule fits, a rule).
#ifndef WAVETABLE_CONTRACT_SPECTRA_H
#define WAVETABLE_CONTRACT_SPECTRA_H

#include <cstdint>
#include <iterator>

namespace wavetable {

enum class SpectrumRule : uint8_t {
  kReciprocal,     // a_k = sign / k on the harmonics selected by k mod 4
  kRunningProduct, // a_1 = 1, a_k = a_(k-1) * factor
  kOddAlternating, // odd k: (1 / (p*p)) * s, then p += step, s = -s
  kPowersOfTwo,    // k = 1, 2, 4, ..., 256: 1 / k
};

struct SpectrumRow {
  const char *name; // the Waveform item text ("Pulse:" + name for its pulse form)
  SpectrumRule rule;
  float value;      // kReciprocal: sign; kRunningProduct: factor; kOddAlternating: step
  uint8_t residues; // kReciprocal: bit (k mod 4) set = harmonic k sounds
};

// k mod 4 masks: bit r is set when harmonics with k mod 4 == r sound.
constexpr uint8_t kAllHarmonics = 0b1111;
constexpr uint8_t kOddHarmonics = 0b1010; // k mod 4 == 1 or 3
constexpr uint8_t kCluster1 = 0b0110;     // k mod 4 == 1 or 2
constexpr uint8_t kCluster2 = 0b0011;     // k mod 4 == 0 or 1

// Row n-1 is waveform block n. Appending a row renumbers the pulse forms
// (their values follow the last block): settings kept as numbers, such as
// LV2 presets and state, would then name other waveforms.
constexpr SpectrumRow kSpectra[] = {
    {"Saw", SpectrumRule::kReciprocal, -1.0f, kAllHarmonics},
    {"Ramp", SpectrumRule::kReciprocal, 1.0f, kAllHarmonics},
    {"Soft Ramp", SpectrumRule::kRunningProduct, 0.5f, 0},
    {"Peak Ramp", SpectrumRule::kRunningProduct, 0.8f, 0},
    {"Square", SpectrumRule::kReciprocal, 1.0f, kOddHarmonics},
    {"Triangle", SpectrumRule::kOddAlternating, 2.0f, 0},
    {"Peak", SpectrumRule::kOddAlternating, 0.75f, 0},
    {"Octava", SpectrumRule::kPowersOfTwo, 0.0f, 0},
    {"Cluster1", SpectrumRule::kReciprocal, 1.0f, kCluster1},
    {"Cluster2", SpectrumRule::kReciprocal, 1.0f, kCluster2},
};

constexpr int kWaveBlocks = static_cast<int>(std::size(kSpectra));

} // namespace wavetable

#endif // WAVETABLE_CONTRACT_SPECTRA_H
