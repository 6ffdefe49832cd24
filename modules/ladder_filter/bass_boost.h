// "Bass Boost": below a threshold pitch the output stage is lifted by
// 1 + (threshold - v) * strength.
#ifndef LADDER_FILTER_BASS_BOOST_H
#define LADDER_FILTER_BASS_BOOST_H

#include "ladder_filter/filter_voice.h"
#include "ladder_limits.h"
#include "simd_lanes.h"

namespace ladder {

// The pin's items: None, Low, Default, Extra.
inline constexpr BassBoostSetting kBassBoost[] = {
    {0.0f, 0.0}, {0.3f, 0.3}, {0.5f, 0.3}, {0.6f, 0.4}};
inline constexpr int kBassBoostDefault = 2;

// Routine 0 lifts with its own fixed curve, 1 + (0.5 - v) * 0.5, below the
// pin's threshold; every other routine with the pin's.
inline constexpr int kFixedBoostRoutine = 0;
inline constexpr BassBoostSetting kFixedBoostCurve = {0.5f, 0.5};

// The boost of one call, in the call's working type W (a lane type: one
// curve per lane). The pitch comes in W's float type.
template <class W> struct BoostCurve {
  se_lanes::FloatOf<W> threshold;
  W reference;
  W slope;

  W At(se_lanes::FloatOf<W> v) const {
    using se_lanes::Less, se_lanes::LessOf, se_lanes::Select;
    const W boost = Select(Less(v, threshold), W(1) + (reference - W(v)) * slope, W(1));
    return LessOf(boost, W(kBoostLimit));
  }
};

template <class W> BoostCurve<W> BoostCurveFor(int routine, const BassBoostSetting &pin) {
  if (routine == kFixedBoostRoutine)
    return {pin.threshold, W(kFixedBoostCurve.threshold), W(kFixedBoostCurve.strength)};
  return {pin.threshold, W(pin.threshold), W(pin.strength)};
}

} // namespace ladder

#endif
