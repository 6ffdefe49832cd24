// What `se-host render` leaves on disk: every format, byte for byte the same on
// every render; nothing left behind or changed when it is stopped or refused.
#include "run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <thread>

namespace setest {
namespace {

namespace fs = std::filesystem;

const std::string kTone = R"({
  "sample_rate": 48000, "block_size": 256, "duration": 0.25,
  "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
  "sources": [{"to": "g.Signal", "type": "lfo", "rate": 440, "depth": 5}],
  "outputs": ["g.Output", {"from": "g.Output", "gain": -0.5}]
})";

// An hour at 768 kHz: far longer than any test waits, and more than WAV's 4 GiB.
const std::string kLong = R"({"sample_rate": 768000, "duration": 3600,
  "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
  "sources": [{"to": "g.Signal", "type": "lfo", "rate": 100}],
  "outputs": ["g.Output"]})";

TEST(RenderFiles, EveryFormatGivesTheSameBytesOnEveryRender) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  struct Case {
    const char *name, *format;
    int type;
  };
  const Case cases[] = {{"a.wav", "", SF_FORMAT_WAV},        {"b.wav", "float", SF_FORMAT_WAV},
                        {"c.rf64", "", SF_FORMAT_RF64},      {"d.flac", "16", SF_FORMAT_FLAC},
                        {"e.ogg", "", SF_FORMAT_OGG},        {"f.opus", "", SF_FORMAT_OGG},
                        {"g.aif", "float", SF_FORMAT_AIFF},  {"h.caf", "float", SF_FORMAT_CAF},
                        {"i.snd", "flac,24", SF_FORMAT_FLAC}};
  size_t written = 0;
  for (const Case &c : cases) {
#if defined(_WIN32)
    // Every program start is slow under wine: there, only the formats that
    // carry a time stamp or a random number.
    if (std::string(c.format) != "float" && c.type != SF_FORMAT_OGG)
      continue;
#endif
    ++written;
    std::string first;
    for (const std::string &to : {dir / c.name, std::string("-")}) {
      const bool streams = c.type == SF_FORMAT_FLAC || c.type == SF_FORMAT_OGG;
#if defined(_WIN32)
      if (to == "-")
        continue;
#endif
      if (to == "-" && !streams)
        continue;
      std::string format = c.format;
      if (to == "-" && format.find(',') == std::string::npos)
        format += std::string(format.empty() ? "" : ",") +
                  fs::path(c.name).extension().string().substr(1);
      std::vector<std::string> args = {"render", dir / "tone.json", "-o", to};
      if (!format.empty())
        args.insert(args.end(), {"-f", format});
      // Twice: no time stamp, no random number.
      for (int round = 0; round < 2; ++round) {
        const ToolResult r = SeHost(dir, args);
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        const std::string bytes = to == "-" ? r.out : ReadBytes(to);
        if (first.empty())
          first = bytes;
        EXPECT_EQ(bytes, first) << c.name << (to == "-" ? " on standard output" : "");
      }
    }
    EXPECT_EQ(first.find("PEAK"), std::string::npos) << c.name;
    const Sound s = ReadSound(dir / c.name);
    EXPECT_EQ(s.format & SF_FORMAT_TYPEMASK, c.type) << c.name;
    ASSERT_EQ(s.channels, 2) << c.name;
    EXPECT_EQ(s.Frames(), 12000u) << c.name;
    EXPECT_NEAR(s.At(3000, 0), 0.5 * std::sin(2 * std::numbers::pi * 440 * 3000 / 48000.0), 0.05)
        << c.name;
  }
  // Nothing but the patch and the files: no temporary file is left.
  EXPECT_EQ(dir.Files().size(), 1 + written);
}

