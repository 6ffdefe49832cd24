#include "patch.h"

#include "message_text.h"
#include "module_pins.h"
#include "patch_json.h"
#include "pin_value.h"
#include "plugin_locator.h"
#include "range_warning.h"
#include "source_types.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace sehost {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr double kMaxSampleRate = 768000.0;
constexpr double kMaxDuration = 3600.0;
constexpr int kMaxBlockSize = 65536;

std::string KindText(const PinInfo &pin) {
  const char *dir = pin.IsInput() ? "input" : pin.IsOutput() ? "output" : "pin";
  switch (pin.datatype) {
  case DT_FSAMPLE: return std::string("audio ") + dir;
  case DT_CHOICE: return std::string("choice ") + dir;
  case DT_INT32: return std::string("link ") + dir;
  default: return std::string("data ") + dir;
  }
}

// "an audio input", "a choice input", ...
std::string AKind(const PinInfo &pin) {
  const std::string kind = KindText(pin);
  return (kind[0] == 'a' ? "an " : "a ") + kind;
}

} // namespace

// Builds a Patch from its JSON document, with the location of every value at hand
// for messages.
class PatchBuilder {
public:
  PatchBuilder(Patch &patch, std::string base_dir, const PatchOptions &options)
      : m_patch(patch), m_baseDir(std::move(base_dir)), m_options(options) {}

  void Build(const json &doc);

private:
  struct PinRef {
    int instance;
    int pin;
    std::string module;
    PinInfo info;
    const se::PinMeta *meta; // what the module publishes of the pin, or nullptr
    std::string Text() const { return module + "." + info.name; }
  };

  // `where` is a JSON pointer into the patch, or a command-line option
  // ("--set ...") for a value given there instead: a usage mistake.
  [[noreturn]] void Fail(const std::string &where, const std::string &what) const {
    // Whatever a message quotes, it stays one line.
    const std::string text = EscapedText(what, std::string::npos);
    if (where.rfind("--", 0) == 0)
      throw UsageError(where + ": " + text);
    throw HostError(m_patch.m_name + ": " + (where.empty() ? "" : where + ": ") + text);
  }
  static std::string OptionText(const char *option, double value) {
    std::ostringstream text;
    text << option << " " << value;
    return text.str();
  }

  void CheckKeys(const json &obj, const std::string &where,
                 const std::set<std::string> &allowed) const;
  const json &Object(const json &parent, const std::string &key, const std::string &where,
                     bool required) const;
  double Number(const json &obj, const std::string &key, const std::string &where,
                const double *fallback) const;
  // A number of volts (or a gain) within ±kMaxVolts.
  double Bounded(const json &obj, const std::string &key, const std::string &where,
                 const double *fallback) const;
  std::string String(const json &obj, const std::string &key, const std::string &where) const;
  const json &Array(const json &obj, const std::string &key, const std::string &where,
                    bool required) const;

  PinRef Resolve(const json &value, const std::string &where) const;
  PinRef ResolveIn(int instance, const std::string &module, const std::string &pin,
                   const std::string &where) const;
  // Records what feeds an input; `connection` for a cable from an output,
  // several of which may meet at an audio input (the host sums them).
  void ClaimInput(const PinRef &ref, const std::string &where, bool connection = false);
  // Whether `from` feeds `to` through any chain of connections.
  bool Reaches(int from, int to) const;

  void ReadModules(const json &doc);
  void ReadPinSettings(const json &modules);
  // The command line's --set id.pin=value, in place of the patch's values.
  void ApplySettings();
  void ReadConnections(const json &doc);
  void ReadSources(const json &doc);
  void ReadChanges(const json &doc);
  void ReadOutputs(const json &doc);
  class Entry;
  // Records a warning when `value` (as the host takes it), written as `given`
  // at `where`, lies outside the pin's range.
  void CheckRange(const PinRef &ref, double value, const json &given, const std::string &where);
  // A value in volts for an audio input (a number, "5V", "440Hz", "C3").
  double Volts(const json &value, const PinRef &to, const std::string &where) const;

