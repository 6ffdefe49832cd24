// Oscillator voices run side by side (ProcessOscillatorVoices, four to a
// group in lanes) give, voice by voice and bit for bit, what the module
// writes through its C interface for the same pin events and call lengths:
// every waveform, both pitch reads, the fixed-point and floating-point reads,
// every pitch mode, streaming and static widths, limit systems, sync, hold.
#include "audio_oscillator/oscillator_voice.h"
#include "audio_oscillator/pins.h"
#include "module_runner.h"
#include "module_table.h"
#include "waveforms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kCapacity = 300;

// A pin event at the start of call `call`: a value (choice pins and the
// link) or a status change of an audio pin, whose buffer holds its samples.
struct Event {
  int call;
  int pin;
  enum Kind { kValue, kStatic, kStreaming } kind;
  intptr_t value = 0;
};

// The audio inputs in pin order as the voice sees them.
constexpr int kAudioInputs[] = {osc::kPitch,   osc::kPitchAdjust, osc::kPitchRef,
                                osc::kPhasePw, osc::kSync,        osc::kFreqLimit};

struct OscPlan {
  osc::OscillatorChoices choices;
  std::vector<float> input[osc::kPinCount]; // the audio inputs' samples
  bool streams[osc::kPinCount] = {};
  std::vector<Event> events;
  float rate = kRate;
};

std::vector<int32_t> Calls(int total) {
  const int32_t cycle[] = {32, 1, 12, 300, 5, 64, 31, 2, 255, 7, 128, 3, 256, 17};
  std::vector<int32_t> calls;
  for (int done = 0, k = 0; done < total; ++k) {
    const int32_t n = std::min<int32_t>(cycle[k % std::size(cycle)], total - done);
    calls.push_back(n);
    done += n;
  }
  return calls;
}

int Total(const std::vector<int32_t> &calls) {
  int n = 0;
  for (int32_t c : calls)
    n += c;
  return n;
}

intptr_t Link() {
  static se_runtime::ModuleRunner generator;
  static intptr_t link = [] {
    const se::PluginEntry *entry = se_runtime::StaticModules().Find("wavetable_generator");
    if (entry == nullptr || !generator.Create(*entry, kRate, 1))
      return intptr_t{0};
    generator.Open();
    return generator.OutputValue(generator.PinIndex(osc::kPins[osc::kLink].name));
  }();
  return link;
}

bool IsInput(int pin) { return osc::kPins[pin].direction == DR_IN; }

void SetChoice(osc::OscillatorChoices &c, int pin, intptr_t v) {
  const auto s = static_cast<int16_t>(v);
  switch (pin) {
  case osc::kSyncAccuracy: c.syncAccuracy = s; break;
  case osc::kWaveform: c.waveform = static_cast<uint16_t>(v); break;
  case osc::kWaveQuality: c.waveQuality = s; break;
  case osc::kHarmonics: c.harmonics = s; break;
  case osc::kLimitSystem: c.limitSystem = s; break;
  case osc::kPitchMode: c.pitchMode = s; break;
  case osc::kPitchModAccuracy: c.pitchModAccuracy = s; break;
  case osc::kHold: c.hold = s; break;
  case osc::kActive: c.active = s; break;
  case osc::kLink: c.link = v; break;
  default: break;
  }
}

intptr_t ChoiceValue(const osc::OscillatorChoices &c, int pin) {
  switch (pin) {
  case osc::kSyncAccuracy: return c.syncAccuracy;
  case osc::kWaveform: return c.waveform;
  case osc::kWaveQuality: return c.waveQuality;
  case osc::kHarmonics: return c.harmonics;
  case osc::kLimitSystem: return c.limitSystem;
  case osc::kPitchMode: return c.pitchMode;
  case osc::kPitchModAccuracy: return c.pitchModAccuracy;
  case osc::kHold: return c.hold;
  case osc::kActive: return c.active;
  default: return 0;
  }
}

