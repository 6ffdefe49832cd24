#include "pin_value.h"

#include "host_error.h"
#include "message_text.h"

#include <cctype>
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

bool EqualNoCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

void RequireSettable(const PinInfo &pin) {
  if (!pin.IsInput())
    throw HostError("pin \"" + pin.name + "\" is an output; it cannot be set");
  if (pin.datatype != DT_FSAMPLE && pin.datatype != DT_CHOICE)
    throw HostError("pin \"" + pin.name + "\" is a " + PinKind(pin) +
                    " pin; it can only be connected");
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
          : nlohmann::json(number).dump();
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
    if (EqualNoCase(item.text, text)) {
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
                    nlohmann::json(volts).dump());
  return volts / 10.0;
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

double PinValueFromJson(const PinInfo &pin, const nlohmann::json &value) {
  RequireSettable(pin);
  if (pin.IsAudio()) {
    if (!value.is_number())
      throw HostError("pin \"" + pin.name +
                      "\" is an audio pin; give its value in volts (a number)");
    return Volts(pin, value.get<double>());
  }
  if (value.is_string())
    return ChoiceByText(pin, value.get<std::string>());
  if (value.is_number())
    return ChoiceByNumber(pin, value.get<double>());
  throw HostError("pin \"" + pin.name + "\" is a choice pin; give an item text or its number" +
                  " (choices: " + ChoiceListText(pin) + ")");
}

double PinValueFromText(const PinInfo &pin, const std::string &text) {
  RequireSettable(pin);
  char *end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  const bool is_number = !text.empty() && end != nullptr && *end == '\0';
  if (pin.IsAudio()) {
    if (!is_number)
      throw HostError("pin \"" + pin.name + "\" is an audio pin; give its value in volts, not " +
                      Quoted(text));
    return Volts(pin, number);
  }
  // Item texts come first: "Filter Tap" has items named "2" to "5".
  try {
    return ChoiceByText(pin, text);
  } catch (const HostError &) {
    if (!is_number)
      throw;
  }
  return ChoiceByNumber(pin, number);
}

} // namespace sehost
