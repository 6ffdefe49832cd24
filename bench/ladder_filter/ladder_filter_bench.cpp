// Cost per sample of the ladder filter's combination routines, called through
// the instance record as the host calls them.
#include "host.h"
#include "ladder_filter/pins.h"
#include "plugin_path.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kBlock = 256;
enum Pitch { kConstant = 0, kMoving = 1 };

struct Setup {
  std::unique_ptr<sehost::Host> host;
  int id = 0;
  SEModuleRecord *record = nullptr;
};

// routine = emulate + 2 * qTap + 8 * filterTap. A long streaming saw; "Pitch"
// streams a slow sweep or holds a constant.
Setup Make(int routine, int version, Pitch pitch, const std::vector<float> &signal,
           float constantPitch = 0.5f) {
  Setup s;
  s.host = std::make_unique<sehost::Host>(44100.0f, kBlock);
  auto &lib = s.host->Load(setest::PluginPath("ladder_filter"));
  s.id = s.host->Add(lib);
  s.host->Feed(s.id, ladder::kSignalPin, std::make_unique<sehost::ArraySource>(signal));
  if (pitch == kMoving) {
    std::vector<float> sweep(signal.size());
    for (size_t i = 0; i < sweep.size(); ++i)
      sweep[i] = 0.5f + 0.3f * static_cast<float>(std::sin(static_cast<double>(i) * 2e-4));
    s.host->Feed(s.id, ladder::kPitchPin, std::make_unique<sehost::ArraySource>(sweep));
  } else {
    s.host->SetValue(s.id, ladder::kPitchPin, constantPitch);
  }
  s.host->SetValue(s.id, ladder::kResonancePin, 0.6);
  s.host->SetValue(s.id, ladder::kZingPin, 1.0);
  s.host->SetValue(s.id, ladder::kFilterTapPin, routine / 8);
  s.host->SetValue(s.id, ladder::kQTapPin, (routine % 8) / 2);
  s.host->SetValue(s.id, ladder::kEmulatePin, routine % 2);
  s.host->SetValue(s.id, ladder::kVersionPin, version);
  s.host->Open();
  s.record = s.host->Record(s.id);
  return s;
}

std::vector<float> Saw(size_t n) {
  std::vector<float> out(n);
  double ph = 0;
  for (auto &y : out) {
    y = static_cast<float>(0.8 * (2 * ph - 1));
    ph += 110.0 / 44100.0;
    ph -= std::floor(ph);
  }
  return out;
}

// Runs whole blocks through the host (inputs move block by block).
void BM_Ladder(benchmark::State &state) {
  const int routine = static_cast<int>(state.range(0));
  const int version = static_cast<int>(state.range(1));
  const auto pitch = static_cast<Pitch>(state.range(2));
  Setup s = Make(routine, version, pitch, Saw(44100 * 20));
  for (auto _ : state)
    s.host->ProcessBlock();
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["ns/sample"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kBlock),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The routine alone, called through the record on one block of input.
void BM_LadderRoutineOnly(benchmark::State &state) {
  const int routine = static_cast<int>(state.range(0));
  const int version = static_cast<int>(state.range(1));
  const auto pitch = static_cast<Pitch>(state.range(2));
  Setup s = Make(routine, version, pitch, Saw(44100 * 20));
  s.host->ProcessBlock();
  for (auto _ : state)
    s.record->process(s.record->instance, 0, kBlock);
  state.counters["ns/sample"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kBlock),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A burst, then a streaming signal of zeros: the ladder decays towards the
// subnormal range. Primed for 10 s of audio before timing. At a pitch of
// 6 V the Clear five-stage ladder ends in subnormal states.
void BM_LadderDecay(benchmark::State &state) {
  const int routine = static_cast<int>(state.range(0));
  const int version = static_cast<int>(state.range(1));
  std::vector<float> signal(44100 * 60, 0.0f);
  for (int i = 0; i < 2000; ++i)
    signal[static_cast<size_t>(i)] = (i / 100) % 2 ? 0.8f : -0.8f;
  Setup s = Make(routine, version, kConstant, signal, static_cast<float>(state.range(2)) / 10);
  for (int i = 0; i < 44100 * 10 / kBlock; ++i)
    s.host->ProcessBlock();
  for (auto _ : state)
    s.host->ProcessBlock();
  state.counters["ns/sample"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kBlock),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Routines(benchmark::internal::Benchmark *b) {
  b->ArgNames({"routine", "version", "moving"});
  // Two stages (1 Digital, 0 Analog), four (21, 20), five (31, 30).
  for (int routine : {1, 0, 21, 20, 31, 30})
    for (int version : {0, 1})
      for (int pitch : {kMoving, kConstant})
        b->Args({routine, version, pitch});
}

} // namespace

BENCHMARK(BM_Ladder)->Apply(Routines);
BENCHMARK(BM_LadderRoutineOnly)->Apply(Routines);
BENCHMARK(BM_LadderDecay)->ArgNames({"routine", "version", "pitch_x10"})->Apply([](auto *b) {
  for (int routine : {31, 30, 1})
    for (int version : {0, 1})
      for (int pitch : {0, 6})
        b->Args({routine, version, pitch});
});
