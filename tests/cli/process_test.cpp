// `se-host process`: an audio file through a patch, each channel through its
// own chain, at the file's rate, for its length and a tail; and the mistakes
// it refuses without touching anything.
#include "run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace setest {
namespace {

// Output = input × Level (volts / 10) × the Mode sign, sample for sample.
const std::string kGainChain = R"({
  "modules": [{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 10}}],
  "sources": [{"to": "g.Signal", "type": "input"}],
  "outputs": ["g.Output"]
})";

// Left silent, right a tone, at a rate no patch would default to.
constexpr int kRate = 22050;
constexpr size_t kFrames = 3000;
std::vector<float> Stereo() {
  std::vector<float> x;
  for (size_t i = 0; i < kFrames; ++i)
    x.insert(x.end(), {0.0f, 0.5f * static_cast<float>(std::sin(0.05 * i))});
  return x;
}

TEST(Process, EveryChannelThroughThePatchAtTheFilesRateWithATail) {
  TempDir dir;
  dir.Write("chain.json", kGainChain);
  ASSERT_TRUE(WriteSound(dir / "in.wav", kRate, 2, Stereo()));
  const ToolResult r = SeHost(dir, {"process", dir / "in.wav", "-o", dir / "out.wav", "-f", "float",
                                    "--patch", dir / "chain.json", "--set", "g.Mode=Invert",
                                    "--set", "g.Level=2.5V", "--tail", "0.5", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const Sound s = ReadSound(dir / "out.wav");
  EXPECT_EQ(s.rate, kRate);
  ASSERT_EQ(s.channels, 2);
  ASSERT_EQ(s.Frames(), kFrames + kRate / 2);
  const std::vector<float> in = Stereo();
  for (size_t i = 0; i < s.Frames(); ++i) {
    const float right = i < kFrames ? -0.25f * in[2 * i + 1] : 0.0f;
    ASSERT_EQ(s.At(i, 0), 0.0f) << i;
    ASSERT_NEAR(s.At(i, 1), right, 1e-6f) << i;
  }
}

// A FLAC file whose header gives `total` samples per channel (0: "unknown", as
// streaming encoders write it) whatever it holds.
void SetFlacLength(const std::string &path, uint64_t total) {
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.compare(0, 4, "fLaC"), 0);
  // The first block is the stream info; its 36-bit sample count ends at byte 26.
  bytes[21] = static_cast<char>((bytes[21] & 0xF0) | ((total >> 32) & 0x0F));
  for (int i = 0; i < 4; ++i)
    bytes[22 + i] = static_cast<char>(total >> (24 - 8 * i));
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<float> Tone(size_t frames) {
  std::vector<float> x;
  for (size_t i = 0; i < frames; ++i)
    x.push_back(0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>(i))));
  return x;
}

TEST(Process, TheOutputLastsAsLongAsTheDataWhateverTheHeaderClaims) {
  TempDir dir;
  dir.Write("chain.json", kGainChain);
  const std::vector<float> tone = Tone(kFrames);
  struct Case {
    const char *name;
    uint64_t claim; // 0: unknown
    const char *tail;
    size_t frames;
  };
  const Case cases[] = {
      {"unknown.flac", 0, "0.5", kFrames + kRate / 2},
      // Without a tail a render of unknown length must still end.
      {"unknown0.flac", 0, "0", kFrames},
      // Ten minutes claimed, a few milliseconds held.
      {"liar.flac", 600ull * kRate, "0.1", kFrames + kRate / 10},
      // More than a FLAC header can hold in a 32-bit count.
      {"huge.flac", (1ull << 36) - 1, "0", kFrames},
  };
  for (const Case &c : cases) {
    ASSERT_TRUE(WriteSound(dir / c.name, kRate, 1, tone, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    SetFlacLength(dir / c.name, c.claim);
    for (const char *out : {"out.wav", "out.flac"}) {
      const std::string format = std::string(out).ends_with(".wav") ? "float" : "24";
      RunningTool tool({"--plugin-dir", TestPluginDir(), "process", dir / c.name, "-o", dir / out,
                        "--patch", dir / "chain.json", "--tail", c.tail, "-f", format});
      ASSERT_EQ(tool.Wait(), 0) << c.name << " " << out;
      const Sound s = ReadSound(dir / out);
      ASSERT_EQ(s.Frames(), c.frames) << c.name << " " << out;
      // Begun without a length, a small WAV still ends as a WAV.
      EXPECT_NE(s.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64) << c.name << " " << out;
      for (size_t i = 0; i < s.Frames(); i += 97)
        ASSERT_NEAR(s.At(i, 0), i < kFrames ? tone[i] : 0.0f, 1e-4f) << c.name << " " << i;
      // No time of writing in the file: a float WAV begun as RF64 carries a
      // PEAK chunk, whose time stamp is left 0.
      const std::string bytes = ReadBytes(dir / out);
      if (const size_t peak = bytes.find("PEAK"); peak != std::string::npos && peak < 512) {
        EXPECT_EQ(bytes.substr(peak + 12, 4), std::string(4, '\0')) << c.name << " " << out;
      }
    }
  }
}

TEST(Process, MistakesAreOneLineAndChangeNothing) {
  TempDir dir;
  dir.Write("chain.json", kGainChain);
  dir.Write("no_input.json", R"({"modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
                                 "outputs": ["g.Output"]})");
  dir.Write("text.wav", "not audio");
  ASSERT_TRUE(WriteSound(dir / "in.wav", kRate, 2, Stereo()));
  const std::string before = ReadBytes(dir / "in.wav");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char *says;
  };
  const std::string in = dir / "in.wav", out = dir / "out.wav", chain = dir / "chain.json";
  const Case cases[] = {
      {{dir / "missing.wav", "-o", out}, 1, "no such audio file"},
      {{dir / "text.wav", "-o", out}, 1, "cannot read audio file"},
      {{in, "-o", out, "--patch", chain, "--set", "g.Level=loud"}, 2, "--set g.Level=loud"},
      {{in, "-o", out, "--patch", chain, "--set", "g.Nothing=1"}, 2, "no pin named"},
      {{in, "-o", out, "--patch", dir / "no_input.json"}, 1, "no source of type \"input\""},
      {{in, "-o", in, "--patch", chain}, 1, "in.wav"},
      {{in, "-o", chain, "--patch", chain}, 2, "chain.json: unknown output format"},
      {{in, "-o", out, "--rate", "44100.5"}, 2, "--rate"},
      {{in, "-o", out, "--duration", "3"}, 2, "--duration"},
      {{in, "-o", out, "--tail", "-1"}, 2, "--tail"},
      {{in, "-o", out, "--tail="}, 2, "--tail"},
      {{in, "-o", out, "-f", "32"}, 2, "unknown format \"32\""},
      {{"-", "-o", out}, 2, "standard input is not accepted"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "process");
    const ToolResult r = SeHost(dir, args);
    ExpectOneErrorLine(r, c.says);
    EXPECT_EQ(r.status, c.status) << c.says;
  }
  EXPECT_EQ(ReadBytes(dir / "in.wav"), before);
  EXPECT_EQ(ReadText(dir / "chain.json"), kGainChain);
  EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace setest
