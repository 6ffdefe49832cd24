#include "ttl_writer.h"

#include "control_value.h"
#include "host_features.h"
#include "module_runner.h"
#include "plugin_def.h"
#include "se_choice_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace se_lv2 {

using se_runtime::ModuleRunner;

namespace {

constexpr const char kPrefixes[] =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix time:  <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

// The project every plugin belongs to, described once in manifest.ttl.
constexpr const char kProjectUri[] = SE_LV2_URI("project");
constexpr const char kMaintainerUri[] = SE_LV2_URI("maintainers");
constexpr const char kLicenseUri[] = "http://opensource.org/licenses/isc";
constexpr const char kVoltUnit[] = SE_LV2_URI("volt");

// The plugin's version: the minor number rises whenever ports or their
// values change (2: modulation inputs as sidechain audio, choices that read
// like their labels, output level and bypass).
constexpr int kMinorVersion = 2;
constexpr int kMicroVersion = 0;

// A Turtle decimal: shortest round-trip digits, always with a point, never
// in the locale's format.
std::string Decimal(float v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos)
    s += ".0";
  return s;
}

std::string Quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      s += '\\';
    s += c;
  }
  return s + "\"";
}

std::string PluginFileStem(const char *uri) {
  const char *colon = std::strrchr(uri, ':');
  return colon != nullptr ? colon + 1 : uri;
}

bool IsAudio(const PortSpec &p) {
  return p.type == PortType::kAudioIn || p.type == PortType::kAudioOut;
}

// A stereo plugin's main input and output groups.
std::string GroupUri(const PluginDef &def, PortType type) {
  return std::string(def.uri) + (type == PortType::kAudioIn ? ":in" : ":out");
}
bool Stereo(const PluginDef &def) { return def.channels == 2; }

std::string PortClasses(PortType t) {
  switch (t) {
  case PortType::kAudioIn: return "lv2:InputPort, lv2:AudioPort";
  case PortType::kAudioOut: return "lv2:OutputPort, lv2:AudioPort";
  case PortType::kControl: return "lv2:InputPort, lv2:ControlPort";
  case PortType::kCV: return "lv2:InputPort, lv2:AudioPort";
  case PortType::kMidiIn: return "lv2:InputPort, atom:AtomPort";
  }
  return "";
}

void WriteUnit(std::ostream &out, const char *unit) {
  if (unit == nullptr)
    return;
  if (std::strcmp(unit, "volt") == 0)
    out << "    units:unit <" << kVoltUnit << "> ;\n";
  else
    out << "    units:unit units:" << unit << " ;\n";
}

// The number a host shows and stores for each item of a choice port, with
// the item's text.
struct ShownItem {
  std::string text;
  int value;
};

// The module's items with the numbers the port shows for them. Answers what
// is wrong when the port's choices (the pin's metadata) and the module's own
// list disagree on an item.
std::string ChoiceItems(const PortSpec &p, const SEPinProperties &pin,
                        std::vector<ShownItem> &items) {
  items.clear();
  std::string error;
  size_t count = 0;
  se::ForEachChoice(pin.datatype_text != nullptr ? pin.datatype_text : "",
                    [&](const se::ChoiceItem &item) {
                      ++count;
                      int shown = item.value;
                      bool found = p.choices.empty();
                      for (const se::ChoiceMeta &c : p.choices)
                        if (c.value == item.value && c.text == item.text) {
                          shown = c.shown;
                          found = true;
                        }
                      if (!found)
                        error = "item \"" + std::string(item.text) + "\" has no shown number";
                      for (const ShownItem &other : items)
                        if (other.value == shown)
                          error = "two items show " + std::to_string(shown);
                      items.push_back({std::string(item.text), shown});
                    });
  if (error.empty() && !p.choices.empty() && p.choices.size() != count)
    error = "the pin's metadata lists another number of items";
  return error;
}

// A control port's range and default as the host sees them.
struct Range {
  float minimum, maximum, defaultValue;
  std::vector<ShownItem> items; // choices only
  bool list = false;            // choices written as a list (not a count)
};

