// The factory presets: one table, from which the LV2 bundle's presets (and
// the web page's list) are written and which `se-host synth --preset` reads.
// A preset sets every control: the values it names, and every other control
// at its default.
#ifndef SYNTH_PRESETS_H
#define SYNTH_PRESETS_H

#include "synth/controls.h"

#include <span>
#include <string_view>

namespace synth {

struct PresetValue {
  Control control;
  float value;
};

struct Preset {
  const char *symbol;   // stable: LV2 preset URI suffix, --preset name
  const char *name;     // what it sounds like
  const char *category; // Bass, Lead, Pad, Pluck, Brass, Strings, Keys, Effect
  std::span<const PresetValue> values;
};

std::span<const Preset> FactoryPresets();

// The preset whose symbol or name is `name` (letter case aside), or nullptr.
const Preset *FindPreset(std::string_view name);

// Every control's value under `preset`.
void PresetControls(const Preset &preset, float (&values)[kControlCount]);

} // namespace synth

#endif // SYNTH_PRESETS_H
