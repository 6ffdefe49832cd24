// A progress line on a terminal for work that runs longer than a second.
#ifndef SEHOST_CLI_PROGRESS_H
#define SEHOST_CLI_PROGRESS_H

#include <chrono>
#include <string>

namespace sehost::cli {

class Progress {
public:
  // Shows nothing unless `enabled` and standard error is a terminal.
  Progress(std::string what, bool enabled);
  ~Progress();
  // Reports `done` of `total` (seconds of audio, say; `total` 0 when it is not
  // known); redraws at most ten times a second, and only after the first second.
  void Update(double done, double total);
  // Clears the line.
  void Finish();

private:
  using Clock = std::chrono::steady_clock;
  std::string m_what;
  bool m_enabled;
  bool m_shown = false;
  Clock::time_point m_start;
  Clock::time_point m_last;
};

} // namespace sehost::cli

#endif
