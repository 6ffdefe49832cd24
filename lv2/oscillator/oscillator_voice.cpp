#include "oscillator_voice.h"

#include "audio_oscillator/pins.h"
#include "oscillator_ports.h"

#include <algorithm>
#include <cmath>

SE_USE_PLUGIN_ENTRY(wavetable_generator)

namespace lv2osc {

namespace {

// The generator's table directory, through the generator module's own
// interface as our host reaches it: its first open in the process builds the
// tables, and its link output then holds the directory's address.
intptr_t GeneratorLink(float rate) {
  se_runtime::ModuleRunner generator;
  if (!generator.Create(se::entries::wavetable_generator, rate, 1))
    return 0;
  generator.Open();
  return generator.OutputValue(generator.PinIndex(osc::kPins[osc::kLink].name));
}

const char *PinName(osc::Pin pin) { return osc::kPins[pin].name; }

} // namespace

bool OscillatorVoice::Prepare(se_lv2::ModulePlugin &plugin) {
  m_pitchPin = plugin.PinIndex(PinName(osc::kPitch));
  m_refPin = plugin.PinIndex(PinName(osc::kPitchRef));
  m_syncPin = plugin.PinIndex(PinName(osc::kSync));
  m_activePin = plugin.PinIndex(PinName(osc::kActive));
  m_linkPin = plugin.PinIndex(PinName(osc::kLink));
  m_rampSamples = std::max(1, static_cast<int32_t>(std::lround(plugin.Rate() * kRampSeconds)));
  m_link = GeneratorLink(plugin.Rate());
  return m_link != 0 && std::min({m_pitchPin, m_refPin, m_syncPin, m_activePin, m_linkPin}) >= 0;
}

// The voice at rest, the pins it drives at their first values; the module
// opens linked to the generator.
void OscillatorVoice::Start(se_lv2::ModulePlugin &plugin) {
  m_voice.Reset();
  m_parser.Reset();
  m_ramp = GainRamp();
  m_rampLength = 0;
  ReadControls(plugin);
  m_appliedPitch = PitchSample();
  plugin.Hold(m_pitchPin, m_appliedPitch, false);
  plugin.Hold(m_refPin, m_appliedPitch, false);
  plugin.Hold(m_syncPin, 0.0f, false);
  plugin.SetValue(m_activePin, 0);
  m_appliedActive = false;
  m_syncHigh = false;
  plugin.SetConnected(m_linkPin);
}

// The module clears its link variable when it opens: the value arrives as a
// change of the link pin, the way a connected generator's output reaches it.
void OscillatorVoice::Started(se_lv2::ModulePlugin &plugin) { plugin.SetValue(m_linkPin, m_link); }

void OscillatorVoice::ReadControls(se_lv2::ModulePlugin &plugin) {
  m_pitchMode = static_cast<int>(plugin.Control(kPitchMode));
  m_voice.SetHold(plugin.Control(kHold) >= 0.5f);
  m_always = plugin.Control(kActive) >= 0.5f;
  const int32_t length = plugin.Control(kRamp) >= 0.5f ? m_rampSamples : 0;
  if (length != m_rampLength) {
    m_ramp.SetLength(length);
    m_rampLength = length;
  }
}

void OscillatorVoice::Midi(const uint8_t *bytes, uint32_t size) {
  m_parser.BeginEvent();
  MidiMessage message;
  for (uint32_t i = 0; i < size; ++i)
    if (m_parser.Push(bytes[i], message))
      m_voice.Apply(message);
}

// The note's pitch as the Pitch pin reads it in the current pitch mode.
float OscillatorVoice::PitchSample() const {
  const double volts = m_voice.PitchVolts();
  switch (m_pitchMode) {
  case osc::kPitchKhz: return se_lv2::VoltsToSample(13.75 * std::exp2(volts) / 1000.0);
  case osc::kPitchHz: return se_lv2::VoltsToSample(13.75 * std::exp2(volts));
  default: return se_lv2::VoltsToSample(volts);
  }
}

// The rise that restarted a cycle has been seen: Sync falls.
void OscillatorVoice::FlushFirst(se_lv2::ModulePlugin &plugin) {
  if (!m_syncHigh)
    return;
  plugin.Hold(m_syncPin, 0.0f, true);
  m_syncHigh = false;
}

void OscillatorVoice::Flush(se_lv2::ModulePlugin &plugin) {
  const float pitch = PitchSample();
  if (pitch != m_appliedPitch) {
    plugin.Hold(m_refPin, pitch, false); // the limit of system B follows the note as well
    plugin.Hold(m_pitchPin, pitch, true);
    m_appliedPitch = pitch;
  }
  const bool sounding = m_always || m_voice.Sounding();
  m_ramp.SetTarget(sounding);
  const bool active = sounding || !m_ramp.Silent();
  if (active != m_appliedActive) {
    if (active) // a note from silence starts its cycle at phase 0: Sync rises
      plugin.Hold(m_syncPin, 1.0f, true);
    m_syncHigh = active;
    plugin.SetValue(m_activePin, active ? 1 : 0);
    m_appliedActive = active;
  }
}

// A fading voice is cut where it reaches silence, so that Active goes off on
// that frame.
int32_t OscillatorVoice::Piece(int32_t length) const {
  return !m_ramp.Rising() && m_ramp.Remaining() > 0 ? std::min(length, m_ramp.Remaining()) : length;
}

} // namespace lv2osc