  Patch &m_patch;
  std::string m_baseDir;
  PatchOptions m_options;
  // The modules each module feeds, to keep the patch free of loops.
  std::vector<std::vector<int>> m_feeds;
  // Each input that something feeds, with the location of what first fed it.
  struct Feed {
    std::string where;
    bool connection;
  };
  std::map<std::pair<int, int>, Feed> m_fed;
  // Inputs whose value a timed change may move: those set by value.
  std::set<std::pair<int, int>> m_byValue;
  // How each module reads its pitch pins, from its "Pitch Mode" setting.
  std::map<int, PitchScale> m_pitchScale;
  // The pin metadata of each module that publishes it.
  std::map<int, const se::ModuleMeta *> m_moduleMeta;
  PitchScale ScaleOf(int instance) const {
    const auto it = m_pitchScale.find(instance);
    return it == m_pitchScale.end() ? PitchScale::kOctave : it->second;
  }
};

double PatchBuilder::Volts(const json &value, const PinRef &to, const std::string &where) const {
  try {
    return VoltsFromJson(to.info, value, ScaleOf(to.instance));
  } catch (const HostError &e) {
    Fail(where, to.module + ": " + e.what());
  }
}

void PatchBuilder::CheckRange(const PinRef &ref, double value, const json &given,
                              const std::string &where) {
  if (!ref.info.IsAudio())
    return;
  const std::string text = given.is_string() ? given.get<std::string>() : given.dump();
  const std::string what =
      RangeWarning(ref.info, ref.meta, value * 10.0, text, ScaleOf(ref.instance));
  if (what.empty())
    return;
  const std::string line = EscapedText(what, std::string::npos);
  m_patch.m_warnings.push_back(where.rfind("--", 0) == 0
                                   ? where + ": " + line
                                   : m_patch.m_name + ": " + where + ": " + line);
}

void PatchBuilder::CheckKeys(const json &obj, const std::string &where,
                             const std::set<std::string> &allowed) const {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    if (allowed.count(it.key()) != 0)
      continue;
    std::string list;
    for (const auto &k : allowed)
      list += (list.empty() ? "" : ", ") + k;
    Fail(JsonChild(where, it.key()),
         "unknown key " + Quoted(it.key()) + " (expected: " + list + ")");
  }
}

double PatchBuilder::Number(const json &obj, const std::string &key, const std::string &where,
                            const double *fallback) const {
  const std::string at = JsonChild(where, key);
  if (!obj.contains(key)) {
    if (fallback != nullptr)
      return *fallback;
    Fail(where, "missing " + Quoted(key));
  }
  const json &v = obj.at(key);
  if (!v.is_number())
    Fail(at, "expected a number, found " + JsonExcerpt(v));
  const double d = v.get<double>();
  if (!std::isfinite(d))
    Fail(at, "expected a finite number");
  return d;
}

double PatchBuilder::Bounded(const json &obj, const std::string &key, const std::string &where,
                             const double *fallback) const {
  const double v = Number(obj, key, where, fallback);
  if (std::abs(v) > kMaxVolts)
    Fail(JsonChild(where, key), "expected a value from -1e6 to 1e6, found " + json(v).dump());
  return v;
}

std::string PatchBuilder::String(const json &obj, const std::string &key,
                                 const std::string &where) const {
  if (!obj.contains(key))
    Fail(where, "missing " + Quoted(key));
  const json &v = obj.at(key);
  if (!v.is_string())
    Fail(JsonChild(where, key), "expected a text, found " + JsonExcerpt(v));
  return v.get<std::string>();
}

const json &PatchBuilder::Array(const json &obj, const std::string &key, const std::string &where,
                                bool required) const {
  static const json empty = json::array();
  if (!obj.contains(key)) {
    if (required)
      Fail(where, "missing " + Quoted(key));
    return empty;
  }
  const json &v = obj.at(key);
  if (!v.is_array())
    Fail(JsonChild(where, key), "expected a list [...]");
  return v;
}

int Patch::Instance(const std::string &id) const {
  for (const auto &[name, instance] : m_ids)
    if (name == id)
      return instance;
  return -1;
}

