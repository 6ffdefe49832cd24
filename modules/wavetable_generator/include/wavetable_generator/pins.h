// The generator's pins, public: its one pin, the link, and what it means to
// users (se_pin_meta.h).
#ifndef WAVETABLE_GENERATOR_PINS_H
#define WAVETABLE_GENERATOR_PINS_H

#include "se_pin_meta.h"
#include "se_pins.h"

#include <cstdint>

namespace wavetable {

// The module's name and id, as its description gives them.
inline constexpr char kModuleName[] = "QX_Standard_OscWT";
inline constexpr char kModuleId[] = "OscWaveTable_Standard_QX2010";

// DSP pin indices.
enum Pin : int32_t { kLinkPin = 0, kPinCount };

inline constexpr se::PinSpec kPins[kPinCount] = {
    {"QX_Osc_Link", DR_OUT, DT_INT32, nullptr, nullptr, 0},
};

inline constexpr se::PinMeta kPinMeta[kPinCount] = {
    {.name = kPins[kLinkPin].name,
     .display = "Link",
     .symbol = "link",
     .unit = se::PinUnit::kLink,
     .what = "The wavetables: connect it to the QX_Osc_Link input of every oscillator."},
};
static_assert(se::MetaFollowsPins(kPins, kPinMeta), "one metadata entry per pin, by its name");

inline constexpr se::ModuleMeta kModuleMeta{"wavetable_generator", kModuleId, kPins, kPinMeta};

} // namespace wavetable

// This module's entry in the catalogue made from the build's module list
// (se_pin_catalog.h).
namespace se::pin_meta {
inline constexpr const ModuleMeta &wavetable_generator = wavetable::kModuleMeta;
} // namespace se::pin_meta

#endif // WAVETABLE_GENERATOR_PINS_H
