// Control values as a host may send them (out of range, NaN, infinite) held
// to what the module accepts, and a frequency control turned into the
// module's pitch volts.
#ifndef SE_LV2_CONTROL_VALUE_H
#define SE_LV2_CONTROL_VALUE_H

#include "se_abi.h"
#include "se_choice_list.h"
#include "se_pin_meta.h"

#include <cmath>
#include <cstdlib>
#include <span>

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

// The items of a choice pin, read once from the module's pin list, and the
// number a port shows and stores for each (the module's own value unless
// Show gives another). A port's value is read as the nearest shown number;
// the module is told the item's own value.
class ChoiceSet {
public:
  static constexpr int kMaxItems = 300;

  void Read(const SEPinProperties &pin) {
    m_count = 0;
    se::ForEachChoice(pin.datatype_text != nullptr ? pin.datatype_text : "",
                      [&](const se::ChoiceItem &item) {
                        if (m_count < kMaxItems) {
                          m_values[m_count] = m_shown[m_count] = item.value;
                          ++m_count;
                        }
                      });
    const long def = pin.default_value != nullptr ? std::strtol(pin.default_value, nullptr, 10) : 0;
    m_default = NearestItem(static_cast<float>(def));
  }
  // The numbers users read for the items (the pin's metadata): each item
  // found there by its value shows its `shown` number.
  void Show(std::span<const se::ChoiceMeta> items) {
    for (int i = 0; i < m_count; ++i)
      for (const se::ChoiceMeta &item : items)
        if (item.value == m_values[i])
          m_shown[i] = item.shown;
  }
  int Count() const { return m_count; }
  // The port's default, lowest and highest numbers (shown numbers).
  int Default() const { return m_count > 0 ? m_shown[m_default] : 0; }
  int Minimum() const { return Extreme(-1); }
  int Maximum() const { return Extreme(1); }

  // The module's value of the item whose shown number is nearest to v (the
  // lower number on a tie, an end beyond the ends); NaN takes the default.
  int Nearest(float v) const { return m_count > 0 ? m_values[NearestItem(v)] : 0; }

private:
  int NearestItem(float v) const {
    if (v != v)
      return m_default;
    // Held to the ends first: an infinity is as far from every item.
    v = std::fmin(std::fmax(v, static_cast<float>(Minimum())), static_cast<float>(Maximum()));
    int best = 0;
    for (int i = 1; i < m_count; ++i) {
      const double d = std::fabs(static_cast<double>(v) - m_shown[i]);
      const double bd = std::fabs(static_cast<double>(v) - m_shown[best]);
      if (d < bd || (d == bd && m_shown[i] < m_shown[best]))
        best = i;
    }
    return best;
  }
  int Extreme(int sign) const {
    int e = m_count > 0 ? m_shown[0] : 0;
    for (int i = 1; i < m_count; ++i)
      if ((m_shown[i] - e) * sign > 0)
        e = m_shown[i];
    return e;
  }

  int m_values[kMaxItems] = {};
  int m_shown[kMaxItems] = {};
  int m_count = 0;
  int m_default = 0; // the default item's index
};

} // namespace se_lv2

#endif // SE_LV2_CONTROL_VALUE_H
