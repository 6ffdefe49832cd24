// Control values as a host may send them (out of range, NaN, infinite) held
// to what the module accepts, and a frequency control turned into the
// module's pitch volts.
#ifndef SE_LV2_CONTROL_VALUE_H
#define SE_LV2_CONTROL_VALUE_H

#include "se_abi.h"
#include "se_choice_list.h"

#include <cmath>
#include <cstdlib>

namespace se_lv2 {

// Held to [lo, hi]; NaN takes the default, an infinity the nearer limit.
inline float ContainControl(float v, float lo, float hi, float def) {
  if (v != v)
    return def;
  return v < lo ? lo : (v > hi ? hi : v);
}

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// 0 V is 13.75 Hz, 1 V per octave. Hz must be positive (contained first).
inline double HertzToVolts(double hz) { return std::log2(hz / 13.75); }

// The sample an audio pin reads for a value in volts.
inline float VoltsToSample(double volts) { return static_cast<float>(volts / 10.0); }

// The volts a sample of a modulation input (a sidechain audio port) stands
// for: 1.0 is 10 V, as on the module's own audio pins.
inline double ModulationVolts(float sample) { return 10.0 * static_cast<double>(sample); }

// A modulation input's sample in volts, held to its port's range [lo, hi]
// (in volts); a sample that is not finite counts as 0 V.
inline double ContainCv(float sample, float lo, float hi) {
  return Clamp(std::isfinite(sample) ? ModulationVolts(sample) : 0.0, lo, hi);
}

// The items of a choice pin, read once from the module's pin list.
class ChoiceSet {
public:
  static constexpr int kMaxItems = 300;

  void Read(const SEPinProperties &pin) {
    m_count = 0;
    se::ForEachChoice(pin.datatype_text != nullptr ? pin.datatype_text : "",
                      [&](const se::ChoiceItem &item) {
                        if (m_count < kMaxItems)
                          m_values[m_count++] = item.value;
                      });
    const long def = pin.default_value != nullptr ? std::strtol(pin.default_value, nullptr, 10) : 0;
    m_default = Nearest(static_cast<float>(def));
  }
  int Count() const { return m_count; }
  int Default() const { return m_default; }
  int Minimum() const { return Extreme(-1); }
  int Maximum() const { return Extreme(1); }

  // The item value nearest to v (the lower on a tie); NaN takes the default.
  int Nearest(float v) const {
    if (m_count == 0)
      return 0;
    if (v != v)
      return m_default;
    int best = m_values[0];
    for (int i = 1; i < m_count; ++i) {
      const double d = std::fabs(static_cast<double>(v) - m_values[i]);
      const double bd = std::fabs(static_cast<double>(v) - best);
      if (d < bd || (d == bd && m_values[i] < best))
        best = m_values[i];
    }
    return best;
  }

private:
  int Extreme(int sign) const {
    int e = m_count > 0 ? m_values[0] : 0;
    for (int i = 1; i < m_count; ++i)
      if ((m_values[i] - e) * sign > 0)
        e = m_values[i];
    return e;
  }

  int m_values[kMaxItems] = {};
  int m_count = 0;
  int m_default = 0;
};

} // namespace se_lv2

#endif // SE_LV2_CONTROL_VALUE_H
