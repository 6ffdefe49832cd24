// The library's two exports: the generator's description and its instances.
#include "generator_module.h"
#include "se_plugin.h"
#include "wavetable_generator/pins.h"

namespace {

constexpr se::PluginInfo kInfo{
    wavetable::kModuleName,
    wavetable::kModuleId,
    "QX_Osc WaveTable Generator\n"
    "Ver:2.90\n"
    "\n"
    "Creates Standard Wavetables for QX_Oscillators",
    2240,
};

} // namespace

SE_DECLARE_PLUGIN(wavetable_generator, kInfo, wavetable::Module, wavetable::GuiModule)
