// The ladder of one combination row, as one process call runs it: the stage
// states, the feedback and the coefficients held in locals of the working
// type W (float for Clear, double for Furry), and the per-sample steps. Every
// step is forced inline into the routine's loop: left to itself the compiler
// keeps the five-stage rows out of line, a call per sample with the states
// and the feedback passed through memory.
//
// W may also be a lane type of simd_lanes.h (F32x4 for Clear, F64x4 for
// Furry; Twice of them for eight): then the object holds the ladders of as
// many voices, lane l loaded
// from and stored to the l-th LadderState, and each sample step runs the
// same IEEE operations in every lane as on one voice. What differs per voice
// outside the sample steps (the coefficient update, the store) runs one lane
// at a time, through the same scalar code.
#ifndef LADDER_FILTER_LADDER_H
#define LADDER_FILTER_LADDER_H

#include "bass_boost.h"
#include "combination_table.h"
#include "ladder_filter/filter_voice.h"
#include "ladder_limits.h"
#include "simd_lanes.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>

namespace ladder {

// Output of the non-X rows: low-pass G * y, high-pass G * (x - y), both
// written as G * (hp * x + sign * y), exact for either choice.
template <class W> struct OutputMix {
  W gain;
  W hp;
  W sign;
};

template <class W> OutputMix<W> OutputMixFor(float gain, int16_t filterType) {
  const bool highPass = filterType != static_cast<int16_t>(FilterType::kLowPass);
  return {W(gain), highPass ? W(1) : W(0), highPass ? W(-1) : W(1)};
}

template <int E, class W> class Ladder {
  using Lanes = se_lanes::LaneTraits<W>;
  using Scalar = typename Lanes::Scalar; // float or double
  static constexpr int kLanes = Lanes::kCount;

public:
  static constexpr CombinationRow kRow = kCombinations[E];
  static constexpr int kStages = StageCount(kRow);

  // One voice: loads its state and coefficients into locals.
  explicit Ladder(const LadderState *const *ladders) : Ladder(ladders, nullptr) {
    static_assert(kLanes == 1, "lanes are given their coefficients (below)");
    LoadCoefficients(ladders);
  }
  // Loads the state of kLanes ladders, lane l from ladders[l], and uses the
  // coefficients k (see Use).
  template <class Loads> Ladder(const LadderState *const *ladders, const Loads &k) {
    Scalar s[kLanes];
    for (int k = 0; k < kStages; ++k) {
      for (int l = 0; l < kLanes; ++l)
        s[l] = ladders[l]->stage[k];
      m_state[k] = Lanes::FromScalars(s);
    }
    for (int l = 0; l < kLanes; ++l)
      s[l] = ladders[l]->feedback;
    m_feedback = Lanes::FromScalars(s);
    if constexpr (!std::is_null_pointer_v<Loads>)
      Use(k);
  }

  // The coefficient update of one ladder (W float or double).
  void Update(LadderState &ladder, float v, float r, float z, float twoOverRate) {
    ladder.coefficients.Update(v, r, z, twoOverRate, kCombinations[E]);
    FlushFeedback(1);
    const LadderState *one[] = {&ladder};
    LoadCoefficients(one);
  }

  // What goes with a coefficient update of the lanes in `lanes` (bit l:
  // lane l): a feedback that has decayed to nothing is flushed to zero.
  void FlushFeedback(int lanes) {
    Scalar f[kLanes];
    Lanes::Store(m_feedback, f);
    bool flushed = false;
    for (int l = 0; l < kLanes; ++l)
      if ((lanes >> l & 1) != 0 && std::abs(static_cast<double>(f[l])) < kFeedbackFlush) {
        f[l] = 0;
        flushed = true;
      }
    if (flushed)
      m_feedback = Lanes::FromScalars(f);
  }

  // Per stage c, and 1 + c and 1 - c for the stage's arithmetic (below), and
  // Q, of every lane.
  struct Loaded {
    W c[kStages], cPlus[kStages], cMinus[kStages];
    W cPlusHalf; // (1 + c) / 2 of the first stage (exact), for lanes
    W q;
  };
  static void LoadCoefficients(const LadderState *const *ladders, Loaded &k) {
    Scalar c[kLanes], q[kLanes];
    for (int s = 0; s < kStages; ++s) {
      for (int l = 0; l < kLanes; ++l)
        c[l] = StageCoefficient(s, ladders[l]->coefficients);
      k.c[s] = Lanes::FromScalars(c);
      k.cPlus[s] = W(1) + k.c[s];
      k.cMinus[s] = W(1) - k.c[s];
    }
    if constexpr (kLanes > 1)
      k.cPlusHalf = k.cPlus[0] * W(0.5);
    for (int l = 0; l < kLanes; ++l)
      q[l] = ladders[l]->coefficients.resonanceGain;
    k.q = Lanes::FromScalars(q);
  }
  void LoadCoefficients(const LadderState *const *ladders) { LoadCoefficients(ladders, m_k); }
  // Coefficients loaded ahead (LoadCoefficients above) take over. Lanes
  // read them where they lie, at every sample, as operands of their
  // multiplies (ladder_lane_routine.h: KeepInMemory), so `k` must outlive
  // their use; a voice copies them.
  void Use(const Loaded &k) {
    if constexpr (kLanes > 1)
      m_k = &k;
    else
      m_k = k;
  }

  // One sample through the ladder: input x, boost of the output stage.
  //
  // In lanes the first stage takes (1 + c) / 2 * (x - feedback) where the
  // one-voice ladder takes (1 + c) * ((x - feedback) / 2): one multiply
  // fewer on the chain from one sample to the next. The two differ only
  // where halving is inexact, |x - feedback| below 2^-125, and then by a
  // value that the first stage's state clip cannot tell apart: its input
  // w = in - c S is either led by a c S so much larger that `in` is lost in
  // its rounding, or is itself so small that w + L rounds to L and the clip
  // answers 0. The ladder's bits are the same (tests/ladder_filter/
  // ladder_lanes_test.cpp drives faint signals through it).
  [[gnu::always_inline]] W Sample(W x, W boost, const OutputMix<W> &mix) {
    W a = kLanes > 1 ? x - m_feedback : (x - m_feedback) * W(0.5);
    Taps taps;
    RunStages(a, boost, taps, std::make_integer_sequence<int, kStages>{});
    const W out = Output(x, taps.output, mix);
    m_feedback = NextFeedback(taps.feedback);
    return out;
  }

  // Store state: in float32. A non-finite value (only from non-finite inputs)
  // would stay forever, so it empties the ladder (of that lane only). Values
  // below 1e-30 (600 dB down) are stored as zero, so that a decaying ladder
  // does not sit in the subnormal range, which is slow on many processors.
  void Store(LadderState *const *ladders) const {
    if constexpr (kLanes > 1) {
      StoreLanes(ladders);
      return;
    }
    Scalar state[kStages][kLanes], feedback[kLanes];
    for (int k = 0; k < kStages; ++k)
      Lanes::Store(m_state[k], state[k]);
    Lanes::Store(m_feedback, feedback);
    for (int l = 0; l < kLanes; ++l) {
      bool finite = std::isfinite(static_cast<float>(feedback[l]));
      for (int k = 0; k < kStages; ++k)
        finite = finite && std::isfinite(static_cast<float>(state[k][l]));
      for (int k = 0; k < kStages; ++k)
        ladders[l]->stage[k] = Stored(state[k][l], finite);
      ladders[l]->feedback = Stored(feedback[l], finite);
    }
  }

private:
  // Store for lanes: the same values, with the tests made on whole registers.
  void StoreLanes(LadderState *const *ladders) const {
    using F = se_lanes::FloatOf<W>;
    using se_lanes::Abs, se_lanes::LaneBits, se_lanes::Less, se_lanes::Narrow, se_lanes::Select;
    const F infinity(std::numeric_limits<float>::infinity()), guard(kSubnormalGuard), zero(0.0f);
    float stored[kStages + 1][kLanes];
    int finite = (1 << kLanes) - 1;
    for (int k = 0; k <= kStages; ++k) {
      const F f = Narrow(k < kStages ? m_state[k] : m_feedback);
      finite &= LaneBits(Less(Abs(f), infinity));
      se_lanes::LaneTraits<F>::Store(Select(Less(Abs(f), guard), zero, f), stored[k]);
    }
    for (int l = 0; l < kLanes; ++l) {
      const bool keep = (finite >> l & 1) != 0;
      for (int k = 0; k < kStages; ++k)
        ladders[l]->stage[k] = keep ? stored[k][l] : 0.0f;
      ladders[l]->feedback = keep ? stored[kStages][l] : 0.0f;
    }
  }

  // The values a sample takes from its stages for the output and feedback.
  struct Taps {
    W output = W(0);
    W feedback = W(0);
  };

  // Stage k's coefficient in one ladder: its pole, held above -1 in a stage
  // without a state clip.
  static Scalar StageCoefficient(int k, const Coefficients &co) {
    const float poles[] = {co.pole, co.poleA, co.poleB, co.poleC};
    Scalar c = poles[static_cast<int>(kRow.stages[k].pole)];
    if (kRow.stages[k].stateClip == kNoClip)
      c = c < Scalar(-1) ? Scalar(kUnclippedCoefFloor) : c;
    return c;
  }

  template <int... K>
  [[gnu::always_inline]] void RunStages(W &a, W boost, Taps &taps,
                                        std::integer_sequence<int, K...>) {
    (RunStage<K>(a, boost, taps), ...);
  }

  // Stage K + 1: h = a + c (a - S) and y = h + S, evaluated as (1 + c) a - c S
  // and (1 + c) a + (1 - c) S: the same values, with one multiply and one add
  // on the path from a to y. c S and (1 - c) S are known ahead.
  template <int K> [[gnu::always_inline]] void RunStage(W &a, W boost, Taps &taps) {
    constexpr Stage S = kRow.stages[K];
    static_assert(K != 0 || (S.stateClip != kNoClip && S.stateClip >= 1.0f),
                  "lanes halve the input with the first pole: see Sample");
    const Loaded &k = Loads();
    const W in = K == 0 && kLanes > 1 ? k.cPlusHalf * a : k.cPlus[K] * a;
    W h = in - k.c[K] * m_state[K];
    W y;
    if constexpr (S.stateClip != kNoClip) {
      h = Clip(h, S.stateClip);
      y = h + m_state[K];
    } else {
      y = in + k.cMinus[K] * m_state[K];
    }
    m_state[K] = h;
    if constexpr (S.outputClip != kNoClip)
      y = Clip(y, S.outputClip);
    if constexpr (K + 1 == kRow.output.stage) {
      if constexpr (kLanes == 1)
        y = y * boost;
      else if (!se_lanes::AllLanes<W>(se_lanes::LessEqual(boost, W(1))) ||
               !se_lanes::AllLanes<W>(se_lanes::GreaterEqual(boost, W(1))))
        y = y * boost; // skipped where every lane's boost is 1: y * 1 is y
      taps.output = y;
    }
    if constexpr (K + 1 == kRow.feedback.stage)
      taps.feedback = y;
    a = y;
  }

  // SoftClip (ladder_limits.h). In lanes, where w + L is at least zero in
  // every lane (w above -L: a clip's usual work), its size is itself, and the
  // predicted branch takes the size off the chain.
  [[gnu::always_inline]] static W Clip(W w, float level) {
    if constexpr (kLanes > 1) {
      using se_lanes::Abs;
      const W l(level), up = w + l;
      if (se_lanes::AllLanes<W>(se_lanes::GreaterEqual(up, W(0))))
        return W(0.3315) * (w + up - Abs(w - l));
    }
    return SoftClip(w, level);
  }

  // The output taps: yK, or for the X rows 2·SK′ − y5.
  [[gnu::always_inline]] W Output(W x, W y, const OutputMix<W> &mix) const {
    if constexpr (kRow.output.mixState != 0)
      return mix.gain * (W(2) * m_state[kRow.output.mixState - 1] - y);
    else
      return mix.gain * (mix.hp * x + mix.sign * y);
  }

  // Q * y, or for the shaped rows Q * y * (1 + 0.02 * y) with the factor held
  // at 0 from y = -50 down, where it would turn the feedback positive and the
  // ladder would run away. Held within the feedback limit.
  //
  // In lanes, a selection that would change no lane is skipped on a branch
  // (se_lanes::AllLanes): the feedback is the ladder's dependency chain from
  // one sample to the next, and the predicted branch takes the comparisons
  // off it.
  [[gnu::always_inline]] W NextFeedback(W y) const {
    using se_lanes::AllLanes, se_lanes::GreaterOf, se_lanes::LessOf;
    W f = Loads().q * y;
    if constexpr (kRow.feedback.shaped) {
      const W shape = W(1) + W(0.02) * y;
      if constexpr (kLanes > 1) {
        if (AllLanes<W>(se_lanes::Greater(shape, W(0))))
          f = f * shape;
        else
          f = f * GreaterOf(shape, W(0));
      } else {
        f = f * GreaterOf(shape, W(0)); // shape > 0 ? shape : 0
      }
    }
    if constexpr (kLanes > 1)
      if (AllLanes<W>(se_lanes::Less(se_lanes::Abs(f), W(kFeedbackLimit))))
        return f;
    f = GreaterOf(f, W(-kFeedbackLimit));
    return LessOf(f, W(kFeedbackLimit));
  }

  static float Stored(Scalar value, bool finite) {
    const float f = static_cast<float>(value);
    return finite && !(std::fabs(f) < kSubnormalGuard) ? f : 0.0f;
  }

  [[gnu::always_inline]] const Loaded &Loads() const {
    if constexpr (kLanes > 1)
      return *m_k;
    else
      return m_k;
  }

  W m_state[kStages];
  W m_feedback;
  std::conditional_t<(kLanes > 1), const Loaded *, Loaded> m_k{};
};

} // namespace ladder

#endif
