#include "synth_plugin.h"

#include "host_features.h"
#include "output_limit.h"
#include "synth_ports.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace lv2synth {

LV2_Handle SynthPlugin::Instantiate(const LV2_Descriptor *, double rate, const char *,
                                    const LV2_Feature *const *features) {
  const LV2_URID_Map *map = se_lv2::FindUridMap(features);
  if (map == nullptr || !(rate >= 1000.0 && rate <= 1.0e6))
    return nullptr;
  std::unique_ptr<SynthPlugin> self(new (std::nothrow) SynthPlugin);
  if (!self || !self->m_urids.Map(map))
    return nullptr;
  self->m_position.Map(*map);
  self->m_rate = rate;
  return self.release();
}

void SynthPlugin::ConnectPort(LV2_Handle handle, uint32_t port, void *data) {
  if (port < kPortCount)
    static_cast<SynthPlugin *>(handle)->m_ports[port] = data;
}

// Every voice silent, controls as the ports say at the next run.
void SynthPlugin::Activate(LV2_Handle handle) {
  auto *self = static_cast<SynthPlugin *>(handle);
  self->m_active = self->m_engine.Activate(self->m_rate);
  self->m_readAny = false;
}

void SynthPlugin::Cleanup(LV2_Handle handle) { delete static_cast<SynthPlugin *>(handle); }

// Hands the engine each control whose port changed (the engine holds every
// value to its control's range).
void SynthPlugin::ReadControls() {
  for (int c = 0; c < synth::kControlCount; ++c) {
    const auto *port = static_cast<const float *>(m_ports[kFirstControl + c]);
    const float v = port != nullptr ? *port : synth::kControls[c].defaultValue;
    if (!m_readAny || std::memcmp(&v, &m_read[c], sizeof v) != 0) {
      m_read[c] = v;
      m_engine.SetControl(static_cast<synth::Control>(c), v);
    }
  }
  m_readAny = true;
}

void SynthPlugin::RenderUntil(uint32_t frame) {
  auto *left = static_cast<float *>(m_ports[kOutLeft]);
  auto *right = static_cast<float *>(m_ports[kOutRight]);
  while (m_cursor < frame) {
    uint32_t n = frame - m_cursor;
    float *l = left != nullptr ? left + m_cursor : m_scratch[0];
    float *r = right != nullptr ? right + m_cursor : m_scratch[1];
    if (left == nullptr || right == nullptr)
      n = std::min<uint32_t>(n, kScratch);
    n = std::min<uint32_t>(n, 1u << 20);
    m_engine.Process(l, r, static_cast<int32_t>(n));
    se_lv2::LimitOutput(l, static_cast<int32_t>(n), kSynthDef.outputCeiling);
    se_lv2::LimitOutput(r, static_cast<int32_t>(n), kSynthDef.outputCeiling);
    m_cursor += n;
  }
}

void SynthPlugin::Run(LV2_Handle handle, uint32_t n) {
  auto *self = static_cast<SynthPlugin *>(handle);
  if (!self->m_active) {
    for (uint32_t port : {kOutLeft, kOutRight})
      if (auto *out = static_cast<float *>(self->m_ports[port]))
        std::fill(out, out + n, 0.0f);
    return;
  }
  self->m_cursor = 0;
  self->ReadControls();
  se_lv2::SequenceReader events(self->m_ports[kMidiIn], self->m_urids, n);
  for (se_lv2::SequenceEvent ev; events.Next(ev);) {
    synth::Position position;
    if (ev.type == self->m_urids.midiEvent) {
      self->RenderUntil(ev.frame);
      self->m_engine.Midi(ev.body, ev.size);
    } else if (ReadPosition(self->m_position, ev.type, ev.body, ev.size, position)) {
      self->RenderUntil(ev.frame);
      self->m_engine.SetPosition(position);
    }
  }
  self->RenderUntil(n);
}

} // namespace lv2synth
