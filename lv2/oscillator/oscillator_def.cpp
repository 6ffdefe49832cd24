// The oscillator plugin's ports as a table (plugin_def.h), its LV2 entry
// points and its registration in the bundle.
#include "oscillator_pins.h"
#include "oscillator_plugin.h"
#include "oscillator_ports.h"

SE_USE_PLUGIN_ENTRY(audio_oscillator)

namespace lv2osc {

namespace {

using se_lv2::PinMapping;
using se_lv2::PortSpec;
using se_lv2::PortType;

constexpr const char *PinName(osc::Pin pin) { return osc::kPins[pin].name; }

constexpr PortSpec kPorts[kPortCount] = {
    {PortType::kMidiIn, "midi_in", "MIDI In", nullptr, PinMapping::kNone, 0, 1, 0, nullptr, false,
     0,
     "Notes on every channel (the most recent note still held sounds), pitch bend of two "
     "semitones, all notes off"},
    {PortType::kAudioOut, "out", "Output", PinName(osc::kWaveOut), PinMapping::kAudio},
    {PortType::kCV, "pitch_cv", "Pitch CV", PinName(osc::kPitchAdjust), PinMapping::kVolts, -10.0f,
     10.0f, 0.0f, "volt", false, 0,
     "Added to the note's pitch: 1 V per octave (in the Khz and Hz pitch modes 1 V adds 1 kHz or "
     "1 Hz)"},
    {PortType::kControl, "waveform", "Waveform", PinName(osc::kWaveform), PinMapping::kChoice, 0, 0,
     0, nullptr, false, 0, "Waveform shape, its pulse form, or noise"},
    {PortType::kControl, "pulse_width", "Phase/Pulse Width", PinName(osc::kPhasePw),
     PinMapping::kVolts, 0.0f, 10.0f, 5.0f, "volt", false, 0,
     "10 V is one cycle: the phase offset of a waveform, the duty cycle of a pulse form, the "
     "level of the noise"},
    {PortType::kControl, "harmonics", "Harmonics", PinName(osc::kHarmonics), PinMapping::kChoice, 0,
     0, 0, nullptr, false, 0, "Number of harmonics played (a simple low-pass)"},
    {PortType::kControl, "freq_limit", "Freq Limit", PinName(osc::kFreqLimit), PinMapping::kVolts,
     100.0f, 22050.0f, 22000.0f, "hz", true, 0,
     "Harmonics above this frequency are left out; the fundamental always sounds"},
    {PortType::kControl, "limit_system", "Limit Freq System", PinName(osc::kLimitSystem),
     PinMapping::kChoice, 0, 0, 0, nullptr, false, 0,
     "OFF: no limit (harmonics may fold back); A and B: the limit applies (both follow the note "
     "here)"},
    {PortType::kControl, "pitch_mode", "Pitch Mode", PinName(osc::kPitchMode), PinMapping::kChoice,
     0, 0, 0, nullptr, false, 0,
     "How the module reads pitch: 1 V per octave, or linearly in kHz or Hz (notes play in tune "
     "in every mode)"},
    {PortType::kControl, "pitch_accuracy", "PitchMod Accuracy", PinName(osc::kPitchModAccuracy),
     PinMapping::kChoice, 0, 0, 0, nullptr, false, 0,
     "High: a moving pitch CV is followed per sample; Low: once per block"},
    {PortType::kControl, "hold", "Hold", nullptr, PinMapping::kNone, 0.0f, 1.0f, 0.0f, nullptr,
     false, 0, "On (1): the last note keeps sounding after its release, until the next note"},
    {PortType::kControl, "active", "Always Active", nullptr, PinMapping::kNone, 0.0f, 1.0f, 0.0f,
     nullptr, false, 0,
     "Off (0): sounds while a note is held; on (1): always sounds, notes only set the pitch"},
    {PortType::kControl, "ramp", "Click-free Ramp", nullptr, PinMapping::kNone, 0.0f, 1.0f, 1.0f,
     nullptr, false, 0,
     "On (1): each note from silence fades in, and the last release fades out, over 3 ms"},
};

constexpr LV2_Descriptor kDescriptor{kOscillatorUri,
                                     &OscillatorPlugin::Instantiate,
                                     &OscillatorPlugin::ConnectPort,
                                     &OscillatorPlugin::Activate,
                                     &OscillatorPlugin::Run,
                                     nullptr,
                                     &OscillatorPlugin::Cleanup,
                                     nullptr};

} // namespace

const se_lv2::PluginDef kOscillatorDef{
    kOscillatorUri, "Standard Oscillator", "InstrumentPlugin", "QX_Standard_Osc",
    &se::entries::audio_oscillator, 1, kPorts, kPortCount, &kDescriptor,
    "Band-limited wavetable oscillator played from MIDI: 21 waveforms and their pulse forms, "
    "noise, a harmonic limit that follows the note, and a pitch CV input. Each note from silence "
    "starts its cycle at phase 0.",
    // Full level is 0.5; the loudest waveform without a harmonic limit peaks
    // near 1.8. Held within 4 (+12 dBFS), the limit starting at 2.
    4.0f};

namespace {
const se_lv2::Registry::Registration kRegistration(kOscillatorDef);
} // namespace

} // namespace lv2osc
