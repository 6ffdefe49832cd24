// The library's two exports: the description of "DO DI Zuderu 3" and its DSP
// instances (there is no GUI instance).
#include "ladder_filter/pins.h"
#include "ladder_filter_module.h"
#include "se_plugin.h"

namespace {

constexpr const char kAbout[] = "DO DI Zuderu 3\n"
                                "A digital model of the classic transistor ladder filter.\n"
                                "Written for this module collection; free to use in any patch.\n"
                                "2, 3, 4 or 5 pole ladder with selectable resonance tap point\n"
                                "\n"
                                " * Pitch: 0-10V (2 - 10.5V) \n"
                                " * Resonance: 0 - 10 V\n"
                                " * Zing (F->Q): 0.1V -50V (10V default) {Expert Pin}\n"
                                " * Filter Tap: 2-5 stages\n"
                                " * Q Tap: 2-5 stages\n"
                                " * Emulate: Analog or Digital \n"
                                " * Variant: Clear or Fuzzy {Expert Pin}\n"
                                " * Type: LP (Low pass), HP (High Pass)\n";

// This library writes its version even for an index it does not hold.
constexpr se::PluginInfo kInfo{ladder::kModuleName, ladder::kModuleId, kAbout, 2230, true};

} // namespace

SE_DECLARE_PLUGIN(ladder_filter, kInfo, ladder::Module, se::NoGui)
