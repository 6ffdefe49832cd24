// The coefficients a combination routine holds between updates: the pole
// from "Pitch", the resonance gain from "Resonance", "(Zing)" and the pole,
// and the pitch and resonance they were computed from.
#ifndef LADDER_FILTER_COEFFICIENTS_H
#define LADDER_FILTER_COEFFICIENTS_H

#include <cstdint>

namespace ladder {

struct CombinationRow; // one row of the combination table (private)

struct Coefficients {
  float pole = 0.5f;
  float poleA = 0.0f; // pole * 0.994375
  float poleB = 0.0f; // pole * 1.000625
  float poleC = 0.0f; // pole * 1.0038
  float resonanceGain = 0.3f;
  float gainIndex = 0.0f; // position in the resonance gain table
  float gainFraction = 0.0f;
  int32_t gainIndexInt = 0; // clamped whole part of gainIndex
  float lastPitch = 200.0f;
  float lastResonance = 0.3f;

  // An update on the grid is due only if pitch or resonance moved.
  bool Moved(float pitch, float resonance) const {
    return pitch != lastPitch || resonance != lastResonance;
  }

  // Computes everything above for pitch v, resonance r and zing z with the
  // row's pitch offset, upper bound, index floor and k.
  void Update(float v, float r, float z, float twoOverRate, const CombinationRow &row);
};

} // namespace ladder

#endif
