// Every plugin of the bundle under the hosts its Turtle description allows:
// the features and options it declares are exactly those it needs to load
// (checked both ways), any input may share its buffer with any output, and a
// malformed event in a MIDI sequence is never read past the sequence.
#include "lv2_rig.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using lv2test::World;

constexpr double kRate = 48000.0;

LV2_URID MapUri(LV2_URID_Map_Handle, const char *uri) {
  static std::map<std::string, LV2_URID> ids;
  return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}
LV2_URID Urid(const char *uri) { return MapUri(nullptr, uri); }

std::vector<const LilvPlugin *> AllPlugins() {
  std::vector<const LilvPlugin *> out;
  const LilvPlugins *plugins = lilv_world_get_all_plugins(World());
  LILV_FOREACH(plugins, i, plugins) { out.push_back(lilv_plugins_get(plugins, i)); }
  return out;
}

std::string Uri(const LilvPlugin *p) { return lilv_node_as_uri(lilv_plugin_get_uri(p)); }

bool PortIs(const LilvPlugin *p, uint32_t index, const char *cls) {
  LilvNode *node = lilv_new_uri(World(), cls);
  const bool is = lilv_port_is_a(p, lilv_plugin_get_port_by_index(p, index), node);
  lilv_node_free(node);
  return is;
}

bool HasAtomPort(const LilvPlugin *p) {
  for (uint32_t i = 0; i < lilv_plugin_get_num_ports(p); ++i)
    if (PortIs(p, i, LV2_ATOM__AtomPort))
      return true;
  return false;
}

// What a host passes: a URID map or not, options with these entries or none.
struct Features {
  bool map = true;
  std::optional<std::vector<LV2_Options_Option>> options;

  LilvInstance *Instantiate(const LilvPlugin *p) {
    if (options)
      options->push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    LV2_URID_Map urid_map{nullptr, &MapUri};
    const LV2_Feature map_feature{LV2_URID__map, &urid_map};
    const LV2_Feature options_feature{LV2_OPTIONS__options, options ? options->data() : nullptr};
    std::vector<const LV2_Feature *> list;
    if (map)
      list.push_back(&map_feature);
    if (options)
      list.push_back(&options_feature);
    list.push_back(nullptr);
    return lilv_plugin_instantiate(p, kRate, list.data());
  }
};

LV2_Options_Option IntOption(const char *key, const int32_t *value) {
  return {LV2_OPTIONS_INSTANCE, 0, Urid(key), sizeof(int32_t), Urid(LV2_ATOM__Int), value};
}

bool Loads(const LilvPlugin *p, Features f) {
  LilvInstance *instance = f.Instantiate(p);
  if (instance != nullptr)
    lilv_instance_free(instance);
  return instance != nullptr;
}

TEST(Lv2HostContract, DeclaredFeaturesAndOptionsAreExactlyWhatLoadingNeeds) {
  const std::vector<const LilvPlugin *> plugins = AllPlugins();
  ASSERT_GE(plugins.size(), 3u) << "bundle not found";
  LilvNode *map_uri = lilv_new_uri(World(), LV2_URID__map);
  LilvNode *required_option = lilv_new_uri(World(), LV2_OPTIONS__requiredOption);
  static const int32_t kZero = 0, kBlock = 256;
  for (const LilvPlugin *p : plugins) {
    SCOPED_TRACE(Uri(p));
    // Declared: urid:map required exactly by plugins with an event input, no
    // option required by any.
    LilvNodes *required = lilv_plugin_get_required_features(p);
    const bool map_required = lilv_nodes_contains(required, map_uri);
    EXPECT_EQ(lilv_nodes_size(required), map_required ? 1u : 0u);
    lilv_nodes_free(required);
    EXPECT_EQ(map_required, HasAtomPort(p));
    LilvNodes *options = lilv_plugin_get_value(p, required_option);
    EXPECT_EQ(lilv_nodes_size(options), 0u);
    lilv_nodes_free(options);

    // Done: the required features alone load it; without one it refuses.
    EXPECT_TRUE(Loads(p, {map_required, std::nullopt}));
    EXPECT_EQ(Loads(p, {false, std::nullopt}), !map_required);
    // Options that say nothing usable about the block length change nothing.
    EXPECT_TRUE(Loads(p, {true, std::vector<LV2_Options_Option>{}}));
    EXPECT_TRUE(Loads(p, {true, std::vector{IntOption(LV2_BUF_SIZE__minBlockLength, &kBlock)}}));
    EXPECT_TRUE(Loads(p, {true, std::vector{IntOption(LV2_BUF_SIZE__maxBlockLength, &kZero)}}));
    EXPECT_EQ(Loads(p, {false, std::vector{IntOption(LV2_BUF_SIZE__maxBlockLength, &kBlock)}}),
              !map_required);
    EXPECT_TRUE(Loads(p, {true, std::vector{IntOption(LV2_BUF_SIZE__maxBlockLength, &kBlock)}}));
  }
  lilv_node_free(map_uri);
  lilv_node_free(required_option);
}

