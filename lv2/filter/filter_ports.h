// The filter plugins' ports. The module's controls as its public pin
// metadata describes them (names, symbols, ranges, choices with the numbers
// users read: Filter Tap 2 to 5 and X as 6), Cutoff in Hz on a logarithmic
// scale; then the wrapper's own output level and bypass (output_stage.h).
// The modulation inputs come last: sidechain audio, 1.0 = 10 V.
#ifndef SE_LV2_FILTER_PORTS_H
#define SE_LV2_FILTER_PORTS_H

#include "ladder_filter/pins.h"
#include "plugin_def.h"

#include <array>

namespace se_lv2 {

inline constexpr const char kFilterMonoUri[] = SE_LV2_URI("filter");
inline constexpr const char kFilterStereoUri[] = SE_LV2_URI("filter-stereo");

// The module's highest cutoff: 440 Hz * 2^(10 * 1.06f - 5), rounded down.
inline constexpr float kFilterTopHz = 21341.28f;

// A control of the filter's own pins, described by the module's metadata.
constexpr PortSpec FilterControl(ladder::Pin pin, PinMapping mapping) {
  return PinControl(ladder::kModuleMeta, pin, mapping);
}

// Cutoff: the module's "Pitch" as a frequency, 55 Hz (2 V) to 21341.28 Hz
// (10.6 V), 440 Hz (5 V) by default.
constexpr PortSpec CutoffControl() {
  PortSpec p = FilterControl(ladder::kPitchPin, PinMapping::kHertz);
  p.minimum = 55.0f;
  p.maximum = kFilterTopHz;
  p.defaultValue = 440.0f;
  p.comment = "The cutoff frequency: the module's Pitch at 1 V per octave from 13.75 Hz at 0 V. "
              "Each Filter Tap/Q Tap combination shifts it by up to an octave either way.";
  return p;
}

inline constexpr std::array<PortSpec, 11> kFilterControls{{
    CutoffControl(),
    FilterControl(ladder::kResonancePin, PinMapping::kVolts),
    FilterControl(ladder::kZingPin, PinMapping::kVolts),
    FilterControl(ladder::kFilterTapPin, PinMapping::kChoice),
    FilterControl(ladder::kQTapPin, PinMapping::kChoice),
    FilterControl(ladder::kEmulatePin, PinMapping::kChoice),
    FilterControl(ladder::kVersionPin, PinMapping::kChoice),
    FilterControl(ladder::kTypePin, PinMapping::kChoice),
    FilterControl(ladder::kBassBoostPin, PinMapping::kChoice),
    {.type = PortType::kControl,
     .symbol = "output_level",
     .name = "Output Level",
     .mapping = PinMapping::kOutputLevel,
     .minimum = -48.0f,
     .maximum = 12.0f,
     .defaultValue = 0.0f,
     .unit = "db",
     .comment = "Level of the filtered signal, in dB; changes glide over 20 ms"},
    {.type = PortType::kControl,
     .symbol = "enabled",
     .name = "Enabled",
     .mapping = PinMapping::kEnabled,
     .minimum = 0.0f,
     .maximum = 1.0f,
     .defaultValue = 1.0f,
     .comment = "Off: the input passes unchanged; either way the change crossfades over 20 ms",
     .hints = kHintToggled},
}};

inline constexpr std::array<PortSpec, 2> kFilterCvInputs{{
    {.type = PortType::kCV,
     .symbol = "cutoff_cv",
     .name = "Cutoff CV",
     .pin = "Pitch",
     .mapping = PinMapping::kVolts,
     .minimum = -10.0f,
     .maximum = 10.0f,
     .defaultValue = 0.0f,
     .comment = "Sidechain: added to Cutoff, 1.0 = 10 V at 1 V per octave (0.1 per octave)"},
    {.type = PortType::kCV,
     .symbol = "resonance_cv",
     .name = "Resonance CV",
     .pin = "Resonance",
     .mapping = PinMapping::kVolts,
     .minimum = -10.0f,
     .maximum = 10.0f,
     .defaultValue = 0.0f,
     .comment = "Sidechain: added to Resonance, 1.0 = 10 V"},
}};

template <size_t... N> constexpr auto JoinPorts(const std::array<PortSpec, N> &...parts) {
  std::array<PortSpec, (N + ...)> all{};
  size_t i = 0;
  (([&] {
     for (const PortSpec &p : parts)
       all[i++] = p;
   }()),
   ...);
  return all;
}

inline constexpr PortSpec AudioPort(PortType type, const char *symbol, const char *name,
                                    const char *pin, int channel = 0) {
  return {.type = type,
          .symbol = symbol,
          .name = name,
          .pin = pin,
          .mapping = PinMapping::kAudio,
          .channel = channel};
}

inline constexpr auto kFilterMonoPorts =
    JoinPorts(std::array<PortSpec, 2>{{
                  AudioPort(PortType::kAudioIn, "in", "Input", "Signal"),
                  AudioPort(PortType::kAudioOut, "out", "Output", "Output"),
              }},
              kFilterControls, kFilterCvInputs);

inline constexpr auto kFilterStereoPorts =
    JoinPorts(std::array<PortSpec, 4>{{
                  AudioPort(PortType::kAudioIn, "in_l", "Input L", "Signal"),
                  AudioPort(PortType::kAudioIn, "in_r", "Input R", "Signal", 1),
                  AudioPort(PortType::kAudioOut, "out_l", "Output L", "Output"),
                  AudioPort(PortType::kAudioOut, "out_r", "Output R", "Output", 1),
              }},
              kFilterControls, kFilterCvInputs);

} // namespace se_lv2

#endif // SE_LV2_FILTER_PORTS_H
