// Cost per sample of the oscillator's process routines. A patch of generator
// and oscillator is set up and run through the host, then the installed
// routine is called directly for whole blocks, as the host calls it.
#include "host.h"
#include "plugin_path.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kBlock = 1024;

struct Setting {
  std::string pin;
  double value;
};

struct Stream {
  std::string pin;
  std::function<float(int64_t)> f;
};

void RunRoutine(benchmark::State &state, const std::vector<Setting> &settings,
                const std::vector<Stream> &streams) {
  sehost::Host host(44100.0f, kBlock);
  auto &gen = host.Load(setest::PluginPath("wavetable_generator"));
  auto &osc = host.Load(setest::PluginPath("audio_oscillator"));
  const int g = host.Add(gen);
  const int o = host.Add(osc);
  host.Connect(g, "QX_Osc_Link", o, "QX_Osc_Link");
  host.SetValue(o, "Active", 1);
  for (const auto &s : settings)
    host.SetValue(o, s.pin, s.value);
  for (const auto &s : streams)
    host.Feed(o, host.PinIndex(o, s.pin), std::make_unique<sehost::FunctionSource>(s.f));
  host.Open();
  host.ProcessBlock();
  host.ProcessBlock();
  SEModuleRecord *record = host.Record(o);
  for (auto _ : state) {
    record->process(record->instance, 0, kBlock);
    benchmark::ClobberMemory();
  }
  // Seconds per sample (the inverse of the sample rate achieved).
  state.counters["s/sample"] = benchmark::Counter(static_cast<double>(kBlock),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

float Sweep(int64_t k) { return 0.3f + 0.2f * std::sin(static_cast<float>(k) * 0.001f); }
float Wobble(int64_t k) { return 0.25f + 0.1f * std::sin(static_cast<float>(k) * 0.01f); }

void BM_LowFixedPoint(benchmark::State &s) { RunRoutine(s, {{"Waveform", 1}}, {}); }
void BM_LowStreamingWidth(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 1}}, {{"Phase/Pulse Width", Wobble}});
}
void BM_LowPulseFixedPoint(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 11}, {"Phase/Pulse Width", 0.3}}, {});
}
void BM_LowPulseStreamingWidth(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 11}}, {{"Phase/Pulse Width", Wobble}});
}
void BM_HighMovingPitch(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 1}}, {{"Pitch", Sweep}});
}
void BM_HighPulseMovingPitch(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 11}, {"Phase/Pulse Width", 0.3}}, {{"Pitch", Sweep}});
}
void BM_HighMovingPitchHz(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 1}, {"Pitch Mode", 2}},
             {{"Pitch", [](int64_t k) { return 44.0f + 10.0f * std::sin(k * 0.001f); }}});
}
void BM_SyncHighEvery100(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 1}},
             {{"Sync", [](int64_t k) { return k % 100 < 50 ? 1.0f : -1.0f; }}});
}
void BM_Noise(benchmark::State &s) {
  RunRoutine(s, {{"Waveform", 255}, {"Phase/Pulse Width", 0.5}}, {});
}

} // namespace

BENCHMARK(BM_LowFixedPoint);
BENCHMARK(BM_LowStreamingWidth);
BENCHMARK(BM_LowPulseFixedPoint);
BENCHMARK(BM_LowPulseStreamingWidth);
BENCHMARK(BM_HighMovingPitch);
BENCHMARK(BM_HighPulseMovingPitch);
BENCHMARK(BM_HighMovingPitchHz);
BENCHMARK(BM_SyncHighEvery100);
BENCHMARK(BM_Noise);
