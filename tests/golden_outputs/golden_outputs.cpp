// Golden outputs: one 64-bit hash per scenario, compared with golden.txt.
//   golden_outputs FILE                      compare; exit 1 on any difference
//   SE_GOLDEN_RECORD=1 golden_outputs        print the lines to record
#include "generator_directory.h"
#include "host.h"
#include "ladder_filter/pins.h"
#include "plugin_path.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int32_t kBlock = 128;
constexpr int kLength = 3000; // not a whole number of blocks

using Samples = std::vector<float>;
std::map<std::string, uint64_t> results;

void Record(const std::string &name, const float *data, size_t count) {
  uint64_t h = 0xcbf29ce484222325ull; // FNV-1a over the bytes
  const auto *bytes = reinterpret_cast<const unsigned char *>(data);
  for (size_t i = 0; i < count * sizeof(float); ++i)
    h = (h ^ bytes[i]) * 0x100000001b3ull;
  results[name] = h;
}

// Uniform in [-amp, amp) from a 32-bit LCG, exact float arithmetic.
Samples Noise(uint32_t seed, float amp) {
  Samples out(kLength);
  for (float &y : out) {
    seed = seed * 1664525u + 1013904223u;
    y = static_cast<float>(static_cast<int32_t>(seed) >> 8) * (amp / 8388608.0f);
  }
  return out;
}

Samples Sweep(float from, float to) {
  Samples out(kLength);
  for (int i = 0; i < kLength; ++i)
    out[i] = from + (to - from) * (static_cast<float>(i) / kLength);
  return out;
}

struct Input {
  const char *name;
  Samples signal, pitch, resonance;
};

// The filter inputs: ordinary, tiny, huge, and pitch beyond both clamps.
std::vector<Input> FilterInputs() {
  return {{"noise", Noise(1, 0.5f), Sweep(0.0f, 1.0f), Sweep(0.2f, 1.0f)},
          {"tiny", Noise(2, 1e-9f), Sweep(0.3f, 0.8f), Sweep(1.0f, 0.5f)},
          {"huge", Noise(3, 1e5f), Noise(4, 2.0f), Noise(5, 3.0f)}};
}

void FilterScenarios() {
  const auto inputs = FilterInputs();
  for (int furry = 0; furry < 2; ++furry)
    for (int routine = 0; routine < 38; ++routine)
      for (const Input &in : inputs) {
        sehost::Host host(kRate, kBlock);
        const int id = host.Add(host.Load(setest::PluginPath("ladder_filter")));
        host.Feed(id, ladder::kSignalPin, std::make_unique<sehost::ArraySource>(in.signal));
        host.Feed(id, ladder::kPitchPin, std::make_unique<sehost::ArraySource>(in.pitch));
        host.Feed(id, ladder::kResonancePin, std::make_unique<sehost::ArraySource>(in.resonance));
        host.SetValue(id, "(Zing)", 1.2);
        host.SetValue(id, "Type", routine % 3 == 0 ? 1 : 0);
        host.SetValue(id, "Filter Tap", routine / 8);
        host.SetValue(id, "Q Tap", (routine % 8) / 2);
        host.SetValue(id, "Emulate", routine % 2);
        host.SetValue(id, "(Version)", furry);
        host.Open();
        const Samples out = host.Render(id, "Output", kLength);
        Record("filter." + std::to_string(furry) + '.' + std::to_string(routine) + '.' + in.name,
               out.data(), out.size());
      }
}

void StoreScenario() {
  sehost::Host host(kRate, kBlock);
  const float *const *directory = setest::OpenGeneratorDirectory(host);
  Record("store.sine", directory[0], setest::kTableStride);
  for (int n = 1; n <= 10; ++n)
    Record("store.block" + std::to_string(n), directory[n], setest::kBlockFloats);
}

// Per-sample pitch ("PitchMod Accuracy" high) in the three pitch modes.
void OscillatorScenarios() {
  const std::vector<std::pair<const char *, Samples>> pitches = {{"sweep", Sweep(-0.5f, 1.2f)},
                                                                 {"noise", Noise(6, 0.6f)},
                                                                 {"tiny", Noise(7, 1e-30f)},
                                                                 {"huge", Noise(8, 3e4f)},
                                                                 {"beyond", Sweep(-40.0f, 40.0f)}};
  for (int waveform : {0, 1, 6, 11, 15, 20})
    for (int mode = 0; mode < 3; ++mode)
      for (int streamedWidth = 0; streamedWidth < 2; ++streamedWidth)
        for (const auto &[name, pitch] : pitches) {
          sehost::Host host(kRate, kBlock);
          const int gen = host.Add(host.Load(setest::PluginPath("wavetable_generator")));
          const int osc = host.Add(host.Load(setest::PluginPath("audio_oscillator")));
          host.Connect(gen, "QX_Osc_Link", osc, "QX_Osc_Link");
          host.SetValue(osc, "Active", 1);
          host.SetValue(osc, "Waveform", waveform);
          host.SetValue(osc, "PitchMod Accuracy", 1);
          host.SetValue(osc, "Pitch Mode", mode);
          host.Feed(osc, host.PinIndex(osc, "Pitch"), std::make_unique<sehost::ArraySource>(pitch));
          if (streamedWidth != 0)
            host.Feed(osc, host.PinIndex(osc, "Phase/Pulse Width"),
                      std::make_unique<sehost::ArraySource>(Noise(9, 0.4f)));
          else
            host.SetValue(osc, "Phase/Pulse Width", 0.3);
          host.Open();
          const Samples out = host.Render(osc, "Wave.Out", kLength);
          Record("osc.w" + std::to_string(waveform) + ".m" + std::to_string(mode) +
                     (streamedWidth != 0 ? ".pm." : ".") + name,
                 out.data(), out.size());
        }
}

} // namespace

int main(int argc, char **argv) {
  const bool record = std::getenv("SE_GOLDEN_RECORD") != nullptr;
  if (!record && argc != 2) {
    std::fprintf(stderr, "usage: golden_outputs FILE  (or SE_GOLDEN_RECORD=1 golden_outputs)\n");
    return 2;
  }
  try {
    sehost::Host keep; // keeps the libraries, and so the table store, loaded
    for (const char *name : {"ladder_filter", "audio_oscillator", "wavetable_generator"})
      keep.Load(setest::PluginPath(name));
    FilterScenarios();
    StoreScenario();
    OscillatorScenarios();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "golden_outputs: %s\n", e.what());
    return 1;
  }
  if (record) {
    for (const auto &[name, hash] : results)
      std::printf("%016llx %s\n", static_cast<unsigned long long>(hash), name.c_str());
    return 0;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "golden_outputs: cannot read %s\n", argv[1]);
    return 1;
  }
  std::map<std::string, uint64_t> expected;
  std::string name;
  for (unsigned long long hash; in >> std::hex >> hash >> name;)
    expected[name] = hash;
  int differ = 0;
  for (const auto &[key, hash] : results)
    if (expected.count(key) == 0 || expected[key] != hash) {
      std::printf("differs: %s\n", key.c_str());
      ++differ;
    }
  if (expected.size() != results.size()) {
    std::printf("%zu golden lines for %zu scenarios\n", expected.size(), results.size());
    ++differ;
  }
  std::printf("%zu scenarios, %d differ\n", results.size(), differ);
  return differ == 0 ? 0 : 1;
}
