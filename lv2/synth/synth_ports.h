// The synth plugin's ports, in index order: MIDI in, the stereo output, then
// one control per entry of the synth's control table (synth/controls.h), in
// its order.
#ifndef LV2_SYNTH_SYNTH_PORTS_H
#define LV2_SYNTH_SYNTH_PORTS_H

#include "plugin_def.h"
#include "synth/controls.h"

#include <cstdint>

namespace lv2synth {

inline constexpr const char kSynthUri[] = SE_LV2_URI("synth");

enum Port : uint32_t {
  kMidiIn,
  kOutLeft,
  kOutRight,
  kFirstControl,
  kPortCount = kFirstControl + synth::kControlCount
};

extern const se_lv2::PluginDef kSynthDef;

} // namespace lv2synth

#endif // LV2_SYNTH_SYNTH_PORTS_H
