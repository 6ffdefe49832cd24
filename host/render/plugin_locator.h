// Finds plugin files by name in a plugin folder.
#ifndef SEHOST_PLUGIN_LOCATOR_H
#define SEHOST_PLUGIN_LOCATOR_H

#include <string>
#include <vector>

namespace sehost {

// The file extension of plugin libraries on this platform (".so", ".dll").
const char *PluginExtension();

// The path of a plugin given by name: an absolute path as it is; otherwise a
// file in `plugin_dir`, with or without the extension ("ladder_filter" or
// "ladder_filter.so"). Throws HostError naming what was looked for and the
// plugins the folder holds.
std::string ResolvePlugin(const std::string &name, const std::string &plugin_dir);

// The plugin files in a folder, by deliverable name, sorted.
std::vector<std::string> ListPlugins(const std::string &plugin_dir);

// The folder to look in: `option` when given, else $SE_PLUGIN_DIR, else the
// one the running program finds from its own place (PluginDirOfProgram).
std::string DefaultPluginDir(const std::string &option = "");

// The plugin folder of a program in `program_dir`: plugins/ beside it (a
// build), else the folder it is installed with (<prefix>/lib/se-modules for
// <prefix>/bin, SE_PLUGIN_DIR_FROM_PROGRAM), whichever exists first; plugins/
// beside it when neither does.
std::string PluginDirOfProgram(const std::string &program_dir);

// Where an installed program finds its plugins, relative to its own folder
// ("../lib/se-modules").
const char *PluginDirFromProgram();

} // namespace sehost

#endif
