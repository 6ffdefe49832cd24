// The ladder filter as LV2 plugins: mono, and stereo (two filters sharing
// every control). The ports are tables (plugin_def.h); ModulePlugin runs them.
#include "filter_ports.h"
#include "module_plugin.h"

SE_USE_PLUGIN_ENTRY(ladder_filter)

namespace se_lv2 {
namespace {

constexpr LV2_Descriptor kMonoDescriptor = ModulePlugin::Descriptor(kFilterMonoUri);
constexpr LV2_Descriptor kStereoDescriptor = ModulePlugin::Descriptor(kFilterStereoUri);

constexpr const char kComment[] =
    "Resonant transistor-ladder low-pass filter of 2 to 5 stages. Type HP is not a high-pass: it "
    "cuts the highs as a shelf and passes the lows inverted; with resonance it leaves a peak just "
    "below the cutoff over lows about 15 dB down. Filter Tap picks the stage the output is taken "
    "from (X: a low-pass whose slope eases off above the cutoff), Q Tap the stage that feeds the "
    "resonance back. Cutoff and Resonance take modulation on sidechain inputs (1.0 = 10 V; 1 V "
    "per octave on the cutoff).";

// The ladder stays below 1.4 for inputs within full scale at every setting
// short of the top of Resonance; there, on the Digital rows, it sings on its
// own at up to 8 (Zing 10) or 19 (Zing 50). The output is held within 4
// (+12 dBFS), the limit starting at 2.
constexpr float kCeiling = 4.0f;

constexpr PluginDef kMono{kFilterMonoUri,
                          "Ladder Filter",
                          "FilterPlugin",
                          "ladder filter",
                          &se::entries::ladder_filter,
                          1,
                          kFilterMonoPorts.data(),
                          kFilterMonoPorts.size(),
                          &kMonoDescriptor,
                          kComment,
                          &ladder::kModuleMeta,
                          kCeiling};
constexpr PluginDef kStereo{kFilterStereoUri,
                            "Ladder Filter (stereo)",
                            "FilterPlugin",
                            "ladder filter",
                            &se::entries::ladder_filter,
                            2,
                            kFilterStereoPorts.data(),
                            kFilterStereoPorts.size(),
                            &kStereoDescriptor,
                            kComment,
                            &ladder::kModuleMeta,
                            kCeiling};

const Registry::Registration kRegisterMono(kMono);
const Registry::Registration kRegisterStereo(kStereo);

} // namespace
} // namespace se_lv2
