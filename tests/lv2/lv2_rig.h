// A small LV2 host for the tests, on lilv: finds a plugin of the bundles on
// LV2_PATH, instantiates it with the features a real host gives (URID map,
// options with the block lengths, bounded block length), and runs it with
// MIDI events at exact frames and with any run lengths.
#ifndef TESTS_LV2_LV2_RIG_H
#define TESTS_LV2_LV2_RIG_H

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lv2test {

// One MIDI message at a frame counted from the start of a render; with a
// `type` (a URID of this host, Map), an event of that atom type whose body is
// `bytes` (up to 256 of them), such as a time:Position object.
struct MidiAt {
  int64_t frame;
  std::vector<uint8_t> bytes;
  uint32_t type = 0;
};

// The bundles of this build, loaded once per test program.
LilvWorld *World();
const LilvPlugin *FindPlugin(const std::string &uri); // null when not found

class Lv2Rig {
public:
  // Instantiates `uri` at `rate`; with no `max_block` the options carry no
  // maxBlockLength. Instance() is null when the plugin refused.
  Lv2Rig(const std::string &uri, double rate, std::optional<int32_t> max_block);
  ~Lv2Rig();
  Lv2Rig(const Lv2Rig &) = delete;
  Lv2Rig &operator=(const Lv2Rig &) = delete;

  LilvInstance *Instance() const { return m_instance; }
  const LilvPlugin *Plugin() const { return m_plugin; }
  // Control ports by symbol; every control starts at its default.
  void SetControl(const std::string &symbol, float value);
  // Index of each control input port, by symbol.
  const std::map<std::string, uint32_t> &Controls() const { return m_control_index; }
  // Fills the modulation input `symbol` (a sidechain audio port, 1.0 = 10 V)
  // with `value` for the runs that follow.
  void SetCv(const std::string &symbol, float value);
  // Feeds the modulation input `symbol` with `signal` from the next frame rendered on
  // (its last value after its end).
  void SetCvSignal(const std::string &symbol, std::vector<float> signal);
  // Feeds the audio input `input` (0: the first) with `signal` from the next
  // frame rendered on (silence after its end).
  void SetInput(size_t input, std::vector<float> signal);

  // Connects the MIDI input to a sequence of the caller's, which the runs that
  // follow leave as it is (events passed to Render are then ignored).
  void ConnectMidi(const void *sequence);

  // Renders `frames` more frames of the audio output, in runs whose lengths
  // cycle through `runs`; each event goes into the run that holds its frame,
  // at its offset there.
  std::vector<float> Render(int64_t frames, const std::vector<int32_t> &runs,
                            const std::vector<MidiAt> &events = {});
  // The same, every audio output: one vector per output, in port order.
  std::vector<std::vector<float>> RenderAll(int64_t frames, const std::vector<int32_t> &runs,
                                            const std::vector<MidiAt> &events = {});

  // The URID this host maps `uri` to.
  uint32_t Map(const char *uri);

private:
  static LV2_URID MapEntry(LV2_URID_Map_Handle handle, const char *uri);

  const LilvPlugin *m_plugin = nullptr;
  LilvInstance *m_instance = nullptr;
  std::map<std::string, uint32_t> m_urids;
  LV2_URID_Map m_map{};
  int32_t m_max_block = 4096;
  std::vector<float> m_controls; // one slot per port
  std::map<std::string, uint32_t> m_control_index;
  // A fed input: its buffer, and the signal it plays from frame `from` on.
  struct Fed {
    std::vector<float> buffer;
    std::vector<float> signal;
    int64_t from = 0;
    bool holdLast = false;
  };
  std::map<uint32_t, Fed> m_cv;                // modulation inputs by port index
  std::vector<Fed> m_audio_in;                 // audio inputs in port order
  std::vector<std::vector<float>> m_audio_out; // audio outputs in port order
  int64_t m_frame = 0;                         // frames rendered so far
  uint32_t m_midi_index = 0;
  std::vector<uint64_t> m_sequence; // the atom sequence, 8-byte aligned
  bool m_own_sequence = true;
};

} // namespace lv2test

#endif // TESTS_LV2_LV2_RIG_H
