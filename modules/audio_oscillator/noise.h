// White noise from two 32-bit words: a xor-add generator whose sum word,
// read as a signed fraction of 2^32, is scaled by the level input.
#ifndef AUDIO_OSCILLATOR_NOISE_H
#define AUDIO_OSCILLATOR_NOISE_H

#include <cstdint>

namespace osc {

constexpr uint32_t kNoiseStartB = 0xEFCDAB89u;
constexpr uint32_t kNoiseStartA = 0x67453201u;

inline void RunNoise(float *out, const float *level, int32_t count, uint32_t &a, uint32_t &b) {
  uint32_t wa = a;
  uint32_t wb = b;
  for (int32_t j = 0; j < count; ++j) {
    wa ^= wb;
    wb += wa;
    const double v = static_cast<double>(static_cast<int32_t>(wb)) * (1.0 / 4294967296.0);
    out[j] = static_cast<float>(v * level[j]);
  }
  a = wa;
  b = wb;
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_NOISE_H
