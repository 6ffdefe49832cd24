#include "runner_voice_bank.h"

#include "audio_oscillator/pins.h"
#include "ladder_filter/pins.h"
#include "module_runner.h"
#include "module_table.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace synth {

namespace {

using se_runtime::ModuleRunner;

constexpr int16_t kNoiseWaveform = 255;
constexpr int16_t kSineWaveform = 0;

using ladder::kBassBoostPin;
using ladder::kOutputPin;
using ladder::kResonancePin;
using ladder::kSignalPin;
using ladder::kTypePin;
using ladder::kZingPin;
constexpr int32_t kCutoffPin = ladder::kPitchPin;
constexpr int32_t kLadderPinCount = ladder::kPinCount;

// A static audio input: its buffer holds the value over the whole capacity,
// and a change reaches the module as a status change at a call's first frame.
void Hold(ModuleRunner &r, int pin, float value) {
  float *b = r.Buffer(pin);
  std::fill(b, b + r.Capacity(), value);
}

bool SetHeld(ModuleRunner &r, int pin, float value, float &applied) {
  if (value == applied)
    return false;
  Hold(r, pin, value);
  r.QueueStatus(0, pin, PS_ONCE);
  applied = value;
  return true;
}

// Every input at its default text, as a host opens a module whose inputs
// nothing drives: choices at their item's value, audio inputs held at their
// volts (a sample of 1.0 is 10 V).
void HoldDefaults(ModuleRunner &r) {
  for (int p = 0; p < r.PinCount(); ++p) {
    const SEPinProperties &pin = r.Pin(p);
    if (pin.direction != DR_IN || pin.default_value == nullptr)
      continue;
    if (pin.datatype == DT_CHOICE)
      r.SetValue(p, std::strtol(pin.default_value, nullptr, 10));
    else if (pin.datatype == DT_FSAMPLE)
      Hold(r, p, static_cast<float>(std::strtod(pin.default_value, nullptr) / 10.0));
  }
}

void SetChoice(ModuleRunner &r, int pin, int16_t value, int16_t &applied) {
  if (value == applied)
    return;
  r.QueueValue(0, pin, value);
  applied = value;
}

// One oscillator module of a voice.
struct Oscillator {
  ModuleRunner runner;
  float pitch = 0.5f, width = 0.0f, limit = 2200.0f;
  int16_t waveform = kSineWaveform;
  bool syncStreaming = false;
  int pendingSync = 0; // 1: a rise (restart) is due, 2: the fall after it

  bool Open(intptr_t link, float rate, int32_t capacity, int16_t wave, float freqLimit) {
    ModuleRunner &r = runner;
    const se::PluginEntry *entry = se_runtime::StaticModules().Find("audio_oscillator");
    if (entry == nullptr || !r.Create(*entry, rate, capacity))
      return false;
    for (int p = 0; p < r.PinCount(); ++p)
      if (r.Pin(p).name == nullptr || r.PinIndex(r.Pin(p).name) != p)
        return false;
    HoldDefaults(r); // every harmonic, limited by system A; sync of sub-sample accuracy
    waveform = wave;
    limit = freqLimit;
    Hold(r, osc::kPitch, pitch);
    Hold(r, osc::kPitchRef, pitch);
    Hold(r, osc::kPhasePw, width);
    Hold(r, osc::kFreqLimit, limit);
    r.SetValue(osc::kWaveform, waveform);
    r.SetValue(osc::kActive, 1);
    r.SetConnected(osc::kLink, true);
    r.Open();
    // The module clears its link when it opens: the value arrives as a change
    // of the link pin, as a connected generator's output reaches it.
    r.QueueValue(0, osc::kLink, link);
    return true;
  }

  void Apply(float newPitch, float newWidth, int16_t newWave, float newLimit) {
    SetChoice(runner, osc::kWaveform, newWave, waveform);
    SetHeld(runner, osc::kFreqLimit, newLimit, limit);
    SetHeld(runner, osc::kPhasePw, newWidth, width);
    if (newPitch != pitch) {
      Hold(runner, osc::kPitchRef, newPitch); // the harmonic limit of system B follows too
      SetHeld(runner, osc::kPitch, newPitch, pitch);
    }
    if (pendingSync != 0 && !syncStreaming) {
      Hold(runner, osc::kSync, pendingSync == 1 ? 1.0f : 0.0f);
      runner.QueueStatus(0, osc::kSync, PS_ONCE);
      pendingSync = pendingSync == 1 ? 2 : 0;
    } else {
      pendingSync = 0;
    }
  }

  void StreamSync(const float *source) {
    const bool on = source != nullptr;
    if (on == syncStreaming)
      return;
    runner.Bind(osc::kSync, const_cast<float *>(source));
    if (!on)
      Hold(runner, osc::kSync, 0.0f);
    runner.QueueStatus(0, osc::kSync, on ? PS_RUNNING : PS_ONCE);
    syncStreaming = on;
  }

