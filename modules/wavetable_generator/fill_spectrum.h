// The routine that writes one spectrum of the registry (spectra.h) into the
// build's amplitude scratch.
//
// Every quotient 1/k is taken in float32, and the running values of the
// product and odd-harmonic rules are held and rounded as float32 at each step,
// so the amplitudes are the same on every machine.
#ifndef WAVETABLE_FILL_SPECTRUM_H
#define WAVETABLE_FILL_SPECTRUM_H

#include "spectra.h"
#include "table_layout.h"

namespace wavetable {

// Writes the raw amplitudes a_1 ... a_256 of one spectrum; amps[k-1] is a_k.
inline void FillSpectrum(const SpectrumRow &row, float *amps) {
  switch (row.rule) {
  case SpectrumRule::kReciprocal:
    for (int k = 1; k <= kMaxHarmonics; ++k) {
      const float reciprocal = 1.0f / static_cast<float>(k);
      amps[k - 1] = (row.residues >> (k & 3)) & 1u ? row.value * reciprocal : 0.0f;
    }
    break;
  case SpectrumRule::kRunningProduct: {
    float a = 1.0f;
    for (int k = 1; k <= kMaxHarmonics; ++k) {
      amps[k - 1] = a;
      a = a * row.value;
    }
    break;
  }
  case SpectrumRule::kOddAlternating: {
    float p = 1.0f; // divisor base
    float s = 1.0f; // sign
    for (int k = 1; k <= kMaxHarmonics; ++k) {
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
    for (int k = 1; k <= kMaxHarmonics; ++k) {
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

#endif // WAVETABLE_FILL_SPECTRUM_H
