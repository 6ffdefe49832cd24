// What the command-line tool asks of the operating system about processes and
// scratch folders, written once for POSIX systems and once for Windows.
#ifndef SEHOST_OS_PROCESS_H
#define SEHOST_OS_PROCESS_H

#include <string>
#include <vector>

namespace sehost {

// Where to write `target` in full before renaming it into place: a hidden
// name in the same folder (so the rename stays on one file system) that no
// other process uses: ".<name>.partial-<process id>".
std::string PartialPathBeside(const std::string &target);

// Makes a new, empty folder "<stem>-XXXXXX" in the system's temporary folder
// and returns its path. Throws HostError if it cannot.
std::string MakeTempFolder(const std::string &stem);

// True if standard error is a terminal (progress is shown only there).
bool StderrIsTerminal();

// Runs `program` (looked up in PATH if it has no folder) with `args`, its
// standard input empty and its standard output and error written to the
// named files ("" discards them), and waits for it. Answers its exit status
// (128 + the signal if a signal ended it), or -1 if it could not be started.
int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &out_path, const std::string &err_path);

} // namespace sehost

#endif
