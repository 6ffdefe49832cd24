// The filter voice's reactions to open, pin changes and silence: what the
// module does with its choice pins, without the framework.
#include "ladder_filter/filter_voice.h"

#include "bass_boost.h"
#include "selection.h"
#include "version.h"

#include <iterator>

namespace ladder {

namespace {

float TwoOverRate(float rate) { return rate > 0.0f ? 2.0f / rate : 0.0f; }

// The routine and output gain of the current choices.
void SelectRoutine(FilterVoice &v) {
  const FilterChoices &c = v.choices;
  const Selection s = SelectCombination(c.filterTap, c.qTap, c.emulate);
  v.outputGain = s.gain;
  v.routine = s.routine;
  v.version = VersionOf(c.version);
}

// Builds the ladder afresh for the current topology: the choices it is built
// with are remembered and every stage starts empty.
void EmptyStages(FilterVoice &v) {
  v.builtEmulate = v.choices.emulate;
  v.builtFilterTap = v.choices.filterTap;
  v.builtQTap = v.choices.qTap;
  for (float &s : v.ladder.stage)
    s = 0.0f;
}

// A "Bass Boost" value outside the pin's items keeps the previous setting.
void ApplyBassBoost(FilterVoice &v) {
  const int16_t b = v.choices.bassBoost;
  if (b < 0 || b >= static_cast<int>(std::size(kBassBoost)))
    return;
  v.bass = kBassBoost[b];
}

} // namespace

static_assert(kVoiceStages == kMaxStages);

void FilterVoice::Open(float rate) {
  sampleRate = rate;
  restart = true;
  duckCount = 0;
  silent = false;
  EmptyStages(*this);
  twoOverRate = TwoOverRate(rate);
  SelectRoutine(*this);
  ladder.feedback = 0.0f;
  // The "Bass Boost" pin is first read at a pin change.
  bass = kBassBoost[kBassBoostDefault];
  ladder.coefficients.lastPitch = 200.0f;
  ladder.coefficients.lastResonance = 0.3f;
  ladder.coefficients.pole = 0.5f;
  ladder.coefficients.resonanceGain = 0.3f;
}

void FilterVoice::PinsChanged(bool signalStreaming, float rate) {
  sampleRate = rate;
  ApplyBassBoost(*this);
  // A signal that does not stream gives a silent output.
  silent = !signalStreaming;
  if (silent)
    return;
  SelectRoutine(*this);
  const FilterChoices &c = choices;
  if (c.emulate == builtEmulate && c.filterTap == builtFilterTap && c.qTap == builtQTap)
    return;
  // Another ladder topology: start from empty stages, keep a fifth of the
  // feedback.
  ladder.feedback *= 0.2f;
  EmptyStages(*this);
  restart = true;
  twoOverRate = TwoOverRate(rate);
}

void FilterVoice::Silence(float rate) {
  EmptyStages(*this);
  ladder.feedback = 0.0f;
  duckCount = 0;
  restart = true;
  twoOverRate = TwoOverRate(rate);
}

} // namespace ladder
