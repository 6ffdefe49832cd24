// The coefficient update of the combination routines: pole from "Pitch",
// feedback gain from "Resonance", "(Zing)" and the pole.
#include "ladder_filter/coefficients.h"

#include "combination_row.h"
#include "cutoff.h"
#include "resonance_gain_table.h"

#include <cmath>

namespace ladder {

void Coefficients::Update(float v, float r, float z, float twoOverRate, const CombinationRow &row) {
  lastResonance = r;
  lastPitch = v;

  const float u = v + row.pitchOffset;
  const float fc = RelativeCutoff(CutoffHz(u, row.upperBound), twoOverRate);
  pole = PoleFor(fc);
  poleA = pole * 0.994375f;
  poleB = pole * 1.000625f;
  poleC = pole * 1.0038f;

  gainIndex = pole * z * 99.0f;
  // Clamp in floating point before the conversion (a NaN takes the floor).
  float whole = std::floor(gainIndex);
  const float floor = static_cast<float>(row.indexFloor);
  whole = whole >= floor ? whole : floor;
  whole = whole <= 99.0f ? whole : 99.0f;
  gainIndexInt = static_cast<int32_t>(whole);
  gainFraction = gainIndex - static_cast<float>(gainIndexInt);

  const float t0 = kResonanceGainTable[gainIndexInt + 99];
  const float t1 = kResonanceGainTable[gainIndexInt + 100];
  const double q = static_cast<double>(row.k) * HeldResonance(r) *
                   (t0 + static_cast<double>(gainFraction) * (t1 - t0));
  if (!(std::fabs(q) <= kMaxResonanceGain))
    resonanceGain = q > 0   ? static_cast<float>(kMaxResonanceGain)
                    : q < 0 ? static_cast<float>(-kMaxResonanceGain)
                            : 0.0f;
  else
    resonanceGain = static_cast<float>(q);
}

} // namespace ladder
