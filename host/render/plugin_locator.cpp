#include "plugin_locator.h"

#include "host_error.h"
#include "message_text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

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

namespace {

// The folder of the running program, empty when it cannot be found.
fs::path ProgramDir() {
#if defined(_WIN32)
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size())
    return {};
  path.resize(n);
  return fs::path(path).parent_path();
#else
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : self.parent_path();
#endif
}

} // namespace

const char *PluginDirFromProgram() { return SE_PLUGIN_DIR_FROM_PROGRAM; }

std::string PluginDirOfProgram(const std::string &program_dir) {
  const fs::path dir(program_dir);
  const fs::path beside = dir / "plugins";
  const fs::path installed = (dir / PluginDirFromProgram()).lexically_normal();
  std::error_code ec;
  for (const fs::path &candidate : {beside, installed})
    if (fs::is_directory(candidate, ec))
      return candidate.string();
  return beside.string();
}

std::string DefaultPluginDir(const std::string &option) {
  if (!option.empty())
    return option;
  if (const char *env = std::getenv("SE_PLUGIN_DIR"); env != nullptr && *env != '\0')
    return env;
  const fs::path self = ProgramDir();
  return self.empty() ? std::string("plugins") : PluginDirOfProgram(self.string());
}

} // namespace sehost
