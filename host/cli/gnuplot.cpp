#include "gnuplot.h"

#include "host_error.h"
#include "os_process.h"

#include <filesystem>
#include <fstream>
#include <sstream>

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
    throw UsageError(png_path + ": a picture is written as .png");
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw HostError(png_path + ": the folder \"" + folder.string() + "\" does not exist");
  m_dir = MakeTempFolder("se-host-plot");
}

GnuplotJob::~GnuplotJob() {
  std::error_code ec;
  fs::remove_all(m_dir, ec);
}

std::string GnuplotJob::DataPath(const std::string &name) const {
  return (fs::path(m_dir) / name).string();
}

void GnuplotJob::Run(const std::string &script, int width, int height) {
  const std::string partial = PartialPathBeside(m_png);
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
  const int status = RunProgram("gnuplot", {script_path}, "", errors);
  if (status < 0)
    throw HostError("cannot run gnuplot; install it with: bash scripts/setup.sh");
  std::error_code ec;
  const bool drawn =
      status == 0 && fs::is_regular_file(partial, ec) && fs::file_size(partial, ec) > 0;
  if (!drawn) {
    std::ifstream in(errors);
    std::string line, first;
    while (std::getline(in, line))
      if (line.find_first_not_of(" \t^") != std::string::npos)
        first = line;
    fs::remove(partial, ec);
    throw HostError(m_png + ": gnuplot failed" + (first.empty() ? "" : ": " + first));
  }
  fs::rename(partial, m_png, ec);
  if (ec) {
    fs::remove(partial, ec);
    throw HostError(m_png + ": cannot move the picture into place");
  }
}

} // namespace sehost::cli
