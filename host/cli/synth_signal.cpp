#include "synth_signal.h"

#include "host_error.h"

#include <algorithm>
#include <cmath>

namespace sehost::cli {

SynthSignal::SynthSignal(const float (&controls)[synth::kControlCount], synth::Song song,
                         uint32_t rate)
    : m_song(std::move(song)), m_rate(rate), m_left(kBlock), m_right(kBlock) {
  m_engine.SetControls(controls);
  if (!m_engine.Activate(rate))
    throw HostError("the synth cannot start at " + std::to_string(rate) + " Hz");
  m_end = m_song.endFrame + static_cast<int64_t>(kMaxTailSeconds * rate);
}

// The song's events up to each one's frame, the engine's frames between them.
void SynthSignal::Render(float *left, float *right, int32_t frames) {
  const int64_t stop = m_done + frames;
  int64_t at = m_done;
  while (at < stop) {
    while (m_next < m_song.events.size() && m_song.events[m_next].frame <= at) {
      const synth::SongEvent &e = m_song.events[m_next++];
      if (e.isPosition)
        m_engine.SetPosition(e.position);
      else
        m_engine.Midi(e.bytes, e.size);
    }
    int64_t until = stop;
    if (m_next < m_song.events.size())
      until = std::min(until, m_song.events[m_next].frame);
    m_engine.Process(left + (at - m_done), right + (at - m_done), static_cast<int32_t>(until - at));
    at = until;
  }
}

// After the song: silent voices, or a long enough stretch below -120 dBFS.
bool SynthSignal::Ended() {
  if (m_done < m_song.endFrame || m_next < m_song.events.size())
    return false;
  return m_engine.ActiveVoices() == 0 ||
         m_done - m_lastLoud >= static_cast<int64_t>(kQuietSeconds * m_rate);
}

const std::vector<float> &SynthSignal::RenderBlock() {
  m_block.clear();
  // Pieces of the engine's grid, so the end falls where the engine's
  // voices were last looked at.
  constexpr int32_t kPiece = 32;
  int32_t filled = 0;
  while (filled < kBlock && !m_ended) {
    if (m_done >= m_end || Ended()) {
      m_ended = true;
      break;
    }
    if (m_check != nullptr && filled % 1024 == 0 && m_check())
      throw HostInterrupted("stopped");
    const auto n = static_cast<int32_t>(std::min<int64_t>(kPiece, m_end - m_done));
    Render(m_left.data() + filled, m_right.data() + filled, n);
    for (int32_t k = 0; k < n; ++k)
      if (std::fabs(m_left[filled + k]) >= kQuiet || std::fabs(m_right[filled + k]) >= kQuiet)
        m_lastLoud = m_done + k + 1;
    m_done += n;
    filled += n;
  }
  m_block.resize(static_cast<size_t>(filled) * 2);
  for (int32_t k = 0; k < filled; ++k) {
    m_block[2 * k] = m_left[k];
    m_block[2 * k + 1] = m_right[k];
  }
  return m_block;
}

} // namespace sehost::cli
