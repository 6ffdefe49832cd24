#include "lanes_voice_bank.h"

#include "audio_oscillator/oscillator_voice.h"
#include "audio_oscillator/pins.h"
#include "ladder_filter/filter_voice.h"
#include "ladder_filter/pins.h"
#include "module_runner.h"
#include "module_table.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace synth {

namespace {

constexpr int16_t kNoiseWaveform = 255;
constexpr int16_t kSineWaveform = 0;

// A module's pin events waiting for its next call, kept as the module runner
// keeps them: a value event always, a status event only when the same status
// is not already waiting for the pin. All of them fall on the call's first
// frame.
class PendingEvents {
public:
  struct Event {
    int pin;
    bool hasValue;
    int32_t status;
    intptr_t value;
  };

  void Value(int pin, intptr_t value) { Push({pin, true, PS_ONCE, value}); }
  void Status(int pin, int32_t status) {
    for (int i = 0; i < m_count; ++i)
      if (!m_events[i].hasValue && m_events[i].pin == pin && m_waiting[i] &&
          m_events[i].status == status)
        return;
    Push({pin, false, status, 0});
  }
  // Hands every event to f in order and forgets them.
  template <class F> void Deliver(F &&f) {
    for (int i = 0; i < m_count; ++i)
      f(m_events[i]);
    m_count = 0;
  }

private:
  static constexpr int kMax = 64;
  void Push(const Event &e) {
    if (m_count == kMax)
      return;
    // A later status for the pin is the one that waits now.
    if (!e.hasValue)
      for (int i = 0; i < m_count; ++i)
        if (m_events[i].pin == e.pin && !m_events[i].hasValue)
          m_waiting[i] = false;
    m_waiting[m_count] = !e.hasValue;
    m_events[m_count++] = e;
  }
  Event m_events[kMax];
  bool m_waiting[kMax] = {};
  int m_count = 0;
};

// Buffers of one call's length, for a module's audio pins.
struct Buffers {
  std::vector<float> storage;
  int32_t capacity = 0;
  bool Make(int count, int32_t length) {
    capacity = length;
    storage.assign(static_cast<size_t>(count) * static_cast<size_t>(length), 0.0f);
    return true;
  }
  float *At(int k) { return storage.data() + static_cast<size_t>(k) * capacity; }
};

void Hold(float *buffer, int32_t capacity, float value) {
  std::fill(buffer, buffer + capacity, value);
}

// A pin's default text as the runner bank reads it (HoldDefaults there): a
// choice's item value, an audio input's volts / 10.
long DefaultChoice(const se::PinSpec &pin) { return std::strtol(pin.defaultValue, nullptr, 10); }
float DefaultSample(const se::PinSpec &pin) {
  return static_cast<float>(std::strtod(pin.defaultValue, nullptr) / 10.0);
}
bool HasDefault(const se::PinSpec &pin, int32_t datatype) {
  return pin.direction == DR_IN && pin.defaultValue != nullptr && pin.datatype == datatype;
}

// One oscillator: the module's voice object, driven as the runner bank drives
// the module (runner_voice_bank.cpp: Oscillator).
struct Oscillator {
  osc::OscillatorVoice voice;
  osc::OscillatorBuffers io;
  PendingEvents pending;
  Buffers buffers;
  float *ownSync = nullptr;
  float pitch = 0.5f, width = 0.0f, limit = 2200.0f;
  int16_t waveform = kSineWaveform;
  bool syncStreaming = false;
  int pendingSync = 0; // 1: a rise (restart) is due, 2: the fall after it

  void SetHeld(int pin, float *buffer, float value, float &applied) {
    if (value == applied)
      return;
    Hold(buffer, buffers.capacity, value);
    pending.Status(pin, PS_ONCE);
    applied = value;
  }

