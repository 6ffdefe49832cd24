// Every patch in examples/ renders through the se-host program, and its file
// holds what the patch is about: the channels it lists, finite samples, sound
// in every channel, the fundamental where the patch has a steady one, and (on
// 64-bit Linux, where they were recorded) the very samples recorded before.
#include "plugin_path.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

namespace setest {
namespace {

struct Expect {
  int channels;
  // Per channel: the fundamental in Hz around `at` seconds, 0 for none.
  std::vector<double> fundamental;
  double at = 1.0;
  // FNV-1a of the bytes of the render's float samples, interleaved, as
  // recorded before the host core moved onto the module runner.
  uint64_t hash = 0;
};

const std::map<std::string, Expect> kExpected = {
    {"demo", {2, {55.0, 110.0}, 0.5, 0x5c64d39d8968be77ull}},
    {"filter_sweep", {1, {55.0}, 2.0, 0xc66d0e400859e56dull}},
    {"filter_taps", {5, {110.0, 110.0, 110.0, 110.0, 110.0}, 1.0, 0x4dd3e0e81c853436ull}},
    {"x_output", {2, {110.0, 110.0}, 0.5, 0x680671085006d702ull}},
    {"pwm", {1, {110.0}, 1.0, 0xa24f34b13c2e241cull}},
    {"hard_sync", {1, {110.0}, 1.5, 0xdbbe0e7625d5b189ull}},
    {"harmonic_limit", {2, {0.0, 0.0}, 1.0, 0x20257a2d85af9238ull}},
    {"noise_hp_sweep", {1, {0.0}, 1.0, 0x6ff9f2f07455ffa4ull}},
    {"drum_filter", {1, {0.0}, 1.0, 0x666a43342cadff98ull}},
};

// Compared only where the hashes were recorded (64-bit Linux).
[[maybe_unused]] uint64_t SampleHash(const std::vector<float> &samples) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (float v : samples) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i, bits >>= 8) {
      h ^= bits & 0xffu;
      h *= 0x100000001b3ull;
    }
  }
  return h;
}

// The fundamental of a stretch by autocorrelation: the shortest lag whose
// normalised correlation comes within 10% of the best one (so a multiple of
// the period is not taken for it), refined to its local peak.
double Fundamental(const std::vector<float> &x, size_t start, double rate) {
  const size_t n = 8192;
  const size_t min_lag = static_cast<size_t>(rate / 2000.0),
               max_lag = static_cast<size_t>(rate / 30.0);
  std::vector<double> r(max_lag + 1, 0.0);
  double best = 0.0;
  for (size_t lag = min_lag; lag <= max_lag; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = start; i < start + n; ++i) {
      xy += x[i] * x[i + lag];
      xx += x[i] * x[i];
      yy += x[i + lag] * x[i + lag];
    }
    r[lag] = xy / std::sqrt(xx * yy + 1e-30);
    best = std::max(best, r[lag]);
  }
  for (size_t lag = min_lag; lag <= max_lag; ++lag) {
    if (r[lag] < 0.9 * best)
      continue;
    while (lag < max_lag && r[lag + 1] > r[lag])
      ++lag;
    return rate / static_cast<double>(lag);
  }
  return 0.0;
}

