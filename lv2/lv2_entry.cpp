// The bundle binary's one export: every registered plugin, in URI order.
#include "plugin_def.h"

LV2_SYMBOL_EXPORT const LV2_Descriptor *lv2_descriptor(uint32_t index) {
  const se_lv2::PluginDef *def = se_lv2::Registry::At(static_cast<int>(index));
  return def != nullptr ? def->descriptor : nullptr;
}
