// The se-host(1) manual page, written in roff from the command line as
// --help shows it (the same command table): every command with its
// arguments and options, their value names, defaults and descriptions.
#ifndef SEHOST_CLI_MAN_PAGE_H
#define SEHOST_CLI_MAN_PAGE_H

#include <CLI/CLI.hpp>

#include <string>

namespace sehost::cli {

// The hidden option that prints it (the build writes se-host.1 with it).
inline constexpr const char *kManOption = "--man";

std::string ManPage(const CLI::App &app, const std::string &version);

} // namespace sehost::cli

#endif
