// The synth's controls: one table, read by the engine, the LV2 plugin and its
// Turtle files, the command line (--set) and the web page. A control's value
// is what a player sets, in the unit the table gives (Hz, ms, %, dB, ...);
// the engine turns it into module pin values and rates.
#ifndef SYNTH_CONTROLS_H
#define SYNTH_CONTROLS_H

#include "se_pin_meta.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace synth {

enum class Kind : uint8_t {
  kLinear,      // any value in [minimum, maximum]
  kLogarithmic, // the same, shown on a logarithmic scale
  kInteger,     // whole numbers
  kToggle,      // off (0) or on (1)
  kChoice,      // one of `choices`, by the number a user reads for it (its `shown`)
};

enum class Unit : uint8_t { kNone, kHz, kMs, kPercent, kDb, kCents, kSemitones, kOctaves, kVolts };

// Index of each control in kControls.
enum Control : int32_t {
  kOsc1Waveform,
  kOsc1Width,
  kOsc2Waveform,
  kOsc2Width,
  kOsc2Octave,
  kOsc2Semitones,
  kOsc2Fine,
  kOsc2Sync,
  kOscMix,
  kNoise,
  kCutoff,
  kResonance,
  kZing,
  kFilterType,
  kFilterTap,
  kQTap,
  kEmulate,
  kVersion,
  kBassBoost,
  kFilterEnvAmount,
  kKeyTrack,
  kVelocityToCutoff,
  kPressureToCutoff,
  kFilterAttack,
  kFilterDecay,
  kFilterSustain,
  kFilterRelease,
  kAmpAttack,
  kAmpDecay,
  kAmpSustain,
  kAmpRelease,
  kAmpVelocity,
  kLfoShape,
  kLfoRate,
  kLfoSync,
  kLfoPitch,
  kLfoCutoff,
  kLfoWidth,
  kLfoWheel,
  kPolyphony,
  kVoiceMode,
  kGlide,
  kBendRange,
  kWidth,
  kVolume,
  kControlCount
};

struct ControlSpec {
  const char *symbol; // stable name: LV2 port symbol, --set name, preset key
  const char *name;   // what a player reads
  Kind kind;
  float minimum;
  float maximum;
  float defaultValue;
  Unit unit;
  const char *group; // the section of the panel it belongs to
  const char *comment;
  // kChoice: the items, with the module's value and the number shown for each
  // (for a module's choice pin, its own metadata: Filter Tap X is shown as 6).
  std::span<const se::ChoiceMeta> choices = {};
};

extern const ControlSpec kControls[kControlCount];

// The control named by `symbol`, or -1.
int32_t FindControl(std::string_view symbol);

// A value as the engine takes it: NaN gives the default, anything else is held
// to the range; whole-number kinds round to the nearest whole number, and a
// choice to its nearest item's shown number (the lower one on a tie).
float ContainValue(Control control, float value);

// The module's (or the list's) value of a choice control's item shown as
// `shown` (a contained value); the default item's for any other number.
int32_t ChoiceValue(Control control, float shown);

// Voice modes (kVoiceMode) and LFO shapes (kLfoShape).
enum class VoiceMode : int32_t { kPoly = 0, kMono = 1, kLegato = 2 };
enum class LfoShape : int32_t { kSine = 0, kTriangle, kSaw, kSquare, kSampleAndHold };

// The LFO's tempo divisions (kLfoSync): item 0 is free-running at the rate in
// Hz; the others give the length of one cycle in quarter notes.
inline constexpr int32_t kLfoSyncCount = 13;
double LfoSyncBeats(int32_t item); // 0 for item 0 (free)

} // namespace synth

#endif // SYNTH_CONTROLS_H
