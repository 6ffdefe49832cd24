// Fixed scenarios of the synth engine, hashed: every build (64-bit, 32-bit,
// Windows, WebAssembly) must print the same lines. Notes, controllers and
// positions at fixed frames through the engine, over the oscillator's read
// paths, the ladder's families, sync, noise, the LFO's shapes and its tempo
// sync, the voice modes, stealing, a second sample rate and every factory
// preset. One line per scenario: a 64-bit FNV-1a hash of its output (left and
// right interleaved, as float bytes) and its name.
//
//   synth_scenarios                  print the lines
//   synth_scenarios --check FILE     compare with FILE; one line per difference, exit 1 on any
//
// After an intended change of the synth's output, record them again on the
// 64-bit Linux build:
//   build/tests/synth_scenarios/synth_scenarios > tests/synth_scenarios/expected_hashes.txt
#include "synth/engine.h"
#include "synth/presets.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Event {
  int64_t frame;
  std::vector<uint8_t> bytes; // a MIDI message; empty: a position
  synth::Position position{};
};

struct Scenario {
  std::string name;
  std::vector<std::pair<synth::Control, float>> controls;
  std::vector<Event> events;
  int64_t frames = 24000;
  double rate = 48000.0;
  const synth::Preset *preset = nullptr;
};

uint64_t Fnv1a(const std::vector<float> &samples) {
  uint64_t h = 0xcbf29ce484222325ull;
  const auto *bytes = reinterpret_cast<const unsigned char *>(samples.data());
  for (size_t i = 0; i < samples.size() * sizeof(float); ++i)
    h = (h ^ bytes[i]) * 0x100000001b3ull;
  return h;
}

Event Note(int64_t frame, int note, int velocity) {
  return {frame, {0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)}};
}
Event Off(int64_t frame, int note) { return {frame, {0x80, static_cast<uint8_t>(note), 0}}; }
Event Cc(int64_t frame, int cc, int value) {
  return {frame, {0xB0, static_cast<uint8_t>(cc), static_cast<uint8_t>(value)}};
}
Event Rolling(int64_t frame, float bpm, int64_t bar, float beat) {
  Event e{frame, {}};
  e.position.hasTempo = e.position.hasBar = e.position.hasBarBeat = e.position.hasSpeed = true;
  e.position.hasBeatsPerBar = true;
  e.position.beatsPerMinute = bpm;
  e.position.bar = bar;
  e.position.barBeat = beat;
  e.position.beatsPerBar = 4.0f;
  e.position.speed = 1.0f;
  return e;
}

// The test chord struck at frame 16, released at `release`.
std::vector<Event> Chord(int64_t release, int velocity = 127) {
  std::vector<Event> e;
  for (int n : {48, 52, 55, 59, 60, 64, 67, 71})
    e.push_back(Note(16, n, velocity));
  for (int n : {48, 52, 55, 59, 60, 64, 67, 71})
    e.push_back(Off(release, n));
  return e;
}

std::vector<float> Run(const Scenario &s) {
  synth::Engine engine;
  if (s.preset != nullptr) {
    float values[synth::kControlCount];
    synth::PresetControls(*s.preset, values);
    engine.SetControls(values);
  }
  for (const auto &[control, value] : s.controls)
    engine.SetControl(control, value);
  if (!engine.Activate(s.rate))
    return {};
  std::vector<float> left(static_cast<size_t>(s.frames)), right(left.size()), out;
  int64_t at = 0;
  size_t next = 0;
  while (at < s.frames) {
    for (; next < s.events.size() && s.events[next].frame <= at; ++next) {
      const Event &e = s.events[next];
      if (e.bytes.empty())
        engine.SetPosition(e.position);
      else
        engine.Midi(e.bytes.data(), static_cast<uint32_t>(e.bytes.size()));
    }
    int64_t until = s.frames;
    if (next < s.events.size())
      until = std::min(until, s.events[next].frame);
    // Runs of a host: at most 256 frames, on the grid.
    until = std::min(until, (at / 256 + 1) * 256);
    engine.Process(left.data() + at, right.data() + at, static_cast<int32_t>(until - at));
    at = until;
  }
  for (size_t i = 0; i < left.size(); ++i) {
    out.push_back(left[i]);
    out.push_back(right[i]);
  }
  return out;
}

