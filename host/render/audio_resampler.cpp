#include "audio_resampler.h"

#include "host_error.h"

#include <soxr.h>

#include <cmath>
#include <string>

namespace sehost {

AudioResampler::AudioResampler(double from_rate, double to_rate, int channels)
    : m_channels(channels), m_ratio(to_rate / from_rate) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t error = nullptr;
  m_soxr = soxr_create(from_rate, to_rate, static_cast<unsigned>(channels), &error, &io, &quality,
                       nullptr);
  if (error != nullptr) {
    soxr_delete(m_soxr);
    throw HostError("cannot resample from " + std::to_string(std::lround(from_rate)) + " to " +
                    std::to_string(std::lround(to_rate)) + " Hz: " + error);
  }
}

AudioResampler::~AudioResampler() { soxr_delete(m_soxr); }

const std::vector<float> &AudioResampler::Process(const float *interleaved, int64_t frames) {
  const auto channels = static_cast<size_t>(m_channels);
  // Room for what the ratio makes of the input, and what the filter held back.
  const auto room = static_cast<size_t>(std::ceil(static_cast<double>(frames) * m_ratio)) + 64;
  m_out.resize(room * channels);
  size_t made = 0, taken = 0;
  while (taken < static_cast<size_t>(frames)) {
    size_t in_done = 0, out_done = 0;
    const soxr_error_t error = soxr_process(
        m_soxr, interleaved + taken * channels, static_cast<size_t>(frames) - taken, &in_done,
        m_out.data() + made * channels, m_out.size() / channels - made, &out_done);
    if (error != nullptr)
      throw HostError(std::string("resampling failed: ") + error);
    taken += in_done;
    made += out_done;
    if (made == m_out.size() / channels)
      m_out.resize(m_out.size() * 2);
  }
  m_out.resize(made * channels);
  return m_out;
}

const std::vector<float> &AudioResampler::Flush() {
  const auto channels = static_cast<size_t>(m_channels);
  m_out.resize(4096 * channels);
  size_t made = 0;
  for (;;) {
    size_t out_done = 0;
    const soxr_error_t error =
        soxr_process(m_soxr, nullptr, 0, nullptr, m_out.data() + made * channels,
                     m_out.size() / channels - made, &out_done);
    if (error != nullptr)
      throw HostError(std::string("resampling failed: ") + error);
    made += out_done;
    if (out_done == 0)
      break;
    if (made == m_out.size() / channels)
      m_out.resize(m_out.size() * 2);
  }
  m_out.resize(made * channels);
  return m_out;
}

} // namespace sehost
