// The ten harmonic spectra of the waveform blocks, as rows of a constant table,
// and the routine that writes one of them into the build's amplitude scratch.
//
// Every quotient 1/k is taken in float32, and the running values of the
// product and odd-harmonic rules are held and rounded as float32 at each step,
// so the amplitudes are the same on every machine.
#ifndef WAVETABLE_SPECTRA_H
#define WAVETABLE_SPECTRA_H

#include "wave_table_layout.h"

#include <cstdint>

namespace wavetable {

enum class SpectrumRule : uint8_t {
  kReciprocal,     // a_k = sign / k on the harmonics selected by k mod 4
  kRunningProduct, // a_1 = 1, a_k = a_(k-1) * factor
  kOddAlternating, // odd k: (1 / (p*p)) * s, then p += step, s = -s
  kPowersOfTwo,    // k = 1, 2, 4, ..., 256: 1 / k
};

struct SpectrumRow {
  const char *name;
  SpectrumRule rule;
  float value;      // kReciprocal: sign; kRunningProduct: factor; kOddAlternating: step
  uint8_t residues; // kReciprocal: bit (k mod 4) set = harmonic k sounds
};

// k mod 4 masks: bit r is set when harmonics with k mod 4 == r sound.
constexpr uint8_t kAllHarmonics = 0b1111;
constexpr uint8_t kOddHarmonics = 0b1010; // k mod 4 == 1 or 3
constexpr uint8_t kCluster1 = 0b0110;     // k mod 4 == 1 or 2
constexpr uint8_t kCluster2 = 0b0011;     // k mod 4 == 0 or 1

// Row n-1 is waveform block n (the oscillator's Waveform value n).
constexpr SpectrumRow kSpectra[kWaveBlocks] = {
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

// Writes the raw amplitudes a_1 ... a_256 of one spectrum; amps[k-1] is a_k.
inline void FillSpectrum(const SpectrumRow &row, float *amps) {
  switch (row.rule) {
  case SpectrumRule::kReciprocal:
    for (int k = 1; k <= kHarmonics; ++k) {
      const float reciprocal = 1.0f / static_cast<float>(k);
      amps[k - 1] = (row.residues >> (k & 3)) & 1u ? row.value * reciprocal : 0.0f;
    }
    break;
  case SpectrumRule::kRunningProduct: {
    float a = 1.0f;
    for (int k = 1; k <= kHarmonics; ++k) {
      amps[k - 1] = a;
      a = a * row.value;
    }
    break;
  }
  case SpectrumRule::kOddAlternating: {
    float p = 1.0f; // divisor base
    float s = 1.0f; // sign
    for (int k = 1; k <= kHarmonics; ++k) {
      if ((k & 1) == 0) {
        amps[k - 1] = 0.0f;
        continue;
      }
      const float reciprocal = 1.0f / (p * p);
      amps[k - 1] = reciprocal * s;
      p = p + row.value;
      s = -s;
    }
    break;
  }
  case SpectrumRule::kPowersOfTwo: {
    int next_power = 1;
    for (int k = 1; k <= kHarmonics; ++k) {
      if (k == next_power) {
        amps[k - 1] = 1.0f / static_cast<float>(k);
        next_power *= 2;
      } else {
        amps[k - 1] = 0.0f;
      }
    }
    break;
  }
  }
}

} // namespace wavetable

#endif // WAVETABLE_SPECTRA_H
