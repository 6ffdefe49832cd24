// The subcommands of the se-host tool, each registered on the command line.
#ifndef SEHOST_CLI_COMMANDS_H
#define SEHOST_CLI_COMMANDS_H

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

namespace sehost::cli {

// Options every subcommand shares.
struct GlobalOptions {
  std::string plugin_dir; // --plugin-dir; empty: $SE_PLUGIN_DIR or plugins/ beside se-host
};
using Globals = std::shared_ptr<GlobalOptions>;

void AddDescribe(CLI::App &app, const Globals &globals);
void AddRender(CLI::App &app, const Globals &globals);
void AddProcess(CLI::App &app, const Globals &globals);
void AddPlot(CLI::App &app, const Globals &globals);

} // namespace sehost::cli

#endif
