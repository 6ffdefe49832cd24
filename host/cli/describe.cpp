// `se-host describe PLUGIN...`: a module's description and pin list as a host
// shows them, with every pin's unit or range in words, every choice with its
// value, and a line on what each pin does (pin_notes).
#include "commands.h"
#include "host.h"
#include "pin_notes.h"
#include "pitch_units.h"
#include "plugin_locator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// "440 Hz (A4)" for a pitch in volts on the 1 V/octave scale.
std::string PitchWords(double volts) {
  const double hz = HzFromVolts(volts);
  return Number(std::round(hz * 100.0) / 100.0) + " Hz (" + NoteName(hz) + ")";
}

// The range of an audio pin from its pin list ("5,15,5,15": from 5 to 15).
std::string RangeWords(const PinInfo &pin) {
  std::vector<double> numbers;
  std::stringstream list(pin.datatype_text);
  std::string item;
  while (std::getline(list, item, ','))
    numbers.push_back(std::strtod(item.c_str(), nullptr));
  if (numbers.size() < 2)
    return "";
  return Number(std::min(numbers[0], numbers[1])) + " to " +
         Number(std::max(numbers[0], numbers[1])) + (IsHertzPin(pin) ? " Hz" : " V");
}

bool HasPin(const std::vector<PinInfo> &pins, const std::string &name) {
  return std::any_of(pins.begin(), pins.end(), [&](const PinInfo &p) { return p.name == name; });
}

void DescribePin(const ModuleDescription &d, const std::vector<PinInfo> &pins, const PinInfo &p,
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
  const PinNote *note = FindPinNote(d.id, p.name);
  const std::string range = p.IsAudio() ? RangeWords(p) : "";
  if (IsPitchPin(p)) {
    out << "      unit: 1 V/octave" << (HasPin(pins, kPitchModePin) ? " (in Pitch Mode Oct)" : "")
        << ", 0 V = 13.75 Hz, 5 V = " << PitchWords(5.0)
        << "; also takes \"440Hz\" or a note, \"A4\"\n";
  } else if (!range.empty()) {
    out << "      range: " << range << "\n";
  } else if (note != nullptr && note->range != nullptr) {
    out << "      range: " << note->range << "\n";
  }
  if (p.datatype == DT_CHOICE)
    WriteWrapped(out, "      choices: ", ChoiceItemTexts(items));
  if (note != nullptr)
    WriteWrapped(out, "      ", Words(note->what), "");
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
  for (const PinInfo &p : lib.Pins())
    DescribePin(d, lib.Pins(), p, out);
}

} // namespace

void AddDescribe(CLI::App &app, const Globals &globals) {
  auto plugins = std::make_shared<std::vector<std::string>>();
  CLI::App *cmd = app.add_subcommand("describe", "Show a plugin's description and pin list");
  cmd->add_option("plugin", *plugins,
                  "Plugin names (\"ladder_filter\") or files; none: every plugin in the folder")
      ->type_name("PLUGIN");
  cmd->callback([plugins, globals] {
    const std::string dir = DefaultPluginDir(globals->pluginDir);
    std::vector<std::string> names = *plugins;
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
      Describe(*lib, std::cout);
    }
  });
}

} // namespace sehost::cli
