// Fixed scenarios run through the three plugin libraries and our host: every
// filter combination, the whole table store, and the oscillator's read paths.
// One line per scenario: a 64-bit FNV-1a hash of the bytes of its output, and
// its name. Every build (64-bit, 32-bit and Windows) must print the same lines.
//
//   fixed_scenarios                  print the lines
//   fixed_scenarios --check FILE     compare with FILE; one line per difference, exit 1 on any
//   fixed_scenarios --raw DIR        print, and write each output as raw floats to DIR/<name>.f32
//   fixed_scenarios --static ...     the same, with the modules compiled into this program
//                                    (se_static_modules) instead of the plugin files
//
// The inputs come from integer arithmetic and plain float operations only, so
// they are the same bits everywhere; so must be what the libraries make of them.
#include "generator_directory.h"
#include "host.h"
#include "module_table.h"
#include "plugin_path.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int32_t kBlock = 256;
constexpr int kLength = 2048;

// --static: every host of a scenario runs the compiled-in modules.
bool g_static = false;

// The host of one scenario.
struct ScenarioHost : sehost::Host {
  ScenarioHost() : sehost::Host(kRate, kBlock) {
    if (g_static)
      UseModules(se_runtime::StaticModules());
  }
};

uint64_t Fnv1a(const float *data, size_t count) {
  uint64_t h = 0xcbf29ce484222325ull;
  const auto *bytes = reinterpret_cast<const unsigned char *>(data);
  for (size_t i = 0; i < count * sizeof(float); ++i)
    h = (h ^ bytes[i]) * 0x100000001b3ull;
  return h;
}

// White noise in [-amp, amp): xorshift32, its top 24 bits scaled exactly.
std::vector<float> Noise(uint32_t seed, float amp) {
  std::vector<float> out(kLength);
  uint32_t x = seed;
  for (float &y : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    y = static_cast<float>(static_cast<int32_t>(x) >> 8) * (amp / 8388608.0f);
  }
  return out;
}

// A straight line from `from` to `to` over the scenario.
std::vector<float> Sweep(float from, float to) {
  std::vector<float> out(kLength);
  for (int i = 0; i < kLength; ++i)
    out[i] = from + (to - from) * (static_cast<float>(i) / kLength);
  return out;
}

// A triangle of `period` samples between lo and hi.
std::vector<float> Triangle(int period, float lo, float hi) {
  std::vector<float> out(kLength);
  for (int i = 0; i < kLength; ++i) {
    const int k = i % period, half = period / 2;
    const float t = static_cast<float>(k < half ? k : period - k) / static_cast<float>(half);
    out[i] = lo + (hi - lo) * t;
  }
  return out;
}

// A square of `period` samples: +0.5 for the first half, -0.5 for the rest.
std::vector<float> Square(int period) {
  std::vector<float> out(kLength);
  for (int i = 0; i < kLength; ++i)
    out[i] = i % period < period / 2 ? 0.5f : -0.5f;
  return out;
}

void Feed(sehost::Host &host, int id, const std::string &pin, std::vector<float> samples) {
  host.Feed(id, host.PinIndex(id, pin), std::make_unique<sehost::ArraySource>(std::move(samples)));
}

// A scenario's name from its parts.
template <class... Parts> std::string Name(const Parts &...parts) {
  std::ostringstream name;
  (name << ... << parts);
  return name.str();
}

struct Output {
  std::string name;
  std::vector<float> samples;
};

// ---- Filter: every combination, Clear and Furry, LP and HP ----

void FilterScenarios(std::vector<Output> &out) {
  const char *taps[] = {"2", "3", "4", "5", "x"};
  const char *emulations[] = {"analog", "digital"};
  const char *versions[] = {"clear", "furry"};
  const char *types[] = {"lp", "hp"};
  uint32_t seed = 1;
  for (int version = 0; version < 2; ++version)
    for (int type = 0; type < 2; ++type)
      for (int tap = 0; tap < 5; ++tap)
        for (int q = 0; q < 4; ++q)
          for (int emulate = 0; emulate < 2; ++emulate) {
            ScenarioHost host;
            const int id = host.Add(host.Load(setest::PluginPath("ladder_filter")));
            Feed(host, id, "Signal", Noise(seed++, 0.5f));
            Feed(host, id, "Pitch", Sweep(0.1f, 1.1f)); // both clamps and every octave between
            host.SetValue(id, "Resonance", 0.7);
            host.SetValue(id, "Type", type);
            host.SetValue(id, "Filter Tap", tap);
            host.SetValue(id, "Q Tap", q);
            host.SetValue(id, "Emulate", emulate);
            host.SetValue(id, "(Version)", version);
            host.Open();
            out.push_back({Name("filter.", versions[version], '.', types[type], ".tap", taps[tap],
                                ".q", q + 2, '.', emulations[emulate]),
                           host.Render(id, "Output", kLength)});
          }
}

