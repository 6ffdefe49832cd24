// The filter's pins, public: the pin list in DSP pin order (what the module
// describes to a host) and beside it what each pin means to users
// (se_pin_meta.h), for every front end that shows, sets or maps them.
#ifndef LADDER_FILTER_PINS_H
#define LADDER_FILTER_PINS_H

#include "se_pin_meta.h"
#include "se_pins.h"

#include <cstdint>

namespace ladder {

// The module's name and id, as its description gives them.
inline constexpr char kModuleName[] = "DO DI Zuderu 3";
inline constexpr char kModuleId[] = "DO DI Zuderu 3";

// DSP pin indices.
enum Pin : int32_t {
  kSignalPin = 0,
  kPitchPin,
  kResonancePin,
  kZingPin,
  kTypePin,
  kFilterTapPin,
  kQTapPin,
  kEmulatePin,
  kVersionPin,
  kBassBoostPin,
  kOutputPin,
  kPinCount
};

inline constexpr char kTypeItems[] = "LP=0, HP=1";
inline constexpr char kFilterTapItems[] = "2 = 0, 3 = 1, 4 =2, 5 = 3, X = 4";
inline constexpr char kQTapItems[] = "2 = 0, 3 = 1, 4 =2, 5 = 3";
inline constexpr char kEmulateItems[] = "Analog = 0, Digital = 1";
inline constexpr char kVersionItems[] = "Clear = 0, Furry = 1";
inline constexpr char kBassBoostItems[] = "None = 0, Low = 1, Default = 2, Extra = 3";

inline constexpr se::PinSpec kPins[kPinCount] = {
    {"Signal", DR_IN, DT_FSAMPLE, "0", nullptr},
    {"Pitch", DR_IN, DT_FSAMPLE, "5", nullptr},
    {"Resonance", DR_IN, DT_FSAMPLE, "5", nullptr},
    {"(Zing)", DR_IN, DT_FSAMPLE, "10", "5,15,5,15"},
    {"Type", DR_IN, DT_CHOICE, "0", kTypeItems},
    {"Filter Tap", DR_IN, DT_CHOICE, "3", kFilterTapItems},
    {"Q Tap", DR_IN, DT_CHOICE, "3", kQTapItems},
    {"Emulate", DR_IN, DT_CHOICE, "1", kEmulateItems},
    {"(Version)", DR_IN, DT_CHOICE, "0", kVersionItems},
    {"Bass Boost", DR_IN, DT_CHOICE, "2", kBassBoostItems},
    {"Output", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
};

// The choices as users read them: the taps by their stage count, X as 6.
inline constexpr auto kTypeChoices = se::ChoicesOf<2>(kTypeItems, 0);
inline constexpr auto kFilterTapChoices = se::ChoicesOf<5>(kFilterTapItems, {2, 3, 4, 5, 6});
inline constexpr auto kQTapChoices = se::ChoicesOf<4>(kQTapItems, {2, 3, 4, 5});
inline constexpr auto kEmulateChoices = se::ChoicesOf<2>(kEmulateItems, 0);
inline constexpr auto kVersionChoices = se::ChoicesOf<2>(kVersionItems, 0);
inline constexpr auto kBassBoostChoices = se::ChoicesOf<4>(kBassBoostItems, 0);

inline constexpr const char *kVersionAliases[] = {"Variant"};

inline constexpr se::PinMeta kPinMeta[kPinCount] = {
    {.name = kPins[kSignalPin].name,
     .display = "Input",
     .symbol = "in",
     .unit = se::PinUnit::kAudio,
     .range = {-10.0, 10.0},
     .what = "The audio to filter. It must stream: a fixed value, or nothing at all, gives a "
             "silent output (the filter then rests)."},
    {.name = kPins[kPitchPin].name,
     .display = "Cutoff",
     .symbol = "cutoff",
     .unit = se::PinUnit::kPitch,
     .range = {2.0, 10.6},
     .rangeNote = "The cutoff stops at 55 Hz (2 V) below and at 15.1 or 21.3 kHz (10.1 or "
                  "10.6 V) above, each Filter Tap/Q Tap combination shifting it by up to 1 V; "
                  "the about text's 2 to 10.5 V says the same in round numbers.",
     .what = "The cutoff, 1 V per octave. Each Filter Tap/Q Tap combination shifts it by up to "
             "1 V either way."},
    {.name = kPins[kResonancePin].name,
     .display = "Resonance",
     .symbol = "resonance",
     .unit = se::PinUnit::kVolts,
     .range = {0.0, 10.0},
     .what = "Feedback around the ladder: a peak at the cutoff that rings and, near the top, "
             "sings on its own."},
    {.name = kPins[kZingPin].name,
     .display = "Zing",
     .symbol = "zing",
     .unit = se::PinUnit::kVolts,
     .range = {5.0, 15.0},
     .rangeNote = "The tools offer the pin's own range hint, 5 to 15 V. The about text names 0.1 "
                  "to 50 V: such values still reach the module, but towards the top the feedback "
                  "stops changing (at Pitch 5 V already above about 11 V).",
     .what = "How strongly the cutoff scales the resonance feedback (an expert setting): above "
             "10 V every cutoff gets more feedback, low cutoffs most. It is read when Pitch or "
             "Resonance next changes."},
    {.name = kPins[kTypePin].name,
     .display = "Type",
     .symbol = "type",
     .unit = se::PinUnit::kChoice,
     .what = "LP: the ladder's output, a low-pass. HP: the tap gain times (input - ladder "
             "output), which is NOT a high-pass but a high-cut shelf: lows near full level "
             "(inverted), highs 6 to 24 dB down (Filter Tap 2 to 5); with resonance the lows fall "
             "about 15 dB and a peak stands just below the cutoff. No effect with Filter Tap X.",
     .choices = kTypeChoices},
    {.name = kPins[kFilterTapPin].name,
     .display = "Filter Tap",
     .symbol = "filter_tap",
     .unit = se::PinUnit::kChoice,
     .what = "The stage the output is taken from: 2 to 5 stages (steeper with more), or X: twice "
             "a middle stage minus the last, inverted (a low-pass whose slope eases off well "
             "above the cutoff; Q Tap picks the stage).",
     .choices = kFilterTapChoices},
    {.name = kPins[kQTapPin].name,
     .display = "Q Tap",
     .symbol = "q_tap",
     .unit = se::PinUnit::kChoice,
     .what = "The stage whose output feeds the resonance back. With Filter Tap X it picks the X "
             "stage instead (2: the 3rd, 3: the 4th, 4: the 2nd; 5 makes X the same as tap 5).",
     .choices = kQTapChoices},
    {.name = kPins[kEmulatePin].name,
     .display = "Emulate",
     .symbol = "emulate",
     .unit = se::PinUnit::kChoice,
     .what = "Analog: every stage saturates softly and their tunings spread a little. Digital: "
             "clean stages, only the input stage saturates.",
     .choices = kEmulateChoices},
    {.name = kPins[kVersionPin].name,
     .display = "Version",
     .symbol = "version",
     .aliases = kVersionAliases,
     .unit = se::PinUnit::kChoice,
     .what = "Clear or Furry: two builds of the same ladder that differ only in float rounding; "
             "they sound alike.",
     .choices = kVersionChoices},
    {.name = kPins[kBassBoostPin].name,
     .display = "Bass Boost",
     .symbol = "bass_boost",
     .unit = se::PinUnit::kChoice,
     .what = "Lifts the output as the cutoff goes low: below 3 V (Low), 5 V (Default) or 6 V "
             "(Extra) the gain grows with the distance. None: no lift.",
     .choices = kBassBoostChoices},
    {.name = kPins[kOutputPin].name,
     .display = "Output",
     .symbol = "out",
     .unit = se::PinUnit::kAudio,
     .range = {-10.0, 10.0},
     .what = "The filtered audio."},
};
static_assert(se::MetaFollowsPins(kPins, kPinMeta), "one metadata entry per pin, by its name");

inline constexpr se::ModuleMeta kModuleMeta{"ladder_filter", kModuleId, kPins, kPinMeta};

} // namespace ladder

// This module's entry in the catalogue made from the build's module list
// (se_pin_catalog.h).
namespace se::pin_meta {
inline constexpr const ModuleMeta &ladder_filter = ladder::kModuleMeta;
} // namespace se::pin_meta

#endif // LADDER_FILTER_PINS_H