// The module through its C interface, as the runner drives it.
std::vector<float> RunModule(const OscPlan &p, const std::vector<int32_t> &calls) {
  se_runtime::ModuleRunner r;
  const se::PluginEntry *entry = se_runtime::StaticModules().Find("audio_oscillator");
  if (entry == nullptr || !r.Create(*entry, p.rate, kCapacity))
    return {};
  for (int pin = 0; pin < osc::kPinCount; ++pin)
    if (IsInput(pin) && osc::kPins[pin].datatype == DT_CHOICE)
      r.SetValue(pin, ChoiceValue(p.choices, pin));
  r.SetConnected(osc::kLink, true);
  for (int pin : kAudioInputs)
    r.SetStreaming(pin, p.streams[pin]);
  r.Open();
  std::vector<float> out(static_cast<size_t>(Total(calls)) + kCapacity);
  int pos = 0;
  for (size_t k = 0; k < calls.size(); ++k) {
    if (k == 0)
      r.QueueValue(0, osc::kLink, Link());
    for (const Event &e : p.events)
      if (e.call == static_cast<int>(k)) {
        if (e.kind == Event::kValue)
          r.QueueValue(0, e.pin, e.value);
        else
          r.QueueStatus(0, e.pin, e.kind == Event::kStreaming ? PS_RUNNING : PS_ONCE);
      }
    for (int pin : kAudioInputs)
      r.Bind(pin, const_cast<float *>(p.input[pin].data()) + pos);
    r.Bind(osc::kWaveOut, out.data() + pos);
    r.Process(calls[k]);
    pos += calls[k];
  }
  out.resize(static_cast<size_t>(pos));
  return out;
}

struct VoiceRun {
  osc::OscillatorVoice voice;
  bool streams[osc::kPinCount] = {};
  std::vector<float> scratch = std::vector<float>(kCapacity);
};

// One pin event to a voice, as the module gets it.
void Deliver(VoiceRun &v, const OscPlan &p, int pin, bool streaming, int pos) {
  auto at = [&](int input) { return p.input[input][static_cast<size_t>(pos)]; };
  const osc::PinSamples now{at(osc::kPitch), at(osc::kPitchAdjust), at(osc::kSync),
                            at(osc::kFreqLimit)};
  v.voice.PinChanged(pin, streaming, now);
}

// The voices, all at once.
std::vector<std::vector<float>> RunVoices(const std::vector<OscPlan> &plans,
                                          const std::vector<int32_t> &calls, osc::LaneUse use) {
  const size_t n = plans.size();
  std::vector<VoiceRun> runs(n);
  std::vector<std::vector<float>> out(
      n, std::vector<float>(static_cast<size_t>(Total(calls)) + kCapacity));
  for (size_t v = 0; v < n; ++v) {
    VoiceRun &run = runs[v];
    run.voice.choices = plans[v].choices;
    EXPECT_TRUE(run.voice.Open(plans[v].rate, kCapacity, true));
    for (int pin : kAudioInputs)
      run.streams[pin] = plans[v].streams[pin];
  }
  std::vector<osc::OscillatorVoice *> ptrs;
  for (VoiceRun &run : runs)
    ptrs.push_back(&run.voice);
  std::vector<osc::OscillatorBuffers> buffers(n);
  int pos = 0;
  for (size_t k = 0; k < calls.size(); ++k) {
    for (size_t v = 0; v < n; ++v) {
      const OscPlan &p = plans[v];
      VoiceRun &run = runs[v];
      if (k == 0) {
        // The statuses of every input at open, in pin order, then the link.
        for (int pin = 0; pin < osc::kPinCount; ++pin)
          if (IsInput(pin))
            Deliver(run, p, pin, run.streams[pin], pos);
        run.voice.choices.link = Link();
        Deliver(run, p, osc::kLink, false, pos);
      }
      for (const Event &e : p.events)
        if (e.call == static_cast<int>(k)) {
          if (e.kind == Event::kValue)
            SetChoice(run.voice.choices, e.pin, e.value);
          else
            run.streams[e.pin] = e.kind == Event::kStreaming;
          Deliver(run, p, e.pin, e.kind == Event::kStreaming, pos);
        }
      auto in = [&](int pin) { return const_cast<float *>(p.input[pin].data()) + pos; };
      buffers[v] = {in(osc::kPitch),     in(osc::kPitchAdjust), in(osc::kPitchRef),
                    in(osc::kPhasePw),   in(osc::kSync),        out[v].data() + pos,
                    in(osc::kFreqLimit), run.scratch.data()};
    }
    osc::ProcessOscillatorVoices(ptrs.data(), buffers.data(), static_cast<int>(n), 0, calls[k],
                                 kCapacity, use);
    pos += calls[k];
  }
  for (auto &o : out)
    o.resize(static_cast<size_t>(pos));
  return out;
}

uint32_t Bits(float x) { return std::bit_cast<uint32_t>(x); }

