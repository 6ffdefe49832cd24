// A module library as the host sees it: its two entry points, its description
// and its pin list. Loaded from a plugin file, or compiled into the program
// (FromEntry: a row of a module table, runtime/module_table.h).
#ifndef SEHOST_PLUGIN_LIBRARY_H
#define SEHOST_PLUGIN_LIBRARY_H

#include "dynamic_library.h"
#include "pin_info.h"
#include "se_abi.h"
#include "se_plugin.h"

#include <memory>
#include <string>
#include <vector>

namespace sehost {

struct ModuleDescription {
  std::string name;
  std::string id;
  std::string about;
  int32_t sdk_version = 0;
};

class PluginLibrary {
public:
  // Loads the file and reaches its two exports; throws HostError naming the
  // file and what is wrong.
  static std::unique_ptr<PluginLibrary> Load(const std::string &path);
  // A module compiled into this program, named `name` (its Path() then).
  static std::unique_ptr<PluginLibrary> FromEntry(const std::string &name,
                                                  const se::PluginEntry &entry);
  // The plugin name of a library file: "plugins/ladder_filter.so" -> "ladder_filter".
  static std::string NameOf(const std::string &path);

  const std::string &Path() const { return m_path; }
  const ModuleDescription &Description() const { return m_description; }
  // Every pin of the list, GUI-only pins included, in list order.
  const std::vector<PinInfo> &Pins() const { return m_pins; }
  // The pins that get a DSP pin object, indexed by DSP pin index.
  std::vector<PinInfo> DspPins() const;

  SEGetModulePropertiesFn GetModuleProperties() const { return m_getProperties; }
  SEMakeModuleFn MakeModule() const { return m_makeModule; }
  se::PluginEntry Entry() const { return {m_getProperties, m_makeModule}; }

  // Reads the pin list of one DSP instance through its dispatcher.
  static std::vector<PinInfo> ReadPins(SEModuleRecord *record);

private:
  PluginLibrary() = default;
  void Describe(); // description and pin list, through the entry points
  std::string m_path;
  std::unique_ptr<DynamicLibrary> m_library;
  SEGetModulePropertiesFn m_getProperties = nullptr;
  SEMakeModuleFn m_makeModule = nullptr;
  ModuleDescription m_description;
  std::vector<PinInfo> m_pins;
};

} // namespace sehost

#endif