// Options without a maximum block length: runs of any length still come out
// as with the promise (they are split inside).
TEST(Lv2HostContract, OptionsWithoutMaxBlockLengthPlayAsWithIt) {
  const std::vector<lv2test::MidiAt> notes = {{10, {0x90, 60, 100}}, {9000, {0x80, 60, 0}}};
  lv2test::Lv2Rig promised("urn:ladder-osc-modules:oscillator", kRate, 256);
  lv2test::Lv2Rig unpromised("urn:ladder-osc-modules:oscillator", kRate, std::nullopt);
  ASSERT_NE(promised.Instance(), nullptr);
  ASSERT_NE(unpromised.Instance(), nullptr);
  EXPECT_EQ(unpromised.Render(12000, {4096, 100}, notes), promised.Render(12000, {256}, notes));
}

// One instance with every port on a buffer of the test's: audio and CV inputs
// play signals, MIDI plays a few notes, controls stay at their defaults.
class Aliased {
public:
  static constexpr uint32_t kBlock = 512;

  explicit Aliased(const LilvPlugin *p) : m_plugin(p) {
    LV2_URID_Map map{nullptr, &MapUri};
    const LV2_Feature map_feature{LV2_URID__map, &map};
    const LV2_Feature *features[] = {&map_feature, nullptr};
    m_instance = lilv_plugin_instantiate(p, kRate, features);
    const uint32_t n = lilv_plugin_get_num_ports(p);
    m_controls.resize(n);
    lilv_plugin_get_port_ranges_float(p, nullptr, nullptr, m_controls.data());
    m_sequence.assign(1024, 0);
    for (uint32_t i = 0; i < n; ++i) {
      const bool input = PortIs(p, i, LV2_CORE__InputPort);
      if (PortIs(p, i, LV2_CORE__AudioPort) || PortIs(p, i, LV2_CORE__CVPort))
        (input ? m_inputs : m_outputs).push_back(i);
      else if (PortIs(p, i, LV2_ATOM__AtomPort))
        lilv_instance_connect_port(m_instance, i, m_sequence.data());
      else
        lilv_instance_connect_port(m_instance, i, &m_controls[i]);
    }
    m_buffers.assign(m_inputs.size() + m_outputs.size(), std::vector<float>(kBlock));
    lilv_instance_activate(m_instance);
  }
  ~Aliased() {
    lilv_instance_deactivate(m_instance);
    lilv_instance_free(m_instance);
  }
  size_t Inputs() const { return m_inputs.size(); }
  size_t Outputs() const { return m_outputs.size(); }

  // Renders with input `shared[o]` (or none: -1) on output o's buffer;
  // answers every output, one after the other.
  std::vector<float> Render(const std::vector<int> &shared) {
    std::vector<float> out;
    int64_t at = 0;
    for (uint32_t run : {300u, 512u, 7u, 1u, 200u, 480u}) {
      std::vector<float *> in(m_inputs.size()), o(m_outputs.size());
      for (size_t k = 0; k < m_inputs.size(); ++k)
        in[k] = m_buffers[k].data();
      for (size_t k = 0; k < m_outputs.size(); ++k)
        o[k] = shared[k] >= 0 ? in[static_cast<size_t>(shared[k])]
                              : m_buffers[m_inputs.size() + k].data();
      for (size_t k = 0; k < m_inputs.size(); ++k) {
        for (uint32_t j = 0; j < run; ++j) // a slow ramp per input, in volts on CV ports
          in[k][j] = static_cast<float>(
              0.4 * std::sin(0.01 * static_cast<double>(at + j) * static_cast<double>(k + 1)));
        lilv_instance_connect_port(m_instance, m_inputs[k], in[k]);
      }
      for (size_t k = 0; k < m_outputs.size(); ++k)
        lilv_instance_connect_port(m_instance, m_outputs[k], o[k]);
      WriteNotes(at, run);
      lilv_instance_run(m_instance, run);
      for (size_t k = 0; k < m_outputs.size(); ++k)
        out.insert(out.end(), o[k], o[k] + run);
      at += run;
    }
    return out;
  }

private:
  // A note on at frame 5 and a bend later, for plugins that listen.
  void WriteNotes(int64_t at, uint32_t run) {
    auto *seq = reinterpret_cast<LV2_Atom_Sequence *>(m_sequence.data());
    seq->atom = {sizeof(LV2_Atom_Sequence_Body), Urid(LV2_ATOM__Sequence)};
    seq->body = {0, 0};
    const struct {
      int64_t frame;
      uint8_t bytes[3];
    } notes[] = {{5, {0x90, 57, 100}}, {700, {0xE0, 0, 0x50}}, {1100, {0x80, 57, 0}}};
    for (const auto &n : notes) {
      if (n.frame < at || n.frame >= at + run)
        continue;
      struct {
        LV2_Atom_Event event;
        uint8_t data[8];
      } e{};
      e.event.time.frames = n.frame - at;
      e.event.body = {3, Urid(LV2_MIDI__MidiEvent)};
      std::memcpy(e.data, n.bytes, 3);
      lv2_atom_sequence_append_event(seq, 1024 * 8 - sizeof(LV2_Atom), &e.event);
    }
  }