// Answers how many voices sounded.
int ExpectSameAsModules(const std::vector<OscPlan> &plans, const std::vector<int32_t> &calls,
                        const char *what) {
  // Every read in lanes, the default choice of reads, and every read in
  // lanes without the AVX2 reads (the same as with them where the processor
  // lacks AVX2).
  const auto lanes = RunVoices(plans, calls, osc::LaneUse::kAlways);
  const auto chosen = RunVoices(plans, calls, osc::LaneUse::kWherePaying);
  osc::AllowAvx2Lanes(false);
  const auto narrow = RunVoices(plans, calls, osc::LaneUse::kAlways);
  osc::AllowAvx2Lanes(true);
  int sounding = 0;
  for (size_t v = 0; v < plans.size(); ++v) {
    const auto module = RunModule(plans[v], calls);
    EXPECT_EQ(chosen[v], lanes[v]);
    EXPECT_EQ(narrow[v], lanes[v]);
    EXPECT_EQ(module.size(), lanes[v].size());
    bool sounds = false;
    for (size_t i = 0; i < module.size() && i < lanes[v].size(); ++i) {
      if (Bits(lanes[v][i]) != Bits(module[i])) {
        ADD_FAILURE() << what << ": voice " << v << " sample " << i << ": " << lanes[v][i]
                      << " against " << module[i];
        return 0;
      }
      sounds = sounds || module[i] != 0.0f;
    }
    sounding += sounds ? 1 : 0;
  }
  return sounding;
}

struct Lcg {
  uint32_t s;
  float Next() { // in [-1, 1)
    s = s * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(s)) * (1.0f / 2147483648.0f);
  }
};

// A voice of waveform `wave` with its own pitch, width and limit; the
// streams are set but streaming only where asked.
OscPlan Plan(int voice, int length, uint16_t wave) {
  OscPlan p;
  p.choices.waveform = wave;
  p.choices.active = 1;
  Lcg rng{static_cast<uint32_t>(voice * 131 + 7)};
  const size_t n = static_cast<size_t>(length) + kCapacity;
  for (int pin : kAudioInputs)
    p.input[pin].assign(n, 0.0f);
  const float base = 0.2f + 0.07f * static_cast<float>(voice % 9);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i);
    p.input[osc::kPitch][i] = base + 0.05f * std::sin(t * 0.013f + static_cast<float>(voice));
    p.input[osc::kPitchAdjust][i] = 0.01f * std::sin(t * 0.05f);
    p.input[osc::kPitchRef][i] = base;
    p.input[osc::kPhasePw][i] = 0.3f + 0.2f * std::sin(t * 0.021f) + 0.01f * rng.Next();
    p.input[osc::kSync][i] = std::sin(t * 0.03f * static_cast<float>(1 + voice % 3));
    p.input[osc::kFreqLimit][i] = 400.0f + 300.0f * static_cast<float>(voice % 4);
  }
  return p;
}

// Plans of one setting for five voices of different waveforms.
std::vector<OscPlan> Voices(int length, int first, auto configure) {
  std::vector<OscPlan> plans;
  for (int v = 0; v < 5; ++v) {
    const uint16_t wave = static_cast<uint16_t>((first + v * 3) % 21);
    plans.push_back(Plan(v + first, length, wave));
    configure(plans.back());
  }
  return plans;
}

TEST(OscillatorLanes, EveryWaveformAndReadMatchesTheModule) {
  const auto calls = Calls(2400);
  const int length = Total(calls);
  struct Read {
    const char *what;
    bool pitchStreams, widthStreams, adjustStreams;
    int16_t accuracy, mode;
  };
  const Read reads[] = {
      {"block pitch, static width (fixed point)", false, false, false, 1, 0},
      {"block pitch streaming, static width", true, false, false, 0, 0},
      {"block pitch, streaming width", false, true, false, 1, 0},
      {"sample pitch, static width", true, false, false, 1, 0},
      {"sample pitch adjust, streaming width", false, true, true, 1, 0},
      {"sample pitch, kHz", true, false, false, 1, 1},
      {"sample pitch, Hz, streaming width", true, true, false, 1, 2},
      {"block pitch, Hz", true, false, false, 0, 2},
  };
  for (const Read &r : reads)
    for (int first = 0; first < 21; first += 5) {
      auto plans = Voices(length, first, [&](OscPlan &p) {
        p.streams[osc::kPitch] = r.pitchStreams;
        p.streams[osc::kPhasePw] = r.widthStreams;
        p.streams[osc::kPitchAdjust] = r.adjustStreams;
        p.choices.pitchModAccuracy = r.accuracy;
        p.choices.pitchMode = r.mode;
        if (r.mode == 1)
          for (float &x : p.input[osc::kPitch])
            x = x * 0.5f - 0.1f; // 1 V = 1 kHz: up to some kHz
        if (r.mode == 2)
          for (float &x : p.input[osc::kPitch])
            x = x * 200.0f; // 1 V = 1 Hz
      });
      // Limit systems and harmonic settings differ per voice.
      for (size_t v = 0; v < plans.size(); ++v) {
        plans[v].choices.limitSystem = static_cast<int16_t>(v % 3);
        plans[v].choices.harmonics = static_cast<int16_t>(v * 60 + 3);
      }
      EXPECT_EQ(ExpectSameAsModules(plans, calls, r.what), 5) << r.what;
      if (HasFailure())
        return;
    }
}

