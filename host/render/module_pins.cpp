#include "module_pins.h"

#include "se_pin_catalog.h"

#include "se_text.h"

#include <algorithm>

namespace sehost {
namespace {

void AddName(std::vector<std::string> &names, const se::PinMeta &meta, const char *name) {
  if (name == nullptr || *name == '\0' || se::SameLetters(meta.name, name))
    return;
  if (std::none_of(names.begin(), names.end(),
                   [&](const std::string &n) { return se::SameLetters(n, name); }))
    names.emplace_back(name);
}

} // namespace

const se::ModuleMeta *ModuleMetaOf(const std::string &module_id) {
  for (const se::ModuleMeta *m : se::PinCatalog())
    if (module_id == m->id)
      return m;
  return nullptr;
}

const se::PinMeta *PinMetaOf(const se::ModuleMeta *module, const PinInfo &pin) {
  if (module == nullptr || pin.property_index < 0 ||
      static_cast<size_t>(pin.property_index) >= module->meta.size())
    return nullptr;
  const se::PinMeta &meta = module->meta[pin.property_index];
  return meta.name == pin.name ? &meta : nullptr;
}

std::vector<std::string> OtherNames(const se::PinMeta &meta) {
  std::vector<std::string> names;
  AddName(names, meta, meta.display);
  AddName(names, meta, meta.symbol);
  for (const char *alias : meta.aliases)
    AddName(names, meta, alias);
  return names;
}

const PinInfo *FindPin(const std::vector<PinInfo> &pins, const se::ModuleMeta *module,
                       const std::string &name) {
  if (name.empty())
    return nullptr;
  for (const PinInfo &pin : pins)
    if (pin.name == name)
      return &pin;
  for (const PinInfo &pin : pins) {
    const se::PinMeta *meta = PinMetaOf(module, pin);
    if (meta == nullptr || meta->hidden)
      continue;
    for (const std::string &other : OtherNames(*meta))
      if (se::SameLetters(other, name))
        return &pin;
  }
  return nullptr;
}

} // namespace sehost
