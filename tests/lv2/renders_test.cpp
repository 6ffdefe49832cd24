// Renders of the bundle's plugins through the tests' liblilv host, hashed and
// compared with hashes recorded from an earlier build: a change of the
// wrappers' code (how controls, CV, MIDI and run lengths reach the modules)
// must not move a single output bit. Every scenario stays within the ranges
// the plugins declare (modulation inputs: sidechain audio, 1.0 = 10 V). After an intended change of
// the output, print the new hashes with SE_PRINT_RENDER_HASHES=1 and copy them here.
#include "lv2_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace lv2test;

constexpr const char kOscillator[] = "urn:ladder-osc-modules:oscillator";
constexpr const char kFilter[] = "urn:ladder-osc-modules:filter";
constexpr const char kFilterStereo[] = "urn:ladder-osc-modules:filter-stereo";

uint64_t Fnv1a(const std::vector<std::vector<float>> &channels) {
  uint64_t h = 1469598103934665603ull;
  for (const std::vector<float> &c : channels) {
    for (float x : c) {
      uint32_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      for (int b = 0; b < 4; ++b) {
        h ^= (bits >> (8 * b)) & 0xFFu;
        h *= 1099511628211ull;
      }
    }
  }
  return h;
}

std::vector<uint8_t> On(int note, int velocity = 100) {
  return {0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)};
}
std::vector<uint8_t> Off(int note) { return {0x80, static_cast<uint8_t>(note), 0}; }
std::vector<uint8_t> Bend(int value) { // 0 to 16383, 8192 centred
  return {0xE0, static_cast<uint8_t>(value & 0x7F), static_cast<uint8_t>(value >> 7)};
}

// A melody with legato, a bend, a repeated note and all-notes-off.
std::vector<MidiAt> Melody(int64_t base = 0) {
  return {{base + 5, On(57)},        {base + 1200, Off(57)},        {base + 1500, On(64)},
          {base + 2100, On(67)},     {base + 2600, Off(64)},        {base + 3100, Bend(12000)},
          {base + 3900, Bend(2000)}, {base + 4400, Off(67)},        {base + 4401, On(45)},
          {base + 6000, On(45)},     {base + 6100, {0xB0, 123, 0}}, {base + 7000, On(96)},
          {base + 7900, Off(96)}};
}

std::vector<float> Ramp(size_t n, float from, float to) {
  std::vector<float> v(n);
  for (size_t k = 0; k < n; ++k)
    v[k] = from + (to - from) * static_cast<float>(k) / static_cast<float>(n);
  return v;
}

std::vector<float> Saw(size_t n, double hz, double rate, float level) {
  std::vector<float> v(n);
  double ph = 0.0;
  for (float &y : v) {
    y = static_cast<float>(level * (2.0 * ph - 1.0));
    ph += hz / rate;
    ph -= std::floor(ph);
  }
  return v;
}

struct Scenario {
  const char *name;
  const char *uri;
  double rate;
  int32_t maxBlock;
  std::function<std::vector<std::vector<float>>(Lv2Rig &)> play;
  uint64_t expected;
};