std::vector<Scenario> Scenarios() {
  using namespace synth;
  std::vector<Scenario> s;
  s.push_back({"default.chord", {}, Chord(12000)});
  const std::pair<const char *, float> waves[] = {
      {"sine", 0},      {"saw", 1},        {"square", 5},          {"triangle", 6},
      {"cluster2", 10}, {"pulse_saw", 11}, {"pulse_triangle", 16}, {"noise", 255}};
  for (const auto &[name, wave] : waves)
    s.push_back({std::string("osc.") + name,
                 {{kOsc1Waveform, wave}, {kOsc1Width, 25}, {kLfoWidth, 20}, {kLfoWheel, 0}},
                 {Note(0, 45, 100), Note(3000, 69, 90), Off(15000, 45)}});
  s.push_back({"filter.tap2.analog.furry",
               {{kFilterTap, 2}, {kQTap, 2}, {kEmulate, 0}, {kVersion, 1}, {kResonance, 80}},
               Chord(12000)});
  s.push_back({"filter.x.q4.analog",
               {{kFilterTap, 6}, {kQTap, 4}, {kEmulate, 0}, {kResonance, 90}, {kZing, 13}},
               Chord(12000)});
  s.push_back({"filter.hp.tap3.boost_extra",
               {{kFilterType, 1}, {kFilterTap, 3}, {kQTap, 3}, {kBassBoost, 3}, {kCutoff, 300}},
               Chord(12000)});
  s.push_back({"filter.env.sweep",
               {{kFilterEnvAmount, -5},
                {kFilterAttack, 50},
                {kFilterDecay, 100},
                {kFilterSustain, 0},
                {kResonance, 95},
                {kKeyTrack, 100}},
               Chord(12000, 70)});
  s.push_back({"osc2.sync.mix.detune",
               {{kOsc2Sync, 1},
                {kOscMix, 60},
                {kOsc2Semitones, 7},
                {kOsc2Fine, -13},
                {kOsc2Waveform, 1},
                {kNoise, 8}},
               Chord(12000)});
  const char *shapes[] = {"sine", "triangle", "saw", "square", "hold"};
  for (int shape = 0; shape < 5; ++shape)
    s.push_back({std::string("lfo.") + shapes[shape],
                 {{kLfoShape, static_cast<float>(shape)},
                  {kLfoRate, 9},
                  {kLfoPitch, 40},
                  {kLfoCutoff, 1},
                  {kLfoWidth, 30},
                  {kOsc1Waveform, 15}},
                 {Note(0, 57, 100), Cc(1, 1, 100), Cc(9000, 1, 30), Off(20000, 57)}});
  s.push_back({"lfo.tempo",
               {{kLfoSync, 7}, {kLfoCutoff, 2}, {kLfoShape, 1}},
               {Rolling(0, 133.0f, 0, 0.0f), Note(10, 50, 120), Rolling(10000, 90.0f, 7, 2.5f),
                Off(20000, 50)}});
  s.push_back({"voices.legato_glide",
               {{kVoiceMode, 2}, {kGlide, 80}, {kAmpAttack, 30}},
               {Note(0, 40, 100), Note(5000, 52, 100), Off(9000, 52), Note(12000, 47, 60),
                Off(16000, 40), Off(16000, 47)}});
  s.push_back({"voices.steal_pedal_bend",
               {{kPolyphony, 2}, {kWidth, 100}},
               {Note(0, 60, 100),
                Note(100, 64, 100),
                Cc(200, 64, 127),
                Off(300, 60),
                Note(4000, 67, 100),
                Note(4001, 72, 110),
                Cc(9000, 64, 0),
                {10000, {0xE0, 0, 0x60}},
                {11000, {0xD0, 0x70}},
                Note(14000, 36, 127),
                Cc(18000, 120, 0)}});
  s.push_back({"rate.44100", {}, Chord(11025), 22050, 44100.0});
  for (const Preset &p : FactoryPresets()) {
    Scenario preset{std::string("preset.") + p.symbol, {}, Chord(9000), 14400};
    preset.preset = &p;
    s.push_back(preset);
  }
  return s;
}

std::string Line(const std::string &name, const std::vector<float> &samples) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(samples)));
  return std::string(hash) + ' ' + name;
}

} // namespace

int main(int argc, char **argv) {
  const std::string option = argc == 3 ? argv[1] : "";
  if (argc != 1 && option != "--check") {
    std::fprintf(stderr, "usage: synth_scenarios [--check FILE]\n");
    return 2;
  }
  std::vector<std::pair<std::string, std::string>> lines; // name, line
  for (const Scenario &s : Scenarios()) {
    const std::vector<float> out = Run(s);
    if (out.empty()) {
      std::fprintf(stderr, "synth_scenarios: %s: the engine did not start\n", s.name.c_str());
      return 1;
    }
    lines.emplace_back(s.name, Line(s.name, out));
  }
  if (option.empty()) {
    for (const auto &[name, line] : lines)
      std::printf("%s\n", line.c_str());
    return 0;
  }
  std::ifstream in(argv[2]);
  if (!in) {
    std::fprintf(stderr, "synth_scenarios: cannot read %s\n", argv[2]);
    return 1;
  }
  std::map<std::string, std::string> expected;
  for (std::string line; std::getline(in, line);)
    if (const auto space = line.find(' '); space != std::string::npos)
      expected[line.substr(space + 1)] = line;
  int differences = 0;
  for (const auto &[name, line] : lines) {
    const auto it = expected.find(name);
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
  return differences == 0 ? 0 : 1;
}
