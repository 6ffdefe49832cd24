// The synth plugin's ports, written from the synth's control table, its LV2
// entry points and its registration in the bundle.
#include "synth_plugin.h"
#include "synth_ports.h"

#include "module_table.h"

#include <array>

namespace lv2synth {

namespace {

using se_lv2::PinMapping;
using se_lv2::PortSpec;
using se_lv2::PortType;

const char *UnitName(synth::Unit unit) {
  switch (unit) {
  case synth::Unit::kHz: return "hz";
  case synth::Unit::kMs: return "ms";
  case synth::Unit::kPercent: return "pc";
  case synth::Unit::kDb: return "db";
  case synth::Unit::kCents: return "cent";
  case synth::Unit::kSemitones: return "semitone12TET";
  case synth::Unit::kOctaves: return "oct";
  case synth::Unit::kVolts: return "volt";
  default: return nullptr;
  }
}

unsigned Hints(synth::Kind kind) {
  switch (kind) {
  case synth::Kind::kToggle: return se_lv2::kHintToggled;
  case synth::Kind::kInteger: return se_lv2::kHintInteger;
  default: return se_lv2::kHintNone;
  }
}

std::array<PortSpec, kPortCount> MakePorts() {
  std::array<PortSpec, kPortCount> ports{};
  ports[kMidiIn] = {.type = PortType::kMidiIn,
                    .symbol = "midi_in",
                    .name = "MIDI In",
                    .comment = "Notes, velocity, pitch bend, mod wheel, sustain pedal, channel "
                               "pressure, all notes off and all sound off, on every channel; the "
                               "host's tempo and position for the LFO's sync",
                    .hints = se_lv2::kHintPosition};
  ports[kOutLeft] = {
      .type = PortType::kAudioOut, .symbol = "out_left", .name = "Left", .channel = 0};
  ports[kOutRight] = {
      .type = PortType::kAudioOut, .symbol = "out_right", .name = "Right", .channel = 1};
  for (int c = 0; c < synth::kControlCount; ++c) {
    const synth::ControlSpec &s = synth::kControls[c];
    ports[kFirstControl + c] = {.type = PortType::kControl,
                                .symbol = s.symbol,
                                .name = s.name,
                                .minimum = s.minimum,
                                .maximum = s.maximum,
                                .defaultValue = s.defaultValue,
                                .unit = UnitName(s.unit),
                                .logarithmic = s.kind == synth::Kind::kLogarithmic,
                                .comment = s.comment,
                                .hints = Hints(s.kind),
                                .choices = s.choices};
  }
  return ports;
}

const std::array<PortSpec, kPortCount> kPorts = MakePorts();

constexpr LV2_Descriptor kDescriptor{kSynthUri,
                                     &SynthPlugin::Instantiate,
                                     &SynthPlugin::ConnectPort,
                                     &SynthPlugin::Activate,
                                     &SynthPlugin::Run,
                                     nullptr,
                                     &SynthPlugin::Cleanup,
                                     nullptr};

} // namespace

const se_lv2::PluginDef kSynthDef{
    kSynthUri, "Ladder Synth", "InstrumentPlugin", "QX_Standard_Osc, DO DI Zuderu 3",
    se_runtime::StaticModules().Find("audio_oscillator"), 2, kPorts.data(), kPorts.size(),
    &kDescriptor,
    "A polyphonic synthesizer of up to 32 voices, each two band-limited wavetable oscillators "
    "(every waveform, pulse width, sync), noise and the resonant ladder filter, with two "
    "envelopes, an LFO that follows the host's tempo, mono, legato and glide, and factory "
    "presets.",
    nullptr,
    // Every voice at full level stays near 0.7; held within 4 (+12 dBFS), the
    // limit starting at 2.
    4.0f};

namespace {
const se_lv2::Registry::Registration kRegistration(kSynthDef);
} // namespace

} // namespace lv2synth
