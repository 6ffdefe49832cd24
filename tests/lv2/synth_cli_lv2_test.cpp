// `se-host synth` and the LV2 synth under a lilv host play the same MIDI file
// at the same rate to the same samples, bit for bit: the tool's float output
// against the plugin run in runs on the engine's 32-frame grid, fed the same
// MIDI and the same positions (the file's tempo map as time:Position) at the
// same frames.
#include "lv2_rig.h"
#include "midi_writer.h"
#include "run_tool.h"
#include "synth/midi_file.h"
#include "synth/song.h"
#include "synth_position_atom.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace synthtest;

std::vector<Event> SongEvents(const Bytes &bytes, uint32_t rate) {
  synth::MidiFile file;
  EXPECT_EQ(synth::ReadMidiFile(bytes, file), "");
  std::vector<Event> events;
  for (const synth::SongEvent &e : synth::ScheduleSong(file, rate).events) {
    if (e.isPosition)
      events.push_back({e.frame, {}, e.position});
    else
      events.push_back({e.frame, Bytes(e.bytes, e.bytes + e.size)});
  }
  return events;
}

TEST(SynthCliLv2, TheToolAndTheLv2PluginGiveTheSameSamples) {
  setest::TempDir dir;
  const Bytes song = TestSong();
  std::ofstream(dir / "song.mid", std::ios::binary)
      .write(reinterpret_cast<const char *>(song.data()),
             static_cast<std::streamsize>(song.size()));
  for (uint32_t rate : {48000u, 44100u}) {
    SCOPED_TRACE(rate);
    const auto r = setest::RunTool({"synth", dir / "song.mid", "-o", dir / "song.wav", "-f",
                                    "float", "-q", "--rate", std::to_string(rate), "--set",
                                    "lfo_sync=6", "--set", "lfo_cutoff=2", "--set", "osc_mix=30"},
                                   dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const setest::Sound tool = setest::ReadSound(dir / "song.wav");
    ASSERT_EQ(tool.channels, 2);
    ASSERT_GT(tool.Frames(), static_cast<size_t>(rate));
    for (const std::vector<int32_t> &runs : std::vector<std::vector<int32_t>>{{256}, {32, 4064}}) {
      lv2test::Lv2Rig rig("urn:ladder-osc-modules:synth", rate, 4096);
      ASSERT_NE(rig.Instance(), nullptr);
      rig.SetControl("lfo_sync", 6);
      rig.SetControl("lfo_cutoff", 2);
      rig.SetControl("osc_mix", 30);
      const std::vector<std::vector<float>> lv2 =
          rig.RenderAll(static_cast<int64_t>(tool.Frames()), runs,
                        lv2test::SynthEvents(rig, SongEvents(song, rate)));
      EXPECT_EQ(lv2.at(0), tool.Channel(0));
      EXPECT_EQ(lv2.at(1), tool.Channel(1));
    }
  }
}

} // namespace
