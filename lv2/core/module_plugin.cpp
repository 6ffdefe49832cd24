#include "module_plugin.h"

#include "block_length.h"
#include "host_features.h"

#include <cmath>
#include <cstring>
#include <new>

namespace se_lv2 {

LV2_Handle ModulePlugin::Instantiate(const LV2_Descriptor *descriptor, double rate, const char *,
                                     const LV2_Feature *const *features) {
  const PluginDef *def = descriptor != nullptr ? Registry::Find(descriptor->URI) : nullptr;
  const int32_t capacity = CapacityFromFeatures(features);
  if (def == nullptr || capacity <= 0 || !(rate > 0.0 && rate < 1e7))
    return nullptr;
  if (RequiresUridMap(*def) && FindUridMap(features) == nullptr)
    return nullptr;
  std::unique_ptr<ModulePlugin> plugin(new (std::nothrow) ModulePlugin(*def));
  if (!plugin || !plugin->Build(rate, capacity))
    return nullptr;
  return plugin.release();
}

bool ModulePlugin::Build(double rate, int32_t capacity) {
  if (m_def.channels < 1 || m_def.channels > kMaxChannels ||
      m_def.portCount > static_cast<size_t>(kMaxPorts))
    return false;
  m_rate = static_cast<float>(rate);
  m_capacity = capacity;
  if (!MakeRunners())
    return false;
  const ModuleRunner &module = *m_runners[0];
  for (size_t p = 0; p < m_def.portCount; ++p) {
    const PortSpec &spec = m_def.ports[p];
    const bool audio = spec.type == PortType::kAudioIn || spec.type == PortType::kAudioOut;
    m_portPin[p] = audio && spec.pin != nullptr ? module.PinIndex(spec.pin) : -1;
    if (audio && spec.channel >= m_def.channels)
      return false;
    if (audio && m_portPin[p] >= 0)
      (spec.type == PortType::kAudioIn ? m_mainIn : m_mainOut)[spec.channel] = static_cast<int>(p);
    if (spec.mapping == PinMapping::kOutputLevel)
      m_levelPort = static_cast<int>(p);
    if (spec.mapping == PinMapping::kEnabled)
      m_enabledPort = static_cast<int>(p);
    if (spec.type != PortType::kControl || spec.pin == nullptr)
      continue;
    Control &c = m_controls[m_controlCount++];
    c.port = static_cast<int>(p);
    c.pin = module.PinIndex(spec.pin);
    if (c.pin < 0)
      return false;
    c.choice = spec.mapping == PinMapping::kChoice;
    if (c.choice) {
      c.choices.Read(module.Pin(c.pin));
      c.choices.Show(spec.choices); // the numbers the port reads
      continue;
    }
    Feed &f = m_feeds[m_feedCount];
    c.feed = m_feedCount++;
    f.pin = c.pin;
    const bool hertz = spec.mapping == PinMapping::kHertz;
    f.lowest = hertz ? HertzToVolts(spec.minimum) : spec.minimum;
    f.highest = hertz ? HertzToVolts(spec.maximum) : spec.maximum;
    f.buffer.reset(new (std::nothrow) float[static_cast<size_t>(capacity)]());
    if (!f.buffer)
      return false;
    for (size_t q = 0; q < m_def.portCount; ++q)
      if (m_def.ports[q].type == PortType::kCV && m_def.ports[q].pin != nullptr &&
          std::strcmp(m_def.ports[q].pin, spec.pin) == 0) {
        f.cvPort = static_cast<int>(q);
        f.cvLowest = m_def.ports[q].minimum;
        f.cvHighest = m_def.ports[q].maximum;
      }
  }
  return m_stage.Init(m_rate, capacity, m_def.channels);
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

void ModulePlugin::ConnectPort(LV2_Handle handle, uint32_t port, void *data) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self != nullptr && port < self->m_def.portCount)
    self->m_ports[port] = data;
}

// The contained value of a control port; an unconnected port gives its default.
float ModulePlugin::PortValue(const PortSpec &spec, const Control &c) const {
  const float *p = static_cast<const float *>(m_ports[c.port]);
  if (c.choice) {
    const float v = p != nullptr ? *p : static_cast<float>(c.choices.Default());
    return static_cast<float>(c.choices.Nearest(v));
  }
  return ContainControl(p != nullptr ? *p : spec.defaultValue, spec.minimum, spec.maximum,
                        spec.defaultValue);
}

void ModulePlugin::Activate(LV2_Handle handle) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self == nullptr || (self->m_used && !self->MakeRunners()))
    return;
  for (int i = 0; i < self->m_controlCount; ++i) {
    Control &c = self->m_controls[i];
    const PortSpec &spec = self->m_def.ports[c.port];
    c.applied = self->PortValue(spec, c);
    if (c.choice) {
      for (int ch = 0; ch < self->m_def.channels; ++ch)
        self->m_runners[ch]->SetValue(c.pin, static_cast<intptr_t>(c.applied));
      continue;
    }
    Feed &f = self->m_feeds[c.feed];
    f.volts = spec.mapping == PinMapping::kHertz ? HertzToVolts(c.applied) : c.applied;
    f.streaming = f.cvPort >= 0 && self->m_ports[f.cvPort] != nullptr;
    for (int ch = 0; ch < self->m_def.channels; ++ch) {
      self->m_runners[ch]->Bind(f.pin, f.buffer.get());
      self->m_runners[ch]->SetStreaming(f.pin, f.streaming);
    }
  }
  for (int ch = 0; ch < self->m_def.channels; ++ch) {
    ModuleRunner &r = *self->m_runners[ch];
    for (size_t p = 0; p < self->m_def.portCount; ++p) {
      const PortSpec &spec = self->m_def.ports[p];
      if (self->m_portPin[p] >= 0 && spec.channel == ch) {
        // Audio ports stream, and are connected as far as the module can tell.
        r.SetStreaming(self->m_portPin[p], spec.type == PortType::kAudioIn);
        r.SetConnected(self->m_portPin[p], true);
      }
    }
    r.Open();
  }
  self->StageControls(true);
  self->m_used = true;
  self->m_active = true;
}