// ---- Generator: the sine table and the ten waveform blocks ----

void StoreScenarios(std::vector<Output> &out) {
  using setest::kBlockFloats, setest::kTableStride;
  ScenarioHost host;
  const float *const *directory = setest::OpenGeneratorDirectory(host);
  out.push_back({"store.sine", {directory[0], directory[0] + kTableStride}});
  for (int n = 1; n <= 10; ++n)
    out.push_back({Name("store.block", n), {directory[n], directory[n] + kBlockFloats}});
}

// ---- Oscillator: fixed-point and floating reads, pitch modes, sync, limits ----

struct OscSetup {
  std::string name;
  int waveform = 1;
  int accuracy = 0;  // PitchMod Accuracy: 0 block-rate pitch, 1 per-sample pitch
  int pitchMode = 0; // Oct, Khz, Hz
  std::vector<float> pitch = Sweep(0.2f, 0.9f);
  std::vector<float> width; // streamed when set, else the constant below
  float widthConst = 0.1f;
  std::vector<float> sync;
  int syncAccuracy = 1;
  int limitSystem = 0; // OFF, A, B
};

std::vector<float> RunOscillator(const OscSetup &s) {
  ScenarioHost host;
  const int gen = host.Add(host.Load(setest::PluginPath("wavetable_generator")));
  const int osc = host.Add(host.Load(setest::PluginPath("audio_oscillator")));
  host.Connect(gen, "QX_Osc_Link", osc, "QX_Osc_Link");
  host.SetValue(osc, "Active", 1);
  host.SetValue(osc, "Waveform", s.waveform);
  host.SetValue(osc, "PitchMod Accuracy", s.accuracy);
  host.SetValue(osc, "Pitch Mode", s.pitchMode);
  host.SetValue(osc, "Sync Accuracy", s.syncAccuracy);
  host.SetValue(osc, "Limit Freq System", s.limitSystem);
  if (s.pitch.size() == 1)
    host.SetValue(osc, "Pitch", s.pitch[0]);
  else
    Feed(host, osc, "Pitch", s.pitch);
  if (s.width.empty())
    host.SetValue(osc, "Phase/Pulse Width", s.widthConst);
  else
    Feed(host, osc, "Phase/Pulse Width", s.width);
  if (!s.sync.empty())
    Feed(host, osc, "Sync", s.sync);
  if (s.limitSystem != 0) {
    host.SetValue(osc, "Freq Limit (Hz)", 500.0); // 5 kHz
    Feed(host, osc, "Pitch Ref (System B)", Sweep(0.9f, 0.3f));
  }
  host.Open();
  return host.Render(osc, "Wave.Out", kLength);
}

std::vector<OscSetup> OscillatorSetups() {
  std::vector<OscSetup> setups;
  const char *rates[] = {"block", "sample"};
  // Every waveform, plain and pulse, on both read paths.
  for (int w = 0; w <= 20; ++w)
    for (int a = 0; a < 2; ++a) {
      OscSetup s;
      s.name = Name("osc.wave", w, '.', rates[a]);
      s.waveform = w;
      s.accuracy = a;
      setups.push_back(s);
    }
  OscSetup noise;
  noise.name = "osc.noise";
  noise.waveform = 255;
  noise.width = Triangle(300, -0.3f, 0.45f);
  setups.push_back(noise);
  for (int a = 0; a < 2; ++a) {
    // Streamed width: the floating-point reads, plain and pulse.
    for (int w : {1, 11}) {
      OscSetup s;
      s.name = Name("osc.wave", w, ".width.", rates[a]);
      s.waveform = w;
      s.accuracy = a;
      s.width = Triangle(300, -0.3f, 0.45f);
      setups.push_back(s);
    }
    // Linear pitch modes.
    OscSetup khz;
    khz.name = Name("osc.khz.", rates[a]);
    khz.accuracy = a;
    khz.pitchMode = 1;
    khz.pitch = Sweep(0.005f, 0.5f);
    setups.push_back(khz);
    OscSetup hz = khz;
    hz.name = Name("osc.hz.", rates[a]);
    hz.pitchMode = 2;
    hz.pitch = Sweep(1.0f, 400.0f);
    setups.push_back(hz);
    // Sync at both accuracies, with Oct and linear pitch.
    for (int w : {1, 15})
      for (int sa = 0; sa < 2; ++sa)
        for (int mode = 0; mode < (sa == 0 ? 1 : 2); ++mode) {
          OscSetup s;
          s.name = Name("osc.wave", w, ".sync", sa == 0 ? "low" : "high",
                        mode == 0 ? ".oct." : ".khz.", rates[a]);
          s.waveform = w;
          s.accuracy = a;
          s.syncAccuracy = sa;
          s.pitchMode = mode;
          if (mode == 1)
            s.pitch = Sweep(0.05f, 0.3f);
          s.sync = Square(331);
          setups.push_back(s);
        }
    // The harmonic count from the frequency limit, systems A and B.
    for (int system = 1; system <= 2; ++system) {
      OscSetup s;
      s.name = Name("osc.limit", system == 1 ? "a." : "b.", rates[a]);
      s.accuracy = a;
      s.limitSystem = system;
      setups.push_back(s);
    }
  }
  // A pitch that does not stream: the step is set once, at the pin change.
  for (int w : {0, 1, 15}) {
    OscSetup s;
    s.name = Name("osc.wave", w, ".static");
    s.waveform = w;
    s.pitch = {0.57f};
    setups.push_back(s);
  }
  return setups;
}

