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

#include "coefficient_lanes.h"
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
  return {W::FromScalars(gain), W::FromScalars(hp), W::FromScalars(sign)};
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
  return {se_lanes::F32x4::FromScalars(threshold), W::FromScalars(reference),
          W::FromScalars(slope)};
}

// Voices from `voiceCount` on (2 to 4 are real) copy voice 0: the same state
// and the same buffers, so they write lane 0's own samples; their ducking is
// left to lane 0.
//
// The coefficient updates of a stretch of up to eight update samples are
// made before the stretch's samples, all together: an update depends on the
// inputs and on which updates came before it, never on the ladder, and made
// side by side their long dependency chains overlap, where one at a time
// each would hold up the ladder's. Only the feedback flush, which reads the
// ladder, happens at the update's sample.
template <int E, Version V>
void RunCombinationLanes(FilterVoice *const *voices, const FilterBuffers *io, int voiceCount,
                         int32_t count) {
  using W = VersionLanes<V>;
  using L = Ladder<E, W>;
  using se_lanes::Gather, se_lanes::Narrow, se_lanes::Scatter, se_lanes::Select;
  if (count <= 0)
    return;
  const float *x[kFilterLanes], *pitch[kFilterLanes], *resonance[kFilterLanes];
  float *out[kFilterLanes];
  float zing[kFilterLanes], twoOverRate[kFilterLanes];
  LadderState *state[kFilterLanes];
  Coefficients *coefficients[kFilterLanes];
  int restart = 0;
  for (int l = 0; l < kFilterLanes; ++l) {
    x[l] = io[l].signal;
    pitch[l] = io[l].pitch;
    resonance[l] = io[l].resonance;
    out[l] = io[l].out;
    zing[l] = io[l].zing[0];
    twoOverRate[l] = voices[l]->twoOverRate;
    state[l] = &voices[l]->ladder;
    coefficients[l] = &state[l]->coefficients;
    restart |= voices[l]->restart ? 1 << l : 0;
    voices[l]->restart = false;
  }
  const OutputMix<W> mix = LaneMix<W>(voices);
  const BoostCurve<W> boost = LaneBoost<W, E>(voices);
  L ladder(state);

  auto sample = [&](int32_t i, W input) __attribute__((always_inline)) {
    Scatter(Narrow(ladder.Sample(input, boost.At(Gather(pitch, i)), mix)), out, i);
  };
  auto samples = [&](int32_t from, int32_t to) __attribute__((always_inline)) {
    for (int32_t i = from; i < to; ++i)
      sample(i, W(HeldSignal(Gather(x, i))));
  };
  // The lanes whose pitch or resonance moved at sample i, against the
  // values of their last update (planned or made).
  Coefficients last[kFilterLanes];
  for (int l = 0; l < kFilterLanes; ++l)
    last[l] = *coefficients[l];
  auto moved = [&](int32_t i) {
    int due = 0;
    for (int l = 0; l < kFilterLanes; ++l)
      due |= last[l].Moved(pitch[l][i], resonance[l][i]) ? 1 << l : 0;
    return due;
  };

  // Up to kAhead updates at a time: where, which lanes, their inputs, and
  // then what they make and what the ladder loads there.
  constexpr int kAhead = kMaxCoefficientGroups;
  int32_t at[kAhead];
  int dueAt[kAhead];
  CoefficientLanes jobs[kAhead];
  Coefficients made[kAhead][kFilterLanes];
  typename L::Loaded loads[kAhead];
  int planned = 0;
  auto plan = [&](int32_t i, int due) {
    for (int l = 0; l < kFilterLanes; ++l) {
      jobs[planned].pitch[l] = pitch[l][i];
      jobs[planned].resonance[l] = resonance[l][i];
      if ((due >> l & 1) != 0) {
        last[l].lastPitch = pitch[l][i];
        last[l].lastResonance = resonance[l][i];
      }
    }
    at[planned] = i;
    dueAt[planned++] = due;
  };
  auto make = [&] {
    UpdateCoefficientLanes(jobs, planned, zing, twoOverRate, kCombinations[E], made);
    for (int k = 0; k < planned; ++k) {
      for (int l = 0; l < kFilterLanes; ++l)
        if ((dueAt[k] >> l & 1) != 0)
          *coefficients[l] = made[k][l];
      L::LoadCoefficients(state, loads[k]);
    }
  };

  int32_t grid = UpdateGridStart(count, 0); // the next grid sample not yet planned
  int32_t i = 0;                            // the next sample
  while (i < count) {
    planned = 0;
    if (i == 0 && restart != 0) {
      // Lanes after a restart update whatever holds (and halve their first
      // input, below); the others see sample 0 as they would alone: a grid
      // sample when the grid starts there.
      int due = restart;
      if (grid == 0) {
        due |= moved(0) & ~restart;
        grid += kUpdateInterval;
      }
      plan(0, due);
    }
    for (; grid < count && planned < kAhead; grid += kUpdateInterval)
      if (const int due = moved(grid); due != 0)
        plan(grid, due);
    make();
    const int32_t end = grid < count ? grid : count;
    for (int k = 0; k < planned; ++k) {
      samples(i, at[k]);
      ladder.FlushFeedback(dueAt[k]);
      ladder.Use(loads[k]);
      const W in = W(HeldSignal(Gather(x, at[k])));
      if (at[k] == 0 && restart != 0)
        sample(0, Select(se_lanes::MaskOfBits(restart), in * W(0.5), in));
      else
        sample(at[k], in);
      i = at[k] + 1;
    }
    samples(i, end);
    i = end;
  }

  ladder.Store(state);
  for (int l = 0; l < voiceCount; ++l)
    DuckOutput(out[l], count, voices[l]->duckCount);
}

} // namespace ladder

#endif