// Whether the shown numbers run from the lowest to the highest without a gap.
bool Contiguous(const std::vector<ShownItem> &items, int lowest, int highest) {
  return static_cast<long>(items.size()) == static_cast<long>(highest) - lowest + 1;
}

std::string PortRange(const PortSpec &p, const ModuleRunner &module, Range &range) {
  if (!p.choices.empty() && p.pin == nullptr) { // the wrapper's own choice: the items as given
    range = {p.minimum, p.maximum, p.defaultValue, {}, true};
    bool hasDefault = false;
    for (const se::ChoiceMeta &item : p.choices) {
      range.items.push_back({std::string(item.text), item.shown});
      range.minimum = std::min(range.minimum, static_cast<float>(item.shown));
      range.maximum = std::max(range.maximum, static_cast<float>(item.shown));
      hasDefault = hasDefault || static_cast<float>(item.shown) == p.defaultValue;
    }
    return hasDefault ? std::string() : "the default is none of the items";
  }
  if (p.mapping == PinMapping::kChoice) {
    const SEPinProperties &pin = module.Pin(module.PinIndex(p.pin));
    ChoiceSet set;
    set.Read(pin);
    set.Show(p.choices);
    if (set.Count() == 0)
      return std::string("pin \"") + p.pin + "\" has no items";
    range = {static_cast<float>(set.Minimum()),
             static_cast<float>(set.Maximum()),
             static_cast<float>(set.Default()),
             {},
             (p.hints & kHintInteger) == 0};
    const std::string error = ChoiceItems(p, pin, range.items);
    if (!error.empty())
      return error;
    if (!range.list && !Contiguous(range.items, set.Minimum(), set.Maximum()))
      return "a count needs shown numbers without a gap";
    return {};
  }
  if (!(p.minimum <= p.defaultValue && p.defaultValue <= p.maximum))
    return "default outside its range";
  if (p.type == PortType::kCV) // volts in the table, samples on the port
    range = {p.minimum / 10.0f, p.maximum / 10.0f, p.defaultValue / 10.0f, {}};
  else
    range = {p.minimum, p.maximum, p.defaultValue, {}};
  return {};
}

// A control of a module pin offers the range the pin's metadata gives (a
// frequency control: the same range in Hz). Answers what differs.
std::string CheckAgainstPin(const PluginDef &def, const PortSpec &p) {
  if (def.meta == nullptr || p.pin == nullptr || p.type != PortType::kControl)
    return {};
  for (size_t i = 0; i < def.meta->pins.size(); ++i) {
    if (std::strcmp(def.meta->pins[i].name, p.pin) != 0)
      continue;
    const se::PinRange &r = def.meta->meta[i].range;
    const auto near = [](double a, double b) { return std::fabs(a - b) < 1e-3; };
    if (p.mapping == PinMapping::kVolts &&
        (p.minimum != static_cast<float>(r.min) || p.maximum != static_cast<float>(r.max)))
      return "its range differs from the pin's";
    if (p.mapping == PinMapping::kHertz &&
        (!near(HertzToVolts(p.minimum), r.min) || !near(HertzToVolts(p.maximum), r.max) ||
         !near(HertzToVolts(p.defaultValue), ParseDecimal(def.meta->pins[i].defaultValue))))
      return "its range or default in Hz differs from the pin's in volts";
    return {};
  }
  return std::string("pin \"") + p.pin + "\" has no metadata";
}

std::string PortProperties(const PortSpec &p, bool choice, bool list) {
  std::vector<const char *> props;
  if (choice || (p.hints & kHintInteger) != 0 || (p.hints & kHintToggled) != 0)
    props.push_back("lv2:integer");
  if (list)
    props.push_back("lv2:enumeration");
  if ((p.hints & kHintToggled) != 0)
    props.push_back("lv2:toggled");
  if (p.logarithmic)
    props.push_back("pprops:logarithmic");
  if (p.type == PortType::kCV) {
    props.push_back("lv2:isSideChain");
    props.push_back("lv2:connectionOptional");
  }
  std::string s;
  for (const char *prop : props)
    s += (s.empty() ? "    lv2:portProperty " : ", ") + std::string(prop);
  return s.empty() ? s : s + " ;\n";
}

