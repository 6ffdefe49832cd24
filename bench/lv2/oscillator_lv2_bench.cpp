// Cost per frame of the oscillator plugin as an LV2 host runs it (through
// lilv, with the test host of tests/lv2): a held note, notes arriving often,
// and a moving pitch CV. Compare with the module's own routines
// (bench/audio_oscillator) for what the wrapper adds.
#include "lv2_rig.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using lv2test::Lv2Rig;
using lv2test::MidiAt;

constexpr double kRate = 48000.0;

// Renders blocks of `block` frames of a saw; `every` > 0 adds a note change
// every that many frames.
void RunPlugin(benchmark::State &state, int32_t block, int64_t every, bool moving_cv) {
  Lv2Rig rig(SE_LV2_OSCILLATOR_URI, kRate, 4096);
  if (rig.Instance() == nullptr) {
    state.SkipWithError("the plugin did not instantiate");
    return;
  }
  rig.SetControl("waveform", 1);
  rig.SetControl("active", 1);
  std::vector<MidiAt> events;
  for (int64_t f = 0; every > 0 && f < block; f += every)
    events.push_back({f, {0x90, static_cast<uint8_t>(48 + f / every % 24), 100}});
  rig.Render(block, {block});
  int64_t frames = 0;
  for (auto _ : state) {
    if (moving_cv)
      rig.SetCv("pitch_cv", 0.5f * std::sin(static_cast<float>(frames) * 1e-4f));
    benchmark::DoNotOptimize(rig.Render(block, {block}, events));
    frames += block;
  }
  state.counters["s/frame"] =
      benchmark::Counter(static_cast<double>(block), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_HeldNote(benchmark::State &s) { RunPlugin(s, static_cast<int32_t>(s.range(0)), 0, false); }
void BM_NoteEvery64(benchmark::State &s) { RunPlugin(s, 1024, 64, false); }
void BM_MovingCv(benchmark::State &s) { RunPlugin(s, 1024, 0, true); }

BENCHMARK(BM_HeldNote)->Arg(64)->Arg(1024);
BENCHMARK(BM_NoteEvery64);
BENCHMARK(BM_MovingCv);

} // namespace
