// A long chain of filters: every pin status a module posts travels down the
// chain as one event per module, so the host's event delivery and the patch
// checks must stay cheap per event and per connection however long the chain.
// Each iteration loads the patch and renders 10 ms of audio.
#include "patch.h"
#include "plugin_path.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string Id(int i) {
  std::string id = "f";
  return id.append(std::to_string(i));
}

std::string ChainPatch(int filters) {
  std::string modules, connections;
  for (int i = 0; i < filters; ++i) {
    const std::string id = Id(i);
    if (i > 0)
      modules += ", ";
    modules += R"({"id": ")" + id + R"(", "plugin": "ladder_filter", "pins": {"Pitch": 7}})";
    if (i > 1)
      connections += ", ";
    if (i > 0)
      connections += R"({"from": ")" + Id(i - 1) + R"(.Output", "to": ")" + id + R"(.Signal"})";
  }
  return R"({"sample_rate": 44100, "duration": 0.01, "modules": [)" + modules +
         R"(], "connections": [)" + connections +
         R"(], "sources": [{"to": "f0.Signal", "type": "lfo", "rate": 220, "depth": 5}],
         "outputs": [")" +
         Id(filters - 1) + R"(.Output"]})";
}

void LongChain(benchmark::State &state) {
  const std::string text = ChainPatch(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto patch = sehost::Patch::Parse(text, "chain.json", ".", {setest::PluginDir()});
    while (!patch->Done())
      benchmark::DoNotOptimize(patch->RenderBlock().data());
  }
}
BENCHMARK(LongChain)->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
