// The filter plugins' ports. Controls in the units a musician reads: Cutoff
// in Hz on a logarithmic scale from the module's lowest cutoff (55 Hz, 2 V)
// to its highest (21341.28 Hz, 10.6 V), mapped onto the "Pitch" pin at 1 V
// per octave; Resonance and Zing in the module's volts; each choice with the
// items of the module's own pin.
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
    {PortType::kControl, "cutoff", "Cutoff", "Pitch", PinMapping::kHertz, 55.0f, kFilterTopHz,
     440.0f, "hz", true, 0,
     "Cutoff frequency (the module's Pitch, 1 V per octave, 0 V = 13.75 Hz)"},
    {PortType::kControl, "resonance", "Resonance", "Resonance", PinMapping::kVolts, 0.0f, 10.0f,
     5.0f, "volt", false, 0, "Resonance, 0 to 10 V; self-oscillates near the top"},
    {PortType::kControl, "zing", "Zing", "(Zing)", PinMapping::kVolts, 0.1f, 50.0f, 10.0f, "volt",
     false, 0, "How much the resonance rises with the cutoff"},
    {PortType::kControl, "filter_tap", "Filter Tap", "Filter Tap", PinMapping::kChoice, 0, 0, 0,
     nullptr, false, 0, "Stage the output is taken from: 2 to 5 poles, or X"},
    {PortType::kControl, "q_tap", "Q Tap", "Q Tap", PinMapping::kChoice, 0, 0, 0, nullptr, false, 0,
     "Stage that feeds the resonance back"},
    {PortType::kControl, "emulate", "Emulate", "Emulate", PinMapping::kChoice, 0, 0, 0, nullptr,
     false, 0, "Analog: saturating stages; Digital: clean"},
    {PortType::kControl, "version", "Version", "(Version)", PinMapping::kChoice, 0, 0, 0, nullptr,
     false, 0, "Clear or Furry voicing"},
    {PortType::kControl, "type", "Type", "Type", PinMapping::kChoice, 0, 0, 0, nullptr, false, 0,
     "LP: low-pass. HP: not a high-pass but a high-cut shelf, lows inverted; with resonance "
     "a peak just below the cutoff"},
    {PortType::kControl, "bass_boost", "Bass Boost", "Bass Boost", PinMapping::kChoice, 0, 0, 0,
     nullptr, false, 0, "Makes up the bass the resonance takes away at low cutoffs"},
}};

inline constexpr std::array<PortSpec, 2> kFilterCvInputs{{
    {PortType::kCV, "cutoff_cv", "Cutoff CV", "Pitch", PinMapping::kVolts, -10.0f, 10.0f, 0.0f,
     "volt", false, 0, "Added to Cutoff at 1 V per octave"},
    {PortType::kCV, "resonance_cv", "Resonance CV", "Resonance", PinMapping::kVolts, -10.0f, 10.0f,
     0.0f, "volt", false, 0, "Added to Resonance, in volts"},
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

inline constexpr auto kFilterMonoPorts =
    JoinPorts(std::array<PortSpec, 2>{{
                  {PortType::kAudioIn, "in", "Input", "Signal", PinMapping::kAudio},
                  {PortType::kAudioOut, "out", "Output", "Output", PinMapping::kAudio},
              }},
              kFilterControls, kFilterCvInputs);

inline constexpr auto kFilterStereoPorts =
    JoinPorts(std::array<PortSpec, 4>{{
                  {PortType::kAudioIn, "in_l", "Input L", "Signal", PinMapping::kAudio},
                  {PortType::kAudioIn, "in_r", "Input R", "Signal", PinMapping::kAudio, 0, 1, 0,
                   nullptr, false, 1},
                  {PortType::kAudioOut, "out_l", "Output L", "Output", PinMapping::kAudio},
                  {PortType::kAudioOut, "out_r", "Output R", "Output", PinMapping::kAudio, 0, 1, 0,
                   nullptr, false, 1},
              }},
              kFilterControls, kFilterCvInputs);

} // namespace se_lv2

#endif // SE_LV2_FILTER_PORTS_H
