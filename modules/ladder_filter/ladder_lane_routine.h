// The combination routines for four or eight voices at once: RunCombination
// (ladder_routine.h) with the ladder on a lane type, one voice per lane, the
// voices sharing the routine (row and version) and the call's length.
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
#include "unmade.h"
#include "update_grid.h"
#include "version.h"

namespace ladder {

// The most voices a group runs at once.
inline constexpr int kFilterLanes = 8;

// The lane types of a version: Clear's floats four to a register, Furry's
// doubles in two registers of two; or eight voices as two such halves, two
// dependency chains that the processor runs side by side.
template <Version V, int N>
using VersionLanes =
    std::conditional_t<N == 4,
                       std::conditional_t<V == Version::kClear, se_lanes::F32x4, se_lanes::F64x4>,
                       std::conditional_t<V == Version::kClear, se_lanes::F32x8, se_lanes::F64x8>>;

// The output mix of the group's voices, lane l from voices[l].
template <class W> OutputMix<W> LaneMix(FilterVoice *const *voices) {
  using T = se_lanes::LaneTraits<W>;
  using Scalar = typename T::Scalar;
  Scalar gain[T::kCount], hp[T::kCount], sign[T::kCount];
  for (int l = 0; l < T::kCount; ++l) {
    const OutputMix<Scalar> m =
        OutputMixFor<Scalar>(voices[l]->outputGain, voices[l]->choices.type);
    gain[l] = m.gain;
    hp[l] = m.hp;
    sign[l] = m.sign;
  }
  return {T::FromScalars(gain), T::FromScalars(hp), T::FromScalars(sign)};
}

// The bass boost of the group's voices, of routine E.
template <class W, int E> BoostCurve<W> LaneBoost(FilterVoice *const *voices) {
  using T = se_lanes::LaneTraits<W>;
  using Scalar = typename T::Scalar;
  float threshold[T::kCount];
  Scalar reference[T::kCount], slope[T::kCount];
  for (int l = 0; l < T::kCount; ++l) {
    const BoostCurve<Scalar> b = BoostCurveFor<Scalar>(E, voices[l]->bass);
    threshold[l] = b.threshold;
    reference[l] = b.reference;
    slope[l] = b.slope;
  }
  return {se_lanes::LaneTraits<se_lanes::FloatOf<W>>::FromScalars(threshold),
          T::FromScalars(reference), T::FromScalars(slope)};
}

// Tells the compiler that *p may be read and written behind its back (it is
// not), so that it takes p's values from memory where they are used rather
// than holding them in registers across a loop: the ladder reads its
// coefficients as operands of its multiplies, and more of the registers stay
// with its chain from one sample to the next (routine 21, four voices: 2 %).
template <class T> inline void KeepInMemory(T *p) {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
  __asm__ __volatile__("" : : "r"(p) : "memory");
#else
  (void)p;
#endif
}

// W's lanes from `voiceCount` on copy voice 0: the same state and the same
// buffers, so they write lane 0's own samples; their ducking is left to
// lane 0.
//
// The coefficient updates of a stretch of up to eight update samples are
// made before the stretch's samples, all together: an update depends on the
// inputs and on which updates came before it, never on the ladder, and made
// side by side their long dependency chains overlap, where one at a time
// each would hold up the ladder's. Only the feedback flush, which reads the
// ladder, happens at the update's sample.
template <int E, class W>
void RunCombinationLanes(FilterVoice *const *voices, const FilterBuffers *io, int voiceCount,
                         int32_t count) {
  using L = Ladder<E, W>;
  using F = se_lanes::LaneTraits<se_lanes::FloatOf<W>>; // the float lanes: samples in and out
  constexpr int N = se_lanes::kLaneCount<W>;
  constexpr int kJobs = N / 4; // coefficient updates go four lanes at a time
  using se_lanes::Narrow, se_lanes::Select;
  if (count <= 0)
    return;
  const float *x[N], *pitch[N], *resonance[N];
  float *out[N];
  float zing[N], twoOverRate[N];
  LadderState *state[N];
  Coefficients *coefficients[N];
  int restart = 0;
  for (int l = 0; l < N; ++l) {
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
  // The coefficients the ladder reads between updates. At an update it reads
  // those loaded ahead, and after the round a copy of the last of them: the
  // next round loads over them.
  typename L::Loaded current;
  L::LoadCoefficients(state, current);
  KeepInMemory(&current);
  L ladder(state, current);

  auto sample = [&](int32_t i, W input) __attribute__((always_inline)) {
    F::Scatter(Narrow(ladder.Sample(input, boost.At(F::Gather(pitch, i)), mix)), out, i);
  };
  auto samples = [&](int32_t from, int32_t to) __attribute__((always_inline)) {
    for (int32_t i = from; i < to; ++i)
      sample(i, W(HeldSignal(F::Gather(x, i))));
  };
  // The lanes whose pitch or resonance moved at sample i, against the
  // values of their last update (planned or made).
  Unmade<Coefficients, N> lastMade;
  Coefficients *last = lastMade.at;
  for (int l = 0; l < N; ++l)
    last[l] = *coefficients[l];
  auto moved = [&](int32_t i) {
    int due = 0;
    for (int l = 0; l < N; ++l)
      due |= last[l].Moved(pitch[l][i], resonance[l][i]) ? 1 << l : 0;
    return due;
  };

  // Up to kAhead updates at a time: where, which lanes, their inputs (lanes
  // 4j .. 4j + 3 in jobs[j], one per planned update), and then what they
  // make and what the ladder loads there.
  constexpr int kAhead = kMaxCoefficientGroups / kJobs;
  int32_t at[kAhead];
  int dueAt[kAhead];
  CoefficientLanes jobs[kJobs][kAhead];
  Unmade<Coefficients[kAhead][4], kJobs> madeLanes;
  Coefficients(*made)[kAhead][4] = madeLanes.at;
  typename L::Loaded loads[kAhead];
  int planned = 0;
  auto plan = [&](int32_t i, int due) {
    for (int l = 0; l < N; ++l) {
      CoefficientLanes &job = jobs[l / 4][planned];
      job.pitch[l % 4] = pitch[l][i];
      job.resonance[l % 4] = resonance[l][i];
      if ((due >> l & 1) != 0) {
        last[l].lastPitch = pitch[l][i];
        last[l].lastResonance = resonance[l][i];
      }
    }
    at[planned] = i;
    dueAt[planned++] = due;
  };
  auto make = [&] {
    for (int j = 0; j < kJobs; ++j)
      UpdateCoefficientLanes(jobs[j], planned, zing + 4 * j, twoOverRate + 4 * j, kCombinations[E],
                             made[j]);
    for (int k = 0; k < planned; ++k) {
      for (int l = 0; l < N; ++l)
        if ((dueAt[k] >> l & 1) != 0)
          *coefficients[l] = made[l / 4][k][l % 4];
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
      const W in = W(HeldSignal(F::Gather(x, at[k])));
      if (at[k] == 0 && restart != 0)
        sample(0, Select(F::Mask(restart), in * W(0.5), in));
      else
        sample(at[k], in);
      i = at[k] + 1;
    }
    if (planned > 0) {
      current = loads[planned - 1];
      ladder.Use(current);
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
