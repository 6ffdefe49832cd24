#include "synth/presets.h"

#include <cctype>
#include <iterator>

namespace synth {

namespace {

using V = PresetValue;

constexpr V kInit[] = {{kVolume, -6}};

constexpr Preset kPresets[] = {
    {"init", "Init", "Keys", kInit},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

std::span<const Preset> FactoryPresets() { return kPresets; }

const Preset *FindPreset(std::string_view name) {
  for (const Preset &p : kPresets)
    if (SameName(p.symbol, name) || SameName(p.name, name))
      return &p;
  return nullptr;
}

void PresetControls(const Preset &preset, float (&values)[kControlCount]) {
  for (int c = 0; c < kControlCount; ++c)
    values[c] = kControls[c].defaultValue;
  for (const PresetValue &v : preset.values)
    values[v.control] = ContainValue(v.control, v.value);
}

} // namespace synth
