#include "ladder_filter_module.h"

#include "ladder_pins.h"
#include "routine_table.h"

namespace ladder {

namespace {

struct BassBoostSetting {
  float threshold; // a pitch sample
  double strength;
};

// "Bass Boost": None, Low, Default, Extra.
constexpr BassBoostSetting kBassBoost[4] = {{0.0f, 0.0}, {0.3f, 0.3}, {0.5f, 0.3}, {0.6f, 0.4}};

} // namespace

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  void *const variables[] = {&signalIn, &pitchIn, &resonanceIn, &zingIn,    &filterType, &filterTap,
                             &qTap,     &emulate, &variant,     &bassBoost, &signalOut};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::setRate() {
  const float rate = SampleRate();
  twoOverRate = rate > 0.0f ? 2.0f / rate : 0.0f;
}

// Builds the ladder afresh for the current topology: the choices it is built
// with are remembered and every stage starts empty.
void Module::emptyStages() {
  prevEmulate = emulate;
  prevFilterTap = filterTap;
  prevQTap = qTap;
  for (float &s : stageState)
    s = 0.0f;
}

void Module::selectRoutine() {
  const Selection s = SelectCombination(filterTap, qTap, emulate);
  outputGain = s.gain;
  InstallProcessRoutine(CombinationRoutine(s.routine, variant != 0));
}

void Module::applyBassBoost() {
  if (bassBoost < 0 || bassBoost > 3)
    return;
  bassThreshold = kBassBoost[bassBoost].threshold;
  bassStrength = kBassBoost[bassBoost].strength;
}

void Module::OpenInstance() {
  restart = true;
  duckCount = 0;
  emptyStages();
  setRate();
  selectRoutine();
  feedback = 0.0f;
  // The "Bass Boost" pin is first read at a pin change.
  bassStrength = 0.3;
  bassThreshold = 0.5f;
  lastPitch = 200.0f;
  lastResonance = 0.3f;
  pole = 0.5f;
  resonanceGain = 0.3f;
}

void Module::PinChanged(SEPin *) {
  const int32_t status = PinAt(kSignalPin)->Status();
  PinAt(kOutputPin)->PostStatus(SampleClock(), status);
  applyBassBoost();

  // A signal that does not stream gives a silent output.
  if (status < PS_RUNNING) {
    silence.Restart();
    InstallProcessRoutine(se::Process<&Module::processSilent>);
    return;
  }

  selectRoutine();
  if (emulate == prevEmulate && filterTap == prevFilterTap && qTap == prevQTap)
    return;

  // Another ladder topology: start from empty stages, keep a fifth of the
  // feedback.
  feedback *= 0.2f;
  emptyStages();
  restart = true;
  setRate();
}

void Module::processSilent(int32_t first, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    signalOut[first + i] = 0.0f;
  silence.Wrote(first, count);
  emptyStages();
  feedback = 0.0f;
  duckCount = 0;
  restart = true;
  setRate();
  if (silence.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP, 0, 0, nullptr, 0.0f);
}

} // namespace ladder
