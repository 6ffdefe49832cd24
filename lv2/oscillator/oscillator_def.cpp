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
    {.type = PortType::kControl,
     .symbol = "waveform",
     .name = "Waveform",
     .pin = PinName(osc::kWaveform),
     .mapping = PinMapping::kChoice,
     .comment = "Waveform shape, its pulse form, or noise"},
    {.type = PortType::kControl,
     .symbol = "pulse_width",
     .name = "Phase/Pulse Width",
     .pin = PinName(osc::kPhasePw),
     .mapping = PinMapping::kVolts,
     .minimum = 0.0f,
     .maximum = 10.0f,
     .defaultValue = 5.0f,
     .unit = "volt",
     .comment = "10 V is one cycle: the phase offset of a waveform, the duty cycle of a pulse "
                "form, the level of the noise"},
    {.type = PortType::kControl,
     .symbol = "harmonics",
     .name = "Harmonics",
     .pin = PinName(osc::kHarmonics),
     .mapping = PinMapping::kChoice,
     .comment = "Number of harmonics played (a simple low-pass)"},
    {.type = PortType::kControl,
     .symbol = "freq_limit",
     .name = "Freq Limit",
     .pin = PinName(osc::kFreqLimit),
     .mapping = PinMapping::kVolts,
     .minimum = 100.0f,
     .maximum = 22050.0f,
     .defaultValue = 22000.0f,
     .unit = "hz",
     .logarithmic = true,
     .comment = "Harmonics above this frequency are left out; the fundamental always sounds"},
    {.type = PortType::kControl,
     .symbol = "limit_system",
     .name = "Limit Freq System",
     .pin = PinName(osc::kLimitSystem),
     .mapping = PinMapping::kChoice,
     .comment = "OFF: no limit (harmonics may fold back); A and B: the limit applies (both "
                "follow the note here)"},
    {.type = PortType::kControl,
     .symbol = "pitch_mode",
     .name = "Pitch Mode",
     .pin = PinName(osc::kPitchMode),
     .mapping = PinMapping::kChoice,
     .comment = "How the module reads pitch: 1 V per octave, or linearly in kHz or Hz (notes "
                "play in tune in every mode)"},
    {.type = PortType::kControl,
     .symbol = "pitch_accuracy",
     .name = "PitchMod Accuracy",
     .pin = PinName(osc::kPitchModAccuracy),
     .mapping = PinMapping::kChoice,
     .comment = "High: a moving pitch CV is followed per sample; Low: once per block"},
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
    // Full level is 0.5; the loudest waveform without a harmonic limit peaks
    // near 1.8. Held within 4 (+12 dBFS), the limit starting at 2.
    4.0f};

namespace {
const se_lv2::Registry::Registration kRegistration(kOscillatorDef);
} // namespace

} // namespace lv2osc
