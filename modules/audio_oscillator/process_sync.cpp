// The sync routines: cut each stretch at the rises of the Sync input and run
// the inner routine for the pieces, restarting the cycle at each rise.
#include "oscillator_module.h"

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

} // namespace

template <Module::SyncPhase P>
double Module::SyncPhaseAt(int32_t index, float cur, float prev) const {
  if constexpr (P == SyncPhase::kZero) {
    (void)index;
    (void)cur;
    (void)prev;
    return 0.0;
  } else if constexpr (P == SyncPhase::kOct) {
    return FoldCycles(OctStep<OctRounding::Nearest>(*m_pitchTables, m_pitchIn[index]) *
                      PassedFraction(cur, prev));
  } else {
    const double step = static_cast<double>(m_pitchIn[index]) * m_linearScale;
    return FoldCycles(step * PassedFraction(cur, prev));
  }
}

template <Module::SyncPhase P> void Module::ProcessSync(int32_t first, int32_t count) {
  if (count <= 0)
    return;
  float prev = m_lastSync;
  int32_t segment = 0;
  for (int32_t j = 0; j < count; ++j) {
    const float cur = m_syncIn[first + j];
    if (!IsPositive(prev) && IsPositive(cur)) {
      if (j > segment)
        (this->*innerProcess)(first + segment, j - segment);
      m_phase = SyncPhaseAt<P>(first + j, cur, prev);
      segment = j;
    }
    prev = cur;
  }
  m_lastSync = prev;
  if (count > segment)
    (this->*innerProcess)(first + segment, count - segment);
}

void Module::processSyncLow(int32_t first, int32_t count) {
  ProcessSync<SyncPhase::kZero>(first, count);
}

void Module::processSyncHighOct(int32_t first, int32_t count) {
  ProcessSync<SyncPhase::kOct>(first, count);
}

void Module::processSyncHighLinear(int32_t first, int32_t count) {
  ProcessSync<SyncPhase::kLinear>(first, count);
}

} // namespace osc
