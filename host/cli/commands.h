// The subcommands of the se-host tool, each registered on the command line
// from one table (commands.cpp).
#ifndef SEHOST_CLI_COMMANDS_H
#define SEHOST_CLI_COMMANDS_H

#include <CLI/CLI.hpp>

#include <memory>
#include <span>
#include <string>
#include <vector>

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

// The values a command offers for an option whose value name only it knows
// ("NAME", "CONTROL=VALUE"), as whole words, given what is typed so far;
// shell completion keeps those that start with it.
using ValueLister = std::vector<std::string> (*)(const std::string &kind, const std::string &typed);

// A subcommand: its name as typed, what registers it on the command line,
// the plugin whose pins its PIN=VALUE options name when the command line
// names no plugin or patch (nullptr: none), and its own values for shell
// completion (nullptr: none).
struct Command {
  const char *name;
  void (*add)(CLI::App &app, const Globals &globals);
  const char *plugin = nullptr;
  ValueLister values = nullptr;
};

// The synth's presets (NAME) and controls (CONTROL=VALUE, with a choice's
// items or on/off after "=").
std::vector<std::string> SynthValues(const std::string &kind, const std::string &typed);

// Every subcommand, in the order the usage lists them: the one list, which
// main() registers and names in its messages.
std::span<const Command> Commands();

} // namespace sehost::cli

#endif