// A file of a few frames holds those frames and nothing of the header that
// libsndfile first wrote longer; and the same render or process a second
// later (another time of writing) gives the same bytes, in every container a
// header could stamp: no time in any of them.
TEST(RenderFiles, AFewFramesAndASecondLaterTheSameBytes) {
  TempDir dir;
  dir.Write("four.json", R"({"sample_rate": 8000, "duration": 0.0005,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "lfo", "rate": 100, "depth": 5}],
    "outputs": ["g.Output"]})");
  dir.Write("chain.json", R"({"modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "input"}], "outputs": ["g.Output"]})");
  const std::vector<float> three = {0.25f, -0.5f, 0.125f, 0.75f, -0.25f, 0.5f};
  ASSERT_TRUE(WriteSound(dir / "in.wav", 8000, 2, three));
  std::vector<std::vector<std::string>> runs;
  for (const char *type : {"wav", "rf64", "aif", "caf"}) {
#if defined(_WIN32)
    // Every program start is slow under wine: there, floats only (the PEAK chunk).
    for (const char *format : {"float"}) {
#else
    for (const char *format : {"float", "16"}) {
#endif
      const std::string name = std::string(format) + "." + type;
      runs.push_back({"render", dir / "four.json", "-o", dir / ("r" + name), "-f", format});
      runs.push_back({"process", dir / "in.wav", "--patch", dir / "chain.json", "--tail", "0", "-o",
                      dir / ("p" + name), "-f", format});
    }
  }
  std::vector<std::string> first;
  for (const auto &args : runs) {
    const std::string out = args[0] == "render" ? args[3] : args[7];
    const ToolResult r = SeHost(dir, args);
    ASSERT_EQ(r.status, 0) << out << ": " << r.err;
    first.push_back(ReadBytes(out));
    const Sound s = ReadSound(out);
    ASSERT_EQ(s.Frames(), args[0] == "render" ? 4u : 3u) << out;
    if (args[0] == "process") {
      for (size_t i = 0; i < three.size(); ++i)
        EXPECT_NEAR(s.samples[i], three[i], 1e-4f) << out << " " << i;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  for (size_t i = 0; i < runs.size(); ++i) {
    ASSERT_EQ(SeHost(dir, runs[i]).status, 0);
    const std::string out = runs[i][0] == "render" ? runs[i][3] : runs[i][7];
    EXPECT_EQ(ReadBytes(out), first[i]) << out;
  }
}

TEST(RenderFiles, WhatCannotBeWrittenIsRefusedBeforeRendering) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  dir.Write("long.json", kLong);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-o", "-"}, "standard output has no extension; name the file type with --format"},
      {{"-o", "-", "-f", "rf64"}, "RF64 files cannot be written as a stream"},
      {{"-o", dir / "x.ogg", "-f", "16"}, "Ogg Vorbis is a lossy codec"},
      {{"-o", dir / "x.wav", "-f", "flac,ogg"}, "names two file types"},
      {{"-o", dir / "x.wav", "--gain", "90"}, "--gain: a gain in dB from -120 to +60"},
      {{"-o", dir / "x.opus", "--gain", "1", "--normalize"}, "--gain excludes --normalize"},
      {{"-o", dir / "x.aiff"}, "AIFF files hold at most 4 GiB of samples"},
  };
  for (const auto &[args, message] : cases) {
    std::vector<std::string> all = {
        "render", dir / (message.find("AIFF") != std::string::npos ? "long.json" : "tone.json")};
    all.insert(all.end(), args.begin(), args.end());
    ExpectOneErrorLine(SeHost(dir, all), message);
  }
  EXPECT_EQ(dir.Files().size(), 2u);
}

TEST(RenderFiles, AnOutputThatIsAnInputIsRefused) {
  TempDir dir;
  ASSERT_TRUE(WriteSound(dir / "in.wav", 48000, 1, std::vector<float>(480, 0.25f)));
  dir.Write("p.json", R"({"sample_rate": 48000, "duration": 0.01,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "file", "path": "in.wav"}],
    "outputs": ["g.Output"]})");
  fs::create_directory(dir / "sub");
  fs::create_hard_link(dir / "p.json", dir / "hard.json");
  const std::string patch = ReadBytes(dir / "p.json"), audio = ReadBytes(dir / "in.wav");
  std::vector<std::string> outputs = {dir / "p.json", dir / "sub/../in.wav", dir / "hard.json"};
#if !defined(_WIN32)
  fs::create_symlink(dir / "in.wav", dir / "link.wav");
  outputs.push_back(dir / "link.wav");
