// The end of a plugin's signal path that belongs to the wrapper, not to the
// module: an output level in dB and a bypass (the lv2:enabled control) that
// crossfades between the module's output and the channel's input. Both glide
// over kGlideSeconds, so that neither a level change nor a bypass clicks.
//
// At 0 dB and enabled, with no glide under way, Apply leaves the module's
// samples exactly as they are. Fully bypassed, each output is its channel's
// input, bit for bit (the modules keep running meanwhile, so that enabling
// again fades into a filter that is already settled on the signal).
//
// Memory: Init allocates one buffer of `capacity` samples per channel for the
// dry input; nothing else allocates. Not thread-safe; audio thread after Init.
#ifndef SE_LV2_OUTPUT_STAGE_H
#define SE_LV2_OUTPUT_STAGE_H

#include <cstdint>
#include <memory>

namespace se_lv2 {

// A value that moves to its target in a straight line over a set number of
// samples, ending on the target exactly.
class Glide {
public:
  void Jump(double value) {
    m_value = m_target = value;
    m_left = 0;
  }
  void MoveTo(double target, int32_t samples) {
    if (target == m_target)
      return;
    m_target = target;
    m_left = samples;
    m_step = (target - m_value) / samples;
  }
  bool Moving() const { return m_left > 0; }
  double Value() const { return m_value; }
  // The value for the next sample.
  double Next() {
    if (m_left > 0)
      m_value = --m_left == 0 ? m_target : m_value + m_step;
    return m_value;
  }

private:
  double m_value = 0.0, m_target = 0.0, m_step = 0.0;
  int32_t m_left = 0;
};

class OutputStage {
public:
  static constexpr int kMaxChannels = 2;
  static constexpr double kGlideSeconds = 0.02;

  // False when the buffers cannot be had.
  bool Init(float rate, int32_t capacity, int channels);
  // At activation: the settings hold at once.
  void Reset(float level_db, bool enabled);
  // At a run's first sample: a changed setting glides from there.
  void SetTargets(float level_db, bool enabled);
  // Whether the coming chunk needs the dry input (CopyDry before the modules run).
  bool NeedsDry() const { return m_mix.Moving() || m_mix.Value() < 1.0; }
  // Keeps `length` samples of a channel's input (null: silence) for Apply.
  void CopyDry(int channel, const float *input, int32_t length);
  // After the modules wrote `length` samples into each output (null: none).
  void Apply(float *const *outputs, int32_t length);

private:
  void ApplyChannel(float *out, const float *dry, Glide gain, Glide mix, int32_t length) const;

  int32_t m_glideLength = 1;
  int m_channels = 0;
  std::unique_ptr<float[]> m_dry[kMaxChannels];
  Glide m_gain; // linear gain of the module's output
  Glide m_mix;  // 1: the module's output, 0: the dry input
};

} // namespace se_lv2

#endif // SE_LV2_OUTPUT_STAGE_H
