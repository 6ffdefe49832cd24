// The oscillator plugin's ports, in index order, and its definition for the
// bundle (ports, module pins, presets), shared by the run code and the TTL.
#ifndef LV2_OSCILLATOR_OSCILLATOR_PORTS_H
#define LV2_OSCILLATOR_OSCILLATOR_PORTS_H

#include "plugin_def.h"

#include <cstdint>

namespace lv2osc {

inline constexpr const char kOscillatorUri[] = SE_LV2_URI("oscillator");

enum Port : uint32_t {
  kMidiIn,
  kOut,
  kPitchCv,
  kWaveform,
  kPulseWidth,
  kHarmonics,
  kFreqLimit,
  kLimitSystem,
  kPitchMode,
  kPitchAccuracy,
  kHold,
  kActive,
  kRamp,
  kPortCount
};

// Active port values.
constexpr float kActiveByNotes = 0.0f;
constexpr float kActiveAlways = 1.0f;

// Length of the click-free ramp, in seconds.
constexpr double kRampSeconds = 0.003;

extern const se_lv2::PluginDef kOscillatorDef;

} // namespace lv2osc

#endif // LV2_OSCILLATOR_OSCILLATOR_PORTS_H