#endif
  for (const std::string &out : outputs)
    ExpectOneErrorLine(SeHost(dir, {"render", dir / "p.json", "-o", out, "-f", "wav"}),
                       out + ": is the input file");
  EXPECT_EQ(ReadBytes(dir / "p.json"), patch);
  EXPECT_EQ(ReadBytes(dir / "in.wav"), audio);
  EXPECT_EQ(dir.Files().size(), outputs.size() + 1);
}

TEST(RenderFiles, AFileWhoseHeaderLiesGetsALocatedError) {
  TempDir dir;
  // 4 KB of samples whose header claims 1 Hz: at 768 kHz, hours of signal.
  ASSERT_TRUE(WriteSound(dir / "liar.wav", 8000, 1, std::vector<float>(2000, 0.5f),
                         SF_FORMAT_WAV | SF_FORMAT_PCM_16));
  std::string bytes = ReadBytes(dir / "liar.wav");
  bytes.replace(24, 8, std::string("\x01\x00\x00\x00\x02\x00\x00\x00", 8));
  std::ofstream(dir / "liar.wav", std::ios::binary) << bytes;
  dir.Write("p.json", R"({"sample_rate": 768000, "duration": 1,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "file", "path": "liar.wav", "loop": true}],
    "outputs": ["g.Output"]})");
  ExpectOneErrorLine(SeHost(dir, {"render", dir / "p.json", "-o", dir / "out.wav"}),
                     dir / "p.json" + ": /sources/0/path: " + dir / "liar.wav" +
                         ": the header gives a sample rate of 1 Hz");
  EXPECT_EQ(dir.Files().size(), 2u);
}

#if !defined(_WIN32)
TEST(RenderFiles, EverySignalThatEndsTheToolLeavesTheOldFilesAlone) {
  TempDir dir;
  dir.Write("long.json", kLong);
  // Each render writes over an older file; the last one may write only a megabyte.
  const int signals[] = {SIGHUP,  SIGINT,    SIGPIPE, SIGUSR1, SIGUSR2,  SIGALRM,
                         SIGQUIT, SIGVTALRM, SIGPROF, SIGXCPU, SIGRTMIN, SIGXFSZ};
  std::vector<std::unique_ptr<RunningTool>> tools;
  for (int s : signals) {
    const std::string out = dir / ("out" + std::to_string(s) + ".wav");
    std::ofstream(out) << "the previous render";
    tools.push_back(std::make_unique<RunningTool>(
        std::vector<std::string>{"--plugin-dir", TestPluginDir(), "render", dir / "long.json", "-o",
                                 out},
        s == SIGXFSZ ? 1 << 20 : 0));
  }
  // Wait until every render that is to be signalled has written the head of
  // its temporary file (a minute at most): a file that exists may still be
  // empty on a loaded machine. The one under a file-size limit may already
  // have stopped by itself and removed its own.
  const auto started = [&] {
    size_t n = 0;
    for (const std::string &name : dir.Files()) {
      std::error_code error;
      n += name.find(".partial-") != std::string::npos &&
           name.find("out" + std::to_string(SIGXFSZ) + ".wav") == std::string::npos &&
           std::filesystem::file_size(dir / name, error) >= 4096 && !error;
    }
    return n;
  };
  const size_t signalled = std::size(signals) - 1;
  for (int i = 0; i < 2400 && started() < signalled; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_EQ(started(), signalled);
  // Past 4 GiB a WAV file is written as RF64, from its first byte.
  for (const std::string &name : dir.Files()) {
    if (name.find(".partial-") != std::string::npos) {
      char head[4] = {};
      std::ifstream(dir / name, std::ios::binary).read(head, 4);
      EXPECT_EQ(std::string(head, 4), "RF64") << name;
    }
  }
  for (size_t i = 0; i < tools.size(); ++i) {
    if (signals[i] != SIGXFSZ) // that one stops when it reaches its limit
      tools[i]->Signal(signals[i]);
    EXPECT_EQ(tools[i]->Wait(), 1) << "signal " << signals[i];
  }
  for (int s : signals)
    EXPECT_EQ(ReadText(dir / ("out" + std::to_string(s) + ".wav")), "the previous render") << s;
  EXPECT_EQ(dir.Files().size(), 1 + std::size(signals));
}
#endif

} // namespace
} // namespace setest
