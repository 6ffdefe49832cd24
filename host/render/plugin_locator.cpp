#include "plugin_locator.h"

#include "host_error.h"
#include "message_text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace sehost {
namespace fs = std::filesystem;

const char *PluginExtension() {
#if defined(_WIN32)
  return ".dll";
#else
  return ".so";
#endif
}

std::vector<std::string> ListPlugins(const std::string &plugin_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(plugin_dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == PluginExtension())
      names.push_back(it->path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ResolvePlugin(const std::string &name, const std::string &plugin_dir) {
  if (name.empty())
    throw HostError("no plugin file named");
  std::error_code ec;
  const fs::path given(name);
  if (given.is_absolute()) {
    if (fs::is_regular_file(given, ec))
      return name;
    throw HostError("plugin file " + Quoted(name) + " not found");
  }
  const fs::path in_dir = fs::path(plugin_dir) / given;
  if (fs::is_regular_file(in_dir, ec))
    return in_dir.string();
  fs::path with_ext = in_dir;
  with_ext += PluginExtension();
  if (fs::is_regular_file(with_ext, ec))
    return with_ext.string();

  std::string known;
  for (const std::string &n : ListPlugins(plugin_dir))
    known += (known.empty() ? "" : ", ") + n;
  if (!fs::is_directory(plugin_dir, ec))
    throw HostError("plugin " + Quoted(name) + " not found: the plugin folder \"" + plugin_dir +
                    "\" does not exist (set it with --plugin-dir or SE_PLUGIN_DIR)");
  throw HostError("plugin " + Quoted(name) + " not found in \"" + plugin_dir + "\"" +
                  (known.empty() ? std::string(" (the folder holds no plugins)")
                                 : " (it holds: " + known + ")"));
}

std::string DefaultPluginDir(const std::string &option) {
  if (!option.empty())
    return option;
  if (const char *env = std::getenv("SE_PLUGIN_DIR"); env != nullptr && *env != '\0')
    return env;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec)
    return (self.parent_path() / "plugins").string();
  return "plugins";
}

} // namespace sehost
