// `se-host describe PLUGIN...`: a module's description and pin list as a host
// shows them.
#include "commands.h"
#include "host.h"
#include "plugin_locator.h"

#include <filesystem>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace sehost::cli {
namespace {

const char *DirectionText(int32_t d) {
  switch (d) {
  case DR_IN: return "in";
  case DR_OUT: return "out";
  default: return "other";
  }
}

const char *DatatypeText(int32_t t) {
  switch (t) {
  case DT_CHOICE: return "choice";
  case DT_FSAMPLE: return "audio";
  case DT_INT32: return "int32";
  default: return "other";
  }
}

void Describe(const PluginLibrary &lib, std::ostream &out) {
  const ModuleDescription &d = lib.Description();
  out << "Module:  " << d.name << "\n"
      << "Id:      " << d.id << "\n"
      << "SDK:     " << d.sdk_version << "\n"
      << "About:\n";
  std::string line;
  for (char c : d.about) {
    if (c == '\n') {
      out << "  | " << line << "\n";
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty())
    out << "  | " << line << "\n";
  out << "Pins:\n";
  for (const PinInfo &p : lib.Pins()) {
    out << "  " << (p.dsp_index >= 0 ? std::to_string(p.dsp_index) : std::string("-")) << "  "
        << DirectionText(p.direction) << "  " << DatatypeText(p.datatype) << "  \"" << p.name
        << "\"";
    if (p.has_default && !p.default_text.empty()) {
      out << "  default " << p.default_text;
      if (p.IsAudio())
        out << " V";
    }
    if (p.IsAudio() && !p.datatype_text.empty())
      out << "  range " << p.datatype_text;
    out << "\n";
    if (p.datatype == DT_CHOICE) {
      const auto items = p.Choices();
      if (items.size() > 16) {
        out << "      choices: " << items.front().text << "=" << items.front().value << " ... "
            << items.back().text << "=" << items.back().value << " (" << items.size()
            << " items)\n";
      } else {
        out << "      choices:";
        for (const auto &item : items)
          out << " " << item.text << "=" << item.value;
        out << "\n";
      }
    }
  }
}

} // namespace

void AddDescribe(CLI::App &app, const Globals &globals) {
  auto plugins = std::make_shared<std::vector<std::string>>();
  CLI::App *cmd = app.add_subcommand("describe", "Show a plugin's description and pin list");
  cmd->add_option("plugin", *plugins,
                  "Plugin names (\"ladder_filter\") or files; none: every plugin in the folder");
  cmd->callback([plugins, globals] {
    const std::string dir = DefaultPluginDir(globals->plugin_dir);
    std::vector<std::string> names = *plugins;
    if (names.empty()) {
      names = ListPlugins(dir);
      if (names.empty())
        throw HostError("no plugins in \"" + dir + "\"");
    }
    bool first = true;
    for (const auto &name : names) {
      // A file named on the command line is taken as it is; a bare name is
      // looked up in the plugin folder.
      std::error_code ec;
      const bool is_file =
          name.find('/') != std::string::npos && std::filesystem::is_regular_file(name, ec);
      auto lib = PluginLibrary::Load(is_file ? name : ResolvePlugin(name, dir));
      if (!first)
        std::cout << "\n";
      first = false;
      Describe(*lib, std::cout);
    }
  });
}

} // namespace sehost::cli
