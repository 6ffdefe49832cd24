// Where the tests find the built plugin libraries.
#ifndef SE_TEST_PLUGIN_PATH_H
#define SE_TEST_PLUGIN_PATH_H

#include <cstdlib>
#include <string>

namespace setest {

inline std::string PluginDir() {
  if (const char *dir = std::getenv("SE_PLUGIN_DIR"))
    return dir;
  return SE_DEFAULT_PLUGIN_DIR;
}

inline std::string TestPluginDir() {
  if (const char *dir = std::getenv("SE_TEST_PLUGIN_DIR"))
    return dir;
  return SE_DEFAULT_TEST_PLUGIN_DIR;
}

#if defined(_WIN32)
inline constexpr const char *kPluginSuffix = ".dll";
#else
inline constexpr const char *kPluginSuffix = ".so";
#endif

// The file of a plugin by its deliverable name ("ladder_filter").
inline std::string PluginPath(const std::string &name) {
  return PluginDir() + "/" + name + kPluginSuffix;
}

// The file of a plugin built only for the tests.
inline std::string TestPluginPath(const std::string &name) {
  return TestPluginDir() + "/" + name + kPluginSuffix;
}

} // namespace setest

#endif