  const float *Run(int32_t frames) {
    runner.Process(frames);
    return runner.Buffer(osc::kWaveOut);
  }
};

// The ladder of a voice.
struct Ladder {
  ModuleRunner runner;
  float resonance = 0.0f, zing = 1.0f;
  int16_t choices[6] = {};
  bool pendingClear = false;

  bool Open(float rate, int32_t capacity, const SharedPins &s, float *cutoff, float *signal) {
    ModuleRunner &r = runner;
    const se::PluginEntry *entry = se_runtime::StaticModules().Find("ladder_filter");
    if (entry == nullptr || !r.Create(*entry, rate, capacity) || r.PinCount() != kLadderPinCount)
      return false;
    for (int p = 0; p < kLadderPinCount; ++p)
      if (r.PinIndex(ladder::kPins[p].name) != p)
        return false;
    HoldDefaults(r);
    r.Bind(kCutoffPin, cutoff);
    r.Bind(kSignalPin, signal);
    r.SetStreaming(kSignalPin, true);
    r.SetStreaming(kCutoffPin, true);
    Hold(r, kResonancePin, resonance);
    zing = s.zing;
    Hold(r, kZingPin, zing);
    Choices(s, choices);
    for (int i = 0; i < 6; ++i)
      r.SetValue(kTypePin + i, choices[i]);
    r.Open();
    return true;
  }

  static void Choices(const SharedPins &s, int16_t *out) {
    out[0] = s.filterType;
    out[1] = s.filterTap;
    out[2] = s.qTap;
    out[3] = s.emulate;
    out[4] = s.version;
    out[5] = s.bassBoost;
  }

  void Apply(const SharedPins &s, float newResonance) {
    int16_t wanted[6];
    Choices(s, wanted);
    for (int i = 0; i < 6; ++i)
      SetChoice(runner, kTypePin + i, wanted[i], choices[i]);
    SetHeld(runner, kZingPin, s.zing, zing);
    SetHeld(runner, kResonancePin, newResonance, resonance);
  }

  // Empties the ladder the way the module does when its input stops: one
  // frame with a static input, then streaming again from the next call.
  void Clear() {
    runner.QueueStatus(0, kSignalPin, PS_ONCE);
    runner.Process(1);
    runner.QueueStatus(0, kSignalPin, PS_RUNNING);
  }

  const float *Run(int32_t frames) {
    runner.Process(frames);
    return runner.Buffer(kOutputPin);
  }
};

struct Voice {
  Oscillator osc1, osc2, syncSource;
  Ladder ladder;
  VoiceInputs inputs;
  bool pendingStart = false;
};

// The generator's table directory, through the generator module's own
// interface: its first open in the process builds the tables, and its link
// output then holds the directory's address.
intptr_t GeneratorLink(ModuleRunner &generator, float rate) {
  const se::PluginEntry *entry = se_runtime::StaticModules().Find("wavetable_generator");
  if (entry == nullptr || !generator.Create(*entry, rate, 1))
    return 0;
  generator.Open();
  return generator.OutputValue(generator.PinIndex(osc::kPins[osc::kLink].name));
}

} // namespace

struct RunnerVoiceBank::Impl {
  ModuleRunner generator;
  intptr_t link = 0;
  Oscillator noise;
  SharedPins shared;
  std::unique_ptr<Voice[]> voices;
  int slots = 0;
  float mix[kStretch] = {};
};

std::unique_ptr<RunnerVoiceBank> RunnerVoiceBank::Create(int slots, float sampleRate,
                                                         const SharedPins &shared) {
  if (slots < 1)
    return nullptr;
  std::unique_ptr<Impl> impl(new (std::nothrow) Impl);
  if (!impl)
    return nullptr;
  impl->voices.reset(new (std::nothrow) Voice[static_cast<size_t>(slots)]);
  if (!impl->voices)
    return nullptr;
  impl->slots = slots;
  impl->shared = shared;
  impl->link = GeneratorLink(impl->generator, sampleRate);
  if (impl->link == 0)
    return nullptr;
  // The noise every voice takes its slice of: full level (width 1.0 is the
  // noise's level), as long as one stretch of every voice.
  impl->noise.width = 1.0f;
  if (!impl->noise.Open(impl->link, sampleRate, kStretch * slots, kNoiseWaveform, shared.freqLimit))
    return nullptr;
  for (int i = 0; i < slots; ++i) {
    Voice &v = impl->voices[i];
    v.osc1.width = v.inputs.osc1Width;
    v.osc2.width = v.inputs.osc2Width;
    v.osc1.pitch = v.osc2.pitch = v.syncSource.pitch = v.inputs.osc1Pitch;
    if (!v.osc1.Open(impl->link, sampleRate, kStretch, shared.osc1Waveform, shared.freqLimit) ||
        !v.osc2.Open(impl->link, sampleRate, kStretch, shared.osc2Waveform, shared.freqLimit) ||
        !v.syncSource.Open(impl->link, sampleRate, kStretch, kSineWaveform, shared.freqLimit) ||
        !v.ladder.Open(sampleRate, kStretch, shared, v.inputs.cutoff, impl->mix))
      return nullptr;
  }
  return std::unique_ptr<RunnerVoiceBank>(new (std::nothrow) RunnerVoiceBank(std::move(impl)));
}