PatchBuilder::PinRef PatchBuilder::ResolveIn(int instance, const std::string &module,
                                             const std::string &pin,
                                             const std::string &where) const {
  const auto meta = m_moduleMeta.find(instance);
  const se::ModuleMeta *module_meta = meta == m_moduleMeta.end() ? nullptr : meta->second;
  const std::vector<PinInfo> pins = m_patch.m_host->Pins(instance);
  if (const PinInfo *info = FindPin(pins, module_meta, pin))
    return {instance, info->dsp_index, module, *info, PinMetaOf(module_meta, *info)};
  std::string names;
  for (const PinInfo &info : m_patch.m_host->Pins(instance))
    if (!info.name.empty())
      names += (names.empty() ? "" : ", ") + Quoted(info.name);
  Fail(where, "module " + Quoted(module) + " has no pin named " + Quoted(pin) +
                  " (its pins: " + names + ")");
}

// "osc.Wave.Out": the module id is everything before the first dot (ids hold
// no dot), the pin name everything after it.
PatchBuilder::PinRef PatchBuilder::Resolve(const json &value, const std::string &where) const {
  if (!value.is_string())
    Fail(where, "expected a pin as \"module.pin\", found " + JsonExcerpt(value));
  const std::string text = value.get<std::string>();
  const auto dot = text.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == text.size())
    Fail(where, "expected a pin as \"module.pin\" (like \"vcf.Pitch\"), found " + Quoted(text));
  const std::string module = text.substr(0, dot);
  const int instance = m_patch.Instance(module);
  if (instance < 0) {
    // The first few ids are enough to show what is meant.
    std::string ids;
    for (size_t i = 0; i < m_patch.m_ids.size() && i < 8; ++i)
      ids += (i ? ", " : "") + EscapedText(m_patch.m_ids[i].first);
    if (m_patch.m_ids.size() > 8)
      ids += ", ...";
    Fail(where, "no module with the id " + Quoted(module) + " (modules: " + ids + ")");
  }
  return ResolveIn(instance, module, text.substr(dot + 1), where);
}

void PatchBuilder::ClaimInput(const PinRef &ref, const std::string &where, bool connection) {
  const auto key = std::make_pair(ref.instance, ref.pin);
  auto it = m_fed.find(key);
  if (it == m_fed.end()) {
    m_fed.emplace(key, Feed{where, connection});
    return;
  }
  if (connection && it->second.connection) {
    if (ref.info.IsAudio())
      return;
    Fail(where, "pin " + Quoted(ref.Text()) + " is " + AKind(ref.info) +
                    "; it takes one connection and is already fed by " + it->second.where);
  }
  Fail(where, "pin " + Quoted(ref.Text()) + " is already fed by " + it->second.where +
                  "; an input takes one value, source or connection (audio inputs sum any "
                  "number of connections)");
}

bool PatchBuilder::Reaches(int from, int to) const {
  std::vector<int> stack = {from};
  std::vector<bool> seen(m_feeds.size() + 1, false);
  while (!stack.empty()) {
    const int at = stack.back();
    stack.pop_back();
    if (at == to)
      return true;
    if (at >= static_cast<int>(m_feeds.size()) || seen[at])
      continue;
    seen[at] = true;
    stack.insert(stack.end(), m_feeds[at].begin(), m_feeds[at].end());
  }
  return false;
}

