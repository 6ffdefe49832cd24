// CPU per frame of the synth holding a chord, beside other LV2 instruments
// holding the same notes, all through the same lilv host (the test host of
// tests/lv2) in one run: the test chord (MIDI notes 48 52 55 59 60 64 67 71,
// velocity 127) struck, its attack rendered, then held while timed, in runs
// of 256 frames at 48 kHz. "32 notes" plays four octaves of the chord shape
// with the synth's polyphony at 32. Instruments that are not installed are
// skipped. Run with the instruments' bundles on LV2_PATH, e.g.
//   LV2_PATH=$PWD/build/lv2:/usr/lib/lv2 build/bench/lv2/lv2_synth_chord_bench
#include "lv2_rig.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using lv2test::Lv2Rig;
using lv2test::MidiAt;

constexpr double kRate = 48000.0;
constexpr int32_t kRun = 256;

std::vector<MidiAt> Chord(int notes) {
  const int shape[] = {48, 52, 55, 59, 60, 64, 67, 71};
  std::vector<MidiAt> events;
  for (int i = 0; i < notes; ++i) {
    const int note = shape[i % 8] + 12 * (i / 8) - (notes > 8 ? 12 : 0);
    events.push_back({0, {0x90, static_cast<uint8_t>(note), 127}});
  }
  return events;
}

void Hold(benchmark::State &state, const char *uri, int notes, bool ours) {
  if (lv2test::FindPlugin(uri) == nullptr) {
    state.SkipWithError("not installed (is its bundle on LV2_PATH?)");
    return;
  }
  Lv2Rig rig(uri, kRate, 4096);
  if (rig.Instance() == nullptr) {
    state.SkipWithError("the plugin did not instantiate");
    return;
  }
  if (ours && notes > 8)
    rig.SetControl("polyphony", 32);
  rig.Render(kRate / 2, {kRun}, Chord(notes)); // the attack
  for (auto _ : state)
    benchmark::DoNotOptimize(rig.Render(kRun, {kRun}));
  state.counters["ns/frame"] = benchmark::Counter(
      kRun, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["ns/frame/note"] = benchmark::Counter(
      static_cast<double>(kRun) * notes,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Synth8(benchmark::State &s) { Hold(s, "urn:ladder-osc-modules:synth", 8, true); }
void BM_Synth32(benchmark::State &s) { Hold(s, "urn:ladder-osc-modules:synth", 32, true); }
void BM_Jx10_8(benchmark::State &s) { Hold(s, "http://drobilla.net/plugins/mda/JX10", 8, false); }
void BM_Synthv1_8(benchmark::State &s) { Hold(s, "http://synthv1.sourceforge.net/lv2", 8, false); }

BENCHMARK(BM_Synth8);
BENCHMARK(BM_Jx10_8);
BENCHMARK(BM_Synth32);
BENCHMARK(BM_Synthv1_8);

} // namespace
