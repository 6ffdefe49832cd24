// The filter as the controls set it, on its own: one voice's ladder (the
// module, with the controls' Filter Type, taps, Emulate, Version, Bass Boost,
// Resonance and Zing) with its cutoff held at the Cutoff control, before the
// envelope, key tracking, velocity, pressure and LFO move it. For pictures of
// the filter's response (the web page's curve, manuals).
#ifndef SYNTH_FILTER_RESPONSE_H
#define SYNTH_FILTER_RESPONSE_H

#include "synth/controls.h"

#include <cstdint>

namespace synth {

// The ladder's output for an input of `amplitude` on its first frame and 0
// after it, `frames` frames long (1 or more) at `sampleRate`, into `out`.
// `controls` holds every control's value (contained as the engine contains
// them). The module is called in stretches of the engine's grid, as a voice's
// ladder is. Answers false (and writes nothing) when the rate is unusable or
// the module cannot be made. Not real-time: it makes a module instance.
bool FilterImpulse(const float (&controls)[kControlCount], double sampleRate, float amplitude,
                   float *out, int32_t frames);

} // namespace synth

#endif // SYNTH_FILTER_RESPONSE_H
