#include "ttl_writer.h"

#include "control_value.h"
#include "host_features.h"
#include "module_runner.h"
#include "plugin_def.h"
#include "se_choice_list.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace se_lv2 {

using se_runtime::ModuleRunner;

namespace {

constexpr const char kPrefixes[] =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

constexpr const char kVoltUnit[] = SE_LV2_URI("volt");

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

std::string PortClasses(PortType t) {
  switch (t) {
  case PortType::kAudioIn: return "lv2:InputPort, lv2:AudioPort";
  case PortType::kAudioOut: return "lv2:OutputPort, lv2:AudioPort";
  case PortType::kControl: return "lv2:InputPort, lv2:ControlPort";
  case PortType::kCV: return "lv2:InputPort, lv2:CVPort";
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

// One port's description. Answers what is wrong, or an empty string.
std::string WritePort(std::ostream &out, const PortSpec &p, size_t index,
                      const ModuleRunner &module) {
  out << "  [\n    a " << PortClasses(p.type) << " ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol " << Quoted(p.symbol) << " ;\n"
      << "    lv2:name " << Quoted(p.name) << " ;\n";
  if (p.comment != nullptr)
    out << "    rdfs:comment " << Quoted(p.comment) << " ;\n";
  if (p.pin != nullptr && module.PinIndex(p.pin) < 0)
    return std::string("port ") + p.symbol + ": the module has no pin \"" + p.pin + "\"";
  if (p.type == PortType::kMidiIn) {
    out << "    atom:bufferType atom:Sequence ;\n    atom:supports midi:MidiEvent ;\n"
        << "    lv2:designation lv2:control ;\n";
  } else if (p.mapping == PinMapping::kChoice) {
    const SEPinProperties &pin = module.Pin(module.PinIndex(p.pin));
    ChoiceSet set;
    set.Read(pin);
    if (set.Count() == 0)
      return std::string("port ") + p.symbol + ": pin \"" + p.pin + "\" has no items";
    out << "    lv2:portProperty lv2:integer, lv2:enumeration ;\n"
        << "    lv2:default " << set.Default() << " ;\n"
        << "    lv2:minimum " << set.Minimum() << " ;\n"
        << "    lv2:maximum " << set.Maximum() << " ;\n";
    std::string points;
    se::ForEachChoice(pin.datatype_text, [&](const se::ChoiceItem &item) {
      points += points.empty() ? "    lv2:scalePoint " : " ,\n      ";
      points +=
          "[ rdfs:label " + Quoted(item.text) + " ; rdf:value " + std::to_string(item.value) + " ]";
    });
    out << points << " ;\n";
  } else if (p.type == PortType::kControl || p.type == PortType::kCV) {
    if (!(p.minimum <= p.defaultValue && p.defaultValue <= p.maximum))
      return std::string("port ") + p.symbol + ": default outside its range";
    out << "    lv2:default " << Decimal(p.defaultValue) << " ;\n"
        << "    lv2:minimum " << Decimal(p.minimum) << " ;\n"
        << "    lv2:maximum " << Decimal(p.maximum) << " ;\n";
    if (p.logarithmic)
      out << "    lv2:portProperty pprops:logarithmic ;\n";
    if (p.type == PortType::kCV)
      out << "    lv2:portProperty lv2:connectionOptional ;\n";
    WriteUnit(out, p.unit);
  }
  out << "  ]";
  return {};
}

std::string WritePlugin(std::ostream &out, const PluginDef &def) {
  ModuleRunner module;
  if (!module.Create(*def.entry, 44100.0f, 1))
    return std::string(def.uri) + ": the module cannot be made";
  out << kPrefixes << "<" << kVoltUnit << ">\n    a units:Unit ;\n"
      << "    rdfs:label \"volts\" ;\n    units:symbol \"V\" ;\n"
      << "    units:render \"%f V\" .\n\n";
  out << "<" << def.uri << ">\n    a lv2:Plugin, lv2:" << def.lv2Class << " ;\n"
      << "    doap:name " << Quoted(def.name) << " ;\n"
      << "    rdfs:comment " << Quoted(def.comment) << " ;\n"
      << "    lv2:minorVersion 1 ;\n    lv2:microVersion 0 ;\n"
      << (RequiresUridMap(def) ? "    lv2:requiredFeature urid:map ;\n"
                                 "    lv2:optionalFeature lv2:hardRTCapable, opts:options, "
                                 "bufsz:boundedBlockLength ;\n"
                               : "    lv2:optionalFeature lv2:hardRTCapable, opts:options, "
                                 "urid:map, bufsz:boundedBlockLength ;\n")
      << "    opts:supportedOption bufsz:maxBlockLength ;\n"
      << "    lv2:port\n";
  for (size_t i = 0; i < def.portCount; ++i) {
    const std::string error = WritePort(out, def.ports[i], i, module);
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

std::string WritePresets(std::ostream &out, std::ostream &manifest) {
  out << kPrefixes;
  for (int i = 0; i < Registry::Count(); ++i) {
    const PluginDef &def = *Registry::At(i);
    const PresetSpec *presets = nullptr;
    const size_t count = PresetRegistry::Presets(def.uri, &presets);
    for (size_t k = 0; k < count; ++k) {
      const PresetSpec &ps = presets[k];
      const std::string uri = PresetUri(def, ps);
      manifest << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << def.uri
               << "> ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
      out << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << def.uri << "> ;\n"
          << "    rdfs:label " << Quoted(ps.label) << " ;\n    lv2:port";
      for (size_t v = 0; v < ps.valueCount; ++v) {
        const PortSpec *port = FindPort(def, ps.values[v].port);
        if (port == nullptr || port->type != PortType::kControl)
          return uri + ": no control port \"" + ps.values[v].port + "\"";
        out << (v == 0 ? " [\n" : " , [\n") << "        lv2:symbol " << Quoted(port->symbol)
            << " ;\n        pset:value " << Decimal(ps.values[v].value) << "\n    ]";
      }
      out << " .\n\n";
    }
  }
  return {};
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
