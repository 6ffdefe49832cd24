#include "lv2_rig.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lv2test {

namespace {

struct Nodes {
  LilvNode *control, *audio, *cv, *atom, *input, *output, *sidechain;
};

const Nodes &PortClasses() {
  static const Nodes nodes{lilv_new_uri(World(), LV2_CORE__ControlPort),
                           lilv_new_uri(World(), LV2_CORE__AudioPort),
                           lilv_new_uri(World(), LV2_CORE__CVPort),
                           lilv_new_uri(World(), LV2_ATOM__AtomPort),
                           lilv_new_uri(World(), LV2_CORE__InputPort),
                           lilv_new_uri(World(), LV2_CORE__OutputPort),
                           lilv_new_uri(World(), LV2_CORE_PREFIX "isSideChain")};
  return nodes;
}

constexpr size_t kSequenceBytes = 64 * 1024;

} // namespace

LilvWorld *World() {
  static LilvWorld *world = [] {
    // The bundles on LV2_PATH when it is set, else only this build's bundle.
    LilvWorld *w = lilv_world_new();
    if (std::getenv("LV2_PATH") != nullptr) {
      lilv_world_load_all(w);
    } else {
      LilvNode *bundle = lilv_new_file_uri(w, nullptr, SE_LV2_BUNDLE_DIR "/");
      lilv_world_load_bundle(w, bundle);
      lilv_node_free(bundle);
    }
    return w;
  }();
  return world;
}

const LilvPlugin *FindPlugin(const std::string &uri) {
  LilvNode *node = lilv_new_uri(World(), uri.c_str());
  const LilvPlugin *plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(World()), node);
  lilv_node_free(node);
  return plugin;
}

LV2_URID Lv2Rig::MapEntry(LV2_URID_Map_Handle handle, const char *uri) {
  return static_cast<Lv2Rig *>(handle)->Map(uri);
}

uint32_t Lv2Rig::Map(const char *uri) {
  auto it = m_urids.find(uri);
  if (it != m_urids.end())
    return it->second;
  const auto id = static_cast<uint32_t>(m_urids.size() + 1);
  m_urids.emplace(uri, id);
  return id;
}

Lv2Rig::Lv2Rig(const std::string &uri, double rate, std::optional<int32_t> max_block) {
  m_plugin = FindPlugin(uri);
  if (m_plugin == nullptr)
    return;
  m_max_block = max_block.value_or(4096);
  m_map = {this, &Lv2Rig::MapEntry};
  static const int32_t kMinBlock = 1;
  const uint32_t int_type = Map(LV2_ATOM__Int);
  std::vector<LV2_Options_Option> options;
  if (max_block)
    options.push_back({LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                       int_type, &m_max_block});
  options.push_back({LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t),
                     int_type, &kMinBlock});
  options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
  const LV2_Feature map_feature{LV2_URID__map, &m_map};
  const LV2_Feature options_feature{LV2_OPTIONS__options, options.data()};
  const LV2_Feature bounded{LV2_BUF_SIZE__boundedBlockLength, nullptr};
  const LV2_Feature *features[] = {&map_feature, &options_feature, &bounded, nullptr};
  m_instance = lilv_plugin_instantiate(m_plugin, rate, features);
  if (m_instance == nullptr)
    return;

  const uint32_t ports = lilv_plugin_get_num_ports(m_plugin);
  std::vector<float> defaults(ports);
  lilv_plugin_get_port_ranges_float(m_plugin, nullptr, nullptr, defaults.data());
  m_controls.assign(ports, 0.0f);
  m_sequence.assign(kSequenceBytes / sizeof(uint64_t), 0);
  const Nodes &c = PortClasses();
  const auto block = static_cast<size_t>(m_max_block);
  for (uint32_t i = 0; i < ports; ++i) {
    const LilvPort *port = lilv_plugin_get_port_by_index(m_plugin, i);
    const bool input = lilv_port_is_a(m_plugin, port, c.input);
    if (lilv_port_is_a(m_plugin, port, c.control)) {
      m_controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
      if (input)
        m_control_index[lilv_node_as_string(lilv_port_get_symbol(m_plugin, port))] = i;
      lilv_instance_connect_port(m_instance, i, &m_controls[i]);
    } else if ((lilv_port_is_a(m_plugin, port, c.cv) ||
                lilv_port_has_property(m_plugin, port, c.sidechain)) &&
               input) { // modulation inputs: sidechain audio (or CV)
      Fed &fed = m_cv[i];
      fed.buffer.assign(block, 0.0f);
      fed.holdLast = true;
      m_control_index[lilv_node_as_string(lilv_port_get_symbol(m_plugin, port))] = i;
      lilv_instance_connect_port(m_instance, i, fed.buffer.data());
    } else if (lilv_port_is_a(m_plugin, port, c.audio)) {
      std::vector<float> &buffer =
          input ? m_audio_in.emplace_back().buffer : m_audio_out.emplace_back();
      buffer.assign(block, 0.0f);
      lilv_instance_connect_port(m_instance, i, buffer.data());
    } else if (lilv_port_is_a(m_plugin, port, c.atom) && input) {
      m_midi_index = i;
      lilv_instance_connect_port(m_instance, i, m_sequence.data());
    }
  }
  lilv_instance_activate(m_instance);
}

