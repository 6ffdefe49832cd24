// Where the synth's time goes, per frame at 48 kHz with its default patch: the
// engine as a whole with 8 and 32 held notes, the voice banks alone (the module
// calls: oscillator and ladder of every voice; the lanes bank is the one the
// engine plays, the runner bank its one-voice-at-a-time reference), one
// envelope, and one oscillator or one ladder through the runner in calls of
// 32 frames, as the bank makes them. Engine minus lanes bank is the engine's
// own work (envelopes, cutoff per frame, LFO, amplifier, mix).
#include "envelope.h"
#include "lanes_voice_bank.h"
#include "module_runner.h"
#include "module_table.h"
#include "runner_voice_bank.h"
#include "synth/engine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr int32_t kPeriod = 256;
constexpr uint8_t kChord[] = {48, 52, 55, 59, 60, 64, 67, 71};

uint8_t NoteOf(int i, int notes) {
  return notes == 8 ? kChord[i] : static_cast<uint8_t>(36 + 2 * i);
}

void PerFrame(benchmark::State &state, int32_t frames) {
  state.counters["s/frame"] = benchmark::Counter(
      frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Engine(benchmark::State &state) {
  const int notes = static_cast<int>(state.range(0));
  synth::Engine e;
  e.SetControl(synth::kPolyphony, static_cast<float>(notes));
  e.Activate(kRate);
  std::vector<float> l(kPeriod), r(kPeriod);
  for (int i = 0; i < notes; ++i) {
    const uint8_t on[] = {0x90, NoteOf(i, notes), 100};
    e.Midi(on, 3);
  }
  for (int i = 0; i < 100; ++i)
    e.Process(l.data(), r.data(), kPeriod);
  for (auto _ : state) {
    e.Process(l.data(), r.data(), kPeriod);
    benchmark::DoNotOptimize(l.data());
  }
  PerFrame(state, kPeriod);
}
BENCHMARK(BM_Engine)->Arg(1)->Arg(8)->Arg(32);

// A bank with the engine's default pins: a saw per voice into the default ladder.
template <typename Bank> void RunBank(benchmark::State &state) {
  const int voices = static_cast<int>(state.range(0));
  synth::SharedPins pins;
  auto bank = Bank::Create(voices, static_cast<float>(kRate), pins);
  if (!bank) {
    state.SkipWithError("the bank could not be made");
    return;
  }
  std::vector<int> slots;
  for (int i = 0; i < voices; ++i) {
    synth::VoiceInputs &in = bank->Inputs(i);
    in.osc1Pitch = static_cast<float>((NoteOf(i % 8, 8) - 9) / 120.0);
    for (float &c : in.cutoff)
      c = 0.78f; // about 3 kHz
    in.resonance = 0.2f;
    bank->Start(i);
    slots.push_back(i);
  }
  for (auto _ : state)
    bank->Run(slots.data(), voices, synth::kStretch);
  PerFrame(state, synth::kStretch);
}
void BM_LanesVoiceBank(benchmark::State &s) { RunBank<synth::LanesVoiceBank>(s); }
void BM_RunnerVoiceBank(benchmark::State &s) { RunBank<synth::RunnerVoiceBank>(s); }
BENCHMARK(BM_LanesVoiceBank)->Arg(1)->Arg(8)->Arg(32);
BENCHMARK(BM_RunnerVoiceBank)->Arg(1)->Arg(8)->Arg(32);

void BM_Envelope(benchmark::State &state) {
  synth::Envelope env;
  env.Configure(
      synth::Envelope::MakeShape(synth::Envelope::FromMs(1e4, 1e4, 0.5, 1e4, kRate), 240));
  std::vector<double> out(synth::kStretch);
  for (auto _ : state) {
    env.Trigger();
    env.Fill(out.data(), synth::kStretch);
    benchmark::DoNotOptimize(out.data());
  }
  PerFrame(state, synth::kStretch);
}
BENCHMARK(BM_Envelope);

// One module through the runner, opened as the bank opens it, in calls of 32 frames.
void BM_OscillatorSaw(benchmark::State &state) {
  const se::PluginEntry *gen = se_runtime::StaticModules().Find("wavetable_generator");
  const se::PluginEntry *osc = se_runtime::StaticModules().Find("audio_oscillator");
  se_runtime::ModuleRunner generator, r;
  generator.Create(*gen, static_cast<float>(kRate), 1);
  generator.Open();
  r.Create(*osc, static_cast<float>(kRate), synth::kStretch);
  for (int p = 0; p < r.PinCount(); ++p) // the pins' defaults, as the bank sets them
    if (r.Pin(p).direction == DR_IN && r.Pin(p).datatype == DT_CHOICE &&
        r.Pin(p).default_value != nullptr)
      r.SetValue(p, std::atoi(r.Pin(p).default_value));
  r.SetValue(r.PinIndex("Waveform"), 1);
  r.SetValue(r.PinIndex("Active"), 1);
  const int link = r.PinIndex("QX_Osc_Link");
  r.SetConnected(link, true);
  std::fill(r.Buffer(r.PinIndex("Pitch")), r.Buffer(r.PinIndex("Pitch")) + synth::kStretch, 0.4f);
  std::fill(r.Buffer(r.PinIndex("Freq Limit (Hz)")),
            r.Buffer(r.PinIndex("Freq Limit (Hz)")) + synth::kStretch, 2160.0f);
  r.Open();
  r.QueueValue(0, link, generator.OutputValue(0));
  for (auto _ : state)
    r.Process(synth::kStretch);
  PerFrame(state, synth::kStretch);
}
BENCHMARK(BM_OscillatorSaw);

void BM_LadderDefault(benchmark::State &state) {
  const se::PluginEntry *ladder = se_runtime::StaticModules().Find("ladder_filter");
  se_runtime::ModuleRunner r;
  r.Create(*ladder, static_cast<float>(kRate), synth::kStretch);
  const bool fivePoles = state.range(0) == 5;
  r.SetValue(r.PinIndex("Filter Tap"), fivePoles ? 3 : 2);
  r.SetValue(r.PinIndex("Q Tap"), fivePoles ? 3 : 2);
  r.SetValue(r.PinIndex("Emulate"), 1);
  r.SetValue(r.PinIndex("Bass Boost"), 2);
  r.SetStreaming(r.PinIndex("Signal"), true);
  float *signal = r.Buffer(r.PinIndex("Signal"));
  for (int k = 0; k < synth::kStretch; ++k)
    signal[k] = 0.5f * static_cast<float>((k % 16) - 8) / 8.0f;
  std::fill(r.Buffer(r.PinIndex("Pitch")), r.Buffer(r.PinIndex("Pitch")) + synth::kStretch, 0.78f);
  std::fill(r.Buffer(r.PinIndex("Resonance")), r.Buffer(r.PinIndex("Resonance")) + synth::kStretch,
            0.2f);
  std::fill(r.Buffer(r.PinIndex("(Zing)")), r.Buffer(r.PinIndex("(Zing)")) + synth::kStretch, 1.0f);
  r.Open();
  for (auto _ : state)
    r.Process(synth::kStretch);
  PerFrame(state, synth::kStretch);
}
BENCHMARK(BM_LadderDefault)->Arg(5)->Arg(4);

} // namespace
