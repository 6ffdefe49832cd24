#include "os_process.h"

#include "host_error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

namespace sehost {
namespace fs = std::filesystem;

namespace {
long ProcessId() {
#if defined(_WIN32)
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}
} // namespace

std::string PartialPathBeside(const std::string &target) {
  const fs::path p(target);
  std::string hidden = ".";
  hidden += p.filename().string();
  hidden += ".partial-";
  hidden += std::to_string(ProcessId());
  return (p.parent_path() / hidden).string();
}

#if defined(_WIN32)

std::string MakeTempFolder(const std::string &stem) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 pick(seed() ^ static_cast<unsigned>(ProcessId()));
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem;
    name += '-';
    for (int i = 0; i < 6; ++i)
      name += kLetters[pick() % (sizeof kLetters - 1)];
    std::error_code ec;
    if (fs::create_directory(base / name, ec))
      return (base / name).string();
    if (ec)
      throw HostError("cannot make a temporary folder in " + base.string() + ": " + ec.message());
  }
  throw HostError("cannot make a temporary folder in " + base.string());
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::string QuoteArgument(const std::string &arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos)
    return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  out += '"';
  return out;
}

HANDLE OpenForChild(const std::string &path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const char *name = path.empty() ? "NUL" : path.c_str();
  return CreateFileA(name, write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     write && !path.empty() ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

} // namespace

int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &out_path, const std::string &err_path) {
  std::string line = QuoteArgument(program);
  for (const std::string &a : args) {
    line += ' ';
    line += QuoteArgument(a);
  }
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = OpenForChild("", false);
  start.hStdOutput = OpenForChild(out_path, true);
  start.hStdError = OpenForChild(err_path, true);
  PROCESS_INFORMATION child{};
  // No application name: a bare program name is looked up as a shell would.
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &start, &child);
  for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError})
    if (h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  if (!started)
    return -1;
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(status);
}

#else

std::string MakeTempFolder(const std::string &stem) {
  std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw HostError(std::string("cannot make a temporary folder: ") + std::strerror(errno));
  return pattern;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &out_path, const std::string &err_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const auto redirect = [&](int fd, const std::string &path) {
    posix_spawn_file_actions_addopen(&actions, fd, path.empty() ? "/dev/null" : path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  };
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  redirect(STDOUT_FILENO, out_path);
  redirect(STDERR_FILENO, err_path);
  std::vector<std::string> copy = args;
  std::string name = program;
  std::vector<char *> argv{name.data()};
  for (std::string &a : copy)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status); // as a shell reports it
  // The child's exec failing (the program is missing) shows as 127.
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

#endif

} // namespace sehost
