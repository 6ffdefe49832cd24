// The combination routines for four voices at once: RunCombination
// (ladder_routine.h) with the ladder on a lane type, one voice per lane, the
// four voices sharing the routine (row and version) and the call's length.
//
// The per-sample steps are the ladder's own (ladder.h). What each voice
// decides for itself stays per voice: a restart updates and halves the
// first sample of its own lane only; on the update grid (the same samples
// for every voice of a call) each lane's pitch and resonance are compared
// with its own last values and only lanes that moved are updated, through
// the one-voice update; the store and the ducking are per voice.
#ifndef LADDER_FILTER_LADDER_LANE_ROUTINE_H
#define LADDER_FILTER_LADDER_LANE_ROUTINE_H

#include "ducking.h"
#include "ladder.h"
#include "ladder_filter/filter_voice.h"
#include "simd_lanes.h"
#include "update_grid.h"
#include "version.h"

namespace ladder {

inline constexpr int kFilterLanes = 4;

// The lane type of a version: Clear's floats four to a register, Furry's
// doubles in two registers of two.
template <Version V>
using VersionLanes = std::conditional_t<V == Version::kClear, se_lanes::F32x4, se_lanes::F64x4>;

// The output mix of four voices, lane l from voices[l].
template <class W> OutputMix<W> LaneMix(FilterVoice *const *voices) {
  using Scalar = typename se_lanes::LaneTraits<W>::Scalar;
  Scalar gain[kFilterLanes], hp[kFilterLanes], sign[kFilterLanes];
  for (int l = 0; l < kFilterLanes; ++l) {
    const OutputMix<Scalar> m =
        OutputMixFor<Scalar>(voices[l]->outputGain, voices[l]->choices.type);
    gain[l] = m.gain;
    hp[l] = m.hp;
    sign[l] = m.sign;
  }
  return {W::Load(gain), W::Load(hp), W::Load(sign)};
}

// The bass boost of four voices of routine E.
template <class W, int E> BoostCurve<W> LaneBoost(FilterVoice *const *voices) {
  using Scalar = typename se_lanes::LaneTraits<W>::Scalar;
  float threshold[kFilterLanes];
  Scalar reference[kFilterLanes], slope[kFilterLanes];
  for (int l = 0; l < kFilterLanes; ++l) {
    const BoostCurve<Scalar> b = BoostCurveFor<Scalar>(E, voices[l]->bass);
    threshold[l] = b.threshold;
    reference[l] = b.reference;
    slope[l] = b.slope;
  }
  return {se_lanes::F32x4::Load(threshold), W::Load(reference), W::Load(slope)};
}

// Voices from `voiceCount` on (2 to 4 are real) copy voice 0: the same state
// and the same buffers, so they write lane 0's own samples; their ducking is
// left to lane 0.
template <int E, Version V>
void RunCombinationLanes(FilterVoice *const *voices, const FilterBuffers *io, int voiceCount,
                         int32_t count) {
  using W = VersionLanes<V>;
  using se_lanes::Gather, se_lanes::Narrow, se_lanes::Scatter, se_lanes::Select;
  if (count <= 0)
    return;
  const float *x[kFilterLanes], *pitch[kFilterLanes], *resonance[kFilterLanes];
  float *out[kFilterLanes];
  float zing[kFilterLanes];
  LadderState *state[kFilterLanes];
  for (int l = 0; l < kFilterLanes; ++l) {
    x[l] = io[l].signal;
    pitch[l] = io[l].pitch;
    resonance[l] = io[l].resonance;
    out[l] = io[l].out;
    zing[l] = io[l].zing[0];
    state[l] = &voices[l]->ladder;
  }
  const OutputMix<W> mix = LaneMix<W>(voices);
  const BoostCurve<W> boost = LaneBoost<W, E>(voices);
  Ladder<E, W> ladder(state);

  auto sample = [&](int32_t i, W input) __attribute__((always_inline)) {
    Scatter(Narrow(ladder.Sample(input, boost.At(Gather(pitch, i)), mix)), out, i);
  };
  // The update of the lanes in `due` (bit l: lane l) at sample i.
  auto update = [&](int32_t i, int due) {
    for (int l = 0; l < kFilterLanes; ++l)
      if ((due >> l & 1) != 0)
        ladder.UpdateLane(l, state[l]->coefficients, pitch[l][i], resonance[l][i], zing[l],
                          voices[l]->twoOverRate);
    ladder.LoadCoefficients(state);
  };
  auto moved = [&](int32_t i) {
    int due = 0;
    for (int l = 0; l < kFilterLanes; ++l)
      due |= state[l]->coefficients.Moved(pitch[l][i], resonance[l][i]) ? 1 << l : 0;
    return due;
  };

  int32_t from = 0;
  int restart = 0;
  for (int l = 0; l < kFilterLanes; ++l)
    restart |= voices[l]->restart ? 1 << l : 0;
  if (restart != 0) {
    // Lanes after a restart update whatever holds and halve their first
    // input; the others see sample 0 as they would alone: a grid sample
    // when the grid starts there.
    int due = restart;
    if (UpdateGridStart(count, 0) == 0)
      due |= moved(0) & ~restart;
    update(0, due);
    for (int l = 0; l < kFilterLanes; ++l)
      voices[l]->restart = false;
    const W x0 = W(HeldSignal(Gather(x, 0)));
    sample(0, Select(se_lanes::MaskOfBits(restart), x0 * W(0.5), x0));
    from = 1;
  }
  RunOnUpdateGrid(
      from, count,
      [&](int32_t i) __attribute__((always_inline)) { sample(i, W(HeldSignal(Gather(x, i)))); },
      [&](int32_t i) {
        if (const int due = moved(i); due != 0)
          update(i, due);
      });

  ladder.Store(state);
  for (int l = 0; l < voiceCount; ++l)
    DuckOutput(out[l], count, voices[l]->duckCount);
}

} // namespace ladder

#endif
