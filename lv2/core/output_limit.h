// The last step of every plugin's audio output: a safety limit, so that no
// setting, input or host can send a DAW more than the plugin's documented
// ceiling (PluginDef::outputCeiling) or anything that is not a number.
//
// A sample within half the ceiling passes bit for bit (every ordinary output
// does); beyond, a curve that leaves the straight line with its slope carries
// it towards the ceiling, which only an infinity reaches. A NaN becomes 0.
#ifndef SE_LV2_OUTPUT_LIMIT_H
#define SE_LV2_OUTPUT_LIMIT_H

#include <cmath>
#include <cstdint>

namespace se_lv2 {

inline float LimitSample(float x, float ceiling) {
  const float knee = 0.5f * ceiling;
  const float size = std::fabs(x);
  if (size <= knee)
    return x;
  if (size != size)
    return 0.0f;
  const float room = ceiling - knee;
  return std::copysign(knee + room * std::tanh((size - knee) / room), x);
}

inline void LimitOutput(float *out, int32_t count, float ceiling) {
  for (int32_t k = 0; k < count; ++k) {
    const float x = out[k];
    if (!(std::fabs(x) <= 0.5f * ceiling))
      out[k] = LimitSample(x, ceiling);
  }
}

} // namespace se_lv2

#endif // SE_LV2_OUTPUT_LIMIT_H
