// The subcommands of the se-host tool, each registered on the command line
// from one table (commands.cpp).
#ifndef SEHOST_CLI_COMMANDS_H
#define SEHOST_CLI_COMMANDS_H

#include <CLI/CLI.hpp>

#include <memory>
#include <span>
#include <string>

namespace sehost::cli {

// Options every subcommand shares.
struct GlobalOptions {
  std::string pluginDir; // --plugin-dir; empty: $SE_PLUGIN_DIR or plugins/ beside se-host
};
using Globals = std::shared_ptr<GlobalOptions>;

void AddDescribe(CLI::App &app, const Globals &globals);
void AddRender(CLI::App &app, const Globals &globals);
void AddProcess(CLI::App &app, const Globals &globals);
void AddPlot(CLI::App &app, const Globals &globals);
void AddSynth(CLI::App &app, const Globals &globals);

// A subcommand: its name as typed, what registers it on the command line,
// and the plugin whose pins its PIN=VALUE options name when the command line
// names no plugin or patch (nullptr: none), which shell completion offers.
struct Command {
  const char *name;
  void (*add)(CLI::App &app, const Globals &globals);
  const char *plugin = nullptr;
};

// Every subcommand, in the order the usage lists them: the one list, which
// main() registers and names in its messages.
std::span<const Command> Commands();

} // namespace sehost::cli

#endif
