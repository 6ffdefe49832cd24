// processHigh's step fill and reads in AVX2 registers. Everything here has
// internal linkage: no inline function compiled with AVX2 may stand in for
// the plain build's at link time.
#include "../high_reads_avx2.h"

#include "pitch_conversion.h"
#include "table_read.h"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace osc::avx2 {

namespace {

// Only the one-voice headers' constants are used here, none of their
// inline functions (the links-apart test checks).

// ClampRange per lane: MAXPD answers its first operand only when it is
// greater, so NaN gives lo.
__m256d Clamp(__m256d x, double lo, double hi) {
  return _mm256_min_pd(_mm256_max_pd(x, _mm256_set1_pd(lo)), _mm256_set1_pd(hi));
}

// FloorSplit per lane (lanes within +-2^31): the floor as a double, and
// the same whole number in the low bits of a 64-bit lane. VROUNDPD rounds
// -0.0 to -0.0 where FloorSplit's integer conversion makes +0.0; adding +0.0
// makes it that. The magic number 1.5 * 2^52 puts the whole number (two's
// complement) in the low bits of its sum, which is exact.
struct Floor {
  __m256d d;
  __m256i bits; // low bits: the floor; bits(kMagic) + floor as a whole
};
constexpr double kMagic = 6755399441055744.0; // 1.5 * 2^52
Floor FloorOf(__m256d x) {
  const __m256d d = _mm256_add_pd(_mm256_round_pd(x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC),
                                  _mm256_setzero_pd());
  return {d, _mm256_castpd_si256(_mm256_add_pd(d, _mm256_set1_pd(kMagic)))};
}

// OctStep<OctRounding::Down> per lane.
__m256d OctStepDown(const WideStepEntry *entries, __m256d s) {
  const __m256d p =
      Clamp(_mm256_mul_pd(s, _mm256_set1_pd(kOctUnitsPerSample)), kOctUnitsLow, kOctUnitsHigh);
  const Floor f = FloorOf(p);
  const __m256d r = _mm256_sub_pd(p, f.d);
  static_assert(sizeof(WideStepEntry) == 16);
  const __m256i entry = _mm256_slli_epi64(_mm256_and_si256(f.bits, _mm256_set1_epi64x(255)), 4);
  const __m256d delta = _mm256_i64gather_pd(&entries->delta, entry, 1);
  const __m256d base = _mm256_i64gather_pd(&entries->base, entry, 1);
  // OctavePower(n >> 8): the octave's bits (n >> 8) << 52 are n << 44 with
  // the entry's bits cleared; the magic number's bits shift out.
  const __m256i octave = _mm256_and_si256(_mm256_slli_epi64(f.bits, 44),
                                          _mm256_set1_epi64x(static_cast<long long>(~0ull << 52)));
  const __m256d power =
      _mm256_castsi256_pd(_mm256_add_epi64(octave, _mm256_set1_epi64x(1023ll << 52)));
  return _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(r, delta), base), power);
}

template <bool Pulse, bool Linear>
void FillQuads(const StepFill (&voices)[kLanes], int32_t count, int32_t *written) {
  const __m256d unit = _mm256_set1_pd(Pulse ? double{kCyclePoints} : 1.0);
  __m256d large = _mm256_setzero_pd();
  int32_t j = 0;
  // The voices side by side: four independent chains through the gathers.
  for (; j + kLanes <= count; j += kLanes) {
    for (int l = 0; l < kLanes; ++l) {
      const StepFill &v = voices[l];
      const __m256d s = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(v.pitch + j)),
                                      _mm256_cvtps_pd(_mm_loadu_ps(v.adjust + j)));
      __m256d step;
      if constexpr (Linear) {
        step = _mm256_mul_pd(s, _mm256_set1_pd(v.scale));
      } else {
        step = OctStepDown(v.entries, s);
        if constexpr (Pulse)
          step = _mm256_mul_pd(step, unit);
      }
      const __m256d size = _mm256_andnot_pd(_mm256_set1_pd(-0.0), step);
      large = _mm256_or_pd(large, _mm256_cmp_pd(size, unit, _CMP_NLT_UQ)); // NaN counts as large
      _mm_storeu_ps(v.steps + j, _mm256_cvtpd_ps(step));
    }
  }
  // A step that needs the fold sends all four voices to the one-voice fill.
  const int32_t made = _mm256_movemask_pd(large) == 0 ? j : 0;
  for (int l = 0; l < kLanes; ++l)
    written[l] = made;
}

// Four voices' tables: the first one's address, and each one's distance in
// bytes from it in a 64-bit lane (a 32-bit build's addresses wrap as its
// pointers do).
struct Tables {
  const float *first;
  __m256i offset;
};

