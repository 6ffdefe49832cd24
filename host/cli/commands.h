// The subcommands of the se-host tool, each registered on the command line.
#ifndef SEHOST_CLI_COMMANDS_H
#define SEHOST_CLI_COMMANDS_H

#include <CLI/CLI.hpp>

namespace sehost::cli {

void AddDescribe(CLI::App &app);

} // namespace sehost::cli

#endif
