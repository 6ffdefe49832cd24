// `se-host process`: an audio file through a patch, each channel through its
// own chain, at the file's rate, for its length and a tail; and the mistakes
// it refuses without touching anything.
#include "run_tool.h"

#include <gtest/gtest.h>

#include <cmath>

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
      {{in, "-o", chain, "--patch", chain}, 1, "chain.json"},
      {{in, "-o", out, "--rate", "48000"}, 2, "--rate"},
      {{in, "-o", out, "--tail", "-1"}, 2, "--tail"},
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
