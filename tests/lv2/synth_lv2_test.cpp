// The synth plugin under the tests' lilv host: it plays the engine's samples
// bit for bit on the 32-frame grid, MIDI and time:Position alike; other run
// lengths sound the same; the factory presets are in the bundle and each of
// them plays the test chord.
#include "lv2_rig.h"
#include "synth/presets.h"
#include "synth_position_atom.h"
#include "synth_render.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/presets/presets.h>

#include <cmath>
#include <map>
#include <string>

namespace {

using namespace synthtest;

constexpr char kUri[] = "urn:ladder-osc-modules:synth";
constexpr double kRate = 48000.0;
constexpr int64_t kSecond = 48000;

// A phrase that touches every kind of event: notes, bend, wheel, pressure,
// pedal, and a transport that the LFO follows (synced to eighth notes), with
// a tempo change and a jump.
std::vector<Event> Phrase() {
  std::vector<Event> ev = Chord(100, kSecond / 2, 100);
  ev.push_back(PositionAt(0, 120.0f, 0.0));
  ev.push_back({777, {0xE0, 0x10, 0x50}});
  ev.push_back(Cc(2000, 1, 90));
  ev.push_back({3001, {0xD0, 64}});
  ev.push_back(Cc(5000, 64, 127));
  ev.push_back(PositionAt(20000, 96.0f, 2.5));
  ev.push_back(NoteOn(30000, 76, 127));
  ev.push_back(NoteOff(31000, 76));
  ev.push_back(PositionAt(40000, 140.0f, 33.0));
  ev.push_back(Cc(50000, 64, 0));
  return ev;
}

const std::map<std::string, float> kPatch = {
    {"lfo_sync", 7},   {"lfo_cutoff", 1.5f}, {"lfo_pitch", 20}, {"lfo_wheel", 0},
    {"osc_mix", 35},   {"osc2_wave", 15},    {"osc2_fine", 7},  {"osc2_sync", 1},
    {"resonance", 60}, {"noise", 5},         {"emulate", 0},    {"filter_tap", 4}};

Stereo Lv2Render(const std::vector<int32_t> &runs, const std::vector<Event> &events, int64_t frames,
                 const std::map<std::string, float> &patch = kPatch) {
  lv2test::Lv2Rig rig(kUri, kRate, 4096);
  EXPECT_NE(rig.Instance(), nullptr);
  if (rig.Instance() == nullptr)
    return {};
  for (const auto &[symbol, value] : patch)
    rig.SetControl(symbol, value);
  std::vector<std::vector<float>> out =
      rig.RenderAll(frames, runs, lv2test::SynthEvents(rig, events));
  return {out.at(0), out.at(1)};
}

TEST(SynthLv2, PlaysTheEngineBitForBitOnTheGrid) {
  synth::Engine engine;
  ASSERT_TRUE(engine.Activate(kRate));
  for (const auto &[symbol, value] : kPatch)
    engine.SetControl(static_cast<synth::Control>(synth::FindControl(symbol)), value);
  const Stereo reference = Render(engine, 2 * kSecond, Phrase());
  EXPECT_GT(Peak(reference.left), 0.1f);
  for (const std::vector<int32_t> &runs :
       std::vector<std::vector<int32_t>>{{256}, {32}, {96, 4096, 160}}) {
    const Stereo out = Lv2Render(runs, Phrase(), 2 * kSecond);
    EXPECT_EQ(out.left, reference.left) << runs.front();
    EXPECT_EQ(out.right, reference.right) << runs.front();
  }
}

TEST(SynthLv2, OtherRunLengthsSoundTheSame) {
  std::vector<Event> notes = Chord(100, kSecond / 2, 100);
  notes.push_back(PositionAt(0, 120.0f, 0.0));
  std::map<std::string, float> patch = kPatch;
  patch["noise"] = 0; // its slices would fall elsewhere
  const Stereo grid = Lv2Render({256}, notes, kSecond, patch);
  const Stereo odd = Lv2Render({100, 7, 333, 1}, notes, kSecond, patch);
  ASSERT_EQ(odd.left.size(), grid.left.size());
  double diff = 0.0;
  for (size_t i = 0; i < odd.left.size(); ++i) {
    ASSERT_TRUE(std::isfinite(odd.left[i]));
    diff += std::pow(odd.left[i] - grid.left[i], 2.0);
  }
  EXPECT_LT(Db(std::sqrt(diff / static_cast<double>(odd.left.size())) / Rms(grid.left)), -30.0);
}

// The presets as a host finds them in the bundle, each applied through lilv.
struct PresetValues {
  std::string label;
  std::map<std::string, float> values;
};

LV2_URID StateMap(LV2_URID_Map_Handle, const char *uri) {
  static std::map<std::string, LV2_URID> ids;
  return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}

std::vector<PresetValues> BundlePresets() {
  LilvWorld *world = lv2test::World();
  const LilvPlugin *plugin = lv2test::FindPlugin(kUri);
  std::vector<PresetValues> out;
  if (plugin == nullptr)
    return out;
  LV2_URID_Map map{nullptr, &StateMap};
  const LV2_URID float_type = StateMap(nullptr, LV2_ATOM__Float);
  LilvNode *preset_class = lilv_new_uri(world, LV2_PRESETS__Preset);
  LilvNode *label = lilv_new_uri(world, LILV_NS_RDFS "label");
  LilvNodes *presets = lilv_plugin_get_related(plugin, preset_class);
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode *preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(world, preset);
    PresetValues p;
    if (LilvNodes *labels = lilv_world_find_nodes(world, preset, label, nullptr)) {
      p.label = lilv_node_as_string(lilv_nodes_get_first(labels));
      lilv_nodes_free(labels);
    }
    LilvState *state = lilv_state_new_from_world(world, &map, preset);
    if (state == nullptr)
      continue;
    struct Sink {
      PresetValues *p;
      LV2_URID floatType;
    } sink{&p, float_type};
    lilv_state_emit_port_values(
        state,
        [](const char *symbol, void *data, const void *value, uint32_t size, uint32_t type) {
          auto *s = static_cast<Sink *>(data);
          if (type == s->floatType && size == sizeof(float))
            s->p->values[symbol] = *static_cast<const float *>(value);
        },
        &sink);
    lilv_state_free(state);
    out.push_back(p);
  }
  lilv_nodes_free(presets);
  lilv_node_free(label);
  lilv_node_free(preset_class);
  return out;
}

TEST(SynthLv2, EveryFactoryPresetIsInTheBundleAndPlaysTheTestChord) {
  const std::vector<PresetValues> presets = BundlePresets();
  EXPECT_GE(presets.size(), 24u);
  EXPECT_EQ(presets.size(), synth::FactoryPresets().size());
  for (const PresetValues &p : presets) {
    SCOPED_TRACE(p.label);
    EXPECT_EQ(p.values.size(), static_cast<size_t>(synth::kControlCount)); // every control
    lv2test::Lv2Rig rig(kUri, kRate, 4096);
    ASSERT_NE(rig.Instance(), nullptr);
    for (const auto &[symbol, value] : p.values)
      rig.SetControl(symbol, value);
    std::vector<lv2test::MidiAt> chord;
    for (const Event &e : Chord(0, kSecond))
      chord.push_back({e.frame, e.bytes});
    const std::vector<std::vector<float>> out = rig.RenderAll(2 * kSecond, {512}, chord);
    float peak = 0.0f;
    for (const std::vector<float> &channel : out)
      for (float v : channel) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, std::fabs(v));
      }
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(Rms(out.at(0), 0, kSecond), 0.01);
  }
}

} // namespace
