#include "module_plugin.h"

#include "block_length.h"
#include "host_features.h"
#include "output_limit.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace se_lv2 {

LV2_Handle ModulePlugin::Make(const LV2_Descriptor *descriptor, double rate,
                              const LV2_Feature *const *features,
                              std::unique_ptr<PluginVoice> voice) {
  const PluginDef *def = descriptor != nullptr ? Registry::Find(descriptor->URI) : nullptr;
  if (def == nullptr || !(rate >= 1.0 && rate <= 1e7))
    return nullptr;
  SequenceUrids urids;
  if (!urids.Map(FindUridMap(features)) && RequiresUridMap(*def))
    return nullptr;
  std::unique_ptr<ModulePlugin> plugin(new (std::nothrow) ModulePlugin(*def, std::move(voice)));
  if (!plugin)
    return nullptr;
  plugin->m_urids = urids;
  if (!plugin->Build(rate, CapacityFromFeatures(features)))
    return nullptr;
  if (plugin->m_voice && !plugin->m_voice->Prepare(*plugin))
    return nullptr;
  return plugin.release();
}

bool ModulePlugin::Build(double rate, int32_t capacity) {
  if (m_def.channels < 1 || m_def.channels > kMaxChannels || !(m_def.outputCeiling > 0.0f) ||
      m_def.portCount > static_cast<size_t>(kMaxPorts) || capacity < 1)
    return false;
  m_rate = static_cast<float>(rate);
  m_capacity = capacity;
  if (!MakeRunners())
    return false;
  const ModuleRunner &module = *m_runners[0];
  bool port_driven[ModuleRunner::kMaxPins] = {};
  for (size_t p = 0; p < m_def.portCount; ++p) {
    const PortSpec &spec = m_def.ports[p];
    const bool audio = spec.type == PortType::kAudioIn || spec.type == PortType::kAudioOut;
    m_portPin[p] = audio && spec.pin != nullptr ? module.PinIndex(spec.pin) : -1;
    if (audio && (spec.channel >= m_def.channels || (spec.pin != nullptr && m_portPin[p] < 0)))
      return false;
    if (m_portPin[p] >= 0) {
      port_driven[m_portPin[p]] = true;
      (spec.type == PortType::kAudioIn ? m_mainIn : m_mainOut)[spec.channel] = static_cast<int>(p);
    }
    if (spec.mapping == PinMapping::kOutputLevel)
      m_levelPort = static_cast<int>(p);
    if (spec.mapping == PinMapping::kEnabled)
      m_enabledPort = static_cast<int>(p);
    if (spec.type == PortType::kMidiIn && m_midiPort < 0)
      m_midiPort = static_cast<int>(p);
    if (spec.type != PortType::kControl || spec.pin == nullptr)
      continue;
    ControlPin &c = m_controls[m_controlCount++];
    c.port = static_cast<int>(p);
    c.pin = module.PinIndex(spec.pin);
    if (c.pin < 0)
      return false;
    c.choice = spec.mapping == PinMapping::kChoice;
    if (c.choice) {
      c.choices.Read(module.Pin(c.pin));
      c.choices.Show(spec.choices); // the numbers the port reads
    }
  }
  // Every audio input that no audio port drives is fed.
  for (int pin = 0; pin < module.PinCount(); ++pin) {
    const SEPinProperties &p = module.Pin(pin);
    if (p.direction == DR_IN && p.datatype == DT_FSAMPLE && !port_driven[pin] && !MakeFeed(pin))
      return false;
  }
  for (int i = 0; i < m_controlCount; ++i) {
    ControlPin &c = m_controls[i];
    if (c.choice)
      continue;
    Feed *f = FeedOf(c.pin);
    if (f == nullptr)
      return false; // a number for a pin that is not an audio input
    const PortSpec &spec = m_def.ports[c.port];
    const bool hertz = spec.mapping == PinMapping::kHertz;
    c.feed = static_cast<int>(f - m_feeds);
    f->control = i;
    f->lowest = hertz ? HertzToVolts(spec.minimum) : spec.minimum;
    f->highest = hertz ? HertzToVolts(spec.maximum) : spec.maximum;
  }
  for (size_t p = 0; p < m_def.portCount; ++p) {
    const PortSpec &spec = m_def.ports[p];
    if (spec.type != PortType::kCV || spec.pin == nullptr)
      continue;
    Feed *f = FeedOf(module.PinIndex(spec.pin));
    if (f == nullptr)
      return false;
    f->cvPort = static_cast<int>(p);
    f->cvLowest = spec.minimum;
    f->cvHighest = spec.maximum;
  }
  return m_stage.Init(m_rate, capacity, m_def.channels);
}

