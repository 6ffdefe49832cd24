#include "gnuplot.h"

#include "host_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace sehost::cli {
namespace fs = std::filesystem;

std::string GpQuote(const std::string &text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "''";
    else if (c == '\n')
      out += ' ';
    else
      out += c;
  }
  return out + "'";
}

GnuplotJob::GnuplotJob(const std::string &png_path) : m_png(png_path) {
  const fs::path p(png_path);
  if (p.extension() != ".png")
    throw HostError(png_path + ": a picture is written as .png");
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw HostError(png_path + ": the folder \"" + folder.string() + "\" does not exist");
  std::string pattern = (fs::temp_directory_path() / "se-host-plot-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw HostError(std::string("cannot make a temporary folder: ") + std::strerror(errno));
  m_dir = pattern;
}

GnuplotJob::~GnuplotJob() {
  std::error_code ec;
  fs::remove_all(m_dir, ec);
}

std::string GnuplotJob::DataPath(const std::string &name) const {
  return (fs::path(m_dir) / name).string();
}

void GnuplotJob::Run(const std::string &script, int width, int height) {
  const fs::path target(m_png);
  std::string hidden = ".";
  hidden += target.filename().string();
  hidden += ".partial-";
  hidden += std::to_string(static_cast<long>(getpid()));
  const std::string partial = (target.parent_path() / hidden).string();
  const std::string script_path = DataPath("plot.gp");
  {
    std::ofstream out(script_path);
    out << "set terminal pngcairo size " << width << "," << height
        << " font 'Sans,10' noenhanced background rgb 'white'\n"
        << "set output " << GpQuote(partial) << "\n"
        << script << "\nunset output\n";
    if (!out)
      throw HostError("cannot write the plot script in " + m_dir);
  }
  const std::string errors = DataPath("gnuplot.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string program = "gnuplot";
  char *argv[] = {program.data(), const_cast<char *>(script_path.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "gnuplot", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    throw HostError("cannot run gnuplot (" + std::string(std::strerror(spawned)) +
                    "); install it with: bash scripts/setup.sh");
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::error_code ec;
  const bool drawn = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                     fs::is_regular_file(partial, ec) && fs::file_size(partial, ec) > 0;
  if (!drawn) {
    std::ifstream in(errors);
    std::string line, first;
    while (std::getline(in, line))
      if (line.find_first_not_of(" \t^") != std::string::npos)
        first = line;
    fs::remove(partial, ec);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
      throw HostError("cannot run gnuplot; install it with: bash scripts/setup.sh");
    throw HostError(m_png + ": gnuplot failed" + (first.empty() ? "" : ": " + first));
  }
  fs::rename(partial, m_png, ec);
  if (ec) {
    fs::remove(partial, ec);
    throw HostError(m_png + ": cannot move the picture into place");
  }
}

} // namespace sehost::cli
