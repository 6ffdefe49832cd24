// Shell completion, answered by se-host itself from the same command table
// as --help: command and option names, and for option values the kind their
// value name gives (PLUGIN, PATCH, PIN=VALUE, ID.PIN=VALUE, FORMAT, DIR, ...):
// plugin names from the plugin folder, pin names and choice items from the
// plugin or from the modules of the patch on the command line.
//
// The shell script (se-host.bash) calls the hidden command
//   se-host __complete INDEX WORD0 WORD1 ...
// with the words of the command line and the index of the word being
// completed. The first line of the answer is how to complete: "words" (the
// lines that follow are the candidates, already matched to the word), "files"
// (any file), "files:EXT" (files ending in .EXT), "dirs" or "none".
#ifndef SEHOST_CLI_COMPLETION_H
#define SEHOST_CLI_COMPLETION_H

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace sehost::cli {

// The first word of a completion request.
inline constexpr const char *kCompleteCommand = "__complete";

struct CompletionAnswer {
  std::string mode = "none";
  std::vector<std::string> words;
};

// Completes `words[index]` (words[0] is the program) on `app`.
CompletionAnswer Complete(const CLI::App &app, const std::vector<std::string> &words, size_t index);

// Answers `se-host __complete INDEX WORDS...` (`args` without the program and
// the command word) on standard output; returns the exit status.
int PrintCompletion(const CLI::App &app, const std::vector<std::string> &args);

} // namespace sehost::cli

#endif
