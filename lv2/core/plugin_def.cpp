#include "plugin_def.h"

#include <cstring>

namespace se_lv2 {

namespace {

struct PluginList {
  const PluginDef *defs[Registry::kMaxPlugins];
  int count;
  int refused;
};

// Function-local statics: ready before the first registration asks for them.
PluginList &Plugins() {
  static PluginList list{};
  return list;
}

struct PresetList {
  const char *uri;
  const PresetSpec *presets;
  size_t count;
};

struct PresetLists {
  PresetList lists[PresetRegistry::kMaxLists];
  int count;
  int refused;
};

PresetLists &PresetTable() {
  static PresetLists lists{};
  return lists;
}

} // namespace

Registry::Registration::Registration(const PluginDef &def) {
  PluginList &list = Plugins();
  if (list.count == kMaxPlugins) {
    ++list.refused;
    return;
  }
  // Sorted by URI, so the order does not depend on the link order.
  int at = list.count;
  while (at > 0 && std::strcmp(list.defs[at - 1]->uri, def.uri) > 0) {
    list.defs[at] = list.defs[at - 1];
    --at;
  }
  list.defs[at] = &def;
  ++list.count;
}

int Registry::Count() { return Plugins().count; }

int Registry::Refused() { return Plugins().refused; }

const PluginDef *Registry::At(int index) {
  const PluginList &list = Plugins();
  return index >= 0 && index < list.count ? list.defs[index] : nullptr;
}

const PluginDef *Registry::Find(const char *uri) {
  if (uri == nullptr)
    return nullptr;
  for (int i = 0; i < Count(); ++i)
    if (std::strcmp(At(i)->uri, uri) == 0)
      return At(i);
  return nullptr;
}

PresetRegistry::Registration::Registration(const char *uri, const PresetSpec *presets,
                                           size_t count) {
  PresetLists &lists = PresetTable();
  if (lists.count < kMaxLists)
    lists.lists[lists.count++] = {uri, presets, count};
  else
    ++lists.refused;
}

int PresetRegistry::Refused() { return PresetTable().refused; }

size_t PresetRegistry::Presets(const char *uri, const PresetSpec **presets) {
  const PresetLists &lists = PresetTable();
  for (int i = 0; i < lists.count; ++i) {
    if (std::strcmp(lists.lists[i].uri, uri) == 0) {
      *presets = lists.lists[i].presets;
      return lists.lists[i].count;
    }
  }
  *presets = nullptr;
  return 0;
}

} // namespace se_lv2
