// `se-host synth` as a user runs it: a song to a file that ends when the last
// release has died away, at the rate asked for, with a preset and settings;
// one error line and the right exit status for every kind of mistake, and no
// file left behind then.
#include "midi_writer.h"
#include "run_tool.h"
#include "synth/midi_file.h"
#include "synth/song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using setest::ReadSound;
using setest::RunTool;
using setest::TempDir;
using namespace synthtest;

void WriteBytes(const std::string &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

int64_t SongEnd(const Bytes &bytes, uint32_t rate) {
  synth::MidiFile f;
  EXPECT_EQ(synth::ReadMidiFile(bytes, f), "");
  return synth::ScheduleSong(f, rate).endFrame;
}

float Peak(const std::vector<float> &v, size_t from, size_t to) {
  float p = 0.0f;
  for (size_t i = from; i < std::min(to, v.size()); ++i)
    p = std::max(p, std::fabs(v[i]));
  return p;
}

TEST(SynthCli, PlaysASongUntilItsLastReleaseHasDiedAway) {
  TempDir dir;
  WriteBytes(dir / "song.mid", TestSong());
  const auto r =
      RunTool({"synth", dir / "song.mid", "-o", dir / "song.wav", "-f", "float", "--no-progress"},
              dir.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("2 channels"), std::string::npos) << r.out;
  const setest::Sound s = ReadSound(dir / "song.wav");
  ASSERT_EQ(s.channels, 2);
  EXPECT_EQ(s.rate, 48000);
  const auto end = static_cast<size_t>(SongEnd(TestSong(), 48000));
  // The notes still held at the end are released there: the default release
  // (250 ms) dies away within half a second.
  EXPECT_GT(s.Frames(), end);
  EXPECT_LT(s.Frames(), end + 24000);
  const std::vector<float> left = s.Channel(0);
  EXPECT_GT(Peak(left, 0, end), 0.1f);
  EXPECT_GT(Peak(left, end, end + 2400), 0.001f);            // the release
  EXPECT_LT(Peak(left, s.Frames() - 32, s.Frames()), 1e-5f); // the last of a release
}

TEST(SynthCli, RatePresetAndSettingsChangeWhatIsPlayed) {
  TempDir dir;
  WriteBytes(dir / "song.mid", TestSong());
  auto play = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"synth", dir / "song.mid", "-o", dir / "out.wav", "-q",
                                     "-f",    "float"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = RunTool(args, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ""); // -q
    return ReadSound(dir / "out.wav");
  };
  const setest::Sound plain = play({});
  const setest::Sound slow = play({"--rate", "44100"});
  EXPECT_EQ(slow.rate, 44100);
  EXPECT_NEAR(static_cast<double>(slow.Frames()) / 44100.0,
              static_cast<double>(plain.Frames()) / 48000.0, 0.01);
  // A longer release: a longer file; a choice by its name, the same as by its number.
  const setest::Sound longer = play({"--set", "amp_release=2000"});
  EXPECT_GT(longer.Frames(), plain.Frames() + 48000);
  EXPECT_EQ(play({"--set", "filter_tap=X", "--set", "osc1_wave=Pulse:Saw"}).samples,
            play({"--set", "filter_tap=6", "--set", "osc1_wave=11"}).samples);
  EXPECT_EQ(play({"--preset", "Acid Bass"}).samples, play({"--preset", "bass-acid"}).samples);
  EXPECT_NE(play({"--preset", "bass-acid", "--set", "cutoff=500"}).samples,
            play({"--preset", "bass-acid"}).samples);
}

TEST(SynthCli, EveryMistakeIsOneLineAndLeavesNoFile) {
  TempDir dir;
  WriteBytes(dir / "song.mid", TestSong());
  WriteBytes(dir / "bad.mid", MidiFileBytes(2, 96, {Track({})}));
  dir.Write("text.mid", "hello");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::string song = dir / "song.mid", out = dir / "out.wav";
  const Case cases[] = {
      {{"synth", dir / "missing.mid", "-o", out}, 1, "cannot be read"},
      {{"synth", dir / "text.mid", "-o", out},
       1,
       "not a MIDI file this tool plays: not a standard"},
      {{"synth", dir / "bad.mid", "-o", out}, 1, "a format 2 file"},
      {{"synth", song, "-o", out, "--preset", "nothing"}, 2, "no preset \"nothing\" (presets: "},
      {{"synth", song, "-o", out, "--set", "cutoff"}, 2, "write CONTROL=VALUE"},
      {{"synth", song, "-o", out, "--set", "wobble=1"}, 2, "no control \"wobble\""},
      {{"synth", song, "-o", out, "--set", "cutoff=loud"}, 2, "the value must be a number"},
      {{"synth", song, "-o", out, "--set", "cutoff=1e9"}, 2, "cutoff runs from 20"},
      {{"synth", song, "-o", out, "--set", "filter_tap=7"}, 2, "runs from 2"},
      {{"synth", song, "-o", out, "--set", "emulate=Fuzzy"}, 2, "one of Analog, Digital"},
      {{"synth", song, "-o", out, "--rate", "44100.5"}, 2, "--rate must be a whole number"},
      {{"synth", song, "-o", out, "--rate", "100"}, 2, "--rate must be a whole number"},
      {{"synth", song, "-o", dir / "out.xyz"}, 2, "unknown output format \".xyz\""},
      {{"synth", song, "-o", song, "-f", "wav"}, 1, "is the input file"},
      {{"synth", song, "-o", dir / "song.wav", "-f", "wav", "--set", "x"}, 2, "CONTROL=VALUE"},
  };
  for (const Case &c : cases) {
    const auto r = RunTool(c.args, dir.Path());
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.rfind("se-host: error: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(setest::ReadBytes(song).size(), TestSong().size()); // the input untouched
}

} // namespace
