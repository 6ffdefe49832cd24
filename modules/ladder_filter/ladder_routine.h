// The combination routines: one process routine per combination row and
// version, generated at compile time from the row (ladder.h), so that the
// per-sample loop holds only the arithmetic of that row's ladder.
#ifndef LADDER_FILTER_LADDER_ROUTINE_H
#define LADDER_FILTER_LADDER_ROUTINE_H

#include "ducking.h"
#include "ladder.h"
#include "ladder_filter_module.h"
#include "update_grid.h"
#include "version.h"

namespace ladder {

template <int E, Version V> void Module::processCombination(int32_t first, int32_t count) {
  using W = VersionWork<V>;
  if (count <= 0)
    return;
  const float *const x = m_signalIn + first;
  const float *const pitch = m_pitchIn + first;
  const float *const resonance = m_resonanceIn + first;
  float *const out = m_signalOut + first;
  const float zing = m_zingIn[first];
  const OutputMix<W> mix = OutputMixFor<W>(m_outputGain, m_filterType);
  const BoostCurve<W> boost = BoostCurveFor<W>(E, m_bassBoostSetting);
  Ladder<E, W> ladder(m_stageState, m_feedback, m_coefficients);

  auto sample = [&](int32_t i, W input) __attribute__((always_inline)) {
    out[i] = static_cast<float>(ladder.Sample(input, boost.At(pitch[i]), mix));
  };
  auto update = [&](int32_t i) __attribute__((always_inline)) {
    ladder.Update(m_coefficients, pitch[i], resonance[i], zing, m_twoOverRate);
  };
  int32_t from = 0;
  if (m_restart) {
    // The first sample after a restart updates whatever holds, at half input.
    update(0);
    m_restart = false;
    sample(0, W(HeldSignal(x[0])) * W(0.5));
    from = 1;
  }
  RunOnUpdateGrid(
      from,
      count, [&](int32_t i) __attribute__((always_inline)) { sample(i, W(HeldSignal(x[i]))); },
      [&](int32_t i) __attribute__((always_inline)) {
        if (m_coefficients.Moved(pitch[i], resonance[i]))
          update(i);
      });

  ladder.Store(m_stageState, m_feedback);
  DuckOutput(out, count, m_duckCount);
}

} // namespace ladder

#endif
