#include "pin_value.h"

#include "host_error.h"
#include "message_text.h"
#include "module_pins.h"

#include "se_text.h"

#include <cmath>
#include <cstdlib>

namespace sehost {
namespace {

std::string PinKind(const PinInfo &pin) {
  switch (pin.datatype) {
  case DT_FSAMPLE: return "audio";
  case DT_CHOICE: return "choice";
  case DT_INT32: return "link";
  default: return "data";
  }
}

void RequireSettable(const PinInfo &pin) {
  if (!pin.IsInput())
    throw HostError("pin \"" + pin.name + "\" is an output; it cannot be set");
  if (pin.datatype != DT_FSAMPLE && pin.datatype != DT_CHOICE)
    throw HostError("pin \"" + pin.name + "\" is a " + PinKind(pin) +
                    " pin; it can only be connected");
}

// A number as a message writes it: JSON's shortest form, or "nan", "inf" and
// "-inf", which JSON has no words for.
std::string NumberText(double number) {
  if (std::isnan(number))
    return "nan";
  if (std::isinf(number))
    return number > 0 ? "inf" : "-inf";
  return nlohmann::json(number).dump();
}

double ChoiceByNumber(const PinInfo &pin, double number) {
  const auto items = pin.Choices();
  if (std::isfinite(number) && number == std::floor(number))
    for (const ChoiceItem &item : items)
      if (item.value == number)
        return number;
  // Whole numbers read as they were written ("3", not "3.0").
  const std::string text =
      std::isfinite(number) && number == std::floor(number) && std::abs(number) < 1e15
          ? std::to_string(static_cast<long long>(number))
          : NumberText(number);
  throw HostError("pin \"" + pin.name + "\" has no choice with the value " + text +
                  " (choices: " + ChoiceListText(pin) + ")");
}

double ChoiceByText(const PinInfo &pin, const std::string &text) {
  const auto items = pin.Choices();
  for (const ChoiceItem &item : items)
    if (item.text == text)
      return item.value;
  // Letter case is forgiven when it leaves no doubt ("on" for "ON").
  const ChoiceItem *found = nullptr;
  int matches = 0;
  for (const ChoiceItem &item : items)
    if (se::SameLetters(item.text, text)) {
      found = &item;
      ++matches;
    }
  if (matches == 1)
    return found->value;
  throw HostError("pin \"" + pin.name + "\" has no choice " + Quoted(text) +
                  " (choices: " + ChoiceListText(pin) + ")");
}

double Volts(const PinInfo &pin, double volts) {
  if (!std::isfinite(volts) || std::abs(volts) > kMaxVolts)
    throw HostError("pin \"" + pin.name + "\" takes volts from -1e6 to 1e6, not " +
                    NumberText(volts));
  return volts;
}

std::string Trim(const std::string &s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos)
    return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

[[noreturn]] void BadAudioText(const PinInfo &pin, const std::string &text) {
  const std::string head = "pin \"" + pin.name + "\" ";
  const std::string tail = ", not \"" + text + "\"";
  if (IsPitchPin(pin))
    throw HostError(head + "is a pitch pin; give volts (5, \"5V\"), a frequency (\"440Hz\") " +
                    "or a note (\"A4\", \"C#3\", \"Bb2\")" + tail);
  if (IsHertzPin(pin))
    throw HostError(head + "takes Hz; give a number (18000) or a frequency (\"18kHz\")" + tail);
  throw HostError(head + "is an audio pin; give its value in volts (5, \"5V\")" + tail);
}

// The volts that stand for a frequency on this pin.
double FrequencyVolts(const PinInfo &pin, double hz, const std::string &text, PitchScale scale) {
  if (!IsPitchPin(pin) && !IsHertzPin(pin))
    throw HostError("pin \"" + pin.name + "\" takes volts, not a frequency or note (\"" + text +
                    "\"); only pitch pins and pins in Hz do");
  if (!(hz > 0.0 && hz <= kMaxVolts))
    throw HostError("pin \"" + pin.name +
                    "\": a frequency is above 0 Hz and at most 1 MHz, not \"" + text + "\"");
  return Volts(pin, IsHertzPin(pin) ? hz : VoltsFromHz(hz, scale));
}

double VoltsFromText(const PinInfo &pin, const std::string &text, PitchScale scale) {
  const std::string t = Trim(text);
  if (LooksLikeNote(t)) {
    double hz = 0.0;
    try {
      hz = NoteHz(t);
    } catch (const HostError &e) {
      throw HostError("pin \"" + pin.name + "\": " + e.what());
    }
    return FrequencyVolts(pin, hz, text, scale);
  }
  char *end = nullptr;
  const double number = std::strtod(t.c_str(), &end);
  if (t.empty() || end == t.c_str())
    BadAudioText(pin, text);
  const std::string unit = Trim(end);
  if (unit.empty() || unit == "V" || unit == "v")
    return Volts(pin, number);
  if (se::SameLetters(unit, "Hz"))
    return FrequencyVolts(pin, number, text, scale);
  if (se::SameLetters(unit, "kHz"))
    return FrequencyVolts(pin, number * 1000.0, text, scale);
  BadAudioText(pin, text);
}

} // namespace

std::string ChoiceListText(const PinInfo &pin) {
  const auto items = pin.Choices();
  std::string text;
  // Long lists (the harmonic counts) are shown by their ends.
  if (items.size() > 24)
    return items.front().text + ", " + items[1].text + ", ... " + items.back().text;
  for (const ChoiceItem &item : items)
    text += (text.empty() ? "" : ", ") + item.text;
  return text;
}

double VoltsFromJson(const PinInfo &pin, const nlohmann::json &value, PitchScale scale) {
  if (value.is_number())
    return Volts(pin, value.get<double>());
  if (value.is_string())
    return VoltsFromText(pin, value.get<std::string>(), scale);
  BadAudioText(pin, value.dump());
}

double PinValueFromJson(const PinInfo &pin, const nlohmann::json &value, PitchScale scale,
                        const se::PinMeta *meta) {
  RequireSettable(pin);
  if (pin.IsAudio())
    return VoltsFromJson(pin, value, scale) / 10.0;
  if (value.is_string())
    return PinValueFromText(pin, value.get<std::string>(), scale, meta);
  if (value.is_number())
    return ChoiceByNumber(pin, value.get<double>());
  throw HostError("pin \"" + pin.name + "\" is a choice pin; give an item text or its number" +
                  " (choices: " + ChoiceListText(pin) + ")");
}

double PinValueFromText(const PinInfo &pin, const std::string &text, PitchScale scale,
                        const se::PinMeta *meta) {
  RequireSettable(pin);
  if (pin.IsAudio())
    return VoltsFromText(pin, text, scale) / 10.0;
  // Item texts come first: "Filter Tap" has items named "2" to "5"; then the
  // numbers users read for the items ("6" for X), then the module's values.
  try {
    return ChoiceByText(pin, text);
  } catch (const HostError &) {
    char *end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0')
      throw;
    if (meta != nullptr)
      for (const se::ChoiceMeta &item : meta->choices)
        if (item.shown == number)
          return item.value;
    return ChoiceByNumber(pin, number);
  }
}

PitchScale PitchScaleOf(const std::vector<PinInfo> &pins, const nlohmann::json &settings,
                        const se::ModuleMeta *module) {
  if (!settings.is_object())
    return PitchScale::kOctave;
  for (auto it = settings.begin(); it != settings.end(); ++it) {
    const PinInfo *pin = FindPin(pins, module, it.key());
    if (pin == nullptr || pin->name != kPitchModePin || pin->datatype != DT_CHOICE)
      continue;
    try {
      const double value = PinValueFromJson(*pin, it.value());
      for (const ChoiceItem &item : pin->Choices())
        if (item.value == value)
          return PitchScaleOfItem(item.text);
    } catch (const HostError &) {
      // The setting's own error is reported where it is read.
    }
  }
  return PitchScale::kOctave;
}

} // namespace sehost
