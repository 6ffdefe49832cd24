// Runs the built se-host program as a user would and collects what it says.
#ifndef SE_TEST_RUN_TOOL_H
#define SE_TEST_RUN_TOOL_H

#include "os_process.h"
#include "plugin_path.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace setest {

struct ToolResult {
  int status = -1; // exit status; -1 if it did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadText(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string ReadBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `se-host args...`; its output goes through files in `dir`.
inline ToolResult RunTool(const std::vector<std::string> &args, const std::string &dir) {
  const std::string out_path = dir + "/.tool.out", err_path = dir + "/.tool.err";
  ToolResult r;
  r.status = sehost::RunProgram(SE_HOST_PROGRAM, args, out_path, err_path);
  r.out = ReadBytes(out_path); // it may be an audio file
  r.err = ReadText(err_path);
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return r;
}

// se-host started in the background (its output discarded), to be stopped
// as a user stops it: SIGTERM, or on Windows by force.
class RunningTool {
public:
  // On POSIX systems `file_size_limit` (bytes, 0: none) limits the files it writes.
  explicit RunningTool(std::vector<std::string> args, long file_size_limit = 0) {
    args.insert(args.begin(), SE_HOST_PROGRAM);
#if defined(_WIN32)
    (void)file_size_limit;
    std::string line;
    for (const std::string &a : args)
      line += (line.empty() ? "\"" : " \"") + a + "\"";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                       &child_))
      CloseHandle(child_.hThread);
#else
    pid_ = fork();
    if (pid_ == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      if (file_size_limit > 0) {
        const rlimit limit{static_cast<rlim_t>(file_size_limit),
                           static_cast<rlim_t>(file_size_limit)};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::vector<char *> argv;
      for (std::string &a : args)
        argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
#endif
  }
  // One that a failed test left running is stopped, never left behind.
  ~RunningTool() {
#if defined(_WIN32)
    if (child_.hProcess != nullptr) {
      TerminateProcess(child_.hProcess, 1);
      Wait();
    }
#else
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      Wait();
    }
#endif
  }
  RunningTool(const RunningTool &) = delete;
  RunningTool &operator=(const RunningTool &) = delete;

  void Interrupt() {
#if defined(_WIN32)
    // Wine delivers no console events to a program without a window, so on
    // Windows the test stops the render by force, as a task manager does.
    TerminateProcess(child_.hProcess, 1);
#else
    kill(pid_, SIGTERM);
#endif
  }

#if !defined(_WIN32)
  void Signal(int signal) { kill(pid_, signal); }
#endif

  // Waits for it to end (a minute at most, then stops it by force): its exit
  // status, -1 if it did not exit by itself.
  int Wait() {
#if defined(_WIN32)
    if (child_.hProcess == nullptr)
      return -1;
    // Bounded, so that a stop that does not work fails the test.
    if (WaitForSingleObject(child_.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(child_.hProcess, 255);
      WaitForSingleObject(child_.hProcess, INFINITE);
    }
    DWORD status = 0;
    GetExitCodeProcess(child_.hProcess, &status);
    CloseHandle(child_.hProcess);
    child_.hProcess = nullptr;
    return static_cast<int>(status);
#else
    // Bounded, so that a stop that does not work fails the test.
    int status = 0;
    for (int i = 0; i < 600 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      usleep(100000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }

private:
#if defined(_WIN32)
  PROCESS_INFORMATION child_{};
#else
  pid_t pid_ = -1;
  bool waited_ = false;
#endif
};

// Sets (or with nullptr removes) a variable of this process's environment,
// which the programs it starts inherit.
inline void SetEnvironment(const char *name, const char *value) {
#if defined(_WIN32)
  _putenv_s(name, value ? value : "");
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// Whether a plot failed only because gnuplot is not installed. The Windows
// build's tests run where no Windows gnuplot exists; everything before the
// drawing (data files, checks) is still tested there.
inline bool OnlyGnuplotMissing(const ToolResult &r) {
#if defined(_WIN32)
  return r.status == 1 && r.err.find("cannot run gnuplot") != std::string::npos;
#else
  (void)r;
  return false;
#endif
}

struct Sound {
  int rate = 0;
  int channels = 0;
  int format = 0;
  std::vector<float> samples; // interleaved

  size_t Frames() const { return channels ? samples.size() / channels : 0; }
  float At(size_t frame, int channel) const { return samples[frame * channels + channel]; }
  std::vector<float> Channel(int c) const {
    std::vector<float> out;
    for (size_t i = 0; i < Frames(); ++i)
      out.push_back(At(i, c));
    return out;
  }
};

// Reads a file with libsndfile directly, to the end of its data whatever its
// header says; channels == 0 if it cannot.
inline Sound ReadSound(const std::string &path) {
  Sound s;
  SF_INFO info{};
  SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr)
    return s;
  s.rate = info.samplerate;
  s.channels = info.channels;
  s.format = info.format;
  std::vector<float> piece(4096 * static_cast<size_t>(info.channels));
  for (sf_count_t got; (got = sf_readf_float(f, piece.data(), 4096)) > 0;)
    s.samples.insert(s.samples.end(), piece.begin(), piece.begin() + got * info.channels);
  sf_close(f);
  return s;
}

// Writes interleaved samples to a file (float WAV unless `format` says else).
inline bool WriteSound(const std::string &path, int rate, int channels,
                       const std::vector<float> &samples,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (f == nullptr)
    return false;
  const auto frames = static_cast<sf_count_t>(samples.size() / channels);
  const bool ok = sf_writef_float(f, samples.data(), frames) == frames;
  return sf_close(f) == 0 && ok;
}

// A fresh folder for one test, removed with it.
class TempDir {
public:
  // With "/" between its parts on every system, as the tests join paths.
  TempDir()
      : path_(std::filesystem::path(sehost::MakeTempFolder("se-cli-test")).generic_string()) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string &Path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }
  void Write(const std::string &name, const std::string &text) const {
    std::ofstream(path_ + "/" + name) << text;
  }
  // Names of the files in the folder, hidden ones included.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    return names;
  }

private:
  std::string path_;
};

// se-host with the test plugins, its output going through files in `dir`.
inline ToolResult SeHost(const TempDir &dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--plugin-dir", TestPluginDir()});
  return RunTool(args, dir.Path());
}

// The error output is exactly one line that starts as every error does.
inline void ExpectOneErrorLine(const ToolResult &r, const std::string &part) {
  EXPECT_NE(r.status, 0) << part;
  EXPECT_EQ(r.err.rfind("se-host: error: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

} // namespace setest

#endif