  const LilvPlugin *m_plugin;
  LilvInstance *m_instance = nullptr;
  std::vector<float> m_controls;
  std::vector<uint64_t> m_sequence;
  std::vector<uint32_t> m_inputs, m_outputs;
  std::vector<std::vector<float>> m_buffers;
};

// Every way of giving outputs the buffers of inputs (each input at most once).
void Pairings(size_t inputs, size_t outputs, std::vector<int> &now,
              std::vector<std::vector<int>> &all) {
  if (now.size() == outputs) {
    all.push_back(now);
    return;
  }
  for (int in = -1; in < static_cast<int>(inputs); ++in) {
    bool taken = false;
    for (int used : now)
      taken = taken || (in >= 0 && used == in);
    if (taken)
      continue;
    now.push_back(in);
    Pairings(inputs, outputs, now, all);
    now.pop_back();
  }
}

TEST(Lv2HostContract, AnyInputMayShareItsBufferWithAnyOutput) {
  for (const LilvPlugin *p : AllPlugins()) {
    SCOPED_TRACE(Uri(p));
    Aliased plain(p);
    const std::vector<float> reference = plain.Render(std::vector<int>(plain.Outputs(), -1));
    std::vector<std::vector<int>> pairings;
    std::vector<int> now;
    Pairings(plain.Inputs(), plain.Outputs(), now, pairings);
    for (const std::vector<int> &shared : pairings) {
      std::string text;
      for (int s : shared)
        text += std::to_string(s) + " ";
      SCOPED_TRACE("inputs on the outputs' buffers: " + text);
      Aliased aliased(p);
      EXPECT_EQ(aliased.Render(shared), reference);
    }
  }
}

// A sequence placed so that its last byte is the last one before a page that
// cannot be read: a read past the sequence ends the test program.
class GuardedSequence {
public:
  GuardedSequence() {
    m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void *p = mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    m_base = static_cast<uint8_t *>(p);
    mprotect(m_base + m_page, m_page, PROT_NONE);
  }
  ~GuardedSequence() { munmap(m_base, 2 * m_page); }

  // The sequence of `events` (the bytes after its body header).
  const void *Place(const std::vector<uint8_t> &events, LV2_URID sequence_type) {
    const size_t total = sizeof(LV2_Atom_Sequence) + events.size();
    uint8_t *at = m_base + m_page - total;
    LV2_Atom_Sequence seq{};
    seq.atom = {static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body) + events.size()),
                sequence_type};
    std::memcpy(at, &seq, sizeof seq);
    std::memcpy(at + sizeof seq, events.data(), events.size());
    return at;
  }

private:
  size_t m_page = 0;
  uint8_t *m_base = nullptr;
};

std::vector<uint8_t> Event(int64_t frame, uint32_t claimed_size, LV2_URID type,
                           std::vector<uint8_t> data) {
  LV2_Atom_Event e{};
  e.time.frames = frame;
  e.body = {claimed_size, type};
  std::vector<uint8_t> out((sizeof e + data.size() + 7) / 8 * 8);
  std::memcpy(out.data(), &e, sizeof e);
  std::memcpy(out.data() + sizeof e, data.data(), data.size());
  return out;
}

