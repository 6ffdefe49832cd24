// The library's two exports: the oscillator module and its GUI instance.
#include "audio_oscillator/pins.h"
#include "oscillator_module.h"
#include "se_plugin.h"

namespace {

constexpr se::PluginInfo kInfo{
    osc::kModuleName, osc::kModuleId,
    "Standard Audio Oscillator\n"
    "Ver:3.00\n"
    "\n"
    "Waveform: Selects waveform shape\n"
    "Harmonics: Set the number of active harmonics - can be used as a simple filter by "
    "removing high harmonics\n"
    "Freq Limit: Defines the Frequency (Hz) above which the Wavetable harmonics are removed\n"
    "   *Note Root Harmonic always sounds\n"
    "Limit Freq System: OFF/A/B:\n"
    "   OFF: Frequencies can go beyond Nyquist causing foldback frequencies/wierd FX etc\n"
    "Pitch Mod Accuracy: High: Realtime Modulation  Low: Block Accurate\n"
    "Sync Accuracy: High: (Recommended)\n"
    "HOLD: When ON the output of the oscillator freezes - can be useful for LFO use etc\n"
    "Active: Off,On ( When not used, set to Off to save CPU )",
    2240};

} // namespace

SE_DECLARE_PLUGIN(audio_oscillator, kInfo, osc::Module, osc::GuiModule)