// One port's description. Answers what is wrong, or an empty string.
std::string WritePort(std::ostream &out, const PluginDef &def, const PortSpec &p, size_t index,
                      const ModuleRunner &module) {
  out << "  [\n    a " << PortClasses(p.type) << " ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol " << Quoted(p.symbol) << " ;\n"
      << "    lv2:name " << Quoted(p.name) << " ;\n";
  if (p.comment != nullptr)
    out << "    rdfs:comment " << Quoted(p.comment) << " ;\n";
  if (p.pin != nullptr && module.PinIndex(p.pin) < 0)
    return std::string("port ") + p.symbol + ": the module has no pin \"" + p.pin + "\"";
  if (p.mapping == PinMapping::kChoice && (p.pin == nullptr || p.type != PortType::kControl))
    return std::string("port ") + p.symbol + ": a choice needs a control port and a pin";
  if (IsAudio(p) && Stereo(def))
    out << "    lv2:designation " << (p.channel == 0 ? "pg:left" : "pg:right") << " ;\n"
        << "    pg:group <" << GroupUri(def, p.type) << "> ;\n";
  if (p.type == PortType::kMidiIn) {
    out << "    atom:bufferType atom:Sequence ;\n    atom:supports midi:MidiEvent ;\n"
        << ((p.hints & kHintPosition) != 0 ? "    atom:supports time:Position ;\n" : "")
        << "    lv2:designation lv2:control ;\n";
  } else if (p.type == PortType::kControl || p.type == PortType::kCV) {
    Range range;
    std::string error = PortRange(p, module, range);
    if (error.empty())
      error = CheckAgainstPin(def, p);
    if (!error.empty())
      return std::string("port ") + p.symbol + ": " + error;
    const bool choice = p.mapping == PinMapping::kChoice || !p.choices.empty();
    if (choice || (p.hints & (kHintInteger | kHintToggled)) != 0)
      out << "    lv2:default " << static_cast<long>(range.defaultValue) << " ;\n"
          << "    lv2:minimum " << static_cast<long>(range.minimum) << " ;\n"
          << "    lv2:maximum " << static_cast<long>(range.maximum) << " ;\n";
    else
      out << "    lv2:default " << Decimal(range.defaultValue) << " ;\n"
          << "    lv2:minimum " << Decimal(range.minimum) << " ;\n"
          << "    lv2:maximum " << Decimal(range.maximum) << " ;\n";
    out << PortProperties(p, choice, range.list);
    if (p.mapping == PinMapping::kEnabled)
      out << "    lv2:designation lv2:enabled ;\n";
    if (p.type == PortType::kControl)
      WriteUnit(out, p.unit);
    std::string points;
    for (const ShownItem &item : range.list ? range.items : std::vector<ShownItem>()) {
      points += points.empty() ? "    lv2:scalePoint " : " ,\n      ";
      points +=
          "[ rdfs:label " + Quoted(item.text) + " ; rdf:value " + std::to_string(item.value) + " ]";
    }
    if (!points.empty())
      out << points << " ;\n";
  }
  out << "  ]";
  return {};
}

bool HasAudioIn(const PluginDef &def) {
  for (size_t i = 0; i < def.portCount; ++i)
    if (def.ports[i].type == PortType::kAudioIn)
      return true;
  return false;
}

// The stereo groups: input and output, or the output alone (an instrument).
void WriteGroups(std::ostream &out, const PluginDef &def) {
  if (!Stereo(def))
    return;
  if (HasAudioIn(def))
    out << "<" << GroupUri(def, PortType::kAudioIn) << ">\n    a pg:StereoGroup, pg:InputGroup ;\n"
        << "    lv2:symbol \"in\" ;\n    rdfs:label \"Input\" .\n\n";
  out << "<" << GroupUri(def, PortType::kAudioOut) << ">\n    a pg:StereoGroup, pg:OutputGroup ;\n"
      << "    lv2:symbol \"out\" ;\n    rdfs:label \"Output\"";
  if (HasAudioIn(def))
    out << " ;\n    pg:source <" << GroupUri(def, PortType::kAudioIn) << ">";
  out << " .\n\n";
}

