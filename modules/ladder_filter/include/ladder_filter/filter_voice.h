// One ladder filter as a plain object: everything the module keeps between
// process calls and what it does at open, at a pin change and in each call,
// without the framework around it. The module (ladder_filter_module.h) is a
// FilterVoice behind its pins; an engine that runs many filters holds one
// FilterVoice per voice and runs them with ProcessFilterVoices, which gives
// each voice exactly the samples its own module would write for the same
// inputs and the same calls, and runs voices that share a routine four or
// eight at a time in SIMD lanes.
//
// Calling contract:
//  - choices: what the module's six choice pins hold. Write them, then call
//    PinsChanged (as the host writes a pin's variable before its event).
//  - Open(rate) once, as the module's open; PinsChanged(streaming, rate) at
//    every pin change, with whether the "Signal" input streams.
//  - Process(voice, buffers, n) is the installed routine for one call of n
//    samples (n >= 0): the combination routine, or while the signal does not
//    stream the silent one (zeros, the ladder held empty).
//  - The buffers of a call start at its first sample and hold n samples;
//    "(Zing)" is read at the first sample only. An output may share its
//    buffer with an input of its own voice (every sample is read before the
//    sample of the same index is written), never with another voice's.
//  - Nothing here allocates, locks or logs.
#ifndef LADDER_FILTER_FILTER_VOICE_H
#define LADDER_FILTER_FILTER_VOICE_H

#include "ladder_filter/coefficients.h"

#include <cstdint>

namespace ladder {

// The most stages a ladder has.
inline constexpr int kVoiceStages = 5;

// "(Version)": Clear works in float, Furry in double (version.h says where).
enum class Version : int16_t { kClear = 0, kFurry = 1 };

// One "Bass Boost" item: below `threshold` (a pitch sample) the output stage
// is lifted by 1 + (threshold - v) * strength.
struct BassBoostSetting {
  float threshold;
  double strength;
};

// The ladder's state between calls: stage states and feedback, in float32.
struct LadderState {
  float stage[kVoiceStages] = {};
  float feedback = 0.0f;
  Coefficients coefficients;
};

// The item values of the six choice pins (any values: the module's
// fallbacks apply). The defaults are the pins' defaults.
struct FilterChoices {
  int16_t type = 0;      // "Type": LP 0, anything else HP
  int16_t filterTap = 3; // "Filter Tap": 2..5 = 0..3, X = 4
  int16_t qTap = 3;      // "Q Tap": 2..5 = 0..3
  int16_t emulate = 1;   // "Emulate": Analog 0, Digital 1
  int16_t version = 0;   // "(Version)": Clear 0, anything else Furry
  int16_t bassBoost = 2; // "Bass Boost": None, Low, Default, Extra
};

struct FilterVoice {
  FilterChoices choices;

  // What the routines read and carry from call to call.
  int routine = 0; // the combination routine the choices select
  Version version = Version::kClear;
  bool silent = false; // the signal does not stream: the silent routine runs
  float outputGain = 0.06f;
  BassBoostSetting bass{0.5f, 0.3};
  float sampleRate = 44100.0f; // of the last Open or PinsChanged
  float twoOverRate = 2.0f / 44100.0f;
  LadderState ladder;
  bool restart = true;
  int32_t duckCount = 0;

  // The choices the ladder was built for: another topology empties it.
  int16_t builtFilterTap = 0, builtQTap = 0, builtEmulate = 0;

  void Open(float rate);
  void PinsChanged(bool signalStreaming, float rate);
  // What the silent routine does to the state in each call, at the rate the
  // module is told at that call.
  void Silence(float rate);
};

// The buffers of one voice for one call, each at the call's first sample.
struct FilterBuffers {
  const float *signal;
  const float *pitch;
  const float *resonance;
  const float *zing;
  float *out;
};

// One call of `count` samples for one voice, as its module's routine.
void ProcessFilterVoice(FilterVoice &voice, const FilterBuffers &buffers, int32_t count);

// One call of `count` samples for each of `voiceCount` voices, each voice as
// ProcessFilterVoice would run it. Voices with the same routine and version
// run in SIMD lanes, up to eight at a time; a voice alone runs by itself.
void ProcessFilterVoices(FilterVoice *const *voices, const FilterBuffers *buffers, int voiceCount,
                         int32_t count);

// Whether groups of five to eight voices may run in one chain of AVX
// registers where the processor has AVX (the default), or always in two
// chains of SSE2 registers; the same for the doubles of the lanes'
// coefficient updates. The same bits either way: tests and benchmarks
// compare the two.
void AllowAvxLanes(bool allowed);

} // namespace ladder

#endif // LADDER_FILTER_FILTER_VOICE_H
