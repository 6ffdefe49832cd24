// The synth's run() allocates nothing: not for notes, stealing, the pedal,
// controllers, positions, all notes/sound off, nor for a change of any
// control (voice mode, polyphony, waveforms, every choice of the ladder)
// between runs of any length. The program's operator new serves the plugin
// too, so it sees the plugin's allocations; under the address sanitizer its
// own allocator stays in place and the test skips.
#include "lv2_rig.h"
#include "synth/controls.h"
#include "synth_position_atom.h"

#include <gtest/gtest.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "allocation_count.h"

namespace {

// One run's input: an atom sequence written ahead of the counted runs.
struct RunScript {
  uint32_t frames;
  std::vector<uint64_t> sequence;
  // Control values for this run (every control), set before it.
  std::vector<float> controls;
};

void Append(std::vector<uint64_t> &seq, uint32_t frame, uint32_t type,
            const std::vector<uint8_t> &body) {
  auto *s = reinterpret_cast<LV2_Atom_Sequence *>(seq.data());
  alignas(8) uint8_t storage[sizeof(LV2_Atom_Event) + 256] = {};
  auto *ev = reinterpret_cast<LV2_Atom_Event *>(storage);
  ev->time.frames = frame;
  ev->body.type = type;
  ev->body.size = static_cast<uint32_t>(body.size());
  std::memcpy(storage + sizeof(LV2_Atom_Event), body.data(), body.size());
  ASSERT_NE(lv2_atom_sequence_append_event(s, seq.size() * 8 - sizeof(LV2_Atom), ev), nullptr);
}

TEST(SynthLv2, RunNeverAllocates) {
#if !defined(SE_COUNTS_ALLOCATIONS)
  GTEST_SKIP() << "allocations are not counted under the address sanitizer";
#endif
  lv2test::Lv2Rig rig("urn:ladder-osc-modules:synth", 48000.0, 4096);
  ASSERT_NE(rig.Instance(), nullptr);
  const uint32_t midi = rig.Map(LV2_MIDI__MidiEvent);
  const uint32_t object = rig.Map(LV2_ATOM__Object);
  const uint32_t sequence = rig.Map(LV2_ATOM__Sequence);

  // The script: each run starts from the defaults with a few controls moved,
  // and plays a burst of events spread over the run.
  std::vector<float> defaults(synth::kControlCount);
  for (int c = 0; c < synth::kControlCount; ++c)
    defaults[c] = synth::kControls[c].defaultValue;
  auto set = [&](std::vector<float> &v, const char *symbol, float value) {
    v[static_cast<size_t>(synth::FindControl(symbol))] = value;
  };
  std::vector<RunScript> runs;
  const uint32_t lengths[] = {1, 7, 32, 256, 4096, 100, 64};
  for (int r = 0; r < 42; ++r) {
    RunScript run{lengths[r % 7], std::vector<uint64_t>(8192, 0), defaults};
    auto *s = reinterpret_cast<LV2_Atom_Sequence *>(run.sequence.data());
    s->atom.type = sequence;
    s->atom.size = sizeof(LV2_Atom_Sequence_Body);
    set(run.controls, "voice_mode", static_cast<float>(r / 7 % 3));
    set(run.controls, "polyphony", r % 2 ? 2.0f : 32.0f);
    set(run.controls, "osc1_wave", static_cast<float>(r % 21));
    set(run.controls, "osc2_wave", r % 5 == 0 ? 255.0f : 15.0f);
    set(run.controls, "osc_mix", static_cast<float>(r * 7 % 101));
    set(run.controls, "osc2_sync", static_cast<float>(r % 2));
    set(run.controls, "noise", static_cast<float>(r % 3) * 30.0f);
    set(run.controls, "filter_tap", static_cast<float>(2 + r % 5));
    set(run.controls, "filter_type", static_cast<float>(r % 2));
    set(run.controls, "emulate", static_cast<float>(r / 2 % 2));
    set(run.controls, "version", static_cast<float>(r / 3 % 2));
    set(run.controls, "lfo_sync", static_cast<float>(r % 13));
    set(run.controls, "lfo_shape", static_cast<float>(r % 5));
    set(run.controls, "lfo_pitch", 50.0f);
    set(run.controls, "glide", r % 4 == 0 ? 30.0f : 0.0f);
    set(run.controls, "amp_release", r % 3 == 0 ? 1.0f : 250.0f);
    const uint32_t n = run.frames;
    for (int k = 0; k < 8; ++k) {
      const uint8_t note = static_cast<uint8_t>(36 + (r * 5 + k * 7) % 60);
      Append(run.sequence, n * static_cast<uint32_t>(k) / 8, midi, {0x90, note, 100});
    }
    Append(run.sequence, n / 3, midi, {0xB0, 64, static_cast<uint8_t>(r % 2 ? 127 : 0)});
    Append(run.sequence, n / 3, midi, {0xB0, 1, 64});
    Append(run.sequence, n / 2, midi, {0xE0, 0x00, static_cast<uint8_t>(r * 11 % 128)});
    Append(run.sequence, n / 2, midi, {0xD0, 90});
    synth::Position p;
    p.hasTempo = p.hasBar = p.hasBarBeat = p.hasBeatsPerBar = p.hasSpeed = true;
    p.beatsPerMinute = 100.0f + static_cast<float>(r);
    p.bar = r;
    p.barBeat = 1.5f;
    p.beatsPerBar = 4.0f;
    p.speed = 1.0f;
    Append(run.sequence, n / 2, object, lv2test::PositionObject(rig, p));
    Append(run.sequence, n - 1, midi, {0x80, static_cast<uint8_t>(36 + r % 60), 0});
    if (r % 6 == 5)
      Append(run.sequence, n - 1, midi, {0xB0, static_cast<uint8_t>(r % 12 == 5 ? 123 : 120), 0});
    runs.push_back(std::move(run));
  }

  // The ports on this test's buffers, so that nothing of the rig runs.
  std::vector<float> controls = defaults, left(4096), right(4096);
  const LilvPlugin *plugin = rig.Plugin();
  LilvWorld *world = lv2test::World();
  auto index = [&](const char *symbol) {
    LilvNode *node = lilv_new_string(world, symbol);
    const LilvPort *port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    return port != nullptr ? lilv_port_get_index(plugin, port) : UINT32_MAX;
  };
  const uint32_t out_left = index("out_left"), out_right = index("out_right");
  ASSERT_NE(out_left, UINT32_MAX);
  ASSERT_NE(out_right, UINT32_MAX);
  lilv_instance_connect_port(rig.Instance(), out_left, left.data());
  lilv_instance_connect_port(rig.Instance(), out_right, right.data());
  for (int c = 0; c < synth::kControlCount; ++c)
    lilv_instance_connect_port(rig.Instance(), rig.Controls().at(synth::kControls[c].symbol),
                               &controls[static_cast<size_t>(c)]);

  g_counting = true;
  std::vector<int> probe(16); // the count sees an allocation
  g_counting = false;
  ASSERT_EQ(g_allocations, 1);
  g_allocations = 0;
  float peak = 0.0f;
  for (int pass = 0; pass < 2; ++pass)
    for (RunScript &run : runs) {
      g_counting = true;
      std::copy(run.controls.begin(), run.controls.end(), controls.begin());
      rig.ConnectMidi(run.sequence.data());
      lilv_instance_run(rig.Instance(), run.frames);
      g_counting = false;
      for (uint32_t k = 0; k < run.frames; ++k)
        peak = std::max({peak, std::fabs(left[k]), std::fabs(right[k])});
    }
  EXPECT_EQ(g_allocations, 0);
  EXPECT_GT(peak, 0.01f); // the script did play
}

} // namespace
