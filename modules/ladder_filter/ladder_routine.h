// The combination routines: one process call of one voice per combination
// row and version, generated at compile time from the row (ladder.h), so
// that the per-sample loop holds only the arithmetic of that row's ladder.
// The module's installed routines are these, on the module's own voice.
#ifndef LADDER_FILTER_LADDER_ROUTINE_H
#define LADDER_FILTER_LADDER_ROUTINE_H

#include "ducking.h"
#include "ladder.h"
#include "ladder_filter/filter_voice.h"
#include "update_grid.h"
#include "version.h"

namespace ladder {

template <int E, Version V>
[[gnu::always_inline]] inline void RunCombination(FilterVoice &voice, const FilterBuffers &io,
                                                  int32_t count) {
  using W = VersionWork<V>;
  if (count <= 0)
    return;
  const float *const x = io.signal;
  const float *const pitch = io.pitch;
  const float *const resonance = io.resonance;
  float *const out = io.out;
  const float zing = io.zing[0];
  const OutputMix<W> mix = OutputMixFor<W>(voice.outputGain, voice.choices.type);
  const BoostCurve<W> boost = BoostCurveFor<W>(E, voice.bass);
  const LadderState *const state[] = {&voice.ladder};
  Ladder<E, W> ladder(state);

  auto sample = [&](int32_t i, W input) __attribute__((always_inline)) {
    out[i] = static_cast<float>(ladder.Sample(input, boost.At(pitch[i]), mix));
  };
  auto update = [&](int32_t i) __attribute__((always_inline)) {
    ladder.Update(voice.ladder, pitch[i], resonance[i], zing, voice.twoOverRate);
  };
  int32_t from = 0;
  if (voice.restart) {
    // The first sample after a restart updates whatever holds, at half input.
    update(0);
    voice.restart = false;
    sample(0, W(HeldSignal(x[0])) * W(0.5));
    from = 1;
  }
  RunOnUpdateGrid(
      from,
      count, [&](int32_t i) __attribute__((always_inline)) { sample(i, W(HeldSignal(x[i]))); },
      [&](int32_t i) __attribute__((always_inline)) {
        if (voice.ladder.coefficients.Moved(pitch[i], resonance[i]))
          update(i);
      });

  LadderState *const store[] = {&voice.ladder};
  ladder.Store(store);
  DuckOutput(out, count, voice.duckCount);
}

} // namespace ladder

#endif
