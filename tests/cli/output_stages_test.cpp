// What stands between a rendered signal and its file: --gain, --normalize
// (through a temporary file that never outlives the tool), resampling to a
// rate the output takes (--rate, Opus), MP3, and WAV into a pipe.
#include "run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

namespace setest {
namespace {

namespace fs = std::filesystem;

// A 100 Hz sine of `depth` volts (full scale is 10 V) for 0.25 s at 8 kHz.
std::string Tone(double depth, double duration = 0.25) {
  return R"({"sample_rate": 8000, "duration": )" + std::to_string(duration) +
         R"(, "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "lfo", "rate": 100, "depth": )" +
         std::to_string(depth) + R"(}], "outputs": ["g.Output", "g.Output"]})";
}

float Peak(const Sound &s) {
  float peak = 0.0f;
  for (float x : s.samples)
    peak = std::max(peak, std::abs(x));
  return peak;
}

TEST(OutputStages, GainAndNormalizeScaleTheWholeSignal) {
  TempDir dir;
  dir.Write("quiet.json", Tone(1.0));
  dir.Write("hot.json", Tone(25.0));
  ToolResult r = SeHost(dir, {"render", dir / "quiet.json", "-o", dir / "half.wav", "-f", "float",
                              "--gain", "-6.0206"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("gain -6.0 dB"), std::string::npos) << r.out;
  EXPECT_NEAR(Peak(ReadSound(dir / "half.wav")), 0.05f, 1e-4f);
  // Up from -20 dBFS and down from +8 dBFS: the peak lands on -1 dBFS.
  const float target = static_cast<float>(std::pow(10.0, -1.0 / 20.0));
  for (const char *patch : {"quiet.json", "hot.json"}) {
    r = SeHost(dir, {"render", dir / patch, "-o", dir / "n.wav", "-f", "float", "--normalize"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << patch;
    EXPECT_NE(r.out.find("normalized to -1 dBFS"), std::string::npos) << r.out;
    const Sound s = ReadSound(dir / "n.wav");
    EXPECT_EQ(s.Frames(), 2000u);
    EXPECT_NEAR(Peak(s), target, 1e-5f) << patch;
    // The shape is kept: a sine of the normalized height.
    EXPECT_NEAR(s.At(20, 0), target * std::sin(2 * std::numbers::pi * 100 * 20 / 8000.0), 1e-4)
        << patch;
  }
#if !defined(_WIN32) // every program start is slow under wine
  // A stream too: the signal is written once its peak is known.
  r = SeHost(dir, {"render", dir / "hot.json", "-o", "-", "-f", "flac", "--normalize"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ofstream(dir / "streamed.flac", std::ios::binary) << r.out;
  EXPECT_NEAR(Peak(ReadSound(dir / "streamed.flac")), target, 2e-4f);
  fs::remove(dir / "streamed.flac");
#endif
  EXPECT_EQ(dir.Files().size(), 4u);
}

// process and synth write through the same stages as render: --gain scales
// what they write, --normalize brings its peak to -1 dBFS.
TEST(OutputStages, EveryCommandThatWritesAudioTakesGainAndNormalize) {
  TempDir dir;
  std::vector<float> tone;
  for (int i = 0; i < 2000; ++i)
    tone.push_back(0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 100 * i / 8000.0)));
  ASSERT_TRUE(WriteSound(dir / "in.wav", 8000, 1, tone));
  dir.Write("chain.json", R"({"modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "input"}], "outputs": ["g.Output"]})");
  // One note, A4 for half a second.
  std::ofstream(dir / "note.mid", std::ios::binary)
      << std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x0c"
                     "\0\x90\x45\x64\x60\x80\x45\0\0\xff\x2f\0",
                     34);
  const std::vector<std::vector<std::string>> commands = {
      {"process", dir / "in.wav", "--patch", dir / "chain.json", "--tail", "0"},
      {"synth", dir / "note.mid", "--rate", "8000"}};
  const float target = static_cast<float>(std::pow(10.0, -1.0 / 20.0));
  for (const std::vector<std::string> &command : commands) {
    const auto peak = [&](std::vector<std::string> options) {
      std::vector<std::string> args = command;
      args.insert(args.end(), {"-o", dir / "out.wav", "-f", "float", "-q"});
      args.insert(args.end(), options.begin(), options.end());
      const ToolResult r = SeHost(dir, args);
      EXPECT_EQ(r.status, 0) << command[0] << ": " << r.err;
      return Peak(ReadSound(dir / "out.wav"));
    };
    const float plain = peak({});
    ASSERT_GT(plain, 0.01f) << command[0];
    EXPECT_NEAR(peak({"--gain", "-6.0206"}), plain / 2, 1e-4f) << command[0];
    EXPECT_NEAR(peak({"--normalize"}), target, 1e-5f) << command[0];
  }
}