  bool Open(intptr_t link, float rate, int32_t capacity, int16_t wave, float freqLimit) {
    buffers.Make(8, capacity);
    io.pitch = buffers.At(0);
    io.pitchAdjust = buffers.At(1);
    io.pitchRef = buffers.At(2);
    io.phasePw = buffers.At(3);
    io.sync = ownSync = buffers.At(4);
    io.freqLimit = buffers.At(5);
    io.out = buffers.At(6);
    io.stepScratch = buffers.At(7);
    // Every input at its default first, then the bank's own values.
    osc::OscillatorChoices &c = voice.choices;
    int16_t *choice[osc::kPinCount] = {};
    choice[osc::kSyncAccuracy] = &c.syncAccuracy;
    choice[osc::kWaveQuality] = &c.waveQuality;
    choice[osc::kHarmonics] = &c.harmonics;
    choice[osc::kLimitSystem] = &c.limitSystem;
    choice[osc::kPitchMode] = &c.pitchMode;
    choice[osc::kPitchModAccuracy] = &c.pitchModAccuracy;
    choice[osc::kHold] = &c.hold;
    choice[osc::kActive] = &c.active;
    float *audio[osc::kPinCount] = {};
    audio[osc::kPitch] = io.pitch;
    audio[osc::kPitchAdjust] = io.pitchAdjust;
    audio[osc::kPitchRef] = io.pitchRef;
    audio[osc::kPhasePw] = io.phasePw;
    audio[osc::kSync] = io.sync;
    audio[osc::kFreqLimit] = io.freqLimit;
    for (int p = 0; p < osc::kPinCount; ++p) {
      const se::PinSpec &pin = osc::kPins[p];
      if (HasDefault(pin, DT_CHOICE) && p == osc::kWaveform)
        c.waveform = static_cast<uint16_t>(DefaultChoice(pin));
      else if (HasDefault(pin, DT_CHOICE) && choice[p] != nullptr)
        *choice[p] = static_cast<int16_t>(DefaultChoice(pin));
      else if (HasDefault(pin, DT_FSAMPLE) && audio[p] != nullptr)
        Hold(audio[p], capacity, DefaultSample(pin));
    }
    waveform = wave;
    limit = freqLimit;
    Hold(io.pitch, capacity, pitch);
    Hold(io.pitchRef, capacity, pitch);
    Hold(io.phasePw, capacity, width);
    Hold(io.freqLimit, capacity, limit);
    c.waveform = static_cast<uint16_t>(waveform);
    c.active = 1;
    if (!voice.Open(rate, capacity, true))
      return false;
    // The statuses of every input at open, then the link value.
    for (int pin = 0; pin < osc::kPinCount; ++pin)
      if (osc::kPins[pin].direction == DR_IN)
        pending.Status(pin, PS_ONCE);
    pending.Value(osc::kLink, link);
    return true;
  }

  void Apply(float newPitch, float newWidth, int16_t newWave, float newLimit) {
    if (newWave != waveform) {
      pending.Value(osc::kWaveform, newWave);
      waveform = newWave;
    }
    SetHeld(osc::kFreqLimit, io.freqLimit, newLimit, limit);
    SetHeld(osc::kPhasePw, io.phasePw, newWidth, width);
    if (newPitch != pitch) {
      Hold(io.pitchRef, buffers.capacity, newPitch);
      SetHeld(osc::kPitch, io.pitch, newPitch, pitch);
    }
    if (pendingSync != 0 && !syncStreaming) {
      Hold(ownSync, buffers.capacity, pendingSync == 1 ? 1.0f : 0.0f);
      pending.Status(osc::kSync, PS_ONCE);
      pendingSync = pendingSync == 1 ? 2 : 0;
    } else {
      pendingSync = 0;
    }
  }

  void StreamSync(float *source) {
    const bool on = source != nullptr;
    if (on == syncStreaming)
      return;
    io.sync = on ? source : ownSync;
    if (!on)
      Hold(ownSync, buffers.capacity, 0.0f);
    pending.Status(osc::kSync, on ? PS_RUNNING : PS_ONCE);
    syncStreaming = on;
  }

  // The waiting events, as the module gets them at its call's first frame.
  void Deliver() {
    pending.Deliver([&](const PendingEvents::Event &e) {
      if (e.hasValue) {
        if (e.pin == osc::kLink)
          voice.choices.link = e.value;
        else if (e.pin == osc::kWaveform)
          voice.choices.waveform = static_cast<uint16_t>(e.value);
      }
      const osc::PinSamples now{io.pitch[0], io.pitchAdjust[0], io.sync[0], io.freqLimit[0]};
      voice.PinChanged(e.pin, e.status == PS_RUNNING, now);
    });
  }
};

// The ladder of a voice (runner_voice_bank.cpp: Ladder).
struct Ladder {
  ladder::FilterVoice voice;
  PendingEvents pending;
  Buffers buffers;
  float *resonanceIn = nullptr, *zingIn = nullptr, *out = nullptr;
  const float *signal = nullptr, *cutoff = nullptr;
  float rate = 48000.0f;
  float resonance = 0.0f, zing = 1.0f;
  int16_t choices[6] = {};
  bool signalStreaming = true;

  static void Choices(const SharedPins &s, int16_t *c) {
    c[0] = s.filterType;
    c[1] = s.filterTap;
    c[2] = s.qTap;
    c[3] = s.emulate;
    c[4] = s.version;
    c[5] = s.bassBoost;
  }