TEST(Lv2HostContract, MalformedEventsAreNeverReadPastTheSequence) {
  for (const LilvPlugin *p : AllPlugins()) {
    if (!HasAtomPort(p))
      continue;
    SCOPED_TRACE(Uri(p));
    for (int c = 0; c < 4; ++c) {
      SCOPED_TRACE(c);
      lv2test::Lv2Rig rig(Uri(p), kRate, 4096);
      ASSERT_NE(rig.Instance(), nullptr);
      const LV2_URID midi = rig.Map(LV2_MIDI__MidiEvent);
      const std::vector<uint8_t> note = Event(0, 3, midi, {0x90, 69, 100});
      const std::vector<uint8_t> lying = Event(3, 1u << 20, midi, {0x90, 60, 100}); // 1 MiB
      std::vector<uint8_t> events;
      switch (c) {
      case 0: events = lying; break;
      case 1: events = Event(3, 0xFFFFFFF8u, midi, {0x90, 60, 100}); break;
      case 2: events.assign(note.begin(), note.begin() + 12); break; // a header cut short
      default:                                                       // a good note, then the liar
        events = note;
        events.insert(events.end(), lying.begin(), lying.end());
      }
      GuardedSequence guarded;
      rig.ConnectMidi(guarded.Place(events, rig.Map(LV2_ATOM__Sequence)));
      const std::vector<float> out = rig.Render(64, {64});
      for (float x : out)
        ASSERT_TRUE(std::isfinite(x));
      if (c == 3) { // the good note before the liar plays
        EXPECT_NE(out[40], 0.0f);
      }
    }
  }
}

// Whatever the settings and the input, no output passes the ceiling every
// plugin of the bundle states (4, +12 dBFS) or is not a number. The filter's
// Digital rows at the top of Resonance sing on their own far above it.
TEST(Lv2HostContract, OutputsStayBelowTheCeilingAndFinite) {
  constexpr float kCeiling = 4.0f;
  std::vector<float> square(24000), wild(4000);
  for (size_t k = 0; k < square.size(); ++k)
    square[k] = (k / 120) % 2 ? 1.0f : -1.0f;
  const float inf = std::numeric_limits<float>::infinity();
  for (size_t k = 0; k < wild.size(); ++k)
    wild[k] = k % 3 == 0 ? std::nanf("") : k % 3 == 1 ? inf : -1e30f;
  auto peak = [inf](const std::vector<float> &v) {
    float p = 0.0f;
    for (float x : v)
      p = std::isfinite(x) ? std::max(p, std::fabs(x)) : inf;
    return p;
  };
  for (const char *uri :
       {"urn:ladder-osc-modules:filter", "urn:ladder-osc-modules:filter-stereo"}) {
    SCOPED_TRACE(uri);
    lv2test::Lv2Rig rig(uri, kRate, 4096);
    ASSERT_NE(rig.Instance(), nullptr);
    rig.SetControl("emulate", 1); // Digital
    rig.SetControl("resonance", 10.0f);
    rig.SetControl("zing", 15.0f);
    rig.SetControl("filter_tap", 2);
    rig.SetControl("q_tap", 5);
    rig.SetControl("cutoff", 3000.0f);
    rig.SetInput(0, square);
    const float loud = peak(rig.Render(24000, {4096}));
    EXPECT_LE(loud, kCeiling);
    EXPECT_GT(loud, 3.0f); // limited, not silenced
    rig.SetInput(0, wild);
    rig.SetControl("type", 1); // the input reaches the output directly
    EXPECT_LE(peak(rig.Render(4000, {512})), kCeiling);
  }
  lv2test::Lv2Rig osc("urn:ladder-osc-modules:oscillator", kRate, 4096);
  ASSERT_NE(osc.Instance(), nullptr);
  osc.SetControl("waveform", 20);
  osc.SetControl("limit_system", 0);
  osc.SetCv("pitch_cv", 10.0f);
  EXPECT_LE(peak(osc.Render(12000, {4096}, {{0, {0x90, 127, 100}}})), kCeiling);
  // The synth with every control at an extreme, a full chord.
  for (float extreme : {1e30f, -1e30f}) {
    lv2test::Lv2Rig synth("urn:ladder-osc-modules:synth", kRate, 4096);
    ASSERT_NE(synth.Instance(), nullptr);
    for (const auto &[symbol, index] : synth.Controls())
      synth.SetControl(symbol, extreme);
    std::vector<lv2test::MidiAt> chord;
    for (uint8_t k = 0; k < 32; ++k)
      chord.push_back({0, {0x90, static_cast<uint8_t>(30 + 2 * k), 127}});
    for (const std::vector<float> &out : synth.RenderAll(24000, {4096}, chord))
      EXPECT_LE(peak(out), kCeiling) << extreme;
  }
}

} // namespace
