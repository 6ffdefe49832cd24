// A user's value for an input pin, turned into the value the host sets:
// audio pins are given in volts (the host's samples are volts / 10): a number,
// or a text ("5", "5V"); pitch pins also take a frequency ("440Hz", "1.5kHz")
// or a note ("A4", "C#3", "Bb2"), pins in Hz a frequency. Choice pins take
// the item text the host shows ("Pulse:Saw", "X", "ON") or the item's value
// as a number; in a text, also the number users read for an item where the
// module publishes it (se_pin_meta.h: "Filter Tap" "6" is X).
#ifndef SEHOST_PIN_VALUE_H
#define SEHOST_PIN_VALUE_H

#include "pin_info.h"
#include "pitch_units.h"
#include "se_pin_meta.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace sehost {

// Audio values beyond this many volts are refused as mistakes; it keeps every
// value far inside what a float sample can hold.
inline constexpr double kMaxVolts = 1e6;

// The one reading of a value written as text, in a patch or on the command
// line ("7", "440Hz", "C3", "HP"). `scale` is how the module reads its pitch
// pins (PitchScaleOf); `meta` what the module publishes of the pin, if
// anything. Throws HostError with a message that names the pin and what is
// wrong (but not where the value came from; the caller adds that).
double PinValueFromText(const PinInfo &pin, const std::string &text,
                        PitchScale scale = PitchScale::kOctave, const se::PinMeta *meta = nullptr);
// The same for a JSON value: a number is volts or a choice value, a text is
// read by PinValueFromText.
double PinValueFromJson(const PinInfo &pin, const nlohmann::json &value,
                        PitchScale scale = PitchScale::kOctave, const se::PinMeta *meta = nullptr);
// An audio value in volts (not divided by 10): what sources take.
double VoltsFromJson(const PinInfo &pin, const nlohmann::json &value,
                     PitchScale scale = PitchScale::kOctave);

// How a module reads its pitch pins, from its pin settings (a patch's "pins"
// object, under any name of the pin that module's metadata gives): its "Pitch
// Mode" item if one is set, else 1 V/octave.
PitchScale PitchScaleOf(const std::vector<PinInfo> &pins, const nlohmann::json &settings,
                        const se::ModuleMeta *module = nullptr);

// The items of a choice pin as a short list for messages: "LP, HP".
std::string ChoiceListText(const PinInfo &pin);

} // namespace sehost

#endif