TEST(Examples, EveryPatchRendersWhatItShows) {
  TempDir dir;
  int checked = 0;
  for (const auto &entry : std::filesystem::directory_iterator(SE_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json")
      continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    const auto it = kExpected.find(name);
    ASSERT_NE(it, kExpected.end()) << "no expectations for examples/" << name << ".json";
    const Expect &e = it->second;
    const std::string out = dir / (name + ".wav");
    const ToolResult r = RunTool(
        {"--plugin-dir", PluginDir(), "render", entry.path().string(), "-o", out, "-f", "float"},
        dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const Sound s = ReadSound(out);
    ASSERT_EQ(s.channels, e.channels);
    ASSERT_GE(s.Frames(), static_cast<size_t>(s.rate));
#if defined(__linux__) && defined(__x86_64__)
    EXPECT_EQ(SampleHash(s.samples), e.hash)
        << std::hex << "0x" << SampleHash(s.samples) << ": the render's samples changed";
#endif
    for (int c = 0; c < s.channels; ++c) {
      SCOPED_TRACE("channel " + std::to_string(c + 1));
      const std::vector<float> x = s.Channel(c);
      double sum = 0.0;
      bool finite = true;
      for (float v : x) {
        finite = finite && std::isfinite(v);
        sum += static_cast<double>(v) * v;
      }
      EXPECT_TRUE(finite);
      const double rms = std::sqrt(sum / static_cast<double>(x.size()));
      EXPECT_GT(rms, 0.01) << "silent"; // above -40 dB of full scale
      EXPECT_LT(rms, 2.0) << "runaway";
      if (e.fundamental[c] > 0.0) {
        const double f = Fundamental(x, static_cast<size_t>(e.at * s.rate), s.rate);
        EXPECT_NEAR(f, e.fundamental[c], 0.02 * e.fundamental[c]);
      }
    }
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

// The patches the module manuals draw their pictures from render, and every
// channel sounds.
TEST(Examples, TheManualPatchesRender) {
  TempDir dir;
  int rendered = 0;
  for (const auto &entry : std::filesystem::directory_iterator(std::string(SE_EXAMPLES_DIR) +
                                                               "/../docs/modules/patches")) {
    SCOPED_TRACE(entry.path().filename().string());
    const ToolResult r = RunTool({"--plugin-dir", PluginDir(), "render", entry.path().string(),
                                  "-o", dir / "m.wav", "-f", "float"},
                                 dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const Sound s = ReadSound(dir / "m.wav");
    for (int c = 0; c < s.channels; ++c) {
      double sum = 0.0;
      for (float v : s.Channel(c))
        sum += static_cast<double>(v) * v;
      EXPECT_GT(sum / static_cast<double>(s.Frames()), 1e-4) << "channel " << c + 1;
    }
    ++rendered;
  }
  EXPECT_GE(rendered, 7);
}

TEST(Examples, ThePatchInTheReadmeRenders) {
  TempDir dir;
  const std::string readme = ReadText(std::string(SE_EXAMPLES_DIR) + "/../README.md");
  const auto start = readme.find("```json\n");
  ASSERT_NE(start, std::string::npos);
  const auto end = readme.find("```", start + 8);
  dir.Write("readme.json", readme.substr(start + 8, end - start - 8));
  const ToolResult r = RunTool(
      {"--plugin-dir", PluginDir(), "render", dir / "readme.json", "-o", dir / "readme.wav"},
      dir.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadSound(dir / "readme.wav").channels, 2);
}

// `describe` of the real modules: the file name for patches, every choice with
// its value, ranges and pitches in words, and a line on what each choice pin does.
TEST(Examples, DescribeSaysWhatEveryPinMeans) {
  TempDir dir;
  const ToolResult r = RunTool(
      {"--plugin-dir", PluginDir(), "describe", "ladder_filter", "audio_oscillator"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char *want : {
           "Plugin:  ladder_filter  (in a patch: \"plugin\": \"ladder_filter\")",
           "\"Pitch\"  default 5 V = 440 Hz (A4)",
           "unit: 1 V/octave, 0 V = 13.75 Hz, 5 V = 440 Hz (A4)",
           "range: 5 to 15 V",
           "range: 0 to 10 V",
           "range: 100 to 22050 Hz",
           "\"Type\"  default 0 (LP)",
           "NOT a high-pass but a high-cut shelf",
           "Pulse:Cluster2=20, Noise=255",
           "choices: 1=0, 2=1, ... 256=255",
       })
    EXPECT_NE(r.out.find(want), std::string::npos) << want << "\n" << r.out;
  // Every choice pin: its list, then at least one line of what it does.
  std::istringstream lines(r.out);
  std::string line;
  int choice_pins = 0;
  while (std::getline(lines, line)) {
    if (line.find("  in  choice  ") == std::string::npos)
      continue;
    ++choice_pins;
    std::string list, what;
    std::getline(lines, list);
    while (std::getline(lines, what) && what.rfind("               ", 0) == 0) {
    }
    EXPECT_EQ(list.rfind("      choices: ", 0), 0u) << line;
    EXPECT_EQ(what.rfind("      ", 0), 0u) << line;
    EXPECT_GT(what.size(), 12u) << line;
  }
  EXPECT_EQ(choice_pins, 6 + 9);
}

// Notes and frequencies reach the oscillator as the pitch they name, in its
// 1 V/octave mode and in its 1 V = 1 Hz mode alike.
TEST(Examples, PitchesGivenAsNotesSoundAtTheirFrequency) {
  TempDir dir;
  dir.Write("notes.json", R"({"duration": 1.0, "modules": [
      {"id": "gen", "plugin": "wavetable_generator"},
      {"id": "a", "plugin": "audio_oscillator", "pins": {"Pitch": "C4", "Active": "ON"}},
      {"id": "b", "plugin": "audio_oscillator", "pins": {"Pitch Mode": "Hz", "Active": "ON"}}],
    "connections": [{"from": "gen.QX_Osc_Link", "to": "a.QX_Osc_Link"},
                    {"from": "gen.QX_Osc_Link", "to": "b.QX_Osc_Link"}],
    "sources": [{"to": "b.Pitch", "type": "ramp", "points": [[0, "A3"], [1, "220Hz"]]}],
    "outputs": ["a.Wave.Out", "b.Wave.Out"]})");
  const ToolResult r = RunTool(
      {"--plugin-dir", PluginDir(), "render", dir / "notes.json", "-o", dir / "n.wav"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  const Sound s = ReadSound(dir / "n.wav");
  EXPECT_NEAR(Fundamental(s.Channel(0), 4410, s.rate), 261.63, 2.0);
  EXPECT_NEAR(Fundamental(s.Channel(1), 4410, s.rate), 220.0, 2.0);
}

// The measured response of the ladder's low-pass taps: two stages fall by
// 12 dB and four by 24 dB per octave well above the cutoff (440 Hz at 5 V),
// and the pass band sits within a few dB of unity without resonance.
TEST(Examples, FilterResponseShowsTheSlopeOfEachTap) {
  TempDir dir;
  const ToolResult r = RunTool({"--plugin-dir", PluginDir(), "plot", "--response", "ladder_filter",
                                "--set", "Pitch=5", "--set", "Resonance=0", "--compare",
                                "Filter Tap=2,4", "--data", dir / "r.csv", "-o", dir / "r.png"},
                               dir.Path());
  ASSERT_TRUE(r.status == 0 || OnlyGnuplotMissing(r)) << r.err;
  std::istringstream csv(ReadText(dir / "r.csv"));
  std::string line;
  std::getline(csv, line);
  std::map<int, std::pair<double, double>> at; // whole Hz → (2 stages, 4 stages)
  while (std::getline(csv, line)) {
    double hz = 0, two = 0, four = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &hz, &two, &four), 3);
    for (int f : {50, 1760, 3520})
      if (std::abs(hz - f) < 44100.0 / 16384 / 2)
        at[f] = {two, four};
  }
  ASSERT_EQ(at.size(), 3u);
  EXPECT_NEAR(at[1760].first - at[3520].first, 12.0, 2.0);
  EXPECT_NEAR(at[1760].second - at[3520].second, 24.0, 3.0);
  EXPECT_NEAR(at[50].first, 0.0, 3.0);
  EXPECT_NEAR(at[50].second, 0.0, 3.0);
}

} // namespace
} // namespace setest

namespace setest {
namespace {

// `process` without a patch: the ladder filter, one per channel. The left
// channel of a stereo file comes out exactly as the same signal alone in a
// mono file (no state shared with the right one), and the silent right one
// stays silent; the default tail follows the file.
TEST(Examples, ProcessRunsEachChannelThroughItsOwnFilter) {
  TempDir dir;
  const int rate = 44100;
  const size_t frames = 4410;
  std::vector<float> mono, stereo;
  for (size_t i = 0; i < frames; ++i) {
    const float saw = static_cast<float>((i % 200) / 100.0 - 1.0) * 0.5f;
    mono.push_back(saw);
    stereo.insert(stereo.end(), {saw, 0.0f});
  }
  ASSERT_TRUE(WriteSound(dir / "mono.wav", rate, 1, mono));
  ASSERT_TRUE(WriteSound(dir / "stereo.flac", rate, 2, stereo, SF_FORMAT_FLAC | SF_FORMAT_PCM_24));
  for (const char *in : {"mono.wav", "stereo.flac"}) {
    const ToolResult r =
        RunTool({"--plugin-dir", PluginDir(), "process", dir / in, "-o",
                 dir / (in + std::string(".wav")), "-f", "float", "--set", "Resonance=8", "--set",
                 "Filter Tap=4", "--set", "filter.Pitch=C3"},
                dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
  }
  const Sound one = ReadSound(dir / "mono.wav.wav"), two = ReadSound(dir / "stereo.flac.wav");
  ASSERT_EQ(one.channels, 1);
  ASSERT_EQ(two.channels, 2);
  EXPECT_EQ(one.rate, rate);
  ASSERT_EQ(one.Frames(), frames + 2 * rate);
  ASSERT_EQ(two.Frames(), one.Frames());
  double energy = 0.0, difference = 0.0, right = 0.0;
  for (size_t i = 0; i < one.Frames(); ++i) {
    energy += one.At(i, 0) * one.At(i, 0);
    difference = std::max(difference, std::abs(static_cast<double>(two.At(i, 0) - one.At(i, 0))));
    right = std::max(right, std::abs(static_cast<double>(two.At(i, 1))));
  }
  EXPECT_GT(energy, 1.0);
  EXPECT_LT(difference, 1e-4); // the 24-bit FLAC input's rounding, filtered
  EXPECT_LT(right, 1e-3);
}

} // namespace
} // namespace setest