// Lerp (table_read.h) per lane, each lane from its own table.
__m128 Lerp(const Tables &tables, __m256d t) {
  t = Clamp(t, -kPositionLimit, kPositionLimit);
  const Floor f = FloorOf(t);
  const __m256d fr = _mm256_sub_pd(t, f.d);
  const __m256i point = _mm256_and_si256(f.bits, _mm256_set1_epi64x(kCyclePoints - 1));
  const __m256i at = _mm256_add_epi64(tables.offset, _mm256_slli_epi64(point, 2));
  const __m128 p0 = _mm256_i64gather_ps(tables.first, at, 1);
  const __m128 difference = _mm_sub_ps(_mm256_i64gather_ps(tables.first + 1, at, 1), p0);
  return _mm256_cvtpd_ps(
      _mm256_add_pd(_mm256_cvtps_pd(p0), _mm256_mul_pd(fr, _mm256_cvtps_pd(difference))));
}

// Sample j of four voices' buffers, one voice to a lane.
__m128 Gather(const float *const *p, int32_t j) {
  return _mm_setr_ps(p[0][j], p[1][j], p[2][j], p[3][j]);
}
void Scatter(__m128 v, float *const *p, int32_t j) {
  alignas(16) float lane[kLanes];
  _mm_store_ps(lane, v);
  for (int l = 0; l < kLanes; ++l)
    p[l][j] = lane[l];
}

// Samples j..j+3 of four voices' buffers: v[k] holds sample j + k, one
// voice to a lane.
void GatherFour(const float *const *p, int32_t j, __m128 (&v)[kLanes]) {
  for (int l = 0; l < kLanes; ++l)
    v[l] = _mm_loadu_ps(p[l] + j);
  _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
}
void ScatterFour(__m128 (&v)[kLanes], float *const *p, int32_t j) {
  _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
  for (int l = 0; l < kLanes; ++l)
    _mm_storeu_ps(p[l] + j, v[l]);
}

// One sample of each read: the output at x with the sample's width, and x
// moved by the sample's step.
struct PulseSample {
  Tables tables;
  __m128 operator()(__m256d &y, __m128 width, __m128 step) const {
    const __m256d shifted =
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(width), _mm256_set1_pd(kCyclePoints)), y);
    const __m128 out = _mm_sub_ps(Lerp(tables, shifted), Lerp(tables, y));
    y = _mm256_add_pd(y, _mm256_cvtps_pd(step));
    return out;
  }
};
struct ModulatedSample {
  Tables tables;
  __m128 operator()(__m256d &x, __m128 width, __m128 step) const {
    const __m256d t =
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtps_pd(width), x), _mm256_set1_pd(kCyclePoints));
    const __m128 out = Lerp(tables, t);
    x = _mm256_add_pd(x, _mm256_cvtps_pd(step));
    return out;
  }
};
struct ShiftedSample {
  Tables tables;
  __m128 operator()(__m256d &x, __m128, __m128 step) const {
    const __m128 out = Lerp(tables, _mm256_mul_pd(x, _mm256_set1_pd(kCyclePoints)));
    x = _mm256_add_pd(x, _mm256_cvtps_pd(step));
    return out;
  }
};

// The inputs and outputs are turned four samples at a time, so that each
// voice's buffers are read and written four floats at once.
template <bool Widths, class Sample>
void Run(const HighLanes &lanes, int32_t count, double *position, Sample sample) {
  __m256d x = _mm256_loadu_pd(position);
  const __m128 noWidth = _mm_setzero_ps();
  int32_t j = 0;
  for (; j + kLanes <= count; j += kLanes) {
    __m128 step[kLanes], width[kLanes], out[kLanes];
    GatherFour(lanes.steps, j, step);
    if constexpr (Widths)
      GatherFour(lanes.width, j, width);
    for (int k = 0; k < kLanes; ++k)
      out[k] = sample(x, Widths ? width[k] : noWidth, step[k]);
    ScatterFour(out, lanes.out, j);
  }
  for (; j < count; ++j)
    Scatter(sample(x, Widths ? Gather(lanes.width, j) : noWidth, Gather(lanes.steps, j)), lanes.out,
            j);
  _mm256_storeu_pd(position, x);
}

} // namespace

void FillSteps(bool pulse, bool linear, const StepFill (&voices)[kLanes], int32_t count,
               int32_t *written) {
  if (pulse)
    linear ? FillQuads<true, true>(voices, count, written)
           : FillQuads<true, false>(voices, count, written);
  else
    linear ? FillQuads<false, true>(voices, count, written)
           : FillQuads<false, false>(voices, count, written);
}

void ReadHigh(HighRead read, const HighLanes &lanes, int32_t count, double *x) {
  auto offset = [&](int l) {
    return static_cast<long long>(reinterpret_cast<uintptr_t>(lanes.table[l]) -
                                  reinterpret_cast<uintptr_t>(lanes.table[0]));
  };
  const Tables tables{lanes.table[0],
                      _mm256_setr_epi64x(offset(0), offset(1), offset(2), offset(3))};
  switch (read) {
  case HighRead::kPulse: Run<true>(lanes, count, x, PulseSample{tables}); break;
  case HighRead::kModulated: Run<true>(lanes, count, x, ModulatedSample{tables}); break;
  case HighRead::kShifted: Run<false>(lanes, count, x, ShiftedSample{tables}); break;
  }
}

} // namespace osc::avx2
