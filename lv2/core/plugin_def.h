// What a plugin of the bundle is, as constant tables: its ports and which
// module pin each one drives. The plugin's run code and the TTL generator
// (ttl_main.cpp) read the same tables, so the description a host reads and
// the code it runs cannot disagree.
#ifndef SE_LV2_PLUGIN_DEF_H
#define SE_LV2_PLUGIN_DEF_H

#include "se_pin_meta.h"
#include "se_plugin.h"

#include <lv2/core/lv2.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace se_lv2 {

// Every URI of the bundle starts with this: SE_LV2_URI("filter").
#define SE_LV2_URI_BASE "urn:ladder-osc-modules:"
#define SE_LV2_URI(SUFFIX) SE_LV2_URI_BASE SUFFIX

// kCV is a modulation input: an audio port marked as a sidechain (the port
// type every common host accepts), whose samples read as the module's own
// audio pins read them, 1.0 = 10 V; it adds to the control of the same pin.
// Its range and default in the table are in volts.
enum class PortType { kAudioIn, kAudioOut, kControl, kCV, kMidiIn };

// How a port's value reaches its module pin.
enum class PinMapping {
  kNone,        // the wrapper handles the port itself (MIDI, wrapper-only controls)
  kAudio,       // an audio port is the pin's buffer
  kHertz,       // a frequency: 0 V = 13.75 Hz, 1 V per octave, sample = volts / 10
  kVolts,       // volts: sample = volts / 10; a CV port adds its volts to the control's
  kChoice,      // a choice pin: the port's value is the item's value; range, items and
                // default come from the module's own pin list
  kOutputLevel, // wrapper-only: the output's level in dB (every output, ramped)
  kEnabled,     // wrapper-only: lv2:enabled, 0 crossfades to the dry input
};

// How a host should show a control (written as lv2:portProperty).
enum PortHint : unsigned {
  kHintNone = 0,
  kHintToggled = 1u << 0,  // an on/off switch: 0 or 1
  kHintInteger = 1u << 1,  // whole numbers only; on a choice port whose shown
                           // numbers run without a gap: a count, written as a
                           // range rather than a list (Harmonics 1 to 256)
  kHintPosition = 1u << 2, // a MIDI input that also takes the host's time:Position
};

struct PortSpec {
  PortType type = PortType::kControl;
  const char *symbol = nullptr;
  const char *name = nullptr;
  const char *pin = nullptr; // the module pin it drives (by its name), or nullptr
  PinMapping mapping = PinMapping::kNone;
  float minimum = 0.0f; // Control and CV ports (not Choice)
  float maximum = 1.0f;
  float defaultValue = 0.0f;
  const char *unit = nullptr; // "hz", "volt" (a unit of ours), or nullptr
  bool logarithmic = false;
  int channel = 0; // audio ports of a multi-channel plugin: the module instance
  const char *comment = nullptr;
  unsigned hints = kHintNone;
  // Choice ports: each item with the number the port shows and stores for it.
  // On a module pin (kChoice), the pin's metadata (empty: the module's own
  // values); on a choice of the wrapper's own (no pin), its items.
  std::span<const se::ChoiceMeta> choices = {};
};

// A decimal as a pin list writes its default ("5", "-0.5", "22000").
constexpr float ParseDecimal(std::string_view text) {
  double v = 0.0, scale = 1.0;
  bool negative = false, fraction = false;
  for (char c : text) {
    if (c == '-')
      negative = true;
    else if (c == '.')
      fraction = true;
    else if (c >= '0' && c <= '9') {
      if (fraction)
        v += (c - '0') * (scale /= 10.0);
      else
        v = v * 10.0 + (c - '0');
    }
  }
  return static_cast<float>(negative ? -v : v);
}

// A control port of a module pin as the module's public metadata describes
// it: symbol, name, what it does (the comment), and by the mapping its
// choices (with the numbers users read), or its unit, range and default (the
// pin's own). A frequency control (kHertz) on a pitch pin states its range
// and default in Hz itself; the Turtle writer checks them against the pin's.
// Anything the wrapper does differently is set on the answer.
constexpr PortSpec PinControl(const se::ModuleMeta &module, size_t pin, PinMapping mapping) {
  const se::PinMeta &m = module.meta[pin];
  PortSpec p{.type = PortType::kControl,
             .symbol = m.symbol,
             .name = m.display,
             .pin = module.pins[pin].name,
             .mapping = mapping,
             .comment = m.what};
  if (mapping == PinMapping::kChoice) {
    p.choices = m.choices;
  } else if (mapping == PinMapping::kHertz) {
    p.unit = "hz";
    p.logarithmic = true;
  } else {
    p.unit = m.unit == se::PinUnit::kHertz ? "hz" : "volt";
    p.minimum = static_cast<float>(m.range.min);
    p.maximum = static_cast<float>(m.range.max);
    p.defaultValue = ParseDecimal(module.pins[pin].defaultValue);
  }
  return p;
}

struct PresetSpec {
  const char *symbol; // URI suffix after the plugin's URI and ":preset:"
  const char *label;
  struct Value {
    const char *port;
    float value;
  };
  const Value *values;
  size_t valueCount;
};

struct PluginDef {
  const char *uri; // SE_LV2_URI("...")
  const char *name;
  const char *lv2Class; // e.g. "FilterPlugin"
  const char *module;   // the module's name, for the description
  const se::PluginEntry *entry;
  int channels; // module instances, one per audio channel
  const PortSpec *ports;
  size_t portCount;
  const LV2_Descriptor *descriptor;
  const char *comment;
  // The module's public pin metadata: the Turtle writer checks every port of
  // a pin against it (choices, ranges), so that no two descriptions differ.
  const se::ModuleMeta *meta = nullptr;
  // The largest magnitude an audio output ever carries at unity output level,
  // whatever the settings, inputs or host (output_limit.h holds it: samples
  // within half of it pass unchanged). Every plugin states its own.
  float outputCeiling = 0.0f;
};

// The bundle's plugins. Each plugin's source registers its definition with a
// static Registration; the list is complete before any host can ask for it.
// A registration past kMaxPlugins is refused and counted (Refused()): the
// Turtle generator, which the build runs, then fails the build.
class Registry {
public:
  static constexpr int kMaxPlugins = 16;
  struct Registration {
    explicit Registration(const PluginDef &def);
  };
  static int Count();
  static int Refused();                  // registrations that found the list full
  static const PluginDef *At(int index); // in URI order; nullptr beyond the end
  static const PluginDef *Find(const char *uri);
};

// Presets of one plugin, registered the same way.
class PresetRegistry {
public:
  static constexpr int kMaxLists = 16;
  struct Registration {
    Registration(const char *plugin_uri, const PresetSpec *presets, size_t count);
  };
  static size_t Presets(const char *plugin_uri, const PresetSpec **presets);
  static int Refused(); // lists that found the registry full
};

} // namespace se_lv2

#endif // SE_LV2_PLUGIN_DEF_H
