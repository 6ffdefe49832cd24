// Declares a module's two entry points, and in its own plugin library the two
// exports that hand them to a host.
//
//   constexpr se::PluginInfo kInfo{"Name", "Id", "About\n", 2240};
//   SE_DECLARE_PLUGIN(ladder_filter, kInfo, Module, GuiModule)   // or se::NoGui
//
// defines `se::entries::ladder_filter`, an se::PluginEntry with the module's
// getModuleProperties and makeModule, so that one binary can hold several
// modules (the LV2 bundle). Only a library built with SE_PLUGIN_LIBRARY (the
// module's own plugin library, see cmake/se_plugin.cmake) also exports them
// under the C names `getModuleProperties` and `makeModule`. Code elsewhere
// names an entry with SE_USE_PLUGIN_ENTRY(ladder_filter).
#ifndef SE_PLUGIN_H
#define SE_PLUGIN_H

#include "se_gui_base.h"
#include "se_module_base.h"

#include <new>
#include <type_traits>

namespace se {

struct PluginInfo {
  const char *name;
  const char *id;
  const char *about;
  int32_t sdkVersion;
  // Some libraries store their version before they look at the index.
  bool versionBeforeIndex = false;
};

struct NoGui {};

// Hands an instance's record to makeModule: the one way out of the closed bases.
struct InstanceRecords {
  static SEModuleRecord *Of(SEModule_base *m) { return &m->m_record; }
  static SEGuiRecord *Of(SEGUI_base *g) { return &g->m_record; }
};

// A module's two entry points, as a host calls them.
struct PluginEntry {
  SEGetModulePropertiesFn getModuleProperties;
  SEMakeModuleFn makeModule;
};

inline int32_t GetModuleProperties(const PluginInfo &info, int32_t index,
                                   SEModuleProperties *props) {
  if (props == nullptr)
    return 0;
  if (info.versionBeforeIndex)
    props->sdk_version = info.sdkVersion;
  if (index != 0)
    return 0;
  props->name = info.name;
  props->id = info.id;
  props->about = info.about;
  props->sdk_version = info.sdkVersion;
  return 1;
}

template <const PluginInfo &Info>
int32_t SE_CDECL GetModulePropertiesEntry(int32_t index, SEModuleProperties *props) {
  return GetModuleProperties(Info, index, props);
}

template <class Dsp, class Gui>
void *SE_CDECL MakeModule(int32_t index, int32_t type, SEHostCallback host, intptr_t host_data) {
  if (index != 0)
    return nullptr;
  try {
    if (type == MT_DSP) {
      auto *m = new (std::nothrow) Dsp(host, host_data);
      return m != nullptr ? InstanceRecords::Of(static_cast<SEModule_base *>(m)) : nullptr;
    }
    if constexpr (!std::is_same_v<Gui, NoGui>) {
      if (type == MT_GUI) {
        auto *g = new (std::nothrow) Gui(host, host_data);
        return g != nullptr ? InstanceRecords::Of(static_cast<SEGUI_base *>(g)) : nullptr;
      }
    }
  } catch (...) {
  }
  return nullptr;
}

} // namespace se

#define SE_USE_PLUGIN_ENTRY(NAME)                                                                  \
  namespace se::entries {                                                                          \
  extern const ::se::PluginEntry NAME;                                                             \
  }

#define SE_DECLARE_PLUGIN(NAME, INFO, DSP, GUI)                                                    \
  SE_USE_PLUGIN_ENTRY(NAME)                                                                        \
  const ::se::PluginEntry se::entries::NAME{&::se::GetModulePropertiesEntry<INFO>,                 \
                                            &::se::MakeModule<DSP, GUI>};                          \
  SE_PLUGIN_LIBRARY_EXPORTS(INFO, DSP, GUI)

#ifdef SE_PLUGIN_LIBRARY
#define SE_PLUGIN_LIBRARY_EXPORTS(INFO, DSP, GUI)                                                  \
  extern "C" SE_EXPORT int32_t SE_CDECL getModuleProperties(int32_t index,                         \
                                                            SEModuleProperties *props) {           \
    return ::se::GetModuleProperties(INFO, index, props);                                          \
  }                                                                                                \
  extern "C" SE_EXPORT void *SE_CDECL makeModule(int32_t index, int32_t type, SEHostCallback host, \
                                                 intptr_t host_data) {                             \
    return ::se::MakeModule<DSP, GUI>(index, type, host, host_data);                               \
  }
#else
#define SE_PLUGIN_LIBRARY_EXPORTS(INFO, DSP, GUI)
#endif

#endif // SE_PLUGIN_H
