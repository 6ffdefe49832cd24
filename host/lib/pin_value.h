// A user's value for an input pin, turned into the value the host sets:
// audio pins are given in volts (the host's samples are volts / 10), choice
// pins by the item text the host shows ("Pulse:Saw", "X", "ON") or by the
// item's value as a number.
#ifndef SEHOST_PIN_VALUE_H
#define SEHOST_PIN_VALUE_H

#include "pin_info.h"

#include <nlohmann/json.hpp>

#include <string>

namespace sehost {

// Audio values beyond this many volts are refused as mistakes; it keeps every
// value far inside what a float sample can hold.
inline constexpr double kMaxVolts = 1e6;

// Throws HostError with a message that names the pin and what is wrong (but
// not where the value came from; the caller adds that).
double PinValueFromJson(const PinInfo &pin, const nlohmann::json &value);
// The same for a value written on the command line ("Resonance=7", "Type=HP").
double PinValueFromText(const PinInfo &pin, const std::string &text);

// The items of a choice pin as a short list for messages: "LP, HP".
std::string ChoiceListText(const PinInfo &pin);

} // namespace sehost

#endif
