#include "oscillator_plugin.h"

#include "audio_oscillator/pins.h"
#include "block_length.h"
#include "host_features.h"
#include "sequence_reader.h"

#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

SE_USE_PLUGIN_ENTRY(audio_oscillator)
SE_USE_PLUGIN_ENTRY(wavetable_generator)

namespace lv2osc {

namespace {

const se_lv2::PortSpec &Spec(uint32_t port) { return kOscillatorDef.ports[port]; }

// A control port's value, or its default while the host has connected none.
float PortValue(void *const *ports, uint32_t port) {
  const auto *p = static_cast<const float *>(ports[port]);
  return p != nullptr ? *p : Spec(port).defaultValue;
}

bool Switch(void *const *ports, uint32_t port) {
  const se_lv2::PortSpec &s = Spec(port);
  return se_lv2::ContainControl(PortValue(ports, port), s.minimum, s.maximum, s.defaultValue) >=
         0.5f;
}

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

} // namespace

LV2_Handle OscillatorPlugin::Instantiate(const LV2_Descriptor *, double rate, const char *,
                                         const LV2_Feature *const *features) {
  const int32_t capacity = se_lv2::CapacityFromFeatures(features);
  se_lv2::SequenceUrids urids;
  if (capacity <= 0 || !(rate >= 1.0 && rate <= 1.0e7) || !urids.Map(se_lv2::FindUridMap(features)))
    return nullptr;
  std::unique_ptr<OscillatorPlugin> self(new (std::nothrow) OscillatorPlugin);
  if (!self)
    return nullptr;
  self->m_rate = static_cast<float>(rate);
  self->m_capacity = capacity;
  self->m_urids = urids;
  self->m_link = GeneratorLink(self->m_rate);
  if (self->m_link == 0 || !self->MakeRunner())
    return nullptr;
  return self.release();
}

bool OscillatorPlugin::MakeRunner() {
  m_opened = false;
  m_runner.reset(new (std::nothrow) se_runtime::ModuleRunner);
  if (!m_runner || !m_runner->Create(se::entries::audio_oscillator, m_rate, m_capacity))
    return false;
  auto pin = [&](osc::Pin p) { return m_runner->PinIndex(osc::kPins[p].name); };
  m_pitchPin = pin(osc::kPitch);
  m_refPin = pin(osc::kPitchRef);
  m_adjustPin = pin(osc::kPitchAdjust);
  m_syncPin = pin(osc::kSync);
  m_activePin = pin(osc::kActive);
  m_outPin = pin(osc::kWaveOut);
  bool found = std::min({m_pitchPin, m_refPin, m_adjustPin, m_syncPin, m_activePin, m_outPin}) >= 0;
  for (uint32_t port = 0; port < kPortCount; ++port) {
    const se_lv2::PortSpec &s = Spec(port);
    Control &c = m_controls[port];
    c = Control();
    if (s.type != se_lv2::PortType::kControl || s.pin == nullptr)
      continue;
    c.pin = m_runner->PinIndex(s.pin);
    found = found && c.pin >= 0;
    c.choice = s.mapping == se_lv2::PinMapping::kChoice;
    if (c.choice && c.pin >= 0) {
      c.choices.Read(m_runner->Pin(c.pin));
      c.choices.Show(s.choices); // the numbers the port reads
    }
  }
  return found;
}

void OscillatorPlugin::ConnectPort(LV2_Handle handle, uint32_t port, void *data) {
  if (port < kPortCount)
    static_cast<OscillatorPlugin *>(handle)->m_ports[port] = data;
}

void OscillatorPlugin::Activate(LV2_Handle handle) {
  auto *self = static_cast<OscillatorPlugin *>(handle);
  if (self->m_opened && !self->MakeRunner())
    return; // no instance to open: run writes silence
  self->Open();
}

void OscillatorPlugin::Cleanup(LV2_Handle handle) {
  delete static_cast<OscillatorPlugin *>(handle);
}

// Opens the module with every input at its default text, then with the
// controls' current values, the link, and the voice at rest.
void OscillatorPlugin::Open() {
  se_runtime::ModuleRunner &r = *m_runner;
  std::fill(std::begin(m_heldLength), std::end(m_heldLength), 0);
  for (int pin = 0; pin < r.PinCount(); ++pin) {
    const SEPinProperties &p = r.Pin(pin);
    if (p.direction != DR_IN)
      continue;
    if (p.datatype == DT_CHOICE) {
      se_lv2::ChoiceSet choices;
      choices.Read(p);
      r.SetValue(pin, choices.Default());
    } else if (p.datatype == DT_FSAMPLE && p.default_value != nullptr) {
      HoldPin(pin, se_lv2::VoltsToSample(std::strtod(p.default_value, nullptr)));
    }
  }
  m_voice.Reset();
  m_parser.Reset();
  m_ramp = GainRamp();
  m_rampLength = 0;
  ReadControls();
  for (uint32_t port = 0; port < kPortCount; ++port) {
    const Control &c = m_controls[port];
    if (c.pin < 0)
      continue;
    if (c.choice)
      r.SetValue(c.pin, c.wanted);
    else
      HoldPin(c.pin, c.wantedSample);
    m_applied[port] = c.wanted;
    m_appliedSample[port] = c.wantedSample;
  }
  m_appliedPitch = PitchSample();
  HoldPin(m_pitchPin, m_appliedPitch);
  HoldPin(m_refPin, m_appliedPitch);
  HoldPin(m_adjustPin, 0.0f);
  HoldPin(m_syncPin, 0.0f);
  r.SetValue(m_activePin, 0);
  m_appliedActive = false;
  m_syncHigh = false;
  m_cvStreaming = false;
  m_appliedCv = 0.0f;
  const int link = r.PinIndex(osc::kPins[osc::kLink].name);
  r.SetConnected(link, true);
  r.Open();
  // The module clears its link variable when it opens: the value arrives as a
  // change of the link pin, the way a connected generator's output reaches it.
  r.QueueValue(0, link, m_link);
  m_opened = true;
}

// What the controls ask for, contained; applied at the next Process call.
void OscillatorPlugin::ReadControls() {
  for (uint32_t port = 0; port < kPortCount; ++port) {
    Control &c = m_controls[port];
    if (c.pin < 0)
      continue;
    const se_lv2::PortSpec &s = Spec(port);
    const float v = PortValue(m_ports, port);
    if (c.choice)
      c.wanted = c.choices.Nearest(v);
    else
      c.wantedSample =
          se_lv2::VoltsToSample(se_lv2::ContainControl(v, s.minimum, s.maximum, s.defaultValue));
  }
  m_voice.SetHold(Switch(m_ports, kHold));
  m_always = Switch(m_ports, kActive);
  const int32_t length = Switch(m_ports, kRamp)
                             ? std::max(1, static_cast<int32_t>(std::lround(m_rate * kRampSeconds)))
                             : 0;
  if (length != m_rampLength) {
    m_ramp.SetLength(length);
    m_rampLength = length;
  }
}

// The note's pitch as the Pitch pin reads it in the current pitch mode.
float OscillatorPlugin::PitchSample() const {
  const double volts = m_voice.PitchVolts();
  switch (PitchMode()) {
  case osc::kPitchKhz: return se_lv2::VoltsToSample(13.75 * std::exp2(volts) / 1000.0);
  case osc::kPitchHz: return se_lv2::VoltsToSample(13.75 * std::exp2(volts));
  default: return se_lv2::VoltsToSample(volts);
  }
}

// A static audio input: its buffer holds `sample` from the next Process call
// on, written only as far as the calls read.
void OscillatorPlugin::HoldPin(int pin, float sample) {
  m_held[pin] = sample;
  m_heldLength[pin] = 0;
}

void OscillatorPlugin::WriteHeld(int32_t length) {
  for (int pin = 0; pin < m_runner->PinCount(); ++pin) {
    if (m_heldLength[pin] >= length || (pin == m_adjustPin && m_cvStreaming))
      continue;
    float *b = m_runner->Buffer(pin);
    if (b != nullptr && m_runner->Pin(pin).direction == DR_IN)
      std::fill(b + m_heldLength[pin], b + length, m_held[pin]);
    m_heldLength[pin] = length;
  }
}

// Queues, at the first sample of the coming Process call, one event for each
// pin whose wanted value differs from what the module was last told.
void OscillatorPlugin::Flush() {
  se_runtime::ModuleRunner &r = *m_runner;
  if (m_syncHigh) { // the rise that restarted the cycle has been seen
    HoldPin(m_syncPin, 0.0f);
    r.QueueStatus(0, m_syncPin, PS_ONCE);
    m_syncHigh = false;
  }
  for (uint32_t port = 0; port < kPortCount; ++port) {
    const Control &c = m_controls[port];
    if (c.pin < 0)
      continue;
    if (c.choice && c.wanted != m_applied[port]) {
      r.QueueValue(0, c.pin, c.wanted);
      m_applied[port] = c.wanted;
    } else if (!c.choice && c.wantedSample != m_appliedSample[port]) {
      HoldPin(c.pin, c.wantedSample);
      r.QueueStatus(0, c.pin, PS_ONCE);
      m_appliedSample[port] = c.wantedSample;
    }
  }
  const float pitch = PitchSample();
  if (pitch != m_appliedPitch) {
    HoldPin(m_pitchPin, pitch);
    HoldPin(m_refPin, pitch); // the limit of system B follows the note as well
    r.QueueStatus(0, m_pitchPin, PS_ONCE);
    m_appliedPitch = pitch;
  }
  const bool sounding = m_always || m_voice.Sounding();
  m_ramp.SetTarget(sounding);
  const bool active = sounding || !m_ramp.Silent();
  if (active != m_appliedActive) {
    if (active) { // a note from silence starts its cycle at phase 0: Sync rises
      HoldPin(m_syncPin, 1.0f);
      r.QueueStatus(0, m_syncPin, PS_ONCE);
      m_syncHigh = true;
    }
    r.QueueValue(0, m_activePin, active ? 1 : 0);
    m_appliedActive = active;
  }
}

// The pitch input's state for one stretch of at most the capacity: static
// (one value, PS_ONCE when it changes) or streaming.
void OscillatorPlugin::ReadCv(int32_t offset, int32_t length) {
  const se_lv2::PortSpec &s = Spec(kPitchCv);
  const auto *cv = static_cast<const float *>(m_ports[kPitchCv]);
  const float first =
      cv != nullptr
          ? se_lv2::ContainControl(static_cast<float>(se_lv2::ModulationVolts(cv[offset])),
                                   s.minimum, s.maximum, 0.0f)
          : 0.0f;
  bool constant = true;
  for (int32_t j = 1; cv != nullptr && constant && j < length; ++j)
    constant = cv[offset + j] == cv[offset];
  se_runtime::ModuleRunner &r = *m_runner;
  if (constant) {
    if (m_cvStreaming || first != m_appliedCv) {
      HoldPin(m_adjustPin, se_lv2::VoltsToSample(first));
      r.QueueStatus(0, m_adjustPin, PS_ONCE);
      m_cvStreaming = false;
      m_appliedCv = first;
    }
  } else if (!m_cvStreaming) {
    r.QueueStatus(0, m_adjustPin, PS_RUNNING);
    m_cvStreaming = true;
  }
}

void OscillatorPlugin::RenderUntil(int32_t frame, uint32_t n) {
  while (m_cursor < frame) {
    if (m_cursor == m_chunkEnd) {
      m_chunkEnd = static_cast<int32_t>(std::min<int64_t>(int64_t{m_cursor} + m_capacity, n));
      ReadCv(m_cursor, m_chunkEnd - m_cursor);
    }
    const int32_t piece = std::min(frame, m_chunkEnd) - m_cursor;
    Segment(m_cursor, piece);
    m_cursor += piece;
  }
}

// Runs the module over frames [offset, offset + length) of the output, cut
// where a fading voice reaches silence so that Active goes off on that frame.
void OscillatorPlugin::Segment(int32_t offset, int32_t length) {
  auto *out = static_cast<float *>(m_ports[kOut]);
  const auto *cv = static_cast<const float *>(m_ports[kPitchCv]);
  const se_lv2::PortSpec &cv_spec = Spec(kPitchCv);
  while (length > 0) {
    Flush();
    int32_t piece = length;
    if (!m_ramp.Rising() && m_ramp.Remaining() > 0)
      piece = std::min(piece, m_ramp.Remaining());
    if (m_cvStreaming) {
      float *adjust = m_runner->Buffer(m_adjustPin);
      for (int32_t j = 0; j < piece; ++j)
        adjust[j] = se_lv2::VoltsToSample(
            se_lv2::ContainControl(static_cast<float>(se_lv2::ModulationVolts(cv[offset + j])),
                                   cv_spec.minimum, cv_spec.maximum, 0.0f));
    }
    WriteHeld(piece);
    float *dest = out != nullptr ? out + offset : m_runner->Buffer(m_outPin);
    m_runner->Bind(m_outPin, dest);
    m_runner->Process(piece);
    m_ramp.Apply(dest, piece);
    offset += piece;
    length -= piece;
  }
}

void OscillatorPlugin::ApplyMidi(const uint8_t *bytes, uint32_t size) {
  m_parser.BeginEvent();
  MidiMessage message;
  for (uint32_t i = 0; i < size; ++i)
    if (m_parser.Push(bytes[i], message))
      m_voice.Apply(message);
}

void OscillatorPlugin::Run(LV2_Handle handle, uint32_t n) {
  auto *self = static_cast<OscillatorPlugin *>(handle);
  if (!self->m_opened) {
    if (auto *out = static_cast<float *>(self->m_ports[kOut]))
      std::fill(out, out + n, 0.0f);
    return;
  }
  const auto frames = static_cast<int32_t>(std::min<uint32_t>(n, INT32_MAX));
  self->m_cursor = 0;
  self->m_chunkEnd = 0;
  self->ReadControls();
  se_lv2::SequenceReader events(self->m_ports[kMidiIn], self->m_urids,
                                static_cast<uint32_t>(frames));
  for (se_lv2::SequenceEvent ev; events.Next(ev);) {
    if (ev.type != self->m_urids.midiEvent)
      continue;
    self->RenderUntil(static_cast<int32_t>(ev.frame), n);
    self->ApplyMidi(ev.body, ev.size);
  }
  self->RenderUntil(frames, n);
}

} // namespace lv2osc
