// The synth as an LV2 instrument: the synth engine, played by the host's MIDI
// at each event's frame, following the host's tempo and position, with one
// control port per control of the engine.
#ifndef LV2_SYNTH_SYNTH_PLUGIN_H
#define LV2_SYNTH_SYNTH_PLUGIN_H

#include "position_atom.h"
#include "sequence_reader.h"
#include "synth/engine.h"
#include "synth_ports.h"

#include <lv2/core/lv2.h>

#include <cstdint>

namespace lv2synth {

class SynthPlugin {
public:
  static LV2_Handle Instantiate(const LV2_Descriptor *descriptor, double rate, const char *bundle,
                                const LV2_Feature *const *features);
  static void ConnectPort(LV2_Handle handle, uint32_t port, void *data);
  static void Activate(LV2_Handle handle);
  static void Run(LV2_Handle handle, uint32_t n);
  static void Cleanup(LV2_Handle handle);

private:
  // Frames rendered at once where the host left an output unconnected.
  static constexpr int32_t kScratch = 1024;

  void ReadControls();
  void RenderUntil(uint32_t frame);

  double m_rate = 48000.0;
  se_lv2::SequenceUrids m_urids;
  PositionUrids m_position;
  synth::Engine m_engine;
  bool m_active = false;
  void *m_ports[kPortCount] = {};
  float m_read[synth::kControlCount] = {}; // what each control port said last
  bool m_readAny = false;
  uint32_t m_cursor = 0; // frames of the current run rendered
  float m_scratch[2][kScratch] = {};
};

} // namespace lv2synth

#endif // LV2_SYNTH_SYNTH_PLUGIN_H
