#include "output_stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace se_lv2 {

namespace {

double DbToGain(float db) { return std::pow(10.0, static_cast<double>(db) / 20.0); }

} // namespace

bool OutputStage::Init(float rate, int32_t capacity, int channels) {
  if (channels < 1 || channels > kMaxChannels || capacity < 1)
    return false;
  m_channels = channels;
  m_glideLength = std::max<int32_t>(1, static_cast<int32_t>(std::lround(rate * kGlideSeconds)));
  for (int ch = 0; ch < channels; ++ch) {
    m_dry[ch].reset(new (std::nothrow) float[static_cast<size_t>(capacity)]());
    if (!m_dry[ch])
      return false;
  }
  Reset(0.0f, true);
  return true;
}

void OutputStage::Reset(float level_db, bool enabled) {
  m_gain.Jump(DbToGain(level_db));
  m_mix.Jump(enabled ? 1.0 : 0.0);
}

void OutputStage::SetTargets(float level_db, bool enabled) {
  m_gain.MoveTo(DbToGain(level_db), m_glideLength);
  m_mix.MoveTo(enabled ? 1.0 : 0.0, m_glideLength);
}

void OutputStage::CopyDry(int channel, const float *input, int32_t length) {
  const size_t bytes = sizeof(float) * static_cast<size_t>(length);
  if (input != nullptr)
    std::memmove(m_dry[channel].get(), input, bytes);
  else
    std::memset(m_dry[channel].get(), 0, bytes);
}

void OutputStage::Apply(float *const *outputs, int32_t length) {
  const bool dry = NeedsDry();
  for (int ch = 0; ch < m_channels; ++ch)
    if (outputs[ch] != nullptr)
      ApplyChannel(outputs[ch], dry ? m_dry[ch].get() : nullptr, m_gain, m_mix, length);
  for (int32_t k = 0; k < length && (m_gain.Moving() || m_mix.Moving()); ++k) {
    m_gain.Next();
    m_mix.Next();
  }
}

// `gain` and `mix` are the channel's own copies: every channel sees the same
// glide.
void OutputStage::ApplyChannel(float *out, const float *dry, Glide gain, Glide mix,
                               int32_t length) const {
  if (!mix.Moving() && mix.Value() == 1.0) { // enabled: the level alone
    if (!gain.Moving() && gain.Value() == 1.0)
      return;
    for (int32_t k = 0; k < length; ++k)
      out[k] = static_cast<float>(out[k] * gain.Next());
    return;
  }
  if (!mix.Moving() && mix.Value() == 0.0) { // bypassed: the input as it came
    std::memmove(out, dry, sizeof(float) * static_cast<size_t>(length));
    return;
  }
  for (int32_t k = 0; k < length; ++k) {
    const double g = gain.Next(), m = mix.Next();
    out[k] = static_cast<float>(out[k] * g * m + dry[k] * (1.0 - m));
  }
}

} // namespace se_lv2
