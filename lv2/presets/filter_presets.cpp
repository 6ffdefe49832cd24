// Presets of the filter plugins: the output taps, each with a resonance and
// cutoff that make the tap's slope easy to hear. Each preset sets every
// control (the Turtle writer gives a port a preset leaves out its default),
// so that the order presets are loaded in never matters.
#include "filter_ports.h"

namespace se_lv2 {
namespace {

using V = PresetSpec::Value;

// Values as the ports read them: Filter Tap 2 to 5 and X as 6, Q Tap 2 to 5.
constexpr V kTap2[] = {{"filter_tap", 2}, {"q_tap", 5}, {"cutoff", 880}, {"resonance", 6}};
constexpr V kTap3[] = {{"filter_tap", 3}, {"q_tap", 5}, {"cutoff", 880}, {"resonance", 6}};
constexpr V kTap4[] = {{"filter_tap", 4}, {"q_tap", 5}, {"cutoff", 880}, {"resonance", 6}};
constexpr V kTap5[] = {{"filter_tap", 5}, {"q_tap", 5}, {"cutoff", 880}, {"resonance", 6}};
constexpr V kTapX[] = {{"filter_tap", 6}, {"q_tap", 5}, {"cutoff", 880}, {"resonance", 6}};
constexpr V kHpPeak[] = {{"type", 1}, {"filter_tap", 4}, {"cutoff", 440}, {"resonance", 7}};
constexpr V kFullResonance[] = {
    {"filter_tap", 4}, {"q_tap", 4}, {"cutoff", 440}, {"resonance", 10}, {"emulate", 0}};

constexpr PresetSpec kFilterPresets[] = {
    {"tap-2", "Tap 2: two poles, 12 dB/octave", kTap2, std::size(kTap2)},
    {"tap-3", "Tap 3: three poles, 18 dB/octave", kTap3, std::size(kTap3)},
    {"tap-4", "Tap 4: four poles, 24 dB/octave", kTap4, std::size(kTap4)},
    {"tap-5", "Tap 5: five poles, 30 dB/octave", kTap5, std::size(kTap5)},
    {"tap-x", "Tap X: the X output", kTapX, std::size(kTapX)},
    {"hp-resonant", "HP, resonant: a peak below the cutoff, lows and highs cut", kHpPeak,
     std::size(kHpPeak)},
    {"analog-full-resonance", "Analog, full resonance at 440 Hz", kFullResonance,
     std::size(kFullResonance)},
};

const PresetRegistry::Registration kMono(kFilterMonoUri, kFilterPresets, std::size(kFilterPresets));
const PresetRegistry::Registration kStereo(kFilterStereoUri, kFilterPresets,
                                           std::size(kFilterPresets));

} // namespace
} // namespace se_lv2
