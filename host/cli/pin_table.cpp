#include "pin_table.h"

#include "module_pins.h"
#include "pin_words.h"
#include "pitch_units.h"

#include <cstdlib>

#include <filesystem>
#include <string>
#include <vector>

namespace sehost::cli {
namespace {

// A table cell: a '|' would end it.
std::string Cell(const std::string &text) {
  std::string cell;
  for (char c : text)
    cell += c == '|' ? std::string("\\|") : std::string(1, c);
  return cell;
}

std::string NameCell(const PinInfo &pin, const se::PinMeta *meta) {
  std::string cell = pin.name;
  if (meta == nullptr)
    return cell;
  std::string others;
  for (const std::string &name : OtherNames(*meta))
    others += (others.empty() ? "" : ", ") + name;
  return others.empty() ? cell : cell + " (also " + others + ")";
}

std::string DefaultWords(const PinInfo &pin) {
  if (!pin.IsInput() || !pin.has_default || pin.default_text.empty())
    return "";
  if (pin.IsAudio())
    return "default " + Number(std::strtod(pin.default_text.c_str(), nullptr)) +
           (IsHertzPin(pin) ? " Hz" : " V");
  for (const ChoiceItem &item : pin.Choices())
    if (item.value == static_cast<int>(pin.DefaultValue()))
      return "default " + item.text;
  return "";
}

std::string KindCell(const PinInfo &pin, const se::PinMeta *meta) {
  const std::string direction = pin.IsInput() ? " in" : pin.IsOutput() ? " out" : "";
  std::vector<std::string> parts;
  if (pin.datatype == DT_CHOICE) {
    parts.push_back("choice " + ChoiceSummary(pin.Choices()));
    if (meta != nullptr)
      for (const std::string &shown : ShownNumbers(*meta))
        parts.push_back("as a number " + shown);
  } else if (pin.IsAudio()) {
    parts.push_back("audio" + direction);
    const se::PinUnit unit = meta != nullptr ? meta->unit : se::PinUnit::kAudio;
    if (unit == se::PinUnit::kPitch)
      parts.push_back("pitch");
    if (unit != se::PinUnit::kAudio && pin.IsInput()) {
      const std::string range = RangeWords(pin, meta);
      const std::string note = UnitNote(unit);
      if (!range.empty())
        parts.push_back(range + (note.empty() ? "" : " (" + note + ")"));
    }
  } else {
    parts.push_back("link" + direction);
  }
  if (const std::string d = DefaultWords(pin); !d.empty())
    parts.push_back(d);
  std::string cell;
  for (const std::string &part : parts)
    cell += (cell.empty() ? "" : ", ") + part;
  return cell;
}

} // namespace

void WritePinTable(const PluginLibrary &lib, std::ostream &out) {
  const std::string plugin = std::filesystem::path(lib.Path()).stem().string();
  const se::ModuleMeta *module = ModuleMetaOf(lib.Description().id);
  out << "<!-- pin table: written by `se-host describe --markdown " << plugin
      << "` from the module's pin metadata -->\n"
      << "| pin | kind | what it does |\n"
      << "|---|---|---|\n";
  std::vector<std::string> notes;
  for (const PinInfo &pin : lib.Pins()) {
    const se::PinMeta *meta = PinMetaOf(module, pin);
    if (meta != nullptr && meta->hidden)
      continue;
    const std::string what = meta != nullptr && meta->what != nullptr ? meta->what : "";
    out << "| " << Cell(NameCell(pin, meta)) << " | " << Cell(KindCell(pin, meta)) << " | "
        << Cell(what) << " |\n";
    if (meta != nullptr && meta->rangeNote != nullptr)
      notes.push_back("- " + pin.name + ": " + meta->rangeNote);
  }
  if (!notes.empty()) {
    out << "\nThe ranges are what the tools and plugin formats offer; a value outside one "
           "still reaches the module.\n";
    for (const std::string &note : notes)
      out << note << "\n";
  }
  out << "<!-- end of pin table -->\n";
}

} // namespace sehost::cli
