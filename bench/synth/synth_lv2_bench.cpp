// CPU per frame of the synth as an LV2 host runs it, side by side in one run
// with the Debian instruments of its kind, through the same lilv host (the
// test host of tests/lv2): each plugin with its default patch, holding 8 or
// 32 notes at 48 kHz, in periods of 256 frames. The notes are struck, then
// half a second is rendered before the timing starts, so every voice is in
// its sustain.
//
//   build/bench/synth/synth_lv2_bench                  (finds /usr/lib/lv2 by itself)
//
// Counters: s/frame (CPU time per frame), and voices: the voices the plugin sounds for
// those notes (its polyphony caps them), from which ns per voice follows.
#include "lv2_rig.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

constexpr double kRate = 48000.0;
constexpr int32_t kPeriod = 256;

// The bundles on LV2_PATH, this build's first; set before lilv starts.
const bool kPath = [] {
  if (std::getenv("LV2_PATH") == nullptr) {
    const std::string path = std::string(SE_LV2_BUNDLE_PARENT) +
                             ":/usr/lib/lv2:/usr/local/lib/lv2:/usr/lib/x86_64-linux-gnu/lv2";
    setenv("LV2_PATH", path.c_str(), 1);
  }
  // synthv1 starts Qt as it loads: without a display, off screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();

struct Synth {
  const char *uri;
  int polyphony; // voices its default patch sounds at most
};

constexpr Synth kOurs{"urn:ladder-osc-modules:synth", 32};
constexpr Synth kJx10{"http://drobilla.net/plugins/mda/JX10", 8};
constexpr Synth kSynthv1{"http://synthv1.sourceforge.net/lv2", 32};
constexpr Synth kMonosynth{"http://calf.sourceforge.net/plugins/Monosynth", 1};

void Play(benchmark::State &state, const Synth &synth, bool fivePoles) {
  const int notes = static_cast<int>(state.range(0));
  (void)kPath;
  lv2test::Lv2Rig rig(synth.uri, kRate, kPeriod);
  if (rig.Instance() == nullptr) {
    state.SkipWithError("the plugin is not installed or did not instantiate");
    return;
  }
  if (synth.uri == kOurs.uri) {
    rig.SetControl("polyphony", static_cast<float>(notes)); // the default 8 holds 8 notes
    if (!fivePoles) {
      rig.SetControl("filter_tap", 4);
      rig.SetControl("q_tap", 4);
    }
  }
  // Eight notes: the test chord; more: whole tones up from C2.
  constexpr uint8_t kChord[] = {48, 52, 55, 59, 60, 64, 67, 71};
  std::vector<lv2test::MidiAt> strike;
  for (int i = 0; i < notes; ++i)
    strike.push_back({0, {0x90, notes == 8 ? kChord[i] : static_cast<uint8_t>(36 + 2 * i), 100}});
  rig.RenderAll(static_cast<int64_t>(kRate / 2), {kPeriod}, strike);
  for (auto _ : state)
    benchmark::DoNotOptimize(rig.RenderAll(kPeriod, {kPeriod}));
  state.counters["s/frame"] = benchmark::Counter(
      kPeriod, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["voices"] = std::min(notes, synth.polyphony);
}

void BM_Ours5Stage(benchmark::State &s) { Play(s, kOurs, true); }
void BM_Ours4Stage(benchmark::State &s) { Play(s, kOurs, false); }
void BM_MdaJx10(benchmark::State &s) { Play(s, kJx10, true); }
void BM_Synthv1(benchmark::State &s) { Play(s, kSynthv1, true); }
void BM_CalfMonosynth(benchmark::State &s) { Play(s, kMonosynth, true); }

BENCHMARK(BM_Ours5Stage)->Arg(8)->Arg(32);
BENCHMARK(BM_Ours4Stage)->Arg(8)->Arg(32);
BENCHMARK(BM_MdaJx10)->Arg(8)->Arg(32);
BENCHMARK(BM_Synthv1)->Arg(8)->Arg(32);
BENCHMARK(BM_CalfMonosynth)->Arg(8)->Arg(32);

} // namespace
