// Pins in words: their units, ranges and choices as `describe` and the
// manuals' pin tables write them, from the module's pin metadata where it
// publishes some and from its pin list otherwise.
#ifndef SEHOST_CLI_PIN_WORDS_H
#define SEHOST_CLI_PIN_WORDS_H

#include "pin_info.h"
#include "se_pin_meta.h"

#include <string>
#include <vector>

namespace sehost::cli {

// A number as people write it: "10.6", "22050", "0.5".
std::string Number(double v);
// A frequency: "440 Hz", "21.3 kHz", "0.0134 Hz".
std::string HzWords(double hz);
// A pitch in volts on the 1 V/octave scale: "440 Hz (A4)".
std::string PitchWords(double volts);

// A pin's range in its unit: "5 to 15 V", "100 to 22050 Hz", "2 to 10.6 V
// (55 Hz to 21.3 kHz)"; empty when it has none. Without metadata, the range
// hint of the pin list ("5,15,5,15").
std::string RangeWords(const PinInfo &pin, const se::PinMeta *meta);

// What the pin's volts mean, where that needs saying: "10 V = one cycle".
std::string UnitNote(se::PinUnit unit);

// The items of a choice pin in short: "LP, HP", "1 to 256" for a run of
// numbers, "22 items" for a long list.
std::string ChoiceSummary(const std::vector<ChoiceItem> &items);

// The items that users read as another number than their text says, as
// "X = 6"; empty when every item reads as its text or its value.
std::vector<std::string> ShownNumbers(const se::PinMeta &meta);

} // namespace sehost::cli

#endif
