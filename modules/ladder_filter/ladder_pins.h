// The filter's pins, in DSP pin order.
#ifndef LADDER_FILTER_LADDER_PINS_H
#define LADDER_FILTER_LADDER_PINS_H

#include "se_pins.h"

namespace ladder {

inline constexpr se::PinSpec kPins[] = {
    {"Signal", DR_IN, DT_FSAMPLE, "0", nullptr},
    {"Pitch", DR_IN, DT_FSAMPLE, "5", nullptr},
    {"Resonance", DR_IN, DT_FSAMPLE, "5", nullptr},
    {"(Zing)", DR_IN, DT_FSAMPLE, "10", "5,15,5,15"},
    {"Type", DR_IN, DT_CHOICE, "0", "LP=0, HP=1"},
    {"Filter Tap", DR_IN, DT_CHOICE, "3", "2 = 0, 3 = 1, 4 =2, 5 = 3, X = 4"},
    {"Q Tap", DR_IN, DT_CHOICE, "3", "2 = 0, 3 = 1, 4 =2, 5 = 3"},
    {"Emulate", DR_IN, DT_CHOICE, "1", "Analog = 0, Digital = 1"},
    {"(Version)", DR_IN, DT_CHOICE, "0", "Clear = 0, Furry = 1"},
    {"Bass Boost", DR_IN, DT_CHOICE, "2", "None = 0, Low = 1, Default = 2, Extra = 3"},
    {"Output", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
};

} // namespace ladder

#endif
