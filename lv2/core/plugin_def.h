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
  kHintInteger = 1u << 1,  // whole numbers only
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
  // A control that is a choice of the wrapper's own (no module pin): its items,
  // each stored and shown as its `shown` number.
  std::span<const se::ChoiceMeta> choices = {};
};

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
