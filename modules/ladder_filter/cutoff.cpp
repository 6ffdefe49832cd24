#include "cutoff.h"

#include "portable_exp2.h"

namespace ladder {

namespace {
float PitchToHz(float sample) {
  return static_cast<float>(440.0 * se_math::Exp2(10.0 * sample - 5.0));
}
} // namespace

const float lowCutoffHz = PitchToHz(0.2f);
const float highCutoffHz101 = PitchToHz(1.01f);
const float highCutoffHz106 = PitchToHz(1.06f);

double CutoffHz(float u, Upper upper) {
  if (u <= 0.2f)
    return lowCutoffHz;
  const float bound = upper == Upper::Hz101 ? 1.01f : 1.06f;
  if (u > bound)
    return upper == Upper::Hz101 ? highCutoffHz101 : highCutoffHz106;
  if (!(u == u))
    return lowCutoffHz; // NaN pitch: lowest cutoff
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
