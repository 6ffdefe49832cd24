// Draws PNG pictures by running gnuplot on a script and data files kept in a
// temporary folder.
#ifndef SEHOST_CLI_GNUPLOT_H
#define SEHOST_CLI_GNUPLOT_H

#include <string>

namespace sehost::cli {

// A text as a gnuplot string literal: 'it''s'.
std::string GpQuote(const std::string &text);

class GnuplotJob {
public:
  // Checks the PNG path (folder exists, ends in .png) and makes the temporary folder.
  explicit GnuplotJob(const std::string &png_path);
  ~GnuplotJob();
  GnuplotJob(const GnuplotJob &) = delete;
  GnuplotJob &operator=(const GnuplotJob &) = delete;

  // A path in the temporary folder for a data file.
  std::string DataPath(const std::string &name) const;
  // Runs the script, which draws after the terminal and output lines this
  // adds, then moves the picture into place. Throws HostError with gnuplot's
  // first complaint if it fails.
  void Run(const std::string &script, int width, int height);

private:
  std::string m_png;
  std::string m_dir;
};

} // namespace sehost::cli

#endif