void ModulePlugin::Deactivate(LV2_Handle handle) {
  if (handle != nullptr)
    static_cast<ModulePlugin *>(handle)->m_active = false;
}

// Changes since the last run, at the run's first sample.
void ModulePlugin::ApplyControls() {
  for (int i = 0; i < m_controlCount; ++i) {
    Control &c = m_controls[i];
    const PortSpec &spec = m_def.ports[c.port];
    const float v = PortValue(spec, c);
    if (v == c.applied)
      continue;
    c.applied = v;
    if (c.choice) {
      for (int ch = 0; ch < m_def.channels; ++ch)
        m_runners[ch]->QueueValue(0, c.pin, static_cast<intptr_t>(v));
      continue;
    }
    Feed &f = m_feeds[c.feed];
    f.volts = spec.mapping == PinMapping::kHertz ? HertzToVolts(v) : v;
    if (!f.streaming)
      for (int ch = 0; ch < m_def.channels; ++ch)
        m_runners[ch]->QueueStatus(0, f.pin, PS_ONCE);
  }
  for (int i = 0; i < m_feedCount; ++i) {
    Feed &f = m_feeds[i];
    const bool streaming = f.cvPort >= 0 && m_ports[f.cvPort] != nullptr;
    if (streaming == f.streaming)
      continue;
    f.streaming = streaming;
    for (int ch = 0; ch < m_def.channels; ++ch)
      m_runners[ch]->QueueStatus(0, f.pin, streaming ? PS_RUNNING : PS_ONCE);
  }
}

void ModulePlugin::FillFeeds(int32_t offset, int32_t length) {
  for (int i = 0; i < m_feedCount; ++i) {
    Feed &f = m_feeds[i];
    float *out = f.buffer.get();
    const float *cv = f.cvPort >= 0 ? static_cast<const float *>(m_ports[f.cvPort]) : nullptr;
    if (cv == nullptr) {
      const float s = VoltsToSample(f.volts);
      for (int32_t k = 0; k < length; ++k)
        out[k] = s;
      continue;
    }
    for (int32_t k = 0; k < length; ++k)
      out[k] = VoltsToSample(
          Clamp(f.volts + ContainCv(cv[offset + k], f.cvLowest, f.cvHighest), f.lowest, f.highest));
  }
}

// Before any module of a chunk runs: an audio input whose samples share
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

void ModulePlugin::Run(LV2_Handle handle, uint32_t n) {
  auto *self = static_cast<ModulePlugin *>(handle);
  if (self == nullptr || !self->m_active || n == 0)
    return;
  self->ApplyControls();
  self->StageControls(false);
  ModuleRunner::ForEachChunk(n, self->m_capacity, [&](int32_t offset, int32_t length) {
    self->FillFeeds(offset, length);
    self->RunStage(offset, length, true);
    self->BindAudio(offset, length);
    for (int ch = 0; ch < self->m_def.channels; ++ch)
      self->m_runners[ch]->Process(length);
    self->RunStage(offset, length, false);
  });
}

// A wrapper-only control's contained value (its default while unconnected).
float ModulePlugin::WrapperControl(int port) const {
  const PortSpec &spec = m_def.ports[port];
  const auto *p = static_cast<const float *>(m_ports[port]);
  return ContainControl(p != nullptr ? *p : spec.defaultValue, spec.minimum, spec.maximum,
                        spec.defaultValue);
}

// The output level and bypass: at once on activation, gliding from a run's
// first sample otherwise.
void ModulePlugin::StageControls(bool at_once) {
  const float level = m_levelPort >= 0 ? WrapperControl(m_levelPort) : 0.0f;
  const bool enabled = m_enabledPort < 0 || WrapperControl(m_enabledPort) >= 0.5f;
  if (at_once)
    m_stage.Reset(level, enabled);
  else
    m_stage.SetTargets(level, enabled);
}

// Before the modules run: the dry inputs the bypass may need (an output may
// share an input's buffer). After: level and bypass onto the outputs.
void ModulePlugin::RunStage(int32_t offset, int32_t length, bool before_modules) {
  float *outputs[kMaxChannels] = {};
  for (int ch = 0; ch < m_def.channels; ++ch) {
    const int in = m_mainIn[ch], out = m_mainOut[ch];
    if (before_modules && m_stage.NeedsDry()) {
      const auto *data = in >= 0 ? static_cast<const float *>(m_ports[in]) : nullptr;
      m_stage.CopyDry(ch, data != nullptr ? data + offset : nullptr, length);
    }
    auto *data = out >= 0 ? static_cast<float *>(m_ports[out]) : nullptr;
    outputs[ch] = data != nullptr ? data + offset : nullptr;
  }
  if (!before_modules)
    m_stage.Apply(outputs, length);
}

void ModulePlugin::Cleanup(LV2_Handle handle) { delete static_cast<ModulePlugin *>(handle); }

} // namespace se_lv2