void PatchBuilder::Build(const json &doc) {
  const std::string root;
  if (!doc.is_object())
    Fail(root, "a patch is a JSON object { ... }");
  CheckKeys(doc, root,
            {"description", "sample_rate", "block_size", "duration", "modules", "connections",
             "sources", "changes", "outputs"});
  if (doc.contains("description")) {
    if (!doc["description"].is_string())
      Fail("/description", "expected a text");
    m_patch.m_description = doc["description"].get<std::string>();
  }
  const double default_rate = 44100.0, default_block = 256.0;
  // A rate or duration given on the command line stands in for the patch's own.
  const auto &given_rate = m_options.sampleRate, &given_duration = m_options.duration;
  const double rate = given_rate ? *given_rate : Number(doc, "sample_rate", root, &default_rate);
  const std::string rate_at = given_rate ? OptionText("--rate", *given_rate) : "/sample_rate";
  if (!(rate >= 1000.0 && rate <= kMaxSampleRate) || rate != std::floor(rate))
    Fail(rate_at, "the sample rate must be a whole number of Hz from 1000 to 768000");
  const double block = Number(doc, "block_size", root, &default_block);
  if (!(block >= 1.0 && block <= kMaxBlockSize) || block != std::floor(block))
    Fail("/block_size", "the block size must be a whole number from 1 to 65536");
  if (m_options.frames) {
    m_patch.m_frames = std::max<int64_t>(1, *m_options.frames);
  } else {
    const double duration =
        given_duration ? *given_duration : Number(doc, "duration", root, nullptr);
    const std::string duration_at =
        given_duration ? OptionText("--duration", *given_duration) : "/duration";
    if (!(duration > 0.0))
      Fail(duration_at, "the duration must be a positive number of seconds");
    if (duration > kMaxDuration)
      Fail(duration_at, "the duration must be at most 3600 seconds");
    m_patch.m_frames = std::max<int64_t>(1, std::llround(duration * rate));
  }
  m_patch.m_host = std::make_unique<Host>(static_cast<float>(rate), static_cast<int32_t>(block));

  ReadModules(doc);
  ReadConnections(doc);
  ReadSources(doc);
  ReadPinSettings(doc.at("modules"));
  ApplySettings();
  ReadChanges(doc);
  ReadOutputs(doc);
}

void PatchBuilder::ReadModules(const json &doc) {
  const json &modules = Array(doc, "modules", "", true);
  if (modules.empty())
    Fail("/modules", "the patch has no modules");
  for (size_t i = 0; i < modules.size(); ++i) {
    const std::string where = JsonChild("/modules", i);
    const json &m = modules[i];
    if (!m.is_object())
      Fail(where, "expected a module { \"id\": ..., \"plugin\": ... }");
    CheckKeys(m, where, {"id", "plugin", "pins"});
    const std::string id = String(m, "id", where);
    if (id.empty() || id.find('.') != std::string::npos)
      Fail(JsonChild(where, "id"),
           "a module id must be a non-empty name without dots, not " + Quoted(id));
    if (m_patch.Instance(id) >= 0)
      Fail(JsonChild(where, "id"), "the id " + Quoted(id) + " is used twice");
    const std::string plugin = String(m, "plugin", where);
    PluginLibrary *library = nullptr;
    try {
      library = &m_patch.m_host->Load(ResolvePlugin(plugin, m_options.pluginDir));
    } catch (const HostError &e) {
      Fail(JsonChild(where, "plugin"), e.what());
    }
    int instance = -1;
    try {
      instance = m_patch.m_host->Add(*library, id);
    } catch (const HostError &e) {
      Fail(JsonChild(where, "plugin"), e.what());
    }
    m_patch.m_ids.emplace_back(id, instance);
    m_moduleMeta[instance] = ModuleMetaOf(library->Description().id);
    if (m.contains("pins") && !m["pins"].is_object())
      Fail(JsonChild(where, "pins"), "expected pin settings { \"pin name\": value, ... }");
    if (m.contains("pins"))
      m_pitchScale[instance] =
          PitchScaleOf(m_patch.m_host->Pins(instance), m["pins"], m_moduleMeta[instance]);
  }
}

void PatchBuilder::ReadPinSettings(const json &modules) {
  for (size_t i = 0; i < modules.size(); ++i) {
    const json &m = modules[i];
    if (!m.contains("pins"))
      continue;
    const std::string where = JsonChild(JsonChild("/modules", i), "pins");
    const std::string id = m["id"].get<std::string>();
    const int instance = m_patch.Instance(id);
    for (auto it = m["pins"].begin(); it != m["pins"].end(); ++it) {
      const std::string at = JsonChild(where, it.key());
      const PinRef ref = ResolveIn(instance, id, it.key(), at);
      double value = 0.0;
      try {
        value = PinValueFromJson(ref.info, it.value(), ScaleOf(instance), ref.meta);
      } catch (const HostError &e) {
        Fail(at, EscapedText(id) + ": " + e.what());
      }
      CheckRange(ref, value, it.value(), at);
      ClaimInput(ref, at);
      m_patch.m_host->SetValue(instance, ref.pin, value);
      m_byValue.insert({instance, ref.pin});
    }
  }
}

