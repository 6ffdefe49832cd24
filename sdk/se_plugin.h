// Declares the one module a library holds and writes its two exports.
//
//   constexpr se::PluginInfo kInfo{"Name", "Id", "About\n", 2240};
//   SE_DECLARE_PLUGIN(kInfo, Module, GuiModule)   // or se::NoGui
#ifndef SE_PLUGIN_H
#define SE_PLUGIN_H

#include "SEGUI_base.h"
#include "SEModule_base.h"

#include <new>
#include <type_traits>

namespace se {

struct PluginInfo {
  const char *name;
  const char *id;
  const char *about;
  int32_t sdk_version;
  // Some libraries store their version before they look at the index.
  bool version_before_index = false;
};

struct NoGui {};

inline int32_t GetModuleProperties(const PluginInfo &info, int32_t index,
                                   SEModuleProperties *props) {
  if (props == nullptr)
    return 0;
  if (info.version_before_index)
    props->sdk_version = info.sdk_version;
  if (index != 0)
    return 0;
  props->name = info.name;
  props->id = info.id;
  props->about = info.about;
  props->sdk_version = info.sdk_version;
  return 1;
}

template <class Dsp, class Gui>
void *MakeModule(int32_t index, int32_t type, SEHostCallback host, intptr_t host_data) {
  if (index != 0)
    return nullptr;
  try {
    if (type == MT_DSP) {
      auto *m = new (std::nothrow) Dsp(host, host_data);
      return m != nullptr ? static_cast<SEModule_base *>(m)->Record() : nullptr;
    }
    if constexpr (!std::is_same_v<Gui, NoGui>) {
      if (type == MT_GUI) {
        auto *g = new (std::nothrow) Gui(host, host_data);
        return g != nullptr ? static_cast<SEGUI_base *>(g)->Record() : nullptr;
      }
    }
  } catch (...) {
  }
  return nullptr;
}

} // namespace se

#define SE_DECLARE_PLUGIN(INFO, DSP, GUI)                                                          \
  extern "C" SE_EXPORT int32_t SE_CDECL getModuleProperties(int32_t index,                         \
                                                            SEModuleProperties *props) {           \
    return ::se::GetModuleProperties(INFO, index, props);                                          \
  }                                                                                                \
  extern "C" SE_EXPORT void *SE_CDECL makeModule(int32_t index, int32_t type, SEHostCallback host, \
                                                 intptr_t host_data) {                             \
    return ::se::MakeModule<DSP, GUI>(index, type, host, host_data);                               \
  }

#endif // SE_PLUGIN_H
