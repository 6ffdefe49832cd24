// A straight gain ramp between silence and full level, counted in whole
// samples so that it reaches either end at a known sample. With a length of
// 0 the gain jumps.
#ifndef LV2_OSCILLATOR_GAIN_RAMP_H
#define LV2_OSCILLATOR_GAIN_RAMP_H

#include <cstdint>

namespace lv2osc {

class GainRamp {
public:
  // The ramp's length in samples (0: no ramp); the level is kept.
  void SetLength(int32_t samples) {
    const double level = Level();
    m_length = samples > 0 ? samples : 0;
    m_position = static_cast<int32_t>(level * m_length + 0.5);
  }
  // Heads for full level (true) or for silence (false) from where it is.
  void SetTarget(bool up) { m_rising = up; }
  // Samples until the target is reached; 0 when it is there.
  int32_t Remaining() const { return m_rising ? m_length - m_position : m_position; }
  bool Silent() const { return !m_rising && m_position == 0; }
  bool Rising() const { return m_rising; }
  double Level() const {
    if (m_length == 0)
      return m_rising ? 1.0 : 0.0;
    return static_cast<double>(m_position) / m_length;
  }
  // Multiplies `count` samples by the ramp and moves it on: each sample takes
  // the level after one more step, so a rise reaches full level on its last
  // sample and a fall is silent from its last sample on.
  void Apply(float *out, int32_t count);

private:
  int32_t m_length = 0;
  int32_t m_position = 0; // 0 to m_length
  bool m_rising = false;
};

inline void GainRamp::Apply(float *out, int32_t count) {
  int32_t j = 0;
  for (; j < count && Remaining() > 0; ++j) {
    m_position += m_rising ? 1 : -1;
    out[j] *= static_cast<float>(m_position) / static_cast<float>(m_length);
  }
  if (m_rising)
    return; // the rest is at full level
  for (; j < count; ++j)
    out[j] = 0.0f;
}

} // namespace lv2osc

#endif // LV2_OSCILLATOR_GAIN_RAMP_H
