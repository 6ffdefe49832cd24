// Runs the built se-host program as a user would and collects what it says.
#ifndef SE_TEST_RUN_TOOL_H
#define SE_TEST_RUN_TOOL_H

#include <sndfile.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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

// Runs `se-host args...`; its output goes through files in `dir`.
inline ToolResult RunTool(const std::vector<std::string> &args, const std::string &dir) {
  const std::string out_path = dir + "/.tool.out", err_path = dir + "/.tool.err";
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    std::vector<char *> argv;
    std::string program = SE_HOST_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (std::string &a : copy)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ToolResult r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadText(out_path);
  r.err = ReadText(err_path);
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return r;
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

// Reads a file with libsndfile directly; channels == 0 if it cannot.
inline Sound ReadSound(const std::string &path) {
  Sound s;
  SF_INFO info{};
  SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr)
    return s;
  s.rate = info.samplerate;
  s.channels = info.channels;
  s.format = info.format;
  s.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, s.samples.data(), info.frames);
  sf_close(f);
  return s;
}

// A fresh folder for one test, removed with it.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "se-cli-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
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

} // namespace setest

#endif
