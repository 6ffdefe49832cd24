#include "pitch_tables.h"
#include "portable_exp2.h"

#include <atomic>
#include <cmath>

namespace osc {

float octaveTable[kOctaveHigh - kOctaveLow + 1];
float pitchHzTable[kHzEntries];

namespace {

// The registry of shared sets: sets 0 .. published - 1 are complete and never
// change again; a set is published by a release store of the count, which
// every reader loads with acquire.
RateTables sharedSets[kSharedRates];
std::atomic<int> published{0};

// Held while tables are built, so that two instances opening at a new rate at
// once build it once. Only opens take it; the audio path never does.
std::atomic_flag building;
bool rateFreeTablesBuilt = false; // written only while `building` is held

class BuildGuard {
public:
  BuildGuard() {
    while (building.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~BuildGuard() { building.clear(std::memory_order_release); }
  BuildGuard(const BuildGuard &) = delete;
  BuildGuard &operator=(const BuildGuard &) = delete;
};

const RateTables *FindShared(float rate, int count) {
  for (int i = 0; i < count; ++i)
    if (sharedSets[i].sampleRate == rate)
      return &sharedSets[i];
  return nullptr;
}

// The tables that do not depend on the sample rate.
void BuildTables() {
  for (int i = 0; i < kHzEntries; ++i) {
    // The exponent is rounded to float32 before the power is taken.
    const float e = static_cast<float>(static_cast<double>(i - kHzZeroVolt) / 120.0);
    pitchHzTable[i] = static_cast<float>(kZeroVoltHz * se_math::Exp2(static_cast<double>(e)));
  }
  double power = 1.0;
  for (int k = 0; k <= kOctaveHigh; ++k, power *= 2.0) {
    octaveTable[k - kOctaveLow] = static_cast<float>(power);
    if (k > 0)
      octaveTable[-k - kOctaveLow] = static_cast<float>(1.0 / power);
  }
}

void BuildStepTable(double baseStep, StepEntry *pitchStepTable) {
  for (int i = 0; i < kStepEntries; ++i) {
    const double here = baseStep * se_math::Exp2(i / 256.0);
    const double next = baseStep * se_math::Exp2((i + 1) / 256.0);
    pitchStepTable[i].base = static_cast<float>(here);
    pitchStepTable[i].delta = static_cast<float>(next - here); // difference before rounding
  }
}

} // namespace

void BuildPitchTables(RateTables &set, float rate) {
  set.sampleRate = rate;
  set.baseStep = kZeroVoltHz / static_cast<double>(rate);
  set.kiloHzScale = static_cast<float>(1.0 / (0.0001 * static_cast<double>(rate)));
  set.hertzScale = static_cast<float>(1.0 / (0.1 * static_cast<double>(rate)));
  BuildStepTable(set.baseStep, set.pitchStepTable);
  for (int i = 0; i < kStepEntries; ++i)
    set.widePitchStepTable[i] = {set.pitchStepTable[i].delta, set.pitchStepTable[i].base};
}

const RateTables *SharedPitchTables(float rate) {
  if (const RateTables *set = FindShared(rate, published.load(std::memory_order_acquire)))
    return set;
  BuildGuard guard;
  if (!rateFreeTablesBuilt) {
    BuildTables();
    rateFreeTablesBuilt = true;
  }
  const int count = published.load(std::memory_order_relaxed);
  if (const RateTables *set = FindShared(rate, count))
    return set; // built by another open since the first look
  if (count == kSharedRates)
    return nullptr;
  BuildPitchTables(sharedSets[count], rate);
  published.store(count + 1, std::memory_order_release);
  return &sharedSets[count];
}

} // namespace osc