void PatchBuilder::ApplySettings() {
  for (const std::string &setting : m_options.settings) {
    const std::string where = "--set " + EscapedText(setting);
    const auto eq = setting.find('=');
    if (eq == std::string::npos)
      Fail(where, "a setting is written id.pin=value, like \"vcf.Resonance=7\"");
    const PinRef ref = Resolve(json(setting.substr(0, eq)), where);
    double value = 0.0;
    try {
      value = PinValueFromText(ref.info, setting.substr(eq + 1), ScaleOf(ref.instance), ref.meta);
    } catch (const HostError &e) {
      Fail(where, e.what());
    }
    CheckRange(ref, value, json(setting.substr(eq + 1)), where);
    const auto key = std::make_pair(ref.instance, ref.pin);
    if (m_fed.count(key) != 0 && m_byValue.count(key) == 0)
      Fail(where, Quoted(ref.Text()) + " is fed by " + m_fed[key].where +
                      "; only a pin set by value (or not at all) can be set");
    m_patch.m_host->SetValue(ref.instance, ref.pin, value);
    m_fed[key] = Feed{where, false};
    m_byValue.insert(key);
  }
}

void PatchBuilder::ReadConnections(const json &doc) {
  const json &list = Array(doc, "connections", "", false);
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = JsonChild("/connections", i);
    const json &c = list[i];
    if (!c.is_object())
      Fail(where, "expected a connection { \"from\": ..., \"to\": ... }");
    CheckKeys(c, where, {"from", "to"});
    if (!c.contains("from"))
      Fail(where, "missing \"from\"");
    if (!c.contains("to"))
      Fail(where, "missing \"to\"");
    const PinRef from = Resolve(c["from"], JsonChild(where, "from"));
    const PinRef to = Resolve(c["to"], JsonChild(where, "to"));
    if (!from.info.IsOutput())
      Fail(JsonChild(where, "from"),
           Quoted(from.Text()) + " is " + AKind(from.info) + "; a connection starts at an output");
    if (!to.info.IsInput())
      Fail(JsonChild(where, "to"),
           Quoted(to.Text()) + " is " + AKind(to.info) + "; a connection ends at an input");
    if (from.info.datatype != to.info.datatype)
      Fail(where, "cannot connect " + Quoted(from.Text()) + " (" + KindText(from.info) + ") to " +
                      Quoted(to.Text()) + " (" + KindText(to.info) +
                      "): the pins carry different kinds of data");
    if (from.instance == to.instance)
      Fail(where, "a module cannot feed itself");
    // A loop cannot be ordered: every module must run after the modules feeding it.
    if (Reaches(to.instance, from.instance))
      Fail(where, "connecting " + Quoted(from.Text()) + " to " + Quoted(to.Text()) +
                      " closes a loop; modules cannot feed each other in a circle");
    m_feeds.resize(static_cast<size_t>(m_patch.m_host->InstanceCount()));
    m_feeds[from.instance].push_back(to.instance);
    ClaimInput(to, where, /*connection=*/true);
    try {
      m_patch.m_host->Connect(from.instance, from.pin, to.instance, to.pin);
    } catch (const HostError &e) {
      Fail(where, e.what());
    }
  }
}

