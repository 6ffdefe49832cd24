// Interleaved audio taken from one sample rate to another as it streams
// (libsoxr, high quality, linear phase): the output lines up with the input
// (the resampler's delay is taken out) and holds, once flushed, the input's
// length times the ratio. Its memory does not grow with the length.
#ifndef SEHOST_AUDIO_RESAMPLER_H
#define SEHOST_AUDIO_RESAMPLER_H

#include <cstdint>
#include <vector>

struct soxr;

namespace sehost {

class AudioResampler {
public:
  // Throws HostError if libsoxr cannot make the resampler.
  AudioResampler(double from_rate, double to_rate, int channels);
  ~AudioResampler();
  AudioResampler(const AudioResampler &) = delete;
  AudioResampler &operator=(const AudioResampler &) = delete;

  // Takes `frames` interleaved frames; answers the output frames they make
  // (interleaved, valid until the next call).
  const std::vector<float> &Process(const float *interleaved, int64_t frames);
  // The output still held back, once the input has ended.
  const std::vector<float> &Flush();

private:
  soxr *m_soxr = nullptr;
  int m_channels;
  double m_ratio;
  std::vector<float> m_out;
};

} // namespace sehost

#endif
