// The oscillator plugin's ports as a table (plugin_def.h), its LV2 entry
// points and its registration in the bundle.
#include "audio_oscillator/pins.h"
#include "module_plugin.h"
#include "oscillator_ports.h"
#include "oscillator_voice.h"

SE_USE_PLUGIN_ENTRY(audio_oscillator)

namespace lv2osc {

namespace {

using se_lv2::PinMapping;
using se_lv2::PortSpec;
using se_lv2::PortType;

constexpr const char *PinName(osc::Pin pin) { return osc::kPins[pin].name; }

// A control of the oscillator's own pins, described by the module's metadata.
constexpr PortSpec OscControl(osc::Pin pin, PinMapping mapping) {
  return se_lv2::PinControl(osc::kModuleMeta, pin, mapping);
}
constexpr PortSpec WithDefault(PortSpec p, float value) {
  p.defaultValue = value;
  return p;
}
constexpr PortSpec Count(PortSpec p) {
  p.hints |= se_lv2::kHintInteger;
  return p;
}
constexpr PortSpec Logarithmic(PortSpec p) {
  p.logarithmic = true;
  return p;
}
constexpr PortSpec WithComment(PortSpec p, const char *comment) {
  p.comment = comment;
  return p;
}

constexpr PortSpec kPorts[kPortCount] = {
    {.type = PortType::kMidiIn,
     .symbol = "midi_in",
     .name = "MIDI In",
     .comment = "Notes on every channel (the most recent note still held sounds), pitch bend of "
                "two semitones, all notes off"},
    {.type = PortType::kAudioOut,
     .symbol = "out",
     .name = "Output",
     .pin = PinName(osc::kWaveOut),
     .mapping = PinMapping::kAudio},
    {.type = PortType::kCV,
     .symbol = "pitch_cv",
     .name = "Pitch CV",
     .pin = PinName(osc::kPitchAdjust),
     .mapping = PinMapping::kVolts,
     .minimum = -10.0f,
     .maximum = 10.0f,
     .defaultValue = 0.0f,
     .comment = "Sidechain: added to the note's pitch, 1.0 = 10 V at 1 V per octave (0.1 per "
                "octave; in the Khz and Hz pitch modes 1 V adds 1 kHz or 1 Hz)"},
    OscControl(osc::kWaveform, PinMapping::kChoice),
    WithDefault(OscControl(osc::kPhasePw, PinMapping::kVolts), 5.0f), // a pulse of half width
    Count(OscControl(osc::kHarmonics, PinMapping::kChoice)),          // 1 to 256
    Logarithmic(OscControl(osc::kFreqLimit, PinMapping::kVolts)),
    WithComment(OscControl(osc::kLimitSystem, PinMapping::kChoice),
                "OFF: no limit (harmonics may fold back); A and B: the limit applies (both "
                "follow the note here)"),
    WithComment(OscControl(osc::kPitchMode, PinMapping::kChoice),
                "How the module reads pitch: 1 V per octave, or linearly in kHz or Hz (notes "
                "play in tune in every mode; the pitch modulation input adds 1 kHz or 1 Hz per "
                "volt in the linear modes)"),
    WithComment(OscControl(osc::kPitchModAccuracy, PinMapping::kChoice),
                "High: a moving pitch modulation is followed per sample; Low: once per block"),
    {.type = PortType::kControl,
     .symbol = "hold",
     .name = "Hold",
     .minimum = 0.0f,
     .maximum = 1.0f,
     .defaultValue = 0.0f,
     .comment = "On: the last note keeps sounding after its release, until the next note",
     .hints = se_lv2::kHintToggled},
    {.type = PortType::kControl,
     .symbol = "active",
     .name = "Always Active",
     .minimum = 0.0f,
     .maximum = 1.0f,
     .defaultValue = 0.0f,
     .comment = "Off: sounds while a note is held; on: always sounds, notes only set the pitch",
     .hints = se_lv2::kHintToggled},
    {.type = PortType::kControl,
     .symbol = "ramp",
     .name = "Click-free Ramp",
     .minimum = 0.0f,
     .maximum = 1.0f,
     .defaultValue = 1.0f,
     .comment = "On: each note from silence fades in, and the last release fades out, over 3 ms",
     .hints = se_lv2::kHintToggled},
};

constexpr LV2_Descriptor kDescriptor = se_lv2::ModulePlugin::Descriptor(
    kOscillatorUri, &se_lv2::ModulePlugin::InstantiateWith<OscillatorVoice>);

} // namespace

const se_lv2::PluginDef kOscillatorDef{
    kOscillatorUri, "Standard Oscillator", "InstrumentPlugin", "QX_Standard_Osc",
    &se::entries::audio_oscillator, 1, kPorts, kPortCount, &kDescriptor,
    "Band-limited wavetable oscillator played from MIDI: 21 waveforms and their pulse forms, "
    "noise, a harmonic limit that follows the note, and a pitch modulation input (sidechain "
    "audio, 1.0 = 10 V). Each note from silence "
    "starts its cycle at phase 0.",
    &osc::kModuleMeta,
    // Full level is 0.5; the loudest waveform without a harmonic limit peaks
    // near 1.8. Held within 4 (+12 dBFS), the limit starting at 2.
    4.0f};

namespace {
const se_lv2::Registry::Registration kRegistration(kOscillatorDef);
} // namespace

} // namespace lv2osc
