#include "stop_request.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sehost::cli {
namespace {

// The request, as an index into the names below plus one (0: none).
std::atomic<int> g_request{0};
// The file a crash removes, kept where a signal handler can read it.
char g_crash_path[4096];

struct Ending {
  int number;
  const char *name;
};

#if defined(_WIN32)

const Ending kEvents[] = {{CTRL_C_EVENT, "Ctrl+C"},
                          {CTRL_BREAK_EVENT, "Ctrl+Break"},
                          {CTRL_CLOSE_EVENT, "the console closing"},
                          {CTRL_LOGOFF_EVENT, "logoff"},
                          {CTRL_SHUTDOWN_EVENT, "shutdown"}};
constexpr int kEventCount = static_cast<int>(sizeof kEvents / sizeof kEvents[0]);

BOOL WINAPI OnConsoleEvent(DWORD event) {
  int index = 0;
  while (index < kEventCount - 1 && kEvents[index].number != static_cast<int>(event))
    ++index;
  int none = 0;
  g_request.compare_exchange_strong(none, index + 1);
  // After these three the system ends the process as soon as this returns:
  // wait here while the work loop cleans up and exits (the system's own
  // time limit still applies).
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    Sleep(10000);
  return TRUE;
}

#else

// Every signal whose default action ends the process, except the crashes
// below and SIGXFSZ (ignored). A write to a closed pipe both raises SIGPIPE
// and fails, so either way the render stops.
const Ending kSignals[] = {
    {SIGINT, "SIGINT"},       {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"},   {SIGPIPE, "SIGPIPE"},
    {SIGQUIT, "SIGQUIT"},     {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"}, {SIGALRM, "SIGALRM"},
    {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGXCPU, "SIGXCPU"}, {SIGTRAP, "SIGTRAP"},
#if defined(SIGPOLL)
    {SIGPOLL, "SIGPOLL"},
#endif
#if defined(SIGPWR)
    {SIGPWR, "SIGPWR"},
#endif
#if defined(SIGSTKFLT)
    {SIGSTKFLT, "SIGSTKFLT"},
#endif
#if defined(SIGEMT)
    {SIGEMT, "SIGEMT"},
#endif
#if defined(SIGLOST)
    {SIGLOST, "SIGLOST"},
#endif
};
constexpr int kSignalCount = static_cast<int>(sizeof kSignals / sizeof kSignals[0]);

const int kCrashes[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS};

extern "C" void OnSignal(int signal) {
  int index = 0;
  while (index < kSignalCount && kSignals[index].number != signal)
    ++index;
  int none = 0;
  // A real-time signal has no entry: it takes the index past the table.
  g_request.compare_exchange_strong(none, index + 1);
}

extern "C" void OnCrash(int signal) {
  if (g_crash_path[0] != '\0')
    unlink(g_crash_path);
  // The handler was reset: raised again, the signal ends the process as it would have.
  raise(signal);
}

void Handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a write blocked on a full pipe returns, and the loop sees the request.
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

#endif

} // namespace

void InstallStopHandlers() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  for (const Ending &e : kSignals)
    Handle(e.number, OnSignal, 0);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
    Handle(s, OnSignal, 0);
  for (int s : kCrashes)
    Handle(s, OnCrash, SA_RESETHAND | SA_NODEFER);
  Handle(SIGXFSZ, SIG_IGN, 0);
#endif
}

const char *StopRequest() {
  const int request = g_request.load();
  if (request == 0)
    return nullptr;
#if defined(_WIN32)
  return kEvents[request - 1].name;
#else
  return request <= kSignalCount ? kSignals[request - 1].name : "a real-time signal";
#endif
}

void RemoveOnCrash(const std::string &path) {
  const size_t n = std::min(path.size(), sizeof g_crash_path - 1);
  // Cleared first, so that a crash meanwhile never sees half a name.
  g_crash_path[0] = '\0';
  std::memcpy(g_crash_path + 1, path.data() + (n > 0 ? 1 : 0), n > 0 ? n - 1 : 0);
  g_crash_path[n] = '\0';
  g_crash_path[0] = n > 0 ? path[0] : '\0';
}

} // namespace sehost::cli
