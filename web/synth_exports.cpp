// The synth engine behind plain C functions, for the page's AudioWorklet (one
// engine per module instance). Numbers only cross the boundary, apart from
// the two output buffers the worklet copies from after each call.
//
// Contract (every function runs on the thread that owns the instance):
//  - The first call of any of them makes the engine (not real-time);
//    controls set before se_synth_activate are kept, as the engine keeps them.
//  - se_synth_activate(rate) before anything renders: it starts the engine
//    afresh at `rate` (the first activation of an instance builds the
//    wavetables); answers 1, or 0 when the rate is unusable (then
//    se_synth_process writes silence). Not real-time.
//  - Everything else is real-time (no allocation), as the engine's calls.
//  - se_synth_midi, se_synth_position and se_synth_set_control take effect at
//    the frame where the rendering stands, as the engine's calls do.
//  - se_synth_process(n) renders the next min(n, kMaxFrames) frames into the
//    buffers se_synth_left()/se_synth_right() point at and answers how many.
#include "synth/engine.h"

#include <emscripten/emscripten.h>

#include <cstdint>

namespace {

constexpr int32_t kMaxFrames = 4096;

float g_left[kMaxFrames];
float g_right[kMaxFrames];

synth::Engine &TheEngine() {
  static synth::Engine *engine = new synth::Engine();
  return *engine;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int32_t se_synth_activate(double rate) {
  return TheEngine().Activate(rate) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t se_synth_max_frames() { return kMaxFrames; }

EMSCRIPTEN_KEEPALIVE void se_synth_set_control(int32_t control, float value) {
  if (control >= 0 && control < synth::kControlCount)
    TheEngine().SetControl(static_cast<synth::Control>(control), value);
}

EMSCRIPTEN_KEEPALIVE float se_synth_control(int32_t control) {
  if (control < 0 || control >= synth::kControlCount)
    return 0.0f;
  return TheEngine().ControlValue(static_cast<synth::Control>(control));
}

// One MIDI message of `size` bytes (1 to 3), its status byte first.
EMSCRIPTEN_KEEPALIVE void se_synth_midi(int32_t size, int32_t status, int32_t data1,
                                        int32_t data2) {
  if (size < 1 || size > 3)
    return;
  const uint8_t bytes[3] = {static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                            static_cast<uint8_t>(data2)};
  TheEngine().Midi(bytes, static_cast<uint32_t>(size));
}

// The transport: `fields` says which of the values are given (bit 0 tempo,
// 1 beats per bar, 2 bar, 3 beat in the bar, 4 speed).
EMSCRIPTEN_KEEPALIVE void se_synth_position(int32_t fields, double beatsPerMinute,
                                            double beatsPerBar, double bar, double barBeat,
                                            double speed) {
  synth::Position p;
  p.hasTempo = (fields & 1) != 0;
  p.beatsPerMinute = static_cast<float>(beatsPerMinute);
  p.hasBeatsPerBar = (fields & 2) != 0;
  p.beatsPerBar = static_cast<float>(beatsPerBar);
  // A bar number past what the engine counts is no bar number at all.
  p.hasBar = (fields & 4) != 0 && bar >= 0.0 && bar < 9.0e15;
  p.bar = p.hasBar ? static_cast<int64_t>(bar) : 0;
  p.hasBarBeat = (fields & 8) != 0;
  p.barBeat = static_cast<float>(barBeat);
  p.hasSpeed = (fields & 16) != 0;
  p.speed = static_cast<float>(speed);
  TheEngine().SetPosition(p);
}

EMSCRIPTEN_KEEPALIVE int32_t se_synth_process(int32_t frames) {
  if (frames <= 0)
    return 0;
  const int32_t n = frames < kMaxFrames ? frames : kMaxFrames;
  TheEngine().Process(g_left, g_right, n); // silence until activated
  return n;
}

EMSCRIPTEN_KEEPALIVE float *se_synth_left() { return g_left; }
EMSCRIPTEN_KEEPALIVE float *se_synth_right() { return g_right; }

EMSCRIPTEN_KEEPALIVE int32_t se_synth_active_voices() { return TheEngine().ActiveVoices(); }

} // extern "C"
