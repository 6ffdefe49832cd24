// The filter curve's data: the ladder as the controls set it, answering an
// impulse (synth/filter_response.h). Not real-time: the page's thread.
//
// The page writes every control's value into the buffer se_filter_buffer
// gives (count floats, then room for the answer), calls se_filter_impulse and
// reads the answer after the controls.
#include "synth/filter_response.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>

namespace {

float *g_buffer = nullptr;
int32_t g_frames = 0;

} // namespace

extern "C" {

// Room for `count` control values (which must be the engine's control count)
// and an answer of `frames` frames; null when either is wrong or there is no
// memory for it.
EMSCRIPTEN_KEEPALIVE float *se_filter_buffer(int32_t count, int32_t frames) {
  std::free(g_buffer);
  g_buffer = nullptr;
  g_frames = 0;
  if (count != synth::kControlCount || frames < 1 || frames > (1 << 20))
    return nullptr;
  g_buffer = static_cast<float *>(std::malloc(sizeof(float) * static_cast<size_t>(count + frames)));
  g_frames = g_buffer != nullptr ? frames : 0;
  return g_buffer;
}

// Answers 1 when the buffer now holds the answer after the controls.
EMSCRIPTEN_KEEPALIVE int32_t se_filter_impulse(int32_t count, double rate, float amplitude,
                                               int32_t frames) {
  if (g_buffer == nullptr || count != synth::kControlCount || frames != g_frames)
    return 0;
  float(&controls)[synth::kControlCount] =
      *reinterpret_cast<float(*)[synth::kControlCount]>(g_buffer);
  return synth::FilterImpulse(controls, rate, amplitude, g_buffer + count, frames) ? 1 : 0;
}

} // extern "C"
