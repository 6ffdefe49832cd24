// Presets of the oscillator plugin: its waveforms, a pulse of each common
// duty cycle, a darker saw and noise. Waveform values are the items of the
// module's own list (Sine 0 ... Pulse:Saw 11 ... Noise 255); Harmonics is the
// count played, 1 to 256. Each preset sets every control (a port it leaves
// out takes its default), so the order of loading never matters.
#include "oscillator_ports.h"

#include <iterator>

namespace lv2osc {
namespace {

using V = se_lv2::PresetSpec::Value;

constexpr V kSine[] = {{"waveform", 0}, {"pulse_width", 0}};
constexpr V kSaw[] = {{"waveform", 1}, {"harmonics", 256}, {"pulse_width", 0}};
constexpr V kSquare[] = {{"waveform", 5}, {"harmonics", 256}, {"pulse_width", 0}};
constexpr V kTriangle[] = {{"waveform", 6}, {"harmonics", 256}, {"pulse_width", 0}};
constexpr V kOctava[] = {{"waveform", 8}, {"harmonics", 256}, {"pulse_width", 0}};
constexpr V kCluster[] = {{"waveform", 9}, {"harmonics", 256}, {"pulse_width", 0}};
constexpr V kPulse25[] = {{"waveform", 11}, {"harmonics", 256}, {"pulse_width", 2.5f}};
constexpr V kPulse10[] = {{"waveform", 11}, {"harmonics", 256}, {"pulse_width", 1.0f}};
constexpr V kDarkSaw[] = {{"waveform", 1}, {"harmonics", 12}, {"pulse_width", 0}};
constexpr V kNoise[] = {{"waveform", 255}, {"pulse_width", 5.0f}};

constexpr se_lv2::PresetSpec kPresets[] = {
    {"sine", "Sine", kSine, std::size(kSine)},
    {"saw", "Saw", kSaw, std::size(kSaw)},
    {"square", "Square", kSquare, std::size(kSquare)},
    {"triangle", "Triangle", kTriangle, std::size(kTriangle)},
    {"octava", "Octava", kOctava, std::size(kOctava)},
    {"cluster", "Cluster 1", kCluster, std::size(kCluster)},
    {"pulse-25", "Pulse, 25 % duty", kPulse25, std::size(kPulse25)},
    {"pulse-10", "Pulse, 10 % duty", kPulse10, std::size(kPulse10)},
    {"dark-saw", "Saw, 12 harmonics", kDarkSaw, std::size(kDarkSaw)},
    {"noise", "Noise, half level", kNoise, std::size(kNoise)},
};

const se_lv2::PresetRegistry::Registration kRegistration(kOscillatorUri, kPresets,
                                                         std::size(kPresets));

} // namespace
} // namespace lv2osc
