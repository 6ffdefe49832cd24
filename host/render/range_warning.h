// A warning for a value given to an audio pin outside the range its module
// offers (se_pin_meta.h). The value still reaches the module, which contains
// anything itself; the user only hears that it is unusual, and where a bare
// number on a pitch pin looks like a frequency, how to write one.
#ifndef SEHOST_RANGE_WARNING_H
#define SEHOST_RANGE_WARNING_H

#include "pin_info.h"
#include "pitch_units.h"
#include "se_pin_meta.h"

#include <string>

namespace sehost {

// What to say about `volts` (the value in volts, or Hz on a pin in Hz) given
// as `text` (the value as written: "-5", "800", "440Hz") for `pin`; "" when
// there is nothing to say: inside the range, or a pin without metadata or not
// in volts or Hz. Pitch ranges are in volts at 1 V per octave, so under another
// `scale` pitch pins are not checked. The text names the pin, the value and
// the range: "-5 V is outside the range of "Resonance", 0 to 10 V".
std::string RangeWarning(const PinInfo &pin, const se::PinMeta *meta, double volts,
                         const std::string &text, PitchScale scale);

} // namespace sehost

#endif