TEST(OutputStages, TheClippingWarningNamesAGainThatAvoidsIt) {
  TempDir dir;
  dir.Write("hot.json", Tone(25.0));
  ToolResult r = SeHost(dir, {"render", dir / "hot.json", "-o", dir / "hot.wav", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 25 V is 2.5 times full scale: +8.0 dBFS, so 9.0 dB down reaches -1 dBFS.
  const std::string advice = "the peak at +8.0 dBFS; --gain -9.0 or --normalize avoids it";
  ASSERT_NE(r.err.find(advice), std::string::npos) << r.err;
  r = SeHost(dir, {"render", dir / "hot.json", "-o", dir / "hot.wav", "-q", "--gain", "-9.0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_LT(Peak(ReadSound(dir / "hot.wav")), 0.9f);
}

#if !defined(_WIN32)
TEST(OutputStages, NormalizingKeepsNothingOnDiskBehind) {
  TempDir dir, scratch;
  dir.Write("long.json", Tone(5.0, 3600.0));
  const char *saved = std::getenv("TMPDIR");
  const std::string previous = saved ? saved : "";
  SetEnvironment("TMPDIR", scratch.Path().c_str());
  RunningTool tool({"--plugin-dir", TestPluginDir(), "render", dir / "long.json", "-o",
                    dir / "out.wav", "--normalize"});
  SetEnvironment("TMPDIR", saved ? previous.c_str() : nullptr);
  // Its temporary file has no name while it renders, and the partial output
  // goes when it is stopped.
  for (int i = 0; i < 200 && dir.Files().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  EXPECT_EQ(scratch.Files().size(), 0u);
  tool.Interrupt();
  EXPECT_EQ(tool.Wait(), 1);
  EXPECT_EQ(scratch.Files().size(), 0u);
  EXPECT_EQ(dir.Files().size(), 1u);
}
#endif

TEST(OutputStages, OutputsAreResampledToTheRateTheyTake) {
  TempDir dir;
  dir.Write("tone.json", Tone(5.0));
  // 8 kHz is a rate of Opus; 11025 Hz is not: resampled to 48 kHz, at which
  // Opus always decodes, and said so in one line.
  ToolResult r = SeHost(dir, {"render", dir / "tone.json", "-o", dir / "t.opus"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  dir.Write("odd.json", [] {
    std::string t = Tone(5.0);
    t.replace(t.find("8000"), 4, "11025");
    return t;
  }());
  r = SeHost(dir, {"render", dir / "odd.json", "-o", dir / "t.opus"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "se-host: note: " + dir / "t.opus" +
                       ": Opus takes 8000, 12000, 16000, 24000 or 48000 Hz: resampled from 11025 "
                       "to 48000 Hz\n");
  // Vorbis takes any rate up to 200 kHz.
  dir.Write("high.json", [] {
    std::string t = Tone(5.0);
    t.replace(t.find("8000"), 4, "384000");
    return t;
  }());
  r = SeHost(dir, {"render", dir / "high.json", "-o", dir / "t.ogg"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Ogg Vorbis takes rates up to 200000 Hz: resampled from 384000 to 192000"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadSound(dir / "t.ogg").rate, 192000);
  Sound s = ReadSound(dir / "t.opus");
  EXPECT_EQ(s.rate, 48000);
  EXPECT_NEAR(static_cast<double>(s.Frames()), 0.25 * 48000, 1000);

  // process --rate: the patch runs at the file's rate, the output is resampled.
  ASSERT_TRUE(WriteSound(dir / "in.wav", 22050, 1, [] {
    std::vector<float> x(22050);
    for (size_t i = 0; i < x.size(); ++i)
      x[i] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 441 * i / 22050.0));
    return x;
  }()));
  dir.Write("chain.json", R"({"modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "input"}], "outputs": ["g.Output"]})");
  r = SeHost(dir, {"process", dir / "in.wav", "--patch", dir / "chain.json", "-o", dir / "up.wav",
                   "-f", "float", "--rate", "48000", "--tail", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("at 48000 Hz, WAV, 32-bit float, resampled from 22050 Hz"),
            std::string::npos)
      << r.out;
  s = ReadSound(dir / "up.wav");
  EXPECT_EQ(s.rate, 48000);
  ASSERT_EQ(s.Frames(), 48000u);
  // The same sine, in time with the input (the resampler's delay is taken out).
  for (size_t i = 1000; i < 47000; i += 613)
    ASSERT_NEAR(s.At(i, 0), 0.5 * std::sin(2 * std::numbers::pi * 441 * i / 48000.0), 2e-3) << i;
  ExpectOneErrorLine(SeHost(dir, {"process", dir / "in.wav", "--patch", dir / "chain.json", "-o",
                                  dir / "x.opus", "--rate", "44100"}),
                     "--rate 44100: Opus takes 8000, 12000, 16000, 24000 or 48000 Hz");
}

TEST(OutputStages, Mp3IsWrittenWhereLibsndfileEncodesIt) {
  TempDir dir;
  dir.Write("tone.json", Tone(5.0));
  const std::vector<std::string> args = {"render", dir / "tone.json", "-o", dir / "t.mp3"};
  const ToolResult r = SeHost(dir, args);
#if defined(_WIN32)
  ExpectOneErrorLine(r, "this build of se-host writes no MP3");
#else
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string first = ReadBytes(dir / "t.mp3");
  ASSERT_EQ(SeHost(dir, args).status, 0);
  EXPECT_EQ(ReadBytes(dir / "t.mp3"), first); // no time stamp, nothing random
  const Sound s = ReadSound(dir / "t.mp3");
  EXPECT_EQ(s.format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
  EXPECT_EQ(s.rate, 8000);
  EXPECT_NEAR(static_cast<double>(s.Frames()), 2000.0, 600.0);
  EXPECT_NEAR(Peak(s), 0.5f, 0.1f);
#endif
}

#if !defined(_WIN32)
// Runs se-host with its standard output read through a pipe, as a shell
// pipeline would: what went through.
std::string ThroughAPipe(const std::vector<std::string> &args) {
  std::string line = std::string(SE_HOST_PROGRAM) + " --plugin-dir '" + TestPluginDir() + "'";
  for (const std::string &a : args)
    line += " '" + a + "'";
  std::FILE *pipe = popen(line.c_str(), "r");
  if (pipe == nullptr)
    return {};
  std::string bytes;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    bytes.append(buffer, got);
  return pclose(pipe) == 0 ? bytes : std::string();
}

TEST(OutputStages, WavGoesIntoAPipeWithTheHeaderOfUnknownLength) {
  TempDir dir;
  dir.Write("tone.json", Tone(5.0));
  for (const char *format : {"16", "24", "float"}) {
    const std::string piped = ThroughAPipe(
        {"render", dir / "tone.json", "-o", "-", "-q", "-f", std::string(format) + ",wav"});
    ASSERT_GT(piped.size(), 44u) << format;
    EXPECT_EQ(piped.substr(0, 12), std::string("RIFF\xff\xff\xff\xffWAVE", 12)) << format;
    EXPECT_EQ(piped.substr(36, 8), std::string("data\xff\xff\xff\xff", 8)) << format;
    // The samples are those of a file render, bit for bit.
    ASSERT_EQ(
        SeHost(dir, {"render", dir / "tone.json", "-o", dir / "file.wav", "-f", format}).status, 0);
    std::ofstream(dir / "piped.wav", std::ios::binary) << piped;
    const Sound file = ReadSound(dir / "file.wav"), stream = ReadSound(dir / "piped.wav");
    EXPECT_EQ(stream.rate, 8000) << format;
    EXPECT_EQ(stream.channels, 2) << format;
    EXPECT_EQ(stream.samples, file.samples) << format;
  }
}
#endif

} // namespace
} // namespace setest
