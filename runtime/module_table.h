// Modules compiled into the binary that runs them, found by plugin name: the
// way a front end without plugin files (the LV2 bundle, the synth, a web
// build) opens a module. Each row names a module's two entry points as its
// own plugin library would export them (se::PluginEntry, sdk/se_plugin.h), so
// an instance opened from a row behaves exactly as one opened from the file.
#ifndef SE_RUNTIME_MODULE_TABLE_H
#define SE_RUNTIME_MODULE_TABLE_H

#include "se_plugin.h"

#include <cstddef>
#include <cstring>

namespace se_runtime {

struct StaticModule {
  const char *name; // the plugin's name: its file is <name>.so / <name>.dll
  const se::PluginEntry *entry;
};

class ModuleTable {
public:
  constexpr ModuleTable() = default;
  constexpr ModuleTable(const StaticModule *modules, size_t count)
      : m_modules(modules), m_count(count) {}

  size_t Count() const { return m_count; }
  const StaticModule &operator[](size_t i) const { return m_modules[i]; }
  const StaticModule *begin() const { return m_modules; }
  const StaticModule *end() const { return m_modules + m_count; }
  // The entry of the module `name`, or nullptr.
  const se::PluginEntry *Find(const char *name) const {
    for (const StaticModule &m : *this)
      if (name != nullptr && std::strcmp(m.name, name) == 0)
        return m.entry;
    return nullptr;
  }

private:
  const StaticModule *m_modules = nullptr;
  size_t m_count = 0;
};

// Every module this build makes, compiled in. Defined by the library
// `se_static_modules` (modules/CMakeLists.txt): link it to use this.
const ModuleTable &StaticModules();

} // namespace se_runtime

#endif // SE_RUNTIME_MODULE_TABLE_H