// A fed pin starts at the value its module gives as its default.
bool ModulePlugin::MakeFeed(int pin) {
  Feed &f = m_feeds[m_feedCount++];
  f.pin = pin;
  const char *text = m_runners[0]->Pin(pin).default_value;
  f.volts = text != nullptr ? std::strtod(text, nullptr) : 0.0;
  f.sample = VoltsToSample(f.volts);
  f.buffer.reset(new (std::nothrow) float[static_cast<size_t>(m_capacity)]());
  return f.buffer != nullptr;
}

bool ModulePlugin::MakeRunners() {
  for (int ch = 0; ch < m_def.channels; ++ch) {
    m_runners[ch].reset(new (std::nothrow) ModuleRunner());
    if (!m_runners[ch] || !m_runners[ch]->Create(*m_def.entry, m_rate, m_capacity))
      return false;
  }
  m_used = false;
  return true;
}

ModulePlugin::Feed *ModulePlugin::FeedOf(int pin) {
  for (int i = 0; i < m_feedCount; ++i)
    if (m_feeds[i].pin == pin)
      return &m_feeds[i];
  return nullptr;
}

int ModulePlugin::PinIndex(const char *name) const { return m_runners[0]->PinIndex(name); }

void ModulePlugin::ConnectPort(LV2_Handle handle, uint32_t port, void *data) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self != nullptr && port < self->m_def.portCount)
    self->m_ports[port] = data;
}

float ModulePlugin::Control(uint32_t port) const {
  for (int i = 0; i < m_controlCount; ++i)
    if (m_controls[i].port == static_cast<int>(port))
      return m_controls[i].wanted;
  if (port >= m_def.portCount)
    return 0.0f;
  const PortSpec &spec = m_def.ports[port];
  const auto *p = static_cast<const float *>(m_ports[port]);
  return ContainControl(p != nullptr ? *p : spec.defaultValue, spec.minimum, spec.maximum,
                        spec.defaultValue);
}

// What each control port asks for, contained; applied by the next Flush.
void ModulePlugin::ReadControls() {
  for (int i = 0; i < m_controlCount; ++i) {
    ControlPin &c = m_controls[i];
    const PortSpec &spec = m_def.ports[c.port];
    const auto *p = static_cast<const float *>(m_ports[c.port]);
    if (c.choice)
      c.wanted = static_cast<float>(
          c.choices.Nearest(p != nullptr ? *p : static_cast<float>(c.choices.Default())));
    else
      c.wanted = ContainControl(p != nullptr ? *p : spec.defaultValue, spec.minimum, spec.maximum,
                                spec.defaultValue);
  }
}

// The sample a fed pin holds while static. A modulation input that feeds a
// pin on its own passes its volts at the resolution of the module's samples.
float ModulePlugin::FeedSample(const Feed &f) const {
  const double volts = Clamp(f.volts + f.cvVolts, f.lowest, f.highest);
  return f.control < 0 && f.cvPort >= 0 ? VoltsToSample(static_cast<float>(volts))
                                        : VoltsToSample(volts);
}

float ModulePlugin::CvSample(const Feed &f, float cv) const {
  const double volts = Clamp(f.volts + ContainCv(cv, f.cvLowest, f.cvHighest), f.lowest, f.highest);
  return f.control < 0 ? VoltsToSample(static_cast<float>(volts)) : VoltsToSample(volts);
}

void ModulePlugin::Hold(int pin, float sample, bool announce) {
  Feed *f = FeedOf(pin);
  if (f == nullptr || f->streaming)
    return;
  if (sample != f->sample)
    f->filled = 0;
  f->sample = sample;
  if (announce && m_open)
    QueueStatus(pin, PS_ONCE);
}