void OscillatorScenarios(std::vector<Output> &out) {
  for (const OscSetup &s : OscillatorSetups())
    out.push_back({s.name, RunOscillator(s)});
}

std::string Line(const Output &o) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(Fnv1a(o.samples.data(), o.samples.size())));
  return std::string(hash) + ' ' + o.name;
}

// Compares the lines with FILE ("<hash> <name>" lines); answers the number of differences.
int Check(const std::vector<Output> &outputs, const std::string &file) {
  std::ifstream in(file);
  if (!in) {
    std::fprintf(stderr, "fixed_scenarios: cannot read %s\n", file.c_str());
    return 1;
  }
  std::map<std::string, std::string> expected;
  for (std::string line; std::getline(in, line);)
    if (const auto space = line.find(' '); space != std::string::npos)
      expected[line.substr(space + 1)] = line;
  int differences = 0;
  for (const Output &o : outputs) {
    const std::string line = Line(o);
    const auto it = expected.find(o.name);
    if (it == expected.end() || it->second != line) {
      std::printf("differs: %s (expected %s)\n", line.c_str(),
                  it == expected.end() ? "no line" : it->second.c_str());
      ++differences;
    }
    if (it != expected.end())
      expected.erase(it);
  }
  for (const auto &[name, line] : expected) {
    std::printf("missing: %s\n", line.c_str());
    ++differences;
  }
  std::printf("%zu scenarios, %d differ from %s\n", outputs.size(), differences, file.c_str());
  return differences;
}

} // namespace

int main(int argc, char **argv) {
  g_static = argc > 1 && std::string(argv[1]) == "--static";
  if (g_static) {
    --argc;
    ++argv;
  }
  const std::string option = argc == 3 ? argv[1] : "";
  if (argc != 1 && option != "--check" && option != "--raw") {
    std::fprintf(stderr, "usage: fixed_scenarios [--static] [--check FILE | --raw DIR]\n");
    return 2;
  }
  std::vector<Output> outputs;
  try {
    // Each scenario has a host of its own; this one keeps the libraries
    // loaded in between, so that the table store is built once.
    ScenarioHost keep;
    for (const char *name : {"ladder_filter", "audio_oscillator", "wavetable_generator"})
      keep.Load(setest::PluginPath(name));
    FilterScenarios(outputs);
    StoreScenarios(outputs);
    OscillatorScenarios(outputs);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "fixed_scenarios: %s\n", e.what());
    return 1;
  }
  if (option == "--check")
    return Check(outputs, argv[2]) == 0 ? 0 : 1;
  for (const Output &o : outputs) {
    std::printf("%s\n", Line(o).c_str());
    if (option == "--raw") {
      std::ofstream raw(std::string(argv[2]) + '/' + o.name + ".f32", std::ios::binary);
      raw.write(reinterpret_cast<const char *>(o.samples.data()),
                static_cast<std::streamsize>(o.samples.size() * sizeof(float)));
      if (!raw) {
        std::fprintf(stderr, "fixed_scenarios: cannot write into %s\n", argv[2]);
        return 1;
      }
    }
  }
  return 0;
}
