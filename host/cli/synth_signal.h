// A MIDI song played by the synth engine, block by block, for `se-host synth`:
// the events at their frames (the engine cuts its module calls there and on
// its 32-frame grid, as under an LV2 host), then the tail until the last
// release has died away.
#ifndef SEHOST_CLI_SYNTH_SIGNAL_H
#define SEHOST_CLI_SYNTH_SIGNAL_H

#include "synth/controls.h"
#include "synth/engine.h"
#include "synth/song.h"
#include "write_signal.h"

#include <cstdint>
#include <vector>

namespace sehost::cli {

class SynthSignal : public RenderedSignal {
public:
  // Frames rendered after the song's end at most, waiting for it to die away.
  static constexpr double kMaxTailSeconds = 60.0;
  // The tail ends where every voice is silent, or after this long below
  // -120 dBFS.
  static constexpr double kQuietSeconds = 0.1;
  static constexpr float kQuiet = 1.0e-6f;

  // Throws HostError when the engine cannot start.
  SynthSignal(const float (&controls)[synth::kControlCount], synth::Song song, uint32_t rate);

  int Channels() const override { return 2; }
  double SampleRate() const override { return m_rate; }
  // Unknown until the tail has died away.
  int64_t Frames() const override { return m_ended ? m_done : kUnknownLength; }
  // The song and a short release, for the progress line.
  int64_t ExpectedFrames() const override { return m_song.endFrame + static_cast<int64_t>(m_rate); }
  int64_t FramesRendered() const override { return m_done; }
  bool Done() const override { return m_ended; }
  const std::vector<float> &RenderBlock() override;
  void SetInterruptCheck(bool (*check)()) override { m_check = check; }

private:
  static constexpr int32_t kBlock = 4096; // a multiple of the engine's grid

  void Render(float *left, float *right, int32_t frames);
  bool Ended();

  synth::Engine m_engine;
  synth::Song m_song;
  double m_rate;
  size_t m_next = 0; // the next song event
  int64_t m_done = 0;
  int64_t m_end = 0; // the song's end and the longest tail
  bool m_ended = false;
  int64_t m_lastLoud = 0; // the frame after the last one at -120 dBFS or above
  bool (*m_check)() = nullptr;
  std::vector<float> m_left, m_right, m_block;
};

} // namespace sehost::cli

#endif