std::string WritePlugin(std::ostream &out, const PluginDef &def) {
  ModuleRunner module;
  if (!module.Create(*def.entry, 44100.0f, 1))
    return std::string(def.uri) + ": the module cannot be made";
  out << kPrefixes << "<" << kVoltUnit << ">\n    a units:Unit ;\n"
      << "    rdfs:label \"volts\" ;\n    units:symbol \"V\" ;\n"
      << "    units:render \"%f V\" .\n\n";
  WriteGroups(out, def);
  out << "<" << def.uri << ">\n    a lv2:Plugin, lv2:" << def.lv2Class << ", doap:Project ;\n"
      << "    doap:name " << Quoted(def.name) << " ;\n"
      << "    rdfs:comment " << Quoted(def.comment) << " ;\n"
      << "    lv2:project <" << kProjectUri << "> ;\n"
      << "    doap:license <" << kLicenseUri << "> ;\n"
      << "    doap:maintainer <" << kMaintainerUri << "> ;\n"
      << "    lv2:minorVersion " << kMinorVersion << " ;\n    lv2:microVersion " << kMicroVersion
      << " ;\n"
      << (RequiresUridMap(def) ? "    lv2:requiredFeature urid:map ;\n"
                                 "    lv2:optionalFeature lv2:hardRTCapable, opts:options, "
                                 "bufsz:boundedBlockLength ;\n"
                               : "    lv2:optionalFeature lv2:hardRTCapable, opts:options, "
                                 "urid:map, bufsz:boundedBlockLength ;\n")
      << "    opts:supportedOption bufsz:maxBlockLength ;\n";
  if (Stereo(def) && HasAudioIn(def))
    out << "    pg:mainInput <" << GroupUri(def, PortType::kAudioIn) << "> ;\n";
  if (Stereo(def))
    out << "    pg:mainOutput <" << GroupUri(def, PortType::kAudioOut) << "> ;\n";
  out << "    lv2:port\n";
  for (size_t i = 0; i < def.portCount; ++i) {
    const std::string error = WritePort(out, def, def.ports[i], i, module);
    if (!error.empty())
      return std::string(def.uri) + ": " + error;
    out << (i + 1 < def.portCount ? " ,\n" : " .\n");
  }
  return {};
}

const PortSpec *FindPort(const PluginDef &def, const char *symbol) {
  for (size_t i = 0; i < def.portCount; ++i)
    if (std::strcmp(def.ports[i].symbol, symbol) == 0)
      return &def.ports[i];
  return nullptr;
}

std::string PresetUri(const PluginDef &def, const PresetSpec &preset) {
  return std::string(def.uri) + ":preset:" + preset.symbol;
}

// Whether a preset may hold `value` for port `p` (range as the host sees it).
bool PresetValueFits(const Range &range, float value) {
  if (!range.items.empty()) {
    for (const ShownItem &item : range.items)
      if (static_cast<float>(item.value) == value)
        return true;
    return false;
  }
  return range.minimum <= value && value <= range.maximum;
}