Lv2Rig::~Lv2Rig() {
  if (m_instance == nullptr)
    return;
  lilv_instance_deactivate(m_instance);
  lilv_instance_free(m_instance);
}

void Lv2Rig::SetControl(const std::string &symbol, float value) {
  m_controls.at(m_control_index.at(symbol)) = value;
}

void Lv2Rig::ConnectMidi(const void *sequence) {
  lilv_instance_connect_port(m_instance, m_midi_index, const_cast<void *>(sequence));
  m_own_sequence = false;
}

void Lv2Rig::SetCv(const std::string &symbol, float value) {
  Fed &fed = m_cv.at(m_control_index.at(symbol));
  fed.signal.clear();
  std::fill(fed.buffer.begin(), fed.buffer.end(), value);
}

void Lv2Rig::SetCvSignal(const std::string &symbol, std::vector<float> signal) {
  Fed &fed = m_cv.at(m_control_index.at(symbol));
  fed.signal = std::move(signal);
  fed.from = m_frame;
}

void Lv2Rig::SetInput(size_t input, std::vector<float> signal) {
  Fed &fed = m_audio_in.at(input);
  fed.signal = std::move(signal);
  fed.from = m_frame;
}

namespace {

// Copies the part of a fed signal that frames [at, at + n) play into its buffer.
void Feed(std::vector<float> &buffer, const std::vector<float> &signal, int64_t from,
          bool hold_last, int64_t at, uint32_t n) {
  if (signal.empty())
    return; // a constant buffer (SetCv) or silence
  for (uint32_t k = 0; k < n; ++k) {
    const int64_t j = at + k - from;
    const bool inside = j >= 0 && j < static_cast<int64_t>(signal.size());
    buffer[k] = inside ? signal[static_cast<size_t>(j)] : (hold_last ? signal.back() : 0.0f);
  }
}

} // namespace

std::vector<float> Lv2Rig::Render(int64_t frames, const std::vector<int32_t> &runs,
                                  const std::vector<MidiAt> &events) {
  std::vector<std::vector<float>> all = RenderAll(frames, runs, events);
  return all.empty() ? std::vector<float>(static_cast<size_t>(frames), 0.0f) : all.front();
}

std::vector<std::vector<float>> Lv2Rig::RenderAll(int64_t frames, const std::vector<int32_t> &runs,
                                                  const std::vector<MidiAt> &events) {
  std::vector<std::vector<float>> out(m_audio_out.size());
  for (std::vector<float> &o : out)
    o.reserve(static_cast<size_t>(frames));
  const uint32_t midi_type = Map(LV2_MIDI__MidiEvent);
  const uint32_t sequence_type = Map(LV2_ATOM__Sequence);
  auto *seq = reinterpret_cast<LV2_Atom_Sequence *>(m_sequence.data());
  size_t next_event = 0;
  size_t run = 0;
  for (int64_t at = 0; at < frames;) {
    const auto n = static_cast<uint32_t>(
        std::min<int64_t>({runs[run++ % runs.size()], frames - at, m_max_block}));
    if (!m_own_sequence)
      next_event = events.size();
    seq->atom.type = sequence_type;
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    seq->body.unit = 0;
    seq->body.pad = 0;
    for (; next_event < events.size() && events[next_event].frame < at + n; ++next_event) {
      const MidiAt &e = events[next_event];
      alignas(8) uint8_t storage[sizeof(LV2_Atom_Event) + 256] = {};
      auto *ev = reinterpret_cast<LV2_Atom_Event *>(storage);
      ev->time.frames = std::max<int64_t>(e.frame - at, 0);
      ev->body.type = e.type != 0 ? e.type : midi_type;
      ev->body.size =
          static_cast<uint32_t>(std::min<size_t>(e.bytes.size(), e.type != 0 ? 256 : 16));
      std::memcpy(storage + sizeof(LV2_Atom_Event), e.bytes.data(), ev->body.size);
      lv2_atom_sequence_append_event(seq, kSequenceBytes - sizeof(LV2_Atom), ev);
    }
    for (Fed &in : m_audio_in)
      Feed(in.buffer, in.signal, in.from, false, m_frame, n);
    for (auto &[index, cv] : m_cv)
      Feed(cv.buffer, cv.signal, cv.from, true, m_frame, n);
    lilv_instance_run(m_instance, n);
    for (size_t k = 0; k < out.size(); ++k)
      out[k].insert(out[k].end(), m_audio_out[k].begin(), m_audio_out[k].begin() + n);
    at += n;
    m_frame += n;
  }
  return out;
}

} // namespace lv2test
