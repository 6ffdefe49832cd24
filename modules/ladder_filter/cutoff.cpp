#include "cutoff.h"

#include "portable_exp2.h"

namespace ladder {

namespace {
float PitchToHz(float sample) {
  return static_cast<float>(440.0 * se_math::Exp2(10.0 * sample - 5.0));
}
} // namespace

const float kLowCutoffHz = PitchToHz(kLowerBound);
const float kHighCutoffHz101 = PitchToHz(kUpperBound101);
const float kHighCutoffHz106 = PitchToHz(kUpperBound106);

double CutoffHz(float u, float upperBound) {
  if (u <= kLowerBound)
    return kLowCutoffHz;
  if (u > upperBound)
    return upperBound == kUpperBound101 ? kHighCutoffHz101 : kHighCutoffHz106;
  if (!(u == u))
    return kLowCutoffHz; // NaN pitch: lowest cutoff
  return 440.0 * se_math::Exp2(10.0 * u - 5.0);
}

float RelativeCutoff(double hz, float twoOverRate) {
  const double fc = hz * twoOverRate;
  if (!(fc >= kMinRelativeCutoff))
    return kMinRelativeCutoff; // also NaN
  if (fc > kMaxRelativeCutoff)
    return kMaxRelativeCutoff;
  return static_cast<float>(fc);
}

float PoleFor(float fc) {
  const double x = fc;
  return static_cast<float>(3.2937 * x - (0.69346 * x * x * x + 0.59515 * x * x) - 1.0072);
}

} // namespace ladder
