#include "pitch_tables.h"
#include "portable_exp2.h"

#include <cmath>

namespace osc {

float sampleRate = 0.0f;
float tablesSampleRate = 0.0f;
double baseStep = 0.0;
float kiloHzScale = 0.0f;
float hertzScale = 0.0f;

StepEntry pitchStepTable[kStepEntries];
float octaveTable[kOctaveHigh - kOctaveLow + 1];
float pitchHzTable[kHzEntries];

namespace {

void BuildTables() {
  for (int i = 0; i < kHzEntries; ++i) {
    // The exponent is rounded to float32 before the power is taken.
    const float e = static_cast<float>(static_cast<double>(i - kHzZeroVolt) / 120.0);
    pitchHzTable[i] = static_cast<float>(kZeroVoltHz * se_math::Exp2(static_cast<double>(e)));
  }
  double power = 1.0;
  for (int k = 0; k <= kOctaveHigh; ++k, power *= 2.0) {
    octaveTable[k - kOctaveLow] = static_cast<float>(power);
    if (k > 0)
      octaveTable[-k - kOctaveLow] = static_cast<float>(1.0 / power);
  }
  for (int i = 0; i < kStepEntries; ++i) {
    const double here = baseStep * se_math::Exp2(i / 256.0);
    const double next = baseStep * se_math::Exp2((i + 1) / 256.0);
    pitchStepTable[i].base = static_cast<float>(here);
    pitchStepTable[i].delta = static_cast<float>(next - here); // difference before rounding
  }
}

} // namespace

void PreparePitchTables(float rate) {
  sampleRate = rate;
  baseStep = kZeroVoltHz / static_cast<double>(rate);
  if (tablesSampleRate != rate) {
    tablesSampleRate = rate;
    BuildTables();
  }
  kiloHzScale = static_cast<float>(1.0 / (0.0001 * static_cast<double>(rate)));
  hertzScale = static_cast<float>(1.0 / (0.1 * static_cast<double>(rate)));
}

} // namespace osc