void ModulePlugin::SetValue(int pin, intptr_t value) {
  for (int ch = 0; ch < m_def.channels; ++ch) {
    if (m_open)
      m_runners[ch]->QueueValue(0, pin, value);
    else
      m_runners[ch]->SetValue(pin, value);
  }
}

void ModulePlugin::SetConnected(int pin) {
  for (int ch = 0; ch < m_def.channels; ++ch)
    m_runners[ch]->SetConnected(pin, true);
}

void ModulePlugin::QueueStatus(int pin, int32_t status) {
  for (int ch = 0; ch < m_def.channels; ++ch)
    m_runners[ch]->QueueStatus(0, pin, status);
}

void ModulePlugin::Activate(LV2_Handle handle) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self == nullptr)
    return;
  self->m_active = false;
  self->m_open = false;
  if (self->m_used && !self->MakeRunners())
    return; // no modules to open: run writes silence
  self->ReadControls();
  for (int i = 0; i < self->m_controlCount; ++i)
    self->m_controls[i].applied = self->m_controls[i].wanted;
  for (int i = 0; i < self->m_feedCount; ++i) {
    Feed &f = self->m_feeds[i];
    f.streaming = false;
    f.cvVolts = 0.0;
    f.filled = 0;
    if (f.control >= 0) {
      const ControlPin &c = self->m_controls[f.control];
      const bool hertz = self->m_def.ports[c.port].mapping == PinMapping::kHertz;
      f.volts = hertz ? HertzToVolts(c.wanted) : c.wanted;
    }
    f.sample = self->FeedSample(f);
  }
  for (int ch = 0; ch < self->m_def.channels; ++ch) {
    ModuleRunner &r = *self->m_runners[ch];
    for (int pin = 0; pin < r.PinCount(); ++pin) {
      if (r.Pin(pin).direction != DR_IN || r.Pin(pin).datatype != DT_CHOICE)
        continue;
      ChoiceSet items;
      items.Read(r.Pin(pin));
      r.SetValue(pin, items.Default());
    }
    for (int i = 0; i < self->m_controlCount; ++i)
      if (self->m_controls[i].choice)
        r.SetValue(self->m_controls[i].pin, static_cast<intptr_t>(self->m_controls[i].wanted));
    for (int i = 0; i < self->m_feedCount; ++i)
      r.Bind(self->m_feeds[i].pin, self->m_feeds[i].buffer.get());
    for (size_t p = 0; p < self->m_def.portCount; ++p) {
      const PortSpec &spec = self->m_def.ports[p];
      if (self->m_portPin[p] >= 0 && spec.channel == ch) {
        // Audio ports stream, and are connected as far as the module can tell.
        r.SetStreaming(self->m_portPin[p], spec.type == PortType::kAudioIn);
        r.SetConnected(self->m_portPin[p], true);
      }
    }
  }
  if (self->m_voice)
    self->m_voice->Start(*self);
  for (int ch = 0; ch < self->m_def.channels; ++ch)
    self->m_runners[ch]->Open();
  self->m_open = true;
  self->m_used = true;
  self->StageControls(true);
  if (self->m_voice)
    self->m_voice->Started(*self);
  self->m_active = true;
}

void ModulePlugin::Deactivate(LV2_Handle handle) {
  if (handle != nullptr)
    static_cast<ModulePlugin *>(handle)->m_active = false;
}

