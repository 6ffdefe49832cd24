// `se-host describe PLUGIN...`: a module's description and pin list as a host
// shows them, with every pin's unit and range in words, every choice with its
// value, the other names a pin goes by and what it does, from the pin
// metadata the module publishes (se_pin_meta.h). `--markdown` writes the pin
// table of the module's manual instead.
#include "commands.h"
#include "host.h"
#include "module_pins.h"
#include "pin_table.h"
#include "pin_words.h"
#include "pitch_units.h"
#include "plugin_locator.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace sehost::cli {
namespace {

const char *DirectionText(int32_t d) {
  switch (d) {
  case DR_IN: return "in";
  case DR_OUT: return "out";
  default: return "other";
  }
}

const char *DatatypeText(int32_t t) {
  switch (t) {
  case DT_CHOICE: return "choice";
  case DT_FSAMPLE: return "audio";
  case DT_INT32: return "int32";
  default: return "other";
  }
}

// Writes `items` (each but the last followed by `separator`) after `head`,
// wrapped to lines of about 96 characters.
void WriteWrapped(std::ostream &out, const std::string &head, const std::vector<std::string> &items,
                  const std::string &separator = ",") {
  const std::string indent(head.size(), ' ');
  std::string line = head;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string item = items[i] + (i + 1 < items.size() ? separator : "");
    if (line.size() > head.size() && line.size() + 1 + item.size() > 96) {
      out << line << "\n";
      line = indent;
    }
    line += (line.size() > head.size() ? " " : "") + item;
  }
  out << line << "\n";
}

// True when every item is the whole number `first + i` with the value `i + offset`:
// the harmonic counts, shown by their ends.
bool IsNumberRun(const std::vector<ChoiceItem> &items) {
  if (items.size() < 8)
    return false;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].text != std::to_string(std::atoi(items[0].text.c_str()) + static_cast<int>(i)) ||
        items[i].value != items[0].value + static_cast<int>(i))
      return false;
  return true;
}

std::vector<std::string> Words(const std::string &text) {
  std::vector<std::string> words;
  std::stringstream in(text);
  std::string word;
  while (in >> word)
    words.push_back(word);
  return words;
}

std::vector<std::string> ChoiceItemTexts(const std::vector<ChoiceItem> &items) {
  std::vector<std::string> texts;
  if (IsNumberRun(items)) {
    const int offset = items[0].value - std::atoi(items[0].text.c_str());
    return {items[0].text + "=" + std::to_string(items[0].value) + ", " + items[1].text + "=" +
            std::to_string(items[1].value) + ", ... " + items.back().text + "=" +
            std::to_string(items.back().value) +
            " (every whole number; the item n has the value n" + (offset < 0 ? " - " : " + ") +
            std::to_string(std::abs(offset)) + ")"};
  }
  for (const ChoiceItem &item : items)
    texts.push_back(item.text + "=" + std::to_string(item.value));
  return texts;
}

bool HasPin(const std::vector<PinInfo> &pins, const std::string &name) {
  return std::any_of(pins.begin(), pins.end(), [&](const PinInfo &p) { return p.name == name; });
}

std::vector<std::string> Quoted(const std::vector<std::string> &names) {
  std::vector<std::string> quoted;
  for (const std::string &name : names)
    quoted.push_back("\"" + name + "\"");
  return quoted;
}

