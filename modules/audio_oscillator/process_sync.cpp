// The sync routines: cut each stretch at the rises of the Sync input and run
// the inner routine for the pieces, restarting the cycle at each rise.
#include "voice_routines.h"

#include "conversions.h"
#include "pitch_conversion.h"

#include <bit>

namespace osc {

namespace {

// Positive on the float's bits: sign clear and not zero (so -0 and 0 are not).
bool IsPositive(float v) { return std::bit_cast<int32_t>(v) > 0; }

// The part of a sample since the line from prev to cur crossed zero, in [0, 1].
// Non-finite samples give 0 (restart exactly on the sample).
double PassedFraction(float cur, float prev) {
  const double f = static_cast<double>(cur) / (static_cast<double>(cur) - prev);
  return ClampRange(f, 0.0, 1.0);
}

enum class SyncPhase { kZero, kOct, kLinear };

// The phase at a sync point: 0 on the sample, or the part of a step that has
// passed since the rise crossed zero.
template <SyncPhase P>
double SyncPhaseAt(const OscillatorVoice &v, const OscillatorBuffers &b, int32_t index, float cur,
                   float prev) {
  if constexpr (P == SyncPhase::kZero) {
    (void)v;
    (void)b;
    (void)index;
    (void)cur;
    (void)prev;
    return 0.0;
  } else if constexpr (P == SyncPhase::kOct) {
    return FoldCycles(OctStep<OctRounding::Nearest>(*v.pitchTables, b.pitch[index]) *
                      PassedFraction(cur, prev));
  } else {
    const double step = static_cast<double>(b.pitch[index]) * v.linearScale;
    return FoldCycles(step * PassedFraction(cur, prev));
  }
}

void RunInner(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  if (v.inner == OscillatorRoutine::kHigh)
    RunHigh(v, b, first, count);
  else
    RunLow(v, b, first, count);
}

template <SyncPhase P>
void RunSync(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  if (count <= 0)
    return;
  float prev = v.lastSync;
  int32_t segment = 0;
  for (int32_t j = 0; j < count; ++j) {
    const float cur = b.sync[first + j];
    if (!IsPositive(prev) && IsPositive(cur)) {
      if (j > segment)
        RunInner(v, b, first + segment, j - segment);
      v.phase = SyncPhaseAt<P>(v, b, first + j, cur, prev);
      segment = j;
    }
    prev = cur;
  }
  v.lastSync = prev;
  if (count > segment)
    RunInner(v, b, first + segment, count - segment);
}

} // namespace

void RunSyncLow(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  RunSync<SyncPhase::kZero>(v, b, first, count);
}

void RunSyncHighOct(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  RunSync<SyncPhase::kOct>(v, b, first, count);
}

void RunSyncHighLinear(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first,
                       int32_t count) {
  RunSync<SyncPhase::kLinear>(v, b, first, count);
}

} // namespace osc