// Voices of one group at different sample rates: each lane converts its
// pitch with its own rate's table.
TEST(OscillatorLanes, VoicesAtDifferentRatesShareAGroup) {
  const auto calls = Calls(2000);
  const int length = Total(calls);
  const float rates[] = {48000.0f, 44100.0f, 96000.0f, 22050.0f, 192000.0f, 8000.0f};
  for (const int16_t mode : {0, 2})
    for (const uint16_t wave : {1, 11}) {
      std::vector<OscPlan> plans;
      for (int v = 0; v < 6; ++v) {
        plans.push_back(Plan(v, length, wave));
        OscPlan &p = plans.back();
        p.rate = rates[v];
        p.streams[osc::kPitch] = true;
        p.choices.pitchMode = mode;
        if (mode == 2)
          for (float &x : p.input[osc::kPitch])
            x *= 200.0f; // 1 V = 1 Hz
      }
      EXPECT_EQ(ExpectSameAsModules(plans, calls, "rates"), 6)
          << "mode " << mode << " wave " << wave;
    }
}

TEST(OscillatorLanes, NoiseSyncHoldAndChangesMatchTheModule) {
  const auto calls = Calls(3000);
  const int length = Total(calls);
  std::vector<OscPlan> plans;
  for (int v = 0; v < 11; ++v)
    plans.push_back(Plan(v, length, static_cast<uint16_t>(1 + v % 20)));
  plans[0].choices.waveform = wavetable::kNoiseWaveform;
  plans[0].streams[osc::kPhasePw] = true;
  // Sync at both accuracies, streaming.
  plans[1].streams[osc::kSync] = true;
  plans[2].streams[osc::kSync] = true;
  plans[2].choices.syncAccuracy = 0;
  plans[3].streams[osc::kSync] = true;
  plans[3].streams[osc::kPitch] = true;
  // A static sync that rises (restarts) and falls.
  // Every tenth call from the tenth, while there are calls.
  for (int k = 10; k < 60 && k < static_cast<int>(calls.size()); k += 10) {
    plans[4].events.push_back({k, osc::kSync, Event::kStatic});
    const size_t at = static_cast<size_t>(Total({calls.begin(), calls.begin() + k}));
    for (size_t i = at; i < plans[4].input[osc::kSync].size(); ++i)
      plans[4].input[osc::kSync][i] = k % 20 == 0 ? 1.0f : 0.0f;
  }
  // Hold on and off, Active off and on.
  plans[5].events = {{8, osc::kHold, Event::kValue, 1},
                     {20, osc::kHold, Event::kValue, 0},
                     {30, osc::kActive, Event::kValue, 0},
                     {41, osc::kActive, Event::kValue, 1}};
  // Waveform, pitch mode and accuracy changes while running; a static pitch
  // that moves.
  plans[6].events = {
      {5, osc::kWaveform, Event::kValue, 14}, {9, osc::kPitchModAccuracy, Event::kValue, 0},
      {12, osc::kPitch, Event::kStreaming},   {16, osc::kPitchModAccuracy, Event::kValue, 1},
      {22, osc::kPitch, Event::kStatic},      {25, osc::kWaveform, Event::kValue, 300},
      {29, osc::kWaveform, Event::kValue, 2}};
  plans[7].events = {{3, osc::kPitch, Event::kStatic},
                     {13, osc::kPitch, Event::kStatic},
                     {14, osc::kPhasePw, Event::kStreaming},
                     {33, osc::kPhasePw, Event::kStatic}};
  // Hostile pitch and width: huge, non-finite, at and above the rate.
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  plans[8].streams[osc::kPitch] = true;
  for (size_t i = 0; i < plans[8].input[osc::kPitch].size(); i += 37)
    plans[8].input[osc::kPitch][i] = i % 74 == 0 ? kNaN : 1.2f + static_cast<float>(i % 5);
  plans[9].streams[osc::kPhasePw] = true;
  plans[9].streams[osc::kPitch] = true;
  for (size_t i = 0; i < plans[9].input[osc::kPhasePw].size(); i += 41)
    plans[9].input[osc::kPhasePw][i] = i % 82 == 0 ? 3e9f : -kNaN;
  plans[10].choices.waveform = 11; // a pulse form at a pitch above the rate
  plans[10].streams[osc::kPitch] = true;
  for (float &x : plans[10].input[osc::kPitch])
    x += 1.0f;
  EXPECT_EQ(ExpectSameAsModules(plans, calls, "states"), 11);
}

} // namespace
