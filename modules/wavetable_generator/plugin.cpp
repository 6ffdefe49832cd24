// The library's two exports: the generator's description and its instances.
#include "generator_module.h"
#include "se_plugin.h"

namespace {

constexpr se::PluginInfo kInfo{
    "QX_Standard_OscWT",
    "OscWaveTable_Standard_QX2010",
    "QX_Osc WaveTable Generator\n"
    "Ver:2.90\n"
    "\n"
    "Creates Standard Wavetables for QX_Oscillators",
    2240,
};

} // namespace

SE_DECLARE_PLUGIN(kInfo, wavetable::Module, wavetable::GuiModule)