void ModulePlugin::Run(LV2_Handle handle, uint32_t n) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self == nullptr)
    return;
  if (!self->m_active) {
    for (size_t p = 0; p < self->m_def.portCount; ++p)
      if (self->m_def.ports[p].type == PortType::kAudioOut && self->m_ports[p] != nullptr)
        std::memset(self->m_ports[p], 0, sizeof(float) * n);
    return;
  }
  const auto frames = static_cast<int32_t>(std::min<uint32_t>(n, INT32_MAX));
  self->ReadControls();
  if (self->m_voice)
    self->m_voice->ReadControls(*self);
  self->StageControls(false);
  self->m_cursor = 0;
  self->m_chunkEnd = 0;
  if (self->m_voice && self->m_midiPort >= 0) {
    SequenceReader events(self->m_ports[self->m_midiPort], self->m_urids,
                          static_cast<uint32_t>(frames));
    for (SequenceEvent ev; events.Next(ev);) {
      if (ev.type != self->m_urids.midiEvent)
        continue;
      self->RenderUntil(static_cast<int32_t>(ev.frame), static_cast<uint32_t>(frames));
      self->m_voice->Midi(ev.body, ev.size);
    }
  }
  self->RenderUntil(frames, static_cast<uint32_t>(frames));
}

// Renders the run up to `frame`, in stretches of at most the capacity.
void ModulePlugin::RenderUntil(int32_t frame, uint32_t n) {
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

// Each modulation input for one stretch: static (one value, PS_ONCE when it
// changes) or streaming.
void ModulePlugin::ReadCv(int32_t offset, int32_t length) {
  for (int i = 0; i < m_feedCount; ++i) {
    Feed &f = m_feeds[i];
    if (f.cvPort < 0)
      continue;
    const auto *cv = static_cast<const float *>(m_ports[f.cvPort]);
    bool constant = true;
    for (int32_t j = 1; cv != nullptr && constant && j < length; ++j)
      constant = cv[offset + j] == cv[offset];
    if (constant) {
      f.cvVolts = cv != nullptr ? ContainCv(cv[offset], f.cvLowest, f.cvHighest) : 0.0;
      const float s = FeedSample(f);
      if (f.streaming || s != f.sample) {
        f.sample = s;
        f.filled = 0;
        f.streaming = false;
        QueueStatus(f.pin, PS_ONCE);
      }
    } else if (!f.streaming) {
      f.streaming = true;
      QueueStatus(f.pin, PS_RUNNING);
    }
  }
}

// Calls the modules over frames [offset, offset + length) of the run, in as
// many calls as the voice cuts it into.
void ModulePlugin::Segment(int32_t offset, int32_t length) {
  while (length > 0) {
    Flush();
    const int32_t piece = m_voice ? std::clamp(m_voice->Piece(length), 1, length) : length;
    FillFeeds(offset, piece);
    if (m_stage.NeedsDry()) // the bypass's input, before an output may overwrite it
      for (int ch = 0; ch < m_def.channels; ++ch) {
        const auto *in =
            m_mainIn[ch] >= 0 ? static_cast<const float *>(m_ports[m_mainIn[ch]]) : nullptr;
        m_stage.CopyDry(ch, in != nullptr ? in + offset : nullptr, piece);
      }
    BindAudio(offset, piece);
    for (int ch = 0; ch < m_def.channels; ++ch)
      m_runners[ch]->Process(piece);
    FinishOutputs(offset, piece);
    offset += piece;
    length -= piece;
  }
}

// Queues, at the first frame of the coming call, an event for each control
// whose value differs from what the modules were last told, between the
// voice's.
void ModulePlugin::Flush() {
  if (m_voice)
    m_voice->FlushFirst(*this);
  for (int i = 0; i < m_controlCount; ++i) {
    ControlPin &c = m_controls[i];
    if (c.wanted == c.applied)
      continue;
    c.applied = c.wanted;
    if (c.choice) {
      for (int ch = 0; ch < m_def.channels; ++ch)
        m_runners[ch]->QueueValue(0, c.pin, static_cast<intptr_t>(c.wanted));
      continue;
    }
    Feed &f = m_feeds[c.feed];
    const bool hertz = m_def.ports[c.port].mapping == PinMapping::kHertz;
    f.volts = hertz ? HertzToVolts(c.wanted) : c.wanted;
    if (!f.streaming) {
      f.sample = FeedSample(f);
      f.filled = 0;
      QueueStatus(f.pin, PS_ONCE);
    }
  }
  if (m_voice)
    m_voice->Flush(*this);
}

void ModulePlugin::FillFeeds(int32_t offset, int32_t length) {
  for (int i = 0; i < m_feedCount; ++i) {
    Feed &f = m_feeds[i];
    float *out = f.buffer.get();
    const float *cv = f.cvPort >= 0 ? static_cast<const float *>(m_ports[f.cvPort]) : nullptr;
    if (f.streaming && cv != nullptr) {
      for (int32_t k = 0; k < length; ++k)
        out[k] = CvSample(f, cv[offset + k]);
      f.filled = 0;
    } else if (f.filled < length) { // written only as far as the calls read
      std::fill(out + f.filled, out + length, f.sample);
      f.filled = length;
    }
  }
}

// Before any module of a call runs: an audio input whose samples share
// memory with an output (any channel's) is copied into the module's own
// buffer, since a module writing its output, or the channel before it, would
// overwrite them. An input left unconnected reads silence.
void ModulePlugin::BindAudio(int32_t offset, int32_t length) {
  const size_t bytes = sizeof(float) * static_cast<size_t>(length);
  for (size_t p = 0; p < m_def.portCount; ++p) {
    if (m_portPin[p] < 0)
      continue;
    const PortSpec &spec = m_def.ports[p];
    ModuleRunner &runner = *m_runners[spec.channel];
    auto *data = static_cast<float *>(m_ports[p]);
    if (spec.type == PortType::kAudioOut ||
        (data != nullptr && !SharesOutput(data, offset, length))) {
      runner.Bind(m_portPin[p], data != nullptr ? data + offset : nullptr);
      continue;
    }
    float *own = runner.Buffer(m_portPin[p]);
    if (data != nullptr)
      std::memmove(own, data + offset, bytes);
    else
      std::memset(own, 0, bytes);
    runner.Bind(m_portPin[p], own);
  }
}

// Whether input samples [offset, offset + length) of `input` lie where an
// output writes the same stretch of the run.
bool ModulePlugin::SharesOutput(const float *input, int32_t offset, int32_t length) const {
  const auto bytes = sizeof(float) * static_cast<uintptr_t>(length);
  const auto in = reinterpret_cast<uintptr_t>(input + offset);
  for (size_t p = 0; p < m_def.portCount; ++p) {
    const auto *data = static_cast<const float *>(m_ports[p]);
    if (m_def.ports[p].type != PortType::kAudioOut || data == nullptr)
      continue;
    const auto out = reinterpret_cast<uintptr_t>(data + offset);
    if (in < out + bytes && out < in + bytes)
      return true;
  }
  return false;
}

// The output level and bypass: at once on activation, gliding from a run's
// first sample otherwise.
void ModulePlugin::StageControls(bool at_once) {
  const float level = m_levelPort >= 0 ? Control(static_cast<uint32_t>(m_levelPort)) : 0.0f;
  const bool enabled = m_enabledPort < 0 || Control(static_cast<uint32_t>(m_enabledPort)) >= 0.5f;
  if (at_once)
    m_stage.Reset(level, enabled);
  else
    m_stage.SetTargets(level, enabled);
}

// The voice's last word on each output of a call, the limit, then the stage.
void ModulePlugin::FinishOutputs(int32_t offset, int32_t length) {
  for (size_t p = 0; p < m_def.portCount; ++p) {
    if (m_def.ports[p].type != PortType::kAudioOut || m_portPin[p] < 0)
      continue;
    auto *data = static_cast<float *>(m_ports[p]);
    float *out = data != nullptr ? data + offset
                                 : m_runners[m_def.ports[p].channel]->PinBuffer(m_portPin[p]);
    if (m_voice)
      m_voice->Output(out, length);
    if (data != nullptr)
      LimitOutput(out, length, m_def.outputCeiling);
  }
  float *outputs[kMaxChannels] = {};
  for (int ch = 0; ch < m_def.channels; ++ch) {
    auto *data = m_mainOut[ch] >= 0 ? static_cast<float *>(m_ports[m_mainOut[ch]]) : nullptr;
    outputs[ch] = data != nullptr ? data + offset : nullptr;
  }
  m_stage.Apply(outputs, length);
}

void ModulePlugin::Cleanup(LV2_Handle handle) { delete static_cast<ModulePlugin *>(handle); }

} // namespace se_lv2
