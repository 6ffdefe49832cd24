// The table reads of read_kernels.h for four voices at once, one voice per
// lane, through the same loops (read_loops.h): each lane has its own table,
// phase, steps and output, and goes through the IEEE operations of the
// one-voice read (Lerp, FixedRead, the phase additions) in the same order, so
// it writes that read's samples.
// The tables' points are read per lane; with SSE2 two lanes at a time as the
// one-voice pair reads do (pair_math.h).
#ifndef AUDIO_OSCILLATOR_READ_LANES_H
#define AUDIO_OSCILLATOR_READ_LANES_H

#include "pair_math.h"
#include "read_loops.h"
#include "simd_lanes.h"
#include "table_read.h"

#include <cmath>
#include <cstdint>

namespace osc {

inline constexpr int kOscLanes = 4;

using se_lanes::F32x4;
using se_lanes::F64x4;
using se_lanes::U32x4;

// Four tables and four outputs.
struct LaneTables {
  const float *table[kOscLanes];
};

// The points p[0] and p[1] of lane l's table at point[l].
inline void GatherPoints(const LaneTables &t, const int32_t *point, F32x4 &p0, F32x4 &p1) {
#if defined(SE_LANES_SSE2)
  // Each lane's two neighbouring points in one 8-byte load, two lanes
  // interleaved per register: (a0, b0, a1, b1) and (c0, d0, c1, d1).
  const __m128 ab = InterleavePair(t.table[0] + point[0], t.table[1] + point[1]);
  const __m128 cd = InterleavePair(t.table[2] + point[2], t.table[3] + point[3]);
  p0 = F32x4(_mm_movelh_ps(ab, cd));
  p1 = F32x4(_mm_movehl_ps(cd, ab));
#else
  float a[kOscLanes], b[kOscLanes];
  for (int l = 0; l < kOscLanes; ++l) {
    const float *p = t.table[l] + point[l];
    a[l] = p[0];
    b[l] = p[1];
  }
  p0 = F32x4::FromScalars(a);
  p1 = F32x4::FromScalars(b);
#endif
}

// Lerp (table_read.h) per lane at positions t, in points.
inline F32x4 LerpLanes(const LaneTables &tables, F64x4 t) {
  using se_lanes::GreaterOf, se_lanes::LessOf;
  t = LessOf(GreaterOf(t, F64x4(-kPositionLimit)), F64x4(kPositionLimit)); // ClampRange
  int32_t point[kOscLanes];
  F64x4 floor;
#if defined(SE_LANES_SSE2)
  // FloorSplit two lanes at a time, as LerpPair does.
  const FloorPairParts lo = FloorPair(t.lo), hi = FloorPair(t.hi);
  const LanePair a = FloorLanes(lo), b = FloorLanes(hi);
  point[0] = a.first;
  point[1] = a.second;
  point[2] = b.first;
  point[3] = b.second;
  floor = {lo.d, hi.d};
#else
  // FloorSplit: the truncation, one lower where it went up.
  const F64x4 truncated = se_lanes::TruncatedDoubles(t);
  floor = se_lanes::Select(se_lanes::Less(t, truncated), truncated - F64x4(1.0), truncated);
  se_lanes::TruncateToInts(floor, point);
#endif
  for (int32_t &p : point)
    p &= kCyclePoints - 1;
  const F64x4 fr = t - floor;
  F32x4 p0, p1;
  GatherPoints(tables, point, p0, p1);
  return se_lanes::Narrow(F64x4(p0) + fr * F64x4(p1 - p0)); // the difference in float
}

// FixedRead per lane at 32-bit fixed-point phases.
inline F32x4 FixedReadLanes(const LaneTables &tables, U32x4 acc) {
  int32_t point[kOscLanes];
#if defined(SE_LANES_SSE2)
  const __m128i top = _mm_srli_epi32(acc.v, 23);
  const LanePair a = Lanes(top), b = Lanes(_mm_unpackhi_epi64(top, top));
  point[0] = a.first;
  point[1] = a.second;
  point[2] = b.first;
  point[3] = b.second;
#else
  uint32_t top[kOscLanes];
  se_lanes::ShiftRight<23>(acc).Store(top);
  for (int l = 0; l < kOscLanes; ++l)
    point[l] = static_cast<int32_t>(top[l]);
#endif
  F32x4 p0, p1;
  GatherPoints(tables, point, p0, p1);
  const F32x4 fr = se_lanes::FloatBits((acc & U32x4(0x7FFFFFu)) | U32x4(0x3F800000u)) - F32x4(1.0f);
  return p0 + fr * (p1 - p0);
}

// The steps of four voices: one for the call each, or per sample from each
// voice's float steps (as StepArray reads them).
struct ConstantStepLanes {
  F64x4 step;
  F64x4 operator[](int32_t) const { return step; }
};
struct StepArrayLanes {
  const float *steps[kOscLanes];
  F64x4 operator[](int32_t j) const { return F64x4(se_lanes::Gather(steps, j)); }
};

// Four voices' tables, outputs and streaming widths for read_loops.h.
struct LanesIo {
  LaneTables tables;
  float *const *out;
  const float *const *width;
  F64x4 Width(int32_t j) const { return F64x4(se_lanes::Gather(width, j)); }
  void Put(int32_t j, F32x4 v) const { se_lanes::Scatter(v, out, j); }
  F32x4 Lerp(F64x4 t) const { return LerpLanes(tables, t); }
  F32x4 FixedRead(U32x4 a) const { return FixedReadLanes(tables, a); }
};

// ReadPlainFixed per lane: answers the accumulators after the call.
inline U32x4 ReadPlainFixedLanes(const LaneTables &tables, float *const *out, int32_t count,
                                 U32x4 a, U32x4 step) {
  return loops::PlainFixed(LanesIo{tables, out, nullptr}, count, a, step);
}

// ReadPulseFixed per lane: answers the second accumulators after the call.
inline U32x4 ReadPulseFixedLanes(const LaneTables &tables, float *const *out, int32_t count,
                                 U32x4 a, U32x4 b, U32x4 step) {
  return loops::PulseFixed(LanesIo{tables, out, nullptr}, count, a, b, step);
}

// The phase after a call, each lane reduced to one cycle: x - floor(x).
inline void Fractions(F64x4 x, double *phase) {
  double v[kOscLanes];
  x.Store(v);
  for (int l = 0; l < kOscLanes; ++l)
    phase[l] = v[l] - std::floor(v[l]);
}

// ReadPlainModulated per lane; leaves each lane's phase in phase[l].
template <class Steps>
void ReadPlainModulatedLanes(const LaneTables &tables, float *const *out, const float *const *width,
                             int32_t count, F64x4 x, Steps steps, double *phase) {
  Fractions(loops::PlainModulated(LanesIo{tables, out, width}, 0, count, x, steps), phase);
}

// ReadPlainShifted per lane (x already holds the width w).
template <class Steps>
void ReadPlainShiftedLanes(const LaneTables &tables, float *const *out, int32_t count, F64x4 x,
                           F64x4 w, Steps steps, double *phase) {
  Fractions(loops::PlainShifted(LanesIo{tables, out, nullptr}, 0, count, x, steps) - w, phase);
}

// ReadPulse per lane (y and the steps in points).
template <class Steps>
void ReadPulseLanes(const LaneTables &tables, float *const *out, const float *const *width,
                    int32_t count, F64x4 y, Steps pointSteps, double *phase) {
  const F64x4 after = loops::Pulse(LanesIo{tables, out, width}, 0, count, y, pointSteps);
  Fractions(after / F64x4(double{kCyclePoints}), phase);
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_READ_LANES_H
