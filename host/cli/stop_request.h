// How the tool learns that it is being ended while it writes a file: every
// signal that would end the process (and on Windows every console event)
// becomes a request that the work loop sees, so that it can remove what it
// was writing and leave everything that existed before as it was.
#ifndef SEHOST_CLI_STOP_REQUEST_H
#define SEHOST_CLI_STOP_REQUEST_H

#include <string>

namespace sehost::cli {

// Installs the handlers. Signals that would end the process set the request;
// SIGXFSZ is ignored, so that a write past the file-size limit fails and is
// reported like any failed write; a crash removes the file named by
// RemoveOnCrash() before it ends the process.
void InstallStopHandlers();

// The name of what asked the tool to stop ("SIGHUP", "Ctrl+C", ...), or
// nullptr if nothing has.
const char *StopRequest();

// The file that a crash (SIGSEGV, SIGABRT, ...) removes; "" for none.
void RemoveOnCrash(const std::string &path);

} // namespace sehost::cli

#endif