// One preset: every control of the plugin but the bypass, the preset's own
// value where it gives one and the default elsewhere, so that a preset
// loaded after another leaves nothing of the first behind.
std::string WritePreset(std::ostream &out, const PluginDef &def, const PresetSpec &ps,
                        const ModuleRunner &module) {
  const std::string uri = PresetUri(def, ps);
  for (size_t v = 0; v < ps.valueCount; ++v) {
    const PortSpec *port = FindPort(def, ps.values[v].port);
    if (port == nullptr || port->type != PortType::kControl ||
        port->mapping == PinMapping::kEnabled)
      return uri + ": no control port \"" + ps.values[v].port + "\"";
    for (size_t w = 0; w < v; ++w)
      if (std::strcmp(ps.values[w].port, ps.values[v].port) == 0)
        return uri + ": \"" + ps.values[v].port + "\" set twice";
  }
  out << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << def.uri << "> ;\n"
      << "    rdfs:label " << Quoted(ps.label) << " ;\n    lv2:port";
  bool first = true;
  for (size_t i = 0; i < def.portCount; ++i) {
    const PortSpec &port = def.ports[i];
    if (port.type != PortType::kControl || port.mapping == PinMapping::kEnabled)
      continue;
    Range range;
    const std::string error = PortRange(port, module, range);
    if (!error.empty())
      return uri + ": " + error;
    float value = range.defaultValue;
    for (size_t v = 0; v < ps.valueCount; ++v)
      if (std::strcmp(ps.values[v].port, port.symbol) == 0)
        value = ps.values[v].value;
    if (!PresetValueFits(range, value))
      return uri + ": " + port.symbol + " = " + Decimal(value) + " is not a value of the port";
    out << (first ? " [\n" : " , [\n") << "        lv2:symbol " << Quoted(port.symbol)
        << " ;\n        pset:value " << Decimal(value) << "\n    ]";
    first = false;
  }
  out << " .\n\n";
  return {};
}

std::string WritePresets(std::ostream &out, std::ostream &manifest) {
  out << kPrefixes;
  for (int i = 0; i < Registry::Count(); ++i) {
    const PluginDef &def = *Registry::At(i);
    const PresetSpec *presets = nullptr;
    const size_t count = PresetRegistry::Presets(def.uri, &presets);
    if (count == 0)
      continue;
    ModuleRunner module;
    if (!module.Create(*def.entry, 44100.0f, 1))
      return std::string(def.uri) + ": the module cannot be made";
    for (size_t k = 0; k < count; ++k) {
      const std::string error = WritePreset(out, def, presets[k], module);
      if (!error.empty())
        return error;
      manifest << "<" << PresetUri(def, presets[k]) << ">\n    a pset:Preset ;\n"
               << "    lv2:appliesTo <" << def.uri << "> ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    }
  }
  return {};
}

void WriteProject(std::ostream &manifest) {
  manifest << "<" << kProjectUri << ">\n    a doap:Project ;\n"
           << "    lv2:symbol \"ladder_osc_modules\" ;\n"
           << "    doap:name \"Ladder and oscillator modules\" ;\n"
           << "    doap:shortdesc \"A resonant ladder filter and a wavetable oscillator\" ;\n"
           << "    doap:license <" << kLicenseUri << "> ;\n"
           << "    doap:maintainer <" << kMaintainerUri << "> .\n\n"
           << "<" << kMaintainerUri << ">\n    a foaf:Person ;\n"
           << "    foaf:name \"The ladder-osc-modules developers\" .\n\n";
}

std::string WriteFile(const std::string &path, const std::string &text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  f.close();
  return f ? std::string() : "cannot write " + path;
}

} // namespace

std::string PluginTtlName(const char *uri) { return PluginFileStem(uri) + ".ttl"; }

std::string WriteBundle(const std::string &dir, const std::string &binary) {
  if (Registry::Count() == 0)
    return "no plugin is registered";
  std::ostringstream manifest;
  manifest << kPrefixes;
  WriteProject(manifest);
  for (int i = 0; i < Registry::Count(); ++i) {
    const PluginDef &def = *Registry::At(i);
    std::ostringstream text;
    std::string error = WritePlugin(text, def);
    if (error.empty())
      error = WriteFile(dir + "/" + PluginTtlName(def.uri), text.str());
    if (!error.empty())
      return error;
    manifest << "<" << def.uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary
             << "> ;\n    rdfs:seeAlso <" << PluginTtlName(def.uri) << "> .\n\n";
  }
  std::ostringstream presets;
  std::string error = WritePresets(presets, manifest);
  if (error.empty())
    error = WriteFile(dir + "/presets.ttl", presets.str());
  if (error.empty())
    error = WriteFile(dir + "/manifest.ttl", manifest.str());
  return error;
}

} // namespace se_lv2