RunnerVoiceBank::RunnerVoiceBank(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
RunnerVoiceBank::~RunnerVoiceBank() = default;

int RunnerVoiceBank::Slots() const { return m_impl->slots; }

void RunnerVoiceBank::SetShared(const SharedPins &pins) { m_impl->shared = pins; }

void RunnerVoiceBank::Start(int slot) {
  if (slot >= 0 && slot < m_impl->slots)
    m_impl->voices[slot].pendingStart = true;
}

VoiceInputs &RunnerVoiceBank::Inputs(int slot) { return m_impl->voices[slot].inputs; }

const float *RunnerVoiceBank::Output(int slot) const {
  return m_impl->voices[slot].ladder.runner.Buffer(kOutputPin);
}

namespace {

bool NeedsNoise(const VoiceInputs &in, const SharedPins &s) {
  return in.noiseLevel != 0.0f || (in.osc1Level != 0.0f && s.osc1Waveform == kNoiseWaveform) ||
         (in.osc2Level != 0.0f && s.osc2Waveform == kNoiseWaveform);
}

// Adds level * source (or level * (source * width) for a noise slice) to the
// mix, or starts it.
void AddToMix(float *mix, bool &started, float level, const float *source, const float *width,
              int32_t frames) {
  if (level == 0.0f)
    return;
  for (int32_t k = 0; k < frames; ++k) {
    const float s = width != nullptr ? source[k] * *width : source[k];
    mix[k] = started ? mix[k] + level * s : level * s;
  }
  started = true;
}

} // namespace

void RunnerVoiceBank::Run(const int *slots, int count, int32_t frames) {
  Impl &m = *m_impl;
  if (frames < 1 || frames > kStretch)
    return;
  const SharedPins &s = m.shared;
  int needNoise = 0;
  for (int i = 0; i < count; ++i)
    needNoise += NeedsNoise(m.voices[slots[i]].inputs, s) ? 1 : 0;
  const float *noise = nullptr;
  if (needNoise > 0) {
    m.noise.Apply(m.noise.pitch, 1.0f, kNoiseWaveform, s.freqLimit);
    noise = m.noise.Run(needNoise * frames);
  }
  for (int i = 0; i < count; ++i) {
    Voice &v = m.voices[slots[i]];
    const VoiceInputs &in = v.inputs;
    if (v.pendingStart) {
      v.pendingStart = false;
      v.ladder.Clear();
      v.osc1.pendingSync = v.osc2.pendingSync = v.syncSource.pendingSync = 1;
    }
    const float *slice = nullptr;
    if (NeedsNoise(in, s)) {
      slice = noise;
      noise += frames;
    }
    bool started = false;
    if (in.osc1Level != 0.0f) {
      if (s.osc1Waveform == kNoiseWaveform) {
        AddToMix(m.mix, started, in.osc1Level, slice, &in.osc1Width, frames);
      } else {
        v.osc1.Apply(in.osc1Pitch, in.osc1Width, s.osc1Waveform, s.freqLimit);
        AddToMix(m.mix, started, in.osc1Level, v.osc1.Run(frames), nullptr, frames);
      }
    }
    if (in.osc2Level != 0.0f) {
      if (s.osc2Waveform == kNoiseWaveform) {
        AddToMix(m.mix, started, in.osc2Level, slice, &in.osc2Width, frames);
      } else {
        const float *sync = nullptr;
        if (s.sync) {
          v.syncSource.Apply(in.osc1Pitch, 0.0f, kSineWaveform, s.freqLimit);
          sync = v.syncSource.Run(frames);
        }
        v.osc2.StreamSync(sync);
        v.osc2.Apply(in.osc2Pitch, in.osc2Width, s.osc2Waveform, s.freqLimit);
        AddToMix(m.mix, started, in.osc2Level, v.osc2.Run(frames), nullptr, frames);
      }
    }
    if (in.noiseLevel != 0.0f)
      AddToMix(m.mix, started, in.noiseLevel, slice, nullptr, frames);
    if (!started)
      std::fill(m.mix, m.mix + frames, 0.0f);
    v.ladder.Apply(s, in.resonance);
    v.ladder.Run(frames);
  }
}

} // namespace synth