  void Open(float sampleRate, int32_t capacity, const SharedPins &s, const float *cutoffIn,
            const float *signalIn) {
    rate = sampleRate;
    buffers.Make(3, capacity);
    resonanceIn = buffers.At(0);
    zingIn = buffers.At(1);
    out = buffers.At(2);
    cutoff = cutoffIn;
    signal = signalIn;
    Hold(resonanceIn, capacity, resonance);
    zing = s.zing;
    Hold(zingIn, capacity, zing);
    Choices(s, choices);
    ladder::FilterChoices &c = voice.choices;
    c = {choices[0], choices[1], choices[2], choices[3], choices[4], choices[5]};
    voice.Open(rate);
    for (int pin = 0; pin < ladder::kPinCount; ++pin)
      if (ladder::kPins[pin].direction == DR_IN)
        pending.Status(pin, pin == ladder::kSignalPin || pin == ladder::kPitchPin ? PS_RUNNING
                                                                                  : PS_ONCE);
  }

  void Apply(const SharedPins &s, float newResonance) {
    int16_t wanted[6];
    Choices(s, wanted);
    for (int i = 0; i < 6; ++i)
      if (wanted[i] != choices[i]) {
        pending.Value(ladder::kTypePin + i, wanted[i]);
        choices[i] = wanted[i];
      }
    if (s.zing != zing) {
      Hold(zingIn, buffers.capacity, s.zing);
      pending.Status(ladder::kZingPin, PS_ONCE);
      zing = s.zing;
    }
    if (newResonance != resonance) {
      Hold(resonanceIn, buffers.capacity, newResonance);
      pending.Status(ladder::kResonancePin, PS_ONCE);
      resonance = newResonance;
    }
  }

  void Deliver() {
    pending.Deliver([&](const PendingEvents::Event &e) {
      if (e.hasValue) {
        int16_t *field[] = {&voice.choices.type,    &voice.choices.filterTap,
                            &voice.choices.qTap,    &voice.choices.emulate,
                            &voice.choices.version, &voice.choices.bassBoost};
        const int i = e.pin - ladder::kTypePin;
        if (i >= 0 && i < 6)
          *field[i] = static_cast<int16_t>(e.value);
      }
      if (e.pin == ladder::kSignalPin)
        signalStreaming = e.status == PS_RUNNING;
      voice.PinsChanged(signalStreaming, rate);
    });
  }

  ladder::FilterBuffers Io() const { return {signal, cutoff, resonanceIn, zingIn, out}; }

  // Empties the ladder the way the module does when its input stops: one
  // frame with a static input, then streaming again from the next call.
  void Clear() {
    pending.Status(ladder::kSignalPin, PS_ONCE);
    Deliver();
    ladder::ProcessFilterVoice(voice, Io(), 1);
    pending.Status(ladder::kSignalPin, PS_RUNNING);
  }
};

struct Voice {
  Oscillator osc1, osc2, syncSource;
  Ladder ladder;
  VoiceInputs inputs;
  float mix[kStretch] = {};
  bool pendingStart = false;
};

intptr_t GeneratorLink(se_runtime::ModuleRunner &generator, float rate) {
  const se::PluginEntry *entry = se_runtime::StaticModules().Find("wavetable_generator");
  if (entry == nullptr || !generator.Create(*entry, rate, 1))
    return 0;
  generator.Open();
  return generator.OutputValue(generator.PinIndex(osc::kPins[osc::kLink].name));
}

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

struct LanesVoiceBank::Impl {
  se_runtime::ModuleRunner generator;
  intptr_t link = 0;
  float rate = 48000.0f;
  Oscillator noise;
  SharedPins shared;
  std::unique_ptr<Voice[]> voices;
  int slots = 0;
  // Per Run: the modules that run, and their buffers.
  std::vector<osc::OscillatorVoice *> oscVoices;
  std::vector<osc::OscillatorBuffers> oscIo;
  std::vector<ladder::FilterVoice *> filterVoices;
  std::vector<ladder::FilterBuffers> filterIo;
};

std::unique_ptr<LanesVoiceBank> LanesVoiceBank::Create(int slots, float sampleRate,
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
  impl->rate = sampleRate;
  impl->link = GeneratorLink(impl->generator, sampleRate);
  if (impl->link == 0)
    return nullptr;
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
        !v.syncSource.Open(impl->link, sampleRate, kStretch, kSineWaveform, shared.freqLimit))
      return nullptr;
    v.ladder.Open(sampleRate, kStretch, shared, v.inputs.cutoff, v.mix);
  }
  const size_t most = static_cast<size_t>(slots) * 2;
  impl->oscVoices.reserve(most);
  impl->oscIo.reserve(most);
  impl->filterVoices.reserve(static_cast<size_t>(slots));
  impl->filterIo.reserve(static_cast<size_t>(slots));
  return std::unique_ptr<LanesVoiceBank>(new (std::nothrow) LanesVoiceBank(std::move(impl)));
}