// Renders in pieces whose outputs are joined channel by channel.
struct Joined {
  std::vector<std::vector<float>> channels;
  void Add(const std::vector<std::vector<float>> &part) {
    channels.resize(part.size());
    for (size_t c = 0; c < part.size(); ++c)
      channels[c].insert(channels[c].end(), part[c].begin(), part[c].end());
  }
};

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> s;
  auto osc = [&](const char *name, std::function<void(Lv2Rig &)> set, std::vector<int32_t> runs,
                 uint64_t expected, double rate = 48000.0, int32_t max_block = 4096) {
    s.push_back({name, kOscillator, rate, max_block,
                 [set, runs](Lv2Rig &rig) {
                   set(rig);
                   return rig.RenderAll(8400, runs, Melody());
                 },
                 expected});
  };
  osc(
      "osc.defaults", [](Lv2Rig &) {}, {4096}, 0x891511813ccc3a35ull);
  osc(
      "osc.square.odd_runs", [](Lv2Rig &r) { r.SetControl("waveform", 4); }, {1, 7, 333, 64},
      0x6452cedae317a434ull);
  osc(
      "osc.saw.no_ramp",
      [](Lv2Rig &r) {
        r.SetControl("waveform", 1);
        r.SetControl("ramp", 0);
      },
      {128}, 0xf302761924274762ull);
  osc(
      "osc.pulse.width",
      [](Lv2Rig &r) {
        r.SetControl("waveform", 22);
        r.SetControl("pulse_width", 2.0f);
      },
      {100, 37}, 0xc2897bcab17ffadfull);
  osc(
      "osc.noise",
      [](Lv2Rig &r) {
        r.SetControl("waveform", 255);
        r.SetControl("pulse_width", 7.0f);
      },
      {256}, 0x73c944c9e11c9048ull);
  osc(
      "osc.pitch_khz", [](Lv2Rig &r) { r.SetControl("pitch_mode", 1); }, {64},
      0x49f0f2ca2b6d6363ull);
  osc(
      "osc.pitch_hz.low_accuracy",
      [](Lv2Rig &r) {
        r.SetControl("pitch_mode", 2);
        r.SetControl("pitch_accuracy", 0);
      },
      {64, 9}, 0x2e39a4d7c1aeb653ull);
  osc(
      "osc.harmonics.limit_b",
      [](Lv2Rig &r) {
        r.SetControl("waveform", 3);
        r.SetControl("harmonics", 13); // item 12
        r.SetControl("limit_system", 2);
        r.SetControl("freq_limit", 3000.0f);
      },
      {512}, 0x94368e7f32faae9dull);
  osc(
      "osc.limit_off",
      [](Lv2Rig &r) {
        r.SetControl("waveform", 5);
        r.SetControl("limit_system", 0);
      },
      {512}, 0xac439754c11566aaull);
  osc(
      "osc.hold", [](Lv2Rig &r) { r.SetControl("hold", 1); }, {300}, 0x9e76063c2a9a4360ull);
  osc(
      "osc.always_active", [](Lv2Rig &r) { r.SetControl("active", 1); }, {256, 3},
      0x620e1fdafc6e7935ull);
  osc(
      "osc.cv_static", [](Lv2Rig &r) { r.SetCv("pitch_cv", 0.075f); }, {256},
      0xae485ea351d0b19cull);
  osc(
      "osc.cv_moving", [](Lv2Rig &r) { r.SetCvSignal("pitch_cv", Ramp(5000, -0.1f, 0.2f)); },
      {256, 1000}, 0xea5efd319ce17d6bull);
  osc(
      "osc.cv_moving.low_accuracy",
      [](Lv2Rig &r) {
        r.SetControl("pitch_accuracy", 0);
        r.SetCvSignal("pitch_cv", Ramp(6000, 0.3f, -0.2f));
      },
      {500}, 0x5b84732327a3c47dull);
  osc(
      "osc.cv_moving.khz",
      [](Lv2Rig &r) {
        r.SetControl("pitch_mode", 1);
        r.SetCvSignal("pitch_cv", Ramp(6000, 0.0f, 0.05f));
      },
      {500}, 0xcf76a02f7008d518ull);
  osc(
      "osc.split_runs", [](Lv2Rig &) {}, {1000, 333}, 0x891511813ccc3a35ull, 48000.0, 256);
  osc(
      "osc.rate_44k1", [](Lv2Rig &) {}, {512}, 0x00f667c80387d39aull, 44100.0);
  osc(
      "osc.rate_96k", [](Lv2Rig &r) { r.SetControl("waveform", 7); }, {512}, 0xdedbda767aa9c583ull,
      96000.0);
  // Controls changed between runs, while notes play.
  s.push_back({"osc.control_changes", kOscillator, 48000.0, 4096,
               [](Lv2Rig &r) {
                 Joined j;
                 const std::vector<MidiAt> melody = Melody();
                 j.Add(r.RenderAll(1000, {64}, melody));
                 r.SetControl("waveform", 2);
                 r.SetControl("pulse_width", 8.0f);
                 std::vector<MidiAt> rest;
                 for (const MidiAt &e : melody)
                   if (e.frame >= 1000)
                     rest.push_back({e.frame - 1000, e.bytes});
                 j.Add(r.RenderAll(2000, {64}, rest));
                 r.SetControl("harmonics", 31); // item 30
                 r.SetControl("ramp", 0);
                 r.SetControl("pitch_mode", 2);
                 for (MidiAt &e : rest)
                   e.frame -= 2000;
                 j.Add(r.RenderAll(5400, {64}, rest));
                 return j.channels;
               },
               0x3f6cffec88421708ull});

  // A modulation input that holds still, moves, and holds still again.
  auto switching = [] {
    std::vector<float> v(3000, 0.05f);
    const std::vector<float> ramp = Ramp(2000, 0.05f, -0.12f);
    v.insert(v.end(), ramp.begin(), ramp.end());
    v.insert(v.end(), 1500, -0.12f);
    return v;
  };
  osc(
      "osc.cv_switching", [&](Lv2Rig &r) { r.SetCvSignal("pitch_cv", switching()); }, {512, 700},
      0x9e9642b2faa3b1aaull);
  // A note during the fade of the one before, and events on the frames where
  // the plugin's own blocks meet.
  s.push_back({"osc.fade_and_block_edges", kOscillator, 48000.0, 256,
               [](Lv2Rig &r) {
                 return r.RenderAll(4000, {1000, 100, 37},
                                    {{10, On(60)},
                                     {1000, Off(60)},
                                     {1050, On(62)},
                                     {1280, Bend(9000)},
                                     {1280, Off(62)},
                                     {1536, On(50)},
                                     {1536, On(52)},
                                     {2048, Off(52)},
                                     {2049, Off(50)}});
               },
               0xa4c55e8068fcd66cull});
  // Hold and Always Active switched while notes come and go.
  s.push_back({"osc.switches", kOscillator, 44100.0, 4096,
               [](Lv2Rig &r) {
                 Joined j;
                 j.Add(r.RenderAll(1500, {300}, {{100, On(70)}, {800, Off(70)}}));
                 r.SetControl("hold", 1);
                 j.Add(r.RenderAll(1500, {300}, {{100, On(72)}, {800, Off(72)}}));
                 r.SetControl("active", 1);
                 r.SetControl("hold", 0);
                 j.Add(r.RenderAll(1500, {300}, {{400, On(40)}}));
                 r.SetControl("active", 0);
                 j.Add(r.RenderAll(1500, {300}, {{10, Off(40)}}));
                 return j.channels;
               },
               0xb0fc56d929cb9745ull});

  auto filter = [&](const char *name, const char *uri, std::function<void(Lv2Rig &)> set,
                    std::vector<int32_t> runs, uint64_t expected) {
    s.push_back({name, uri, 44100.0, 4096,
                 [set, uri, runs](Lv2Rig &rig) {
                   rig.SetInput(0, Saw(9000, 110.0, 44100.0, 0.5f));
                   if (std::strcmp(uri, kFilterStereo) == 0)
                     rig.SetInput(1, Saw(9000, 165.0, 44100.0, 0.3f));
                   set(rig);
                   return rig.RenderAll(9000, runs);
                 },
                 expected});
  };
  filter(
      "filter.defaults", kFilter, [](Lv2Rig &) {}, {4096}, 0xa7820f659e8f47d9ull);
  filter(
      "filter.resonant.odd_runs", kFilter,
      [](Lv2Rig &r) {
        r.SetControl("resonance", 9.0f);
        r.SetControl("cutoff", 1500.0f);
      },
      {1, 7, 333}, 0x9f9f69836f55dc2aull);
  filter(
      "filter.choices", kFilter,
      [](Lv2Rig &r) {
        r.SetControl("filter_tap", 6); // X: the module's item 4
        r.SetControl("q_tap", 5);      // item 3
        r.SetControl("emulate", 1);
        r.SetControl("version", 1);
        r.SetControl("type", 1);
        r.SetControl("bass_boost", 1);
      },
      {256}, 0x3cabc7a58b58d0e0ull);
  filter(
      "filter.cv", kFilter,
      [](Lv2Rig &r) {
        r.SetCvSignal("cutoff_cv", Ramp(9000, -0.2f, 0.3f));
        r.SetCvSignal("resonance_cv", Ramp(9000, 0.4f, -0.3f));
      },
      {256, 100}, 0x3a5e3d48271bac75ull);
  filter(
      "filter.cv_static", kFilter, [](Lv2Rig &r) { r.SetCv("cutoff_cv", 0.15f); }, {512},
      0x18fca4b371d6d343ull);
  filter(
      "filter.cv_switching", kFilter, [&](Lv2Rig &r) { r.SetCvSignal("cutoff_cv", switching()); },
      {512, 700}, 0x52a063faa778818full);
  s.push_back({"filter.controls_while_cv_moves", kFilterStereo, 44100.0, 1024,
               [](Lv2Rig &r) {
                 r.SetInput(0, Saw(9000, 110.0, 44100.0, 0.5f));
                 r.SetInput(1, Saw(9000, 97.0, 44100.0, 0.4f));
                 r.SetCvSignal("resonance_cv", Ramp(9000, 0.3f, -0.3f));
                 Joined j;
                 j.Add(r.RenderAll(3000, {512}));
                 r.SetControl("resonance", 8.0f);
                 r.SetControl("cutoff", 2000.0f);
                 j.Add(r.RenderAll(3000, {512}));
                 r.SetControl("filter_tap", 5); // the module's item 3
                 r.SetCv("resonance_cv", 0.1f);
                 j.Add(r.RenderAll(3000, {2000}));
                 return j.channels;
               },
               0x93857cdb7246b75cull});
  filter(
      "filter.stereo", kFilterStereo,
      [](Lv2Rig &r) {
        r.SetControl("resonance", 7.0f);
        r.SetCvSignal("cutoff_cv", Ramp(9000, 0.2f, -0.1f));
      },
      {64, 1000}, 0xc19ee41e3b20aaf1ull);
  return s;
}

TEST(Lv2Renders, EveryScenarioKeepsItsBits) {
  const bool print = std::getenv("SE_PRINT_RENDER_HASHES") != nullptr;
  for (const Scenario &sc : Scenarios()) {
    SCOPED_TRACE(sc.name);
    ASSERT_NE(FindPlugin(sc.uri), nullptr) << "bundle not found";
    Lv2Rig rig(sc.uri, sc.rate, sc.maxBlock);
    ASSERT_NE(rig.Instance(), nullptr);
    const uint64_t got = Fnv1a(sc.play(rig));
    if (print)
      std::printf("%-28s 0x%016llxull\n", sc.name, static_cast<unsigned long long>(got));
    else
      EXPECT_EQ(got, sc.expected) << std::hex << "0x" << got;
  }
}

} // namespace
