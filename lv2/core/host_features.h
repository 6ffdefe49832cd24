// The features a host passes at instantiation, looked up by URI, and which of
// them a plugin of the bundle cannot work without.
//
// A plugin with an event input (a MIDI port) requires urid:map: without it no
// event type can be recognised. The Turtle files declare it as
// lv2:requiredFeature for exactly those plugins (the rule below), and their
// instantiate answers NULL without a usable map. Every other plugin lists it as
// optional (it only reads options with it).
#ifndef SE_LV2_HOST_FEATURES_H
#define SE_LV2_HOST_FEATURES_H

#include "plugin_def.h"

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace se_lv2 {

// The feature with this URI, or nullptr when the host passed none.
inline const LV2_Feature *FindFeature(const LV2_Feature *const *features, const char *uri) {
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, uri) == 0)
      return features[i];
  return nullptr;
}

// The host's URID map, or nullptr when it passed none that can be called.
inline const LV2_URID_Map *FindUridMap(const LV2_Feature *const *features) {
  const LV2_Feature *f = FindFeature(features, LV2_URID__map);
  const auto *map = f != nullptr ? static_cast<const LV2_URID_Map *>(f->data) : nullptr;
  return map != nullptr && map->map != nullptr ? map : nullptr;
}

inline bool RequiresUridMap(const PluginDef &def) {
  for (size_t i = 0; i < def.portCount; ++i)
    if (def.ports[i].type == PortType::kMidiIn)
      return true;
  return false;
}

} // namespace se_lv2

#endif // SE_LV2_HOST_FEATURES_H
