#include "progress.h"

#include "os_process.h"

#include <cstdio>

namespace sehost::cli {

Progress::Progress(std::string what, bool enabled)
    : m_what(std::move(what)), m_enabled(enabled && sehost::StderrIsTerminal()),
      m_start(Clock::now()), m_last(m_start) {}

Progress::~Progress() { Finish(); }

void Progress::Update(double done, double total) {
  if (!m_enabled)
    return;
  const auto now = Clock::now();
  if (now - m_start < std::chrono::seconds(1))
    return;
  if (m_shown && now - m_last < std::chrono::milliseconds(100))
    return;
  m_last = now;
  m_shown = true;
  // A length that is only a guess may be passed.
  if (total > 0.0 && done <= total)
    std::fprintf(stderr, "\r%s: %3.0f%%  (%.1f of %.1f s)\033[K", m_what.c_str(),
                 100.0 * done / total, done, total);
  else
    std::fprintf(stderr, "\r%s: %.1f s\033[K", m_what.c_str(), done);
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!m_shown)
    return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_shown = false;
}

} // namespace sehost::cli
