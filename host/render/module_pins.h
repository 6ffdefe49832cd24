// What the host knows of our modules' pins beyond their pin lists: the pin
// metadata each module publishes in its public header (se_pin_meta.h), found
// by the module's id. A module without metadata (one we did not build) is
// known by its pin list alone.
#ifndef SEHOST_MODULE_PINS_H
#define SEHOST_MODULE_PINS_H

#include "pin_info.h"
#include "se_pin_meta.h"

#include <string>
#include <vector>

namespace sehost {

// The metadata of the module with this id, or nullptr.
const se::ModuleMeta *ModuleMetaOf(const std::string &module_id);

// The metadata of one pin of a module's list (by its place in the list, under
// its name), or nullptr.
const se::PinMeta *PinMetaOf(const se::ModuleMeta *module, const PinInfo &pin);

// The pin of `pins` that `name` names: the pin of that exact name, else the
// one whose display name, symbol or alias it is (letter case aside). nullptr
// for none.
const PinInfo *FindPin(const std::vector<PinInfo> &pins, const se::ModuleMeta *module,
                       const std::string &name);

// The other names a pin goes by ("Cutoff"), each once and none that is its own
// name but for letter case.
std::vector<std::string> OtherNames(const se::PinMeta &meta);

} // namespace sehost

#endif // SEHOST_MODULE_PINS_H
