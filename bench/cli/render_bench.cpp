// Rendering each example patch: the "cpu_s_per_audio_s" counter is the CPU time
// per second of rendered audio (the patch must stay well under 1).
#include "patch.h"
#include "plugin_path.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void RenderExample(benchmark::State &state, const std::string &name) {
  const std::string path = std::string(SE_EXAMPLES_DIR) + "/" + name + ".json";
  double audio_seconds = 0.0;
  for (auto _ : state) {
    auto patch = sehost::Patch::Load(path, {setest::PluginDir()});
    while (!patch->Done())
      benchmark::DoNotOptimize(patch->RenderBlock().data());
    audio_seconds += static_cast<double>(patch->Frames()) / patch->SampleRate();
  }
  state.counters["cpu_s_per_audio_s"] =
      benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const int kRegistered = [] {
  for (const auto &e : std::filesystem::directory_iterator(SE_EXAMPLES_DIR))
    if (e.path().extension() == ".json") {
      const std::string name = e.path().stem().string();
      benchmark::RegisterBenchmark(("Render/" + name).c_str(), RenderExample, name)
          ->Unit(benchmark::kMillisecond)
          ->MeasureProcessCPUTime();
    }
  return 0;
}();

} // namespace
