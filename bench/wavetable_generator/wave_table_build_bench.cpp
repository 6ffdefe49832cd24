// The whole table build (sine table and ten waveform blocks) on scratch
// stores, checked bit for bit against the plain reference build.
#include "dynamic_library.h"
#include "plugin_path.h"
#include "reference_tables.h"
#include "se_abi.h"
#include "wavetable_generator/wave_table_store.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

using wavetable::WaveTableStore;

// Floats the build writes: points 0 ... 512 of the sine table and of 2560 block tables.
constexpr double kBytesWritten =
    double(wavetable::kStoredPoints) * (1 + wavetable::kWaveBlocks * wavetable::kMaxHarmonics) * 4;

bool MatchesReference(WaveTableStore &store) {
  static const wtref::Tables ref = wtref::Build();
  if (std::memcmp(store.Sine(), ref.sine.data(), wtref::kStride * sizeof(float)) != 0)
    return false;
  for (int n = 1; n <= wtref::kBlocks; ++n)
    if (std::memcmp(store.Block(n), ref.blocks[n - 1].data(),
                    wtref::kBlockFloats * sizeof(float)) != 0)
      return false;
  return true;
}

std::unique_ptr<WaveTableStore> ZeroStore() {
  auto store = std::make_unique<WaveTableStore>();
  std::memset(store.get(), 0, sizeof(WaveTableStore));
  return store;
}

void Report(benchmark::State &state) {
  state.counters["bytes_written"] = kBytesWritten;
  state.counters["store_bytes"] = double(sizeof(WaveTableStore));
  state.SetBytesProcessed(int64_t(state.iterations() * kBytesWritten));
}

// The build into a store whose pages are already mapped.
void BM_BuildStore(benchmark::State &state) {
  auto store = ZeroStore();
  float amps[wavetable::kMaxHarmonics];
  for (auto _ : state) {
    wavetable::BuildStore(*store, amps);
    benchmark::ClobberMemory();
  }
  if (!MatchesReference(*store))
    state.SkipWithError("store differs from the reference build");
  Report(state);
}
BENCHMARK(BM_BuildStore)->Unit(benchmark::kMicrosecond);

#if defined(__linux__)
// Fresh pages straight from the system, never touched before the build.
struct FreshStore {
  WaveTableStore *store = static_cast<WaveTableStore *>(mmap(
      nullptr, sizeof(WaveTableStore), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ~FreshStore() { munmap(store, sizeof(WaveTableStore)); }
};

// Times `fill` on a store of fresh pages, mapped and unmapped outside the timing.
template <class Fill> void TimeOnFreshPages(benchmark::State &state, Fill fill) {
  for (auto _ : state) {
    state.PauseTiming();
    auto fresh = std::make_unique<FreshStore>();
    if (fresh->store == MAP_FAILED) {
      state.SkipWithError("no memory");
      return;
    }
    state.ResumeTiming();
    fill(*fresh->store);
    benchmark::ClobberMemory();
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
}

// The build as a process first runs it: every page of the store is touched
// for the first time during the build.
void BM_BuildStoreFreshPages(benchmark::State &state) {
  float amps[wavetable::kMaxHarmonics];
  TimeOnFreshPages(state, [&](WaveTableStore &store) { wavetable::BuildStore(store, amps); });
  Report(state);
}
BENCHMARK(BM_BuildStoreFreshPages)->Unit(benchmark::kMicrosecond);

// Only the first touch of as many fresh pages, for comparison: what the
// system charges for providing the memory, whatever is written into it.
void BM_TouchFreshPages(benchmark::State &state) {
  TimeOnFreshPages(state,
                   [](WaveTableStore &store) { std::memset(&store, 1, sizeof(WaveTableStore)); });
}
BENCHMARK(BM_TouchFreshPages)->Unit(benchmark::kMicrosecond);
#endif

// One waveform block alone (normalisation and 256 tables).
void BM_BuildOneBlock(benchmark::State &state) {
  auto store = ZeroStore();
  wavetable::BuildSineTable(store->Sine());
  const std::array<float, wtref::kTables> raw = wtref::RawAmplitudes(2);
  float amps[wavetable::kMaxHarmonics];
  for (auto _ : state) {
    std::memcpy(amps, raw.data(), sizeof amps);
    wavetable::BuildWaveBlock(amps, store->Sine(), store->Block(2));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BuildOneBlock)->Unit(benchmark::kMicrosecond);

// The plain one-point-at-a-time build, for comparison.
void BM_ReferenceBuild(benchmark::State &state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(wtref::Build());
}
BENCHMARK(BM_ReferenceBuild)->Unit(benchmark::kMicrosecond);

// The first open of a generator in a process, as the host sees it: each
// iteration loads a fresh copy of the plugin file, whose store is unbuilt.
intptr_t SE_CDECL OnePinHost(void *, int32_t opcode, int32_t, int32_t, void *, float) {
  return opcode == HRQ_PIN_COUNT ? 1 : 0;
}

void BM_FirstOpenOfThePlugin(benchmark::State &state) {
  namespace fs = std::filesystem;
  const fs::path original = setest::PluginPath("wavetable_generator");
  const fs::path copy = fs::temp_directory_path() /
                        ("wavetable_generator_bench_copy" + original.extension().string());
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
    std::string error;
    auto library = sehost::DynamicLibrary::Open(copy.string(), error);
    auto make = library ? reinterpret_cast<SEMakeModuleFn>(library->Symbol("makeModule")) : nullptr;
    auto *record = make ? static_cast<SEModuleRecord *>(make(0, MT_DSP, &OnePinHost, 0)) : nullptr;
    if (record == nullptr) {
      state.SkipWithError(("cannot load " + copy.string() + ": " + error).c_str());
      break;
    }
    state.ResumeTiming();
    record->dispatcher(record, DOP_OPEN, 0, 0, nullptr, 0.0f);
    state.PauseTiming();
    record->dispatcher(record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
    library.reset();
    state.ResumeTiming();
  }
  std::error_code ignored;
  fs::remove(copy, ignored);
}
BENCHMARK(BM_FirstOpenOfThePlugin)->Unit(benchmark::kMicrosecond)->Iterations(20);

} // namespace
