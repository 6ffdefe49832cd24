#include "block_length.h"

#include "host_features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

namespace se_lv2 {

int32_t CapacityFromFeatures(const LV2_Feature *const *features) {
  const LV2_Feature *feature = FindFeature(features, LV2_OPTIONS__options);
  const auto *options =
      feature != nullptr ? static_cast<const LV2_Options_Option *>(feature->data) : nullptr;
  const LV2_URID_Map *map = FindUridMap(features);
  if (options == nullptr || map == nullptr)
    return kDefaultCapacity;
  const LV2_URID max_length = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID atom_int = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID atom_long = map->map(map->handle, LV2_ATOM__Long);
  for (const LV2_Options_Option *o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (max_length == 0 || o->key != max_length || o->value == nullptr)
      continue;
    int64_t v = 0;
    if (o->type == atom_int && atom_int != 0 && o->size == sizeof(int32_t))
      v = *static_cast<const int32_t *>(o->value);
    else if (o->type == atom_long && atom_long != 0 && o->size == sizeof(int64_t))
      v = *static_cast<const int64_t *>(o->value);
    if (v >= 1)
      return v > kMaxCapacity ? kMaxCapacity : static_cast<int32_t>(v);
  }
  return kDefaultCapacity;
}

} // namespace se_lv2