// A source entry as its type's reader sees it (source_entry.h): the
// builder's checked readers, located at the entry.
class PatchBuilder::Entry : public SourceEntry {
public:
  Entry(PatchBuilder &builder, const json &src, const std::string &where, const PinRef &to)
      : m_builder(builder), m_src(src), m_where(where), m_to(to) {}
  const json &Json() const override { return m_src; }
  const std::string &Where() const override { return m_where; }
  std::string At(const std::string &key) const override { return JsonChild(m_where, key); }
  double SampleRate() const override { return m_builder.m_patch.m_host->SampleRate(); }
  [[noreturn]] void Fail(const std::string &where, const std::string &what) const override {
    m_builder.Fail(where, what);
  }
  double Number(const std::string &key, const double *fallback) const override {
    return m_builder.Number(m_src, key, m_where, fallback);
  }
  double Bounded(const std::string &key, const double *fallback) const override {
    return m_builder.Bounded(m_src, key, m_where, fallback);
  }
  std::string String(const std::string &key) const override {
    return m_builder.String(m_src, key, m_where);
  }
  const json &Array(const std::string &key, bool required) const override {
    return m_builder.Array(m_src, key, m_where, required);
  }
  double Volts(const json &value, const std::string &where) const override {
    return m_builder.Volts(value, m_to, where);
  }
  std::string FilePath(const std::string &path) const override {
    const fs::path given(path);
    return (given.is_absolute() ? given : fs::path(m_builder.m_baseDir) / path).generic_string();
  }
  void AddInputFile(const std::string &path) override {
    m_builder.m_patch.m_inputs.push_back(path);
  }

private:
  PatchBuilder &m_builder;
  const json &m_src;
  const std::string &m_where;
  const PinRef &m_to;
};

void PatchBuilder::ReadSources(const json &doc) {
  const json &list = Array(doc, "sources", "", false);
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = JsonChild("/sources", i);
    const json &src = list[i];
    if (!src.is_object())
      Fail(where, "expected a source { \"to\": ..., \"type\": ... }");
    if (!src.contains("to"))
      Fail(where, "missing \"to\"");
    const PinRef to = Resolve(src["to"], JsonChild(where, "to"));
    if (!to.info.IsInput() || !to.info.IsAudio())
      Fail(JsonChild(where, "to"),
           Quoted(to.Text()) + " is " + AKind(to.info) +
               "; sources drive audio inputs (set choices under \"pins\" or \"changes\")");
    const std::string name = String(src, "type", where);
    const SourceType *type = FindSourceType(name);
    const bool input = name == kInputSourceType && m_options.input;
    if (type != nullptr && type->make == nullptr && !input)
      Fail(JsonChild(where, "type"), "an " + Quoted(name) + " source " + type->note);
    if (type == nullptr)
      Fail(JsonChild(where, "type"),
           "unknown source type " + Quoted(name) + " (use " + SourceTypeNames() + ")");
    std::set<std::string> keys = {"to", "type"};
    std::istringstream words(type->keys);
    for (std::string key; words >> key;)
      keys.insert(key);
    CheckKeys(src, where, keys);
    Entry entry(*this, src, where, to);
    const double unity = 1.0;
    MadeSource made =
        input ? MadeSource{m_options.input(entry.Bounded("gain", &unity))} : type->make(entry);
    ClaimInput(to, where);
    if (made.signal) {
      m_patch.m_host->Feed(to.instance, to.pin, std::move(made.signal));
    } else {
      m_patch.m_host->SetValue(to.instance, to.pin, made.volts / 10.0);
      m_byValue.insert({to.instance, to.pin});
    }
  }
}

void PatchBuilder::ReadChanges(const json &doc) {
  const json &list = Array(doc, "changes", "", false);
  const double rate = m_patch.m_host->SampleRate();
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = JsonChild("/changes", i);
    const json &c = list[i];
    if (!c.is_object())
      Fail(where, "expected a change { \"time\": ..., \"pin\": ..., \"value\": ... }");
    CheckKeys(c, where, {"time", "pin", "value"});
    const double time = Number(c, "time", where, nullptr);
    const double end = static_cast<double>(m_patch.m_frames) / rate;
    // A shorter duration from the command line (or a processed file) just ends
    // the patch early.
    if ((m_options.duration || m_options.frames) && time > end)
      continue;
    if (time < 0.0 || time > end)
      Fail(JsonChild(where, "time"),
           "the time must be from 0 to the end of the patch (" + json(end).dump() + " s)");
    if (!c.contains("pin"))
      Fail(where, "missing \"pin\"");
    if (!c.contains("value"))
      Fail(where, "missing \"value\"");
    const PinRef ref = Resolve(c["pin"], JsonChild(where, "pin"));
    double value = 0.0;
    try {
      value = PinValueFromJson(ref.info, c["value"], ScaleOf(ref.instance), ref.meta);
    } catch (const HostError &e) {
      Fail(JsonChild(where, "value"), EscapedText(ref.module) + ": " + e.what());
    }
    CheckRange(ref, value, c["value"], JsonChild(where, "value"));
    const auto key = std::make_pair(ref.instance, ref.pin);
    if (m_fed.count(key) != 0 && m_byValue.count(key) == 0)
      Fail(JsonChild(where, "pin"), Quoted(ref.Text()) + " is fed by " + m_fed[key].where +
                                        "; only a pin set by value can change over time");
    const auto clock = static_cast<int64_t>(std::llround(time * rate));
    m_patch.m_host->ScheduleValue(ref.instance, ref.pin, clock, value);
  }
}