LanesVoiceBank::LanesVoiceBank(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
LanesVoiceBank::~LanesVoiceBank() = default;

int LanesVoiceBank::Slots() const { return m_impl->slots; }

void LanesVoiceBank::SetShared(const SharedPins &pins) { m_impl->shared = pins; }

void LanesVoiceBank::Start(int slot) {
  if (slot >= 0 && slot < m_impl->slots)
    m_impl->voices[slot].pendingStart = true;
}

VoiceInputs &LanesVoiceBank::Inputs(int slot) { return m_impl->voices[slot].inputs; }

const float *LanesVoiceBank::Output(int slot) const { return m_impl->voices[slot].ladder.out; }

void LanesVoiceBank::Run(const int *slots, int count, int32_t frames) {
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
    m.noise.Deliver();
    osc::ProcessOscillatorVoice(m.noise.voice, m.noise.io, 0, needNoise * frames,
                                m.noise.buffers.capacity);
    noise = m.noise.io.out;
  }

  // Every module's pin changes for this stretch, in the order of the runner
  // bank, and which modules run.
  m.oscVoices.clear();
  m.oscIo.clear();
  m.filterVoices.clear();
  m.filterIo.clear();
  auto runs = [&](Oscillator &o) {
    o.Deliver();
    m.oscVoices.push_back(&o.voice);
    m.oscIo.push_back(o.io);
  };
  // Sync sources first: oscillator 2 reads them.
  for (int i = 0; i < count; ++i) {
    Voice &v = m.voices[slots[i]];
    const VoiceInputs &in = v.inputs;
    if (v.pendingStart) {
      v.pendingStart = false;
      v.ladder.Clear();
      v.osc1.pendingSync = v.osc2.pendingSync = v.syncSource.pendingSync = 1;
    }
    if (in.osc2Level != 0.0f && s.osc2Waveform != kNoiseWaveform && s.sync) {
      v.syncSource.Apply(in.osc1Pitch, 0.0f, kSineWaveform, s.freqLimit);
      runs(v.syncSource);
    }
  }
  if (!m.oscVoices.empty())
    osc::ProcessOscillatorVoices(m.oscVoices.data(), m.oscIo.data(),
                                 static_cast<int>(m.oscVoices.size()), 0, frames, kStretch);
  m.oscVoices.clear();
  m.oscIo.clear();
  for (int i = 0; i < count; ++i) {
    Voice &v = m.voices[slots[i]];
    const VoiceInputs &in = v.inputs;
    if (in.osc1Level != 0.0f && s.osc1Waveform != kNoiseWaveform) {
      v.osc1.Apply(in.osc1Pitch, in.osc1Width, s.osc1Waveform, s.freqLimit);
      runs(v.osc1);
    }
    if (in.osc2Level != 0.0f && s.osc2Waveform != kNoiseWaveform) {
      v.osc2.StreamSync(s.sync ? v.syncSource.io.out : nullptr);
      v.osc2.Apply(in.osc2Pitch, in.osc2Width, s.osc2Waveform, s.freqLimit);
      runs(v.osc2);
    }
  }
  if (!m.oscVoices.empty())
    osc::ProcessOscillatorVoices(m.oscVoices.data(), m.oscIo.data(),
                                 static_cast<int>(m.oscVoices.size()), 0, frames, kStretch);

  // Each voice's mix, then the ladders.
  for (int i = 0; i < count; ++i) {
    Voice &v = m.voices[slots[i]];
    const VoiceInputs &in = v.inputs;
    const float *slice = nullptr;
    if (NeedsNoise(in, s)) {
      slice = noise;
      noise += frames;
    }
    bool started = false;
    if (in.osc1Level != 0.0f)
      AddToMix(v.mix, started, in.osc1Level,
               s.osc1Waveform == kNoiseWaveform ? slice : v.osc1.io.out,
               s.osc1Waveform == kNoiseWaveform ? &in.osc1Width : nullptr, frames);
    if (in.osc2Level != 0.0f)
      AddToMix(v.mix, started, in.osc2Level,
               s.osc2Waveform == kNoiseWaveform ? slice : v.osc2.io.out,
               s.osc2Waveform == kNoiseWaveform ? &in.osc2Width : nullptr, frames);
    if (in.noiseLevel != 0.0f)
      AddToMix(v.mix, started, in.noiseLevel, slice, nullptr, frames);
    if (!started)
      std::fill(v.mix, v.mix + frames, 0.0f);
    v.ladder.Apply(s, in.resonance);
    v.ladder.Deliver();
    m.filterVoices.push_back(&v.ladder.voice);
    m.filterIo.push_back(v.ladder.Io());
  }
  ladder::ProcessFilterVoices(m.filterVoices.data(), m.filterIo.data(),
                              static_cast<int>(m.filterVoices.size()), frames);
}

} // namespace synth
