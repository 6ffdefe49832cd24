#include "block_length.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace se_lv2 {

int32_t CapacityFromFeatures(const LV2_Feature *const *features) {
  const LV2_Options_Option *options = nullptr;
  const LV2_URID_Map *map = nullptr;
  bool have_options = false;
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
    const LV2_Feature *f = features[i];
    if (f->URI == nullptr)
      continue;
    if (std::strcmp(f->URI, LV2_OPTIONS__options) == 0) {
      have_options = true;
      options = static_cast<const LV2_Options_Option *>(f->data);
    } else if (std::strcmp(f->URI, LV2_URID__map) == 0) {
      map = static_cast<const LV2_URID_Map *>(f->data);
    }
  }
  if (!have_options)
    return kDefaultCapacity;
  if (options == nullptr || map == nullptr || map->map == nullptr)
    return 0;
  const LV2_URID max_length = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID atom_int = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID atom_long = map->map(map->handle, LV2_ATOM__Long);
  for (const LV2_Options_Option *o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->key != max_length || o->value == nullptr)
      continue;
    int64_t v = 0;
    if (o->type == atom_int && o->size == sizeof(int32_t))
      v = *static_cast<const int32_t *>(o->value);
    else if (o->type == atom_long && o->size == sizeof(int64_t))
      v = *static_cast<const int64_t *>(o->value);
    else
      return 0;
    if (v < 1)
      return 0;
    return v > kMaxCapacity ? kMaxCapacity : static_cast<int32_t>(v);
  }
  return 0;
}

} // namespace se_lv2