void PatchBuilder::ReadOutputs(const json &doc) {
  const json &list = Array(doc, "outputs", "", true);
  if (list.empty())
    Fail("/outputs", "the patch has no outputs; list at least one output pin");
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = JsonChild("/outputs", i);
    const json &o = list[i];
    OutputChannel channel;
    PinRef ref{};
    if (o.is_object()) {
      CheckKeys(o, where, {"from", "gain"});
      if (!o.contains("from"))
        Fail(where, "missing \"from\"");
      ref = Resolve(o["from"], JsonChild(where, "from"));
      const double unity = 1.0;
      channel.gain = static_cast<float>(Bounded(o, "gain", where, &unity));
    } else {
      ref = Resolve(o, where);
    }
    if (!ref.info.IsOutput() || !ref.info.IsAudio())
      Fail(where, Quoted(ref.Text()) + " is " + AKind(ref.info) +
                      "; a channel of the file comes from an audio output");
    channel.name = ref.Text();
    channel.instance = ref.instance;
    channel.pin = ref.pin;
    m_patch.m_outputs.push_back(channel);
  }
}

// ---- Patch ----

Patch::~Patch() = default;

std::unique_ptr<Patch> Patch::Parse(const std::string &text, const std::string &name,
                                    const std::string &base_dir, const PatchOptions &options) {
  std::unique_ptr<Patch> patch(new Patch());
  patch->m_name = name;
  const json doc = ParsePatchJson(text, name);
  PatchBuilder(*patch, base_dir, options).Build(doc);
  return patch;
}

std::string ReadPatchFile(const std::string &path) {
  std::error_code ec;
  if (!fs::exists(path, ec))
    throw HostError(path + ": no such patch file");
  if (fs::is_directory(path, ec))
    throw HostError(path + ": is a folder, not a patch file");
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw HostError(path + ": cannot read the patch file");
  std::stringstream text;
  text << in.rdbuf();
  if (in.bad())
    throw HostError(path + ": cannot read the patch file");
  return text.str();
}

std::unique_ptr<Patch> Patch::Load(const std::string &path, const PatchOptions &options) {
  const std::string text = ReadPatchFile(path);
  const fs::path parent = fs::path(path).parent_path();
  auto patch = Parse(text, path, parent.empty() ? "." : parent.string(), options);
  patch->m_inputs.insert(patch->m_inputs.begin(), path);
  return patch;
}

const std::vector<float> &Patch::RenderBlock() {
  m_block.clear();
  if (Done())
    return m_block;
  if (!m_host->IsOpen())
    m_host->Open();
  m_host->ProcessBlock();
  const int64_t frames = std::min<int64_t>(m_host->BlockSize(), m_frames - m_rendered);
  const size_t channels = m_outputs.size();
  m_block.resize(static_cast<size_t>(frames) * channels);
  for (size_t c = 0; c < channels; ++c) {
    const OutputChannel &out = m_outputs[c];
    const float *buffer = m_host->Buffer(out.instance, out.pin);
    for (int64_t i = 0; i < frames; ++i)
      m_block[static_cast<size_t>(i) * channels + c] = buffer[i] * out.gain;
  }
  m_rendered += frames;
  return m_block;
}

} // namespace sehost
