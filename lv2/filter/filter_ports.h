// The filter plugins' ports. Controls in the units a musician reads: Cutoff
// in Hz on a logarithmic scale from the module's lowest cutoff (55 Hz, 2 V)
// to its highest (21341.28 Hz, 10.6 V), mapped onto the "Pitch" pin at 1 V
// per octave; Resonance and Zing in the module's volts; each choice with the
// items of the module's own pin. The modulation inputs come last: sidechain
// audio, 1.0 = 10 V.
#ifndef SE_LV2_FILTER_PORTS_H
#define SE_LV2_FILTER_PORTS_H

#include "plugin_def.h"

#include <array>

namespace se_lv2 {

inline constexpr const char kFilterMonoUri[] = SE_LV2_URI("filter");
inline constexpr const char kFilterStereoUri[] = SE_LV2_URI("filter-stereo");

// The module's highest cutoff: 440 Hz * 2^(10 * 1.06f - 5), rounded down.
inline constexpr float kFilterTopHz = 21341.28f;

inline constexpr std::array<PortSpec, 9> kFilterControls{{
    {.type = PortType::kControl,
     .symbol = "cutoff",
     .name = "Cutoff",
     .pin = "Pitch",
     .mapping = PinMapping::kHertz,
     .minimum = 55.0f,
     .maximum = kFilterTopHz,
     .defaultValue = 440.0f,
     .unit = "hz",
     .logarithmic = true,
     .comment = "Cutoff frequency (the module's Pitch, 1 V per octave, 0 V = 13.75 Hz)"},
    {.type = PortType::kControl,
     .symbol = "resonance",
     .name = "Resonance",
     .pin = "Resonance",
     .mapping = PinMapping::kVolts,
     .minimum = 0.0f,
     .maximum = 10.0f,
     .defaultValue = 5.0f,
     .unit = "volt",
     .comment = "Resonance, 0 to 10 V; self-oscillates near the top"},
    {.type = PortType::kControl,
     .symbol = "zing",
     .name = "Zing",
     .pin = "(Zing)",
     .mapping = PinMapping::kVolts,
     .minimum = 0.1f,
     .maximum = 50.0f,
     .defaultValue = 10.0f,
     .unit = "volt",
     .comment = "How much the resonance rises with the cutoff"},
    {.type = PortType::kControl,
     .symbol = "filter_tap",
     .name = "Filter Tap",
     .pin = "Filter Tap",
     .mapping = PinMapping::kChoice,
     .comment = "Stage the output is taken from: 2 to 5 poles, or X (6)"},
    {.type = PortType::kControl,
     .symbol = "q_tap",
     .name = "Q Tap",
     .pin = "Q Tap",
     .mapping = PinMapping::kChoice,
     .comment = "Stage that feeds the resonance back"},
    {.type = PortType::kControl,
     .symbol = "emulate",
     .name = "Emulate",
     .pin = "Emulate",
     .mapping = PinMapping::kChoice,
     .comment = "Analog: saturating stages; Digital: clean"},
    {.type = PortType::kControl,
     .symbol = "version",
     .name = "Version",
     .pin = "(Version)",
     .mapping = PinMapping::kChoice,
     .comment = "Clear or Furry voicing"},
    {.type = PortType::kControl,
     .symbol = "type",
     .name = "Type",
     .pin = "Type",
     .mapping = PinMapping::kChoice,
     .comment = "LP: low-pass. HP: not a high-pass but a high-cut shelf, lows inverted; with "
                "resonance a peak just below the cutoff"},
    {.type = PortType::kControl,
     .symbol = "bass_boost",
     .name = "Bass Boost",
     .pin = "Bass Boost",
     .mapping = PinMapping::kChoice,
     .comment = "Makes up the bass the resonance takes away at low cutoffs"},
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