void DescribePin(const std::vector<PinInfo> &pins, const PinInfo &p, const se::PinMeta *meta,
                 std::ostream &out) {
  out << "  " << (p.dsp_index >= 0 ? std::to_string(p.dsp_index) : std::string("-")) << "  "
      << DirectionText(p.direction) << "  " << DatatypeText(p.datatype) << "  \"" << p.name << "\"";
  const std::vector<ChoiceItem> items = p.Choices();
  if (p.has_default && !p.default_text.empty()) {
    out << "  default " << p.default_text;
    if (p.IsAudio())
      out << (IsHertzPin(p) ? " Hz" : " V");
    if (IsPitchPin(p))
      out << " = " << PitchWords(std::strtod(p.default_text.c_str(), nullptr));
    for (const ChoiceItem &item : items)
      if (p.datatype == DT_CHOICE && item.value == static_cast<int>(p.DefaultValue()))
        out << " (" << item.text << ")";
  }
  out << "\n";
  if (IsPitchPin(p))
    out << "      unit: 1 V/octave" << (HasPin(pins, kPitchModePin) ? " (in Pitch Mode Oct)" : "")
        << ", 0 V = 13.75 Hz, 5 V = " << PitchWords(5.0)
        << "; also takes \"440Hz\" or a note, \"A4\"\n";
  else if (meta != nullptr && !UnitNote(meta->unit).empty())
    out << "      unit: " << UnitNote(meta->unit) << "\n";
  if (const std::string range = p.IsInput() ? RangeWords(p, meta) : ""; !range.empty())
    out << "      range: " << range << "\n";
  if (meta != nullptr && meta->rangeNote != nullptr)
    WriteWrapped(out, "      note: ", Words(meta->rangeNote), "");
  if (p.datatype == DT_CHOICE)
    WriteWrapped(out, "      choices: ", ChoiceItemTexts(items));
  if (meta == nullptr)
    return;
  if (const std::vector<std::string> shown = ShownNumbers(*meta); !shown.empty())
    WriteWrapped(out, "      as a number (plugin formats, --set): ", shown);
  if (meta->what != nullptr)
    WriteWrapped(out, "      ", Words(meta->what), "");
  if (const std::vector<std::string> names = OtherNames(*meta); !names.empty())
    WriteWrapped(out, "      also named: ", Quoted(names));
}

void Describe(const PluginLibrary &lib, std::ostream &out) {
  const ModuleDescription &d = lib.Description();
  const std::string file = std::filesystem::path(lib.Path()).stem().string();
  out << "Module:  " << d.name << "\n"
      << "Plugin:  " << file << "  (in a patch: \"plugin\": \"" << file << "\")\n"
      << "Id:      " << d.id << "\n"
      << "SDK:     " << d.sdk_version << "\n"
      << "About:\n";
  std::string line;
  for (char c : d.about) {
    if (c == '\n') {
      out << "  | " << line << "\n";
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty())
    out << "  | " << line << "\n";
  out << "Pins:\n";
  const se::ModuleMeta *module = ModuleMetaOf(d.id);
  for (const PinInfo &p : lib.Pins()) {
    const se::PinMeta *meta = PinMetaOf(module, p);
    if (meta == nullptr || !meta->hidden)
      DescribePin(lib.Pins(), p, meta, out);
  }
}

struct DescribeOptions {
  std::vector<std::string> plugins;
  bool markdown = false;
};

} // namespace

void AddDescribe(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<DescribeOptions>();
  CLI::App *cmd = app.add_subcommand("describe", "Show a plugin's description and pin list");
  cmd->add_option("plugin", opt->plugins,
                  "Plugin names (\"ladder_filter\") or files; none: every plugin in the folder")
      ->type_name("PLUGIN");
  cmd->add_flag("--markdown", opt->markdown,
                "Write each plugin's pin table as its manual has it (docs/modules/)");
  cmd->callback([opt, globals] {
    const std::string dir = DefaultPluginDir(globals->pluginDir);
    std::vector<std::string> names = opt->plugins;
    if (names.empty()) {
      names = ListPlugins(dir);
      if (names.empty())
        throw HostError("no plugins in \"" + dir + "\"");
    }
    bool first = true;
    for (const auto &name : names) {
      // A file named on the command line is taken as it is; a bare name is
      // looked up in the plugin folder.
      std::error_code ec;
      const bool is_file =
          name.find('/') != std::string::npos && std::filesystem::is_regular_file(name, ec);
      auto lib = PluginLibrary::Load(is_file ? name : ResolvePlugin(name, dir));
      if (!first)
        std::cout << "\n";
      first = false;
      if (opt->markdown)
        WritePinTable(*lib, std::cout);
      else
        Describe(*lib, std::cout);
    }
  });
}

} // namespace sehost::cli
