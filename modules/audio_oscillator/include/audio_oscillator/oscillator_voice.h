// One oscillator as a plain object: everything the module keeps between
// process calls, its reactions to open and to pin changes, and its process
// routines, without the framework around it. The module
// (oscillator_module.h) is an OscillatorVoice behind its pins; an engine that
// runs many oscillators holds one OscillatorVoice per voice and runs them with
// ProcessOscillatorVoices, which gives each voice exactly the samples its own
// module would write for the same pin events and the same calls, and runs
// voices that read their tables the same way four at a time in SIMD lanes.
//
// Calling contract:
//  - choices and buffers: what the module's choice pins, link pin and audio
//    pins hold (buffers: each pin's buffer for the block; a call reads and
//    writes [first, first + count)). Write a pin's value, then call
//    PinChanged for it, as the host writes a pin's variable before its
//    event.
//  - Open(rate, blockSize, linkConnected) once, as the module's open: false
//    when no shared pitch table set is left for the rate (the module then
//    gives the voice a set of its own with Open(tables, ...)).
//  - PinChanged(pin, streaming, now): one pin event (osc::Pin index), with
//    whether the pin streams and the current samples of the audio pins the
//    reactions read. It answers what the module tells the host.
//  - ProcessOscillatorVoice(voice, buffers, first, count, blockSize): the
//    installed routine for one call (blockSize: the host's block size now).
//  - Nothing here allocates, locks or logs, but Open.
#ifndef AUDIO_OSCILLATOR_OSCILLATOR_VOICE_H
#define AUDIO_OSCILLATOR_OSCILLATOR_VOICE_H

#include <cstdint>
#include <limits>

namespace osc {

struct RateTables; // the pitch tables of one sample rate (private)

// The item values of the choice pins and the link value (the pins'
// defaults; an oscillator plays once Active is on and the link is set).
struct OscillatorChoices {
  int16_t syncAccuracy = 1;
  uint16_t waveform = 0;
  int16_t waveQuality = 1;
  int16_t harmonics = 255;
  int16_t limitSystem = 1;
  int16_t pitchMode = 0;
  int16_t pitchModAccuracy = 1;
  int16_t hold = 0;
  int16_t active = 0;
  intptr_t link = 0; // the generator's table directory
};

// The audio pins' buffers for a block (the module's pin variables).
struct OscillatorBuffers {
  float *pitch = nullptr;
  float *pitchAdjust = nullptr;
  float *pitchRef = nullptr;
  float *phasePw = nullptr;
  float *sync = nullptr;
  float *out = nullptr;
  float *freqLimit = nullptr;
  float *stepScratch = nullptr; // the scratch pin's buffer: the per-sample steps
};

// The routine a voice runs: kNone writes nothing (the module's default
// routine, before any pin change chooses one).
enum class OscillatorRoutine : uint8_t {
  kNone,
  kLow,
  kHigh,
  kSyncLow,
  kSyncHighOct,
  kSyncHighLinear,
  kHold,
  kSilence
};

// The current samples of the audio pins that the pin reactions read.
struct PinSamples {
  float pitch;
  float pitchAdjust;
  float sync;
  float freqLimit;
};

// What a pin change asks the module to tell the host.
struct PinReaction {
  bool outputRunning = false; // the output streams again
  bool outputFrozen = false;  // the output holds one value from now on
};

// The harmonic count of the last limiting pitch a call started with, and
// what it was worked out from: a call that starts at the same pitch under the
// same limit takes it as it is (the count is a function of these alone).
struct HarmonicMemo {
  double pitch = std::numeric_limits<double>::quiet_NaN(); // equals nothing: worked out
  float limitHz = 0.0f;
  int32_t setting = 0;
  int16_t pitchMode = 0;
  int32_t count = 0;
};

struct OscillatorVoice {
  OscillatorChoices choices;

  const float *tableSet = nullptr; // the waveform's tables, from the link
  const RateTables *pitchTables = nullptr;
  float lastSync = 0.0f;
  float limitHz = 0.0f;
  double phase = 0.0;
  double staticStep = 0.0;
  float linearScale = 0.0f;
  uint32_t noiseB = 0;
  uint32_t noiseA = 0;
  bool adjustStreaming = false;
  bool pitchStreaming = false;
  bool syncStreaming = false;
  bool phasePwStreaming = false;
  bool linkConnected = false;
  int32_t harmonicSetting = 0;
  HarmonicMemo harmonicMemo;
  int32_t blockSize = 0;  // at open
  float heldValue = 0.0f; // the value the hold routine writes, once taken
  bool heldValueTaken = false;
  OscillatorRoutine installed = OscillatorRoutine::kNone;
  OscillatorRoutine inner = OscillatorRoutine::kLow; // what a sync routine runs

  bool Open(float rate, int32_t openBlockSize, bool linkIsConnected);
  void Open(const RateTables *tables, int32_t openBlockSize, bool linkIsConnected);
  PinReaction PinChanged(int pin, bool streaming, const PinSamples &now);
  // The hold routine's value: taken at its first call from the sample before
  // `first` (at a block's start, the previous block's last one, never past
  // the block size now in force); a non-finite sample is held as silence.
  float HeldValue(const float *out, int32_t first, int32_t currentBlockSize);
};

// One call of `count` samples from `first`, as the module's installed routine.
void ProcessOscillatorVoice(OscillatorVoice &voice, const OscillatorBuffers &buffers, int32_t first,
                            int32_t count, int32_t currentBlockSize);

// Which reads run in lanes: those that run faster so (the default), or all
// of them (for tests of every lane read).
enum class LaneUse : uint8_t { kWherePaying, kAlways };

// One call for each of `voiceCount` voices, each as ProcessOscillatorVoice
// would run it; voices that read their tables the same way run four at a
// time in lanes. No two voices may share an output or scratch buffer.
void ProcessOscillatorVoices(OscillatorVoice *const *voices, const OscillatorBuffers *buffers,
                             int voiceCount, int32_t first, int32_t count, int32_t currentBlockSize,
                             LaneUse use = LaneUse::kWherePaying);

// Whether the sample-pitch reads may run in AVX2 registers where the
// processor has AVX2 (the default), or only as SSE2 lanes and pairs. The
// same bits either way: tests and benchmarks compare the two.
void AllowAvx2Lanes(bool allowed);

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_VOICE_H
