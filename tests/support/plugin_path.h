// Where the tests find the built plugin libraries.
#ifndef SE_TEST_PLUGIN_PATH_H
#define SE_TEST_PLUGIN_PATH_H

#include <cstdlib>
#include <string>

namespace setest {

inline std::string PluginDir() {
  if (const char *dir = std::getenv("SE_PLUGIN_DIR")) return dir;
  return SE_DEFAULT_PLUGIN_DIR;
}

// The file of a plugin by its deliverable name ("ladder_filter").
inline std::string PluginPath(const std::string &name) {
#if defined(_WIN32)
  return PluginDir() + "/" + name + ".dll";
#else
  return PluginDir() + "/" + name + ".so";
#endif
}

} // namespace setest

#endif
