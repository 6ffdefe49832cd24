// The se-host program end to end, run as a user runs it: exit status, the one
// error line on standard error, and the files it leaves behind.
#include "plugin_path.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace setest {
namespace {

const std::string kRamp = R"({
  "sample_rate": 8000, "block_size": 100, "duration": 0.5,
  "modules": [{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 8}}],
  "sources": [{"to": "g.Signal", "type": "ramp", "points": [[0, -10], [0.5, 10]]}],
  "outputs": ["g.Output", {"from": "g.Output", "gain": -0.5}]
})";

TEST(Cli, RendersWavAndFlacInEveryFormat) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  struct Case {
    const char *file, *format;
    int subtype;
    double step; // one quantisation step
  };
  const Case cases[] = {{"a.wav", "16", SF_FORMAT_PCM_16, 1.0 / 32768},
                        {"b.wav", "24", SF_FORMAT_PCM_24, 1.0 / 8388608},
                        {"c.wav", "float", SF_FORMAT_FLOAT, 1e-7},
                        {"d.flac", "24", SF_FORMAT_PCM_24, 1.0 / 8388608}};
  for (const Case &c : cases) {
    const ToolResult r =
        SeHost(dir, {"render", dir / "ramp.json", "-o", dir / c.file, "-f", c.format});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(dir / c.file), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 channels, 0.50 s at 8000 Hz"), std::string::npos) << r.out;
    const Sound s = ReadSound(dir / c.file);
    ASSERT_EQ(s.channels, 2) << c.file;
    EXPECT_EQ(s.rate, 8000);
    EXPECT_EQ(s.format & SF_FORMAT_SUBMASK, c.subtype) << c.file;
    ASSERT_EQ(s.Frames(), 4000u);
    // The ramp runs from -1.0 to 1.0 over 4000 samples; Level 8 V scales it by 0.8.
    for (size_t i = 0; i < s.Frames(); i += 37) {
      const double x = 0.8 * (-1.0 + 2.0 * i / 4000.0);
      ASSERT_NEAR(s.At(i, 0), x, 2 * c.step) << c.file << " frame " << i;
      ASSERT_NEAR(s.At(i, 1), -0.5 * x, 2 * c.step) << c.file << " frame " << i;
    }
  }
  // Nothing but the patch and the four files: no temporary file is left.
  EXPECT_EQ(dir.Files().size(), 5u);
}

TEST(Cli, ClipsIntegerFormatsAndWarns) {
  TempDir dir;
  dir.Write("hot.json", R"({"sample_rate": 8000, "duration": 0.1,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Signal": 15}}],
    "sources": [{"to": "g.Level", "type": "lfo", "rate": 0, "center": 10, "depth": 0}],
    "outputs": ["g.Output"]})");
  ToolResult r = SeHost(dir, {"render", dir / "hot.json", "-o", dir / "hot.wav", "-f", "16"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: " + (dir / "hot.wav") + ": 800 samples clipped"),
            std::string::npos)
      << r.err;
  EXPECT_NEAR(ReadSound(dir / "hot.wav").At(10, 0), 1.0, 1e-4);
  r = SeHost(dir, {"render", dir / "hot.json", "-o", dir / "hot.wav", "-f", "float", "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_NEAR(ReadSound(dir / "hot.wav").At(10, 0), 1.5, 1e-6);
}

TEST(Cli, BadInputGetsOneClearLineAndANonZeroExit) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  dir.Write("broken.json", "{\n  \"duration\": 1,\n  \"modules\": [\n}\n");
  std::string unknown_plugin = kRamp;
  unknown_plugin.replace(unknown_plugin.find("cli_gain_plugin"), 15, "no_such_plugin");
  dir.Write("unknown.json", unknown_plugin);
  // One mistake in each patch, found by loading, so that no output is written.
  const auto patch = [&](const std::string &name, const std::string &modules,
                         const std::string &rest, const std::string &duration = "1") {
    dir.Write(name, R"({"duration": )" + duration + R"(, "modules": )" + modules + rest +
                        R"(, "outputs": ["g.Output"]})");
    return dir / name;
  };
  const std::string one = R"([{"id": "g", "plugin": "cli_gain_plugin"}])";
  const std::string two = R"([{"id": "g", "plugin": "cli_gain_plugin"},
                              {"id": "h", "plugin": "cli_gain_plugin"}])";
  const std::string bad_id =
      patch("bad_id.json", one, R"(, "connections": [{"from": "g.Output", "to": "k.Signal"}])");
  const std::string bad_pin = patch(
      "bad_pin.json", R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Gain": 2}}])", "");
  const std::string bad_item =
      patch("bad_item.json",
            R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Mode": "Off"}}])", "");
  const std::string bad_link =
      patch("bad_link.json", two, R"(, "connections": [{"from": "h.Link Out", "to": "g.Level"}])");
  const std::string no_audio =
      patch("no_audio.json", one,
            R"(, "sources": [{"to": "g.Signal", "type": "file", "path": "loop.wav"}])");
  dir.Write("notes.wav", "not audio at all");
  const std::string bad_audio =
      patch("bad_audio.json", one,
            R"(, "sources": [{"to": "g.Signal", "type": "file", "path": "notes.wav"}])");
  const std::string negative = patch("negative.json", one, "", "-1.5");
  const std::string out = dir / "out.wav";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"render", dir / "broken.json", "-o", out},
       dir / "broken.json" + ": invalid JSON: line 4, column 1"},
      {{"render", dir / "missing.json", "-o", out}, dir / "missing.json" + ": no such patch file"},
      {{"render", dir / "unknown.json", "-o", out},
       "/modules/0/plugin: plugin \"no_such_plugin\" not found in"},
      {{"render", bad_id, "-o", out},
       bad_id + ": /connections/0/to: no module with the id \"k\" (modules: g)"},
      {{"render", bad_pin, "-o", out},
       bad_pin + ": /modules/0/pins/Gain: module \"g\" has no pin named \"Gain\""},
      {{"render", bad_item, "-o", out},
       bad_item + ": /modules/0/pins/Mode: g: pin \"Mode\" has no choice \"Off\" (choices: "
                  "Pass, Invert, Mute)"},
      {{"render", bad_link, "-o", out},
       bad_link + ": /connections/0: cannot connect \"h.Link Out\" (link output) to "
                  "\"g.Level\" (audio input): the pins carry different kinds of data"},
      {{"render", no_audio, "-o", out},
       no_audio + ": /sources/0/path: " + dir.Path() + "/loop.wav: no such audio file"},
      {{"render", bad_audio, "-o", out},
       bad_audio + ": /sources/0/path: " + dir.Path() + "/notes.wav: cannot read audio file"},
      {{"render", negative, "-o", out},
       negative + ": /duration: the duration must be a positive number of seconds"},
      {{"render", dir / "ramp.json", "-o", dir / "no/such/folder/out.wav"},
       dir / "no/such/folder/out.wav" + ": the folder \"" + dir / "no/such/folder" +
           "\" does not exist"},
      {{"render", dir / "ramp.json", "-o", dir / "out.mp4"}, "unknown output format \".mp4\""},
      {{"render", dir / "ramp.json", "-o", out, "-f", "12"}, "unknown format \"12\""},
      {{"render", dir / "ramp.json", "-o", dir / "x.flac", "-f", "float"},
       "FLAC holds 16-bit or 24-bit samples, not 32-bit float"},
      {{"plot", dir / "missing.wav", "-o", dir / "p.png"}, "missing.wav: no such audio file"},
      {{"plot", dir / "ramp.json", "-o", dir / "p.png"}, "ramp.json: cannot read audio file"},
      {{"plot", "--response", "cli_gain_plugin", "-o", dir / "nowhere/p.png"},
       "the folder \"" + dir / "nowhere" + "\" does not exist"},
      {{"plot", "--response", "cli_gain_plugin", "--set", "Mode=Loud", "-o", dir / "p.png"},
       "pin \"Mode\" has no choice \"Loud\""},
      {{"plot", "--response", "cli_gain_plugin", "--set", "Level=440Hz", "-o", dir / "p.png"},
       "pin \"Level\" takes volts, not a frequency or note (\"440Hz\")"},
      {{"plot", "--response", "cli_gain_plugin", "--size", "10x10", "-o", dir / "p.png"},
       "--size is WIDTHxHEIGHT in pixels"},
      {{"describe", "no_such_plugin"}, "plugin \"no_such_plugin\" not found in"},
  };
  for (const Case &c : cases) {
    const ToolResult r = SeHost(dir, c.args);
    ExpectOneErrorLine(r, c.message);
  }
  // No failed command left a file behind: only the ten inputs are there.
  EXPECT_EQ(dir.Files().size(), 11u);
}

TEST(Cli, UsageMistakesAndHostileFilesGetOneLineAndADocumentedStatus) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  dir.Write("huge.json", R"({"duration": 1,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 2e308}}]})");
  dir.Write("deep.json", R"({"duration": )" + std::string(500000, '[') + "]");
  // Usage mistakes: status 2, one line, not the parser library's own format.
  const std::vector<std::pair<std::vector<std::string>, std::string>> usage = {
      {{"render", dir / "ramp.json"}, "--output is required"},
      {{"render", dir / "ramp.json", "-o", dir / "a.wav", "--loud"}, "--loud"},
      {{"rendr", dir / "ramp.json"}, "unknown command \"rendr\" (commands: describe, render"},
      // Before any command, an option se-host does not have is named.
      {{"--bogus"}, "unknown option \"--bogus\""},
      {{"--plugin-dir", dir.Path(), "-x=1"}, "unknown option \"-x\""},
  };
  for (const auto &[args, part] : usage) {
    const ToolResult r = SeHost(dir, args);
    ExpectOneErrorLine(r, part);
    EXPECT_EQ(r.status, 2) << r.err;
  }
  const ToolResult huge = SeHost(dir, {"render", dir / "huge.json", "-o", dir / "a.wav"});
  ExpectOneErrorLine(huge, dir / "huge.json" + ": /modules/0/pins/Level: a number too large");
  EXPECT_EQ(huge.status, 1);
  ExpectOneErrorLine(SeHost(dir, {"render", dir / "deep.json", "-o", dir / "a.wav"}),
                     "nested deeper than 64 levels");
  // Without arguments the tool shows its usage, with the exit statuses.
  const ToolResult bare = RunTool({}, dir.Path());
  EXPECT_EQ(bare.status, 0);
  EXPECT_NE(bare.out.find("Usage: se-host"), std::string::npos) << bare.out;
  EXPECT_NE(bare.out.find("2 for a mistake on the command line"), std::string::npos);
  const ToolResult version = RunTool({"--version"}, dir.Path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("se-host ", 0), 0u) << version.out;
  EXPECT_NE(version.out.find("ISC licence"), std::string::npos) << version.out;
  EXPECT_EQ(dir.Files().size(), 3u) << "no output file was left";
}

TEST(Cli, EveryUsageMistakeOfEveryCommandExitsWithTwo) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  ASSERT_TRUE(WriteSound(dir / "in.wav", 8000, 1, std::vector<float>(800, 0.25f)));
  const std::string ramp = dir / "ramp.json", in = dir / "in.wav", out = dir / "out.wav";
  const std::vector<std::vector<std::string>> mistakes = {
      {"--bogus"},
      {"describe", "--bogus"},
      {"render", ramp, "-o", out, "--plugin-dir"},
      {"render", "-o", out},
      {"render", ramp, "-o", out, "-f", "32"},
      {"render", ramp, "-o", out, "-f", "float,16"},
      {"render", ramp, "-o", dir / "out.xyz"},
      {"render", ramp, "-o", "-"},
      {"render", ramp, "-o", "-", "-f", "aiff"},
      {"render", ramp, "-o", dir / "x.ogg", "-f", "16"},
      {"render", ramp, "-o", out, "--rate", "abc"},
      {"render", ramp, "-o", out, "--rate", "5"},
      {"render", ramp, "-o", out, "--duration", "-1"},
      {"render", ramp, "-o", out, "--set", "g.Level"},
      {"render", ramp, "-o", out, "--set", "g.Mode=Loud"},
      {"render", ramp, "-o", out, "--gain", "loud"},
      {"render", ramp, "-o", out, "--gain", "100"},
      {"render", ramp, "-o", out, "--gain", "-3", "--normalize"},
      {"process", "-", "-o", out},
      {"process", in, "-o", out, "--tail="},
      {"process", in, "-o", out, "--tail", "61"},
      {"process", in, "-o", out, "--rate", "999"},
      {"process", in, "-o", out, "--rate", "0"},
      {"process", in, "-o", dir / "x.opus", "--rate", "44100"},
      {"process", in, "-o", out, "--duration", "1"},
      {"process", in, "-o", out, "-f", "32"},
      // Output options are checked before the song is read.
      {"synth", dir / "missing.mid", "-o", out, "--gain", "90"},
      {"plot", in, "-o", dir / "p.jpg"},
      {"plot", in, "-o", dir / "p.png", "--size", "10x10"},
      {"plot", in, "-o", dir / "p.png", "--channel", "3"},
      {"plot", in, "-o", dir / "p.png", "--detail-ms", "0"},
      {"plot", in, "--response", "cli_gain_plugin", "-o", dir / "p.png"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--level", "0"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--sample-rate", "5"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--set", "Mode=Loud"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--set", "Mode"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--compare", "Mode="},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--input", "Nothing"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--input", "Output"},
      {"plot", "--response", "cli_gain_plugin", "-o", dir / "p.png", "--set", "Signal=1"},
  };
  for (const std::vector<std::string> &args : mistakes) {
    const ToolResult r = SeHost(dir, args);
    std::string line;
    for (const std::string &a : args)
      line += a + " ";
    ExpectOneErrorLine(r, "");
    EXPECT_EQ(r.status, 2) << line << "\n" << r.err;
  }
  EXPECT_EQ(dir.Files().size(), 2u) << "nothing was written";
}

TEST(Cli, RateDurationAndSettingsFromTheCommandLine) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  ToolResult r =
      SeHost(dir, {"render", dir / "ramp.json", "-o", dir / "a.wav", "-f", "float", "--rate",
                   "4000", "--duration", "0.25", "--set", "g.Level=4", "--set", "g.Mode=Invert"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Sound s = ReadSound(dir / "a.wav");
  EXPECT_EQ(s.rate, 4000);
  ASSERT_EQ(s.Frames(), 1000u);
  // The ramp still spans its 0.5 s (of which a half is rendered), at Level 4 V, inverted.
  for (size_t i = 0; i < s.Frames(); i += 31)
    ASSERT_NEAR(s.At(i, 0), -0.4 * (-1.0 + 2.0 * i / 2000.0), 1e-6) << "frame " << i;
  const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
      {{"--rate", "5"}, "--rate 5: the sample rate must be a whole number of Hz"},
      {{"--set", "g.Levle=3"}, "--set g.Levle=3: module \"g\" has no pin named \"Levle\""},
      {{"--set", "g.Signal=3"}, "--set g.Signal=3: \"g.Signal\" is fed by /sources/0"},
      {{"--set", "g.Mode"}, "--set g.Mode: a setting is written id.pin=value"},
  };
  for (const auto &[args, part] : mistakes) {
    std::vector<std::string> all = {"render", dir / "ramp.json", "-o", dir / "b.wav"};
    all.insert(all.end(), args.begin(), args.end());
    r = SeHost(dir, all);
    ExpectOneErrorLine(r, part);
    EXPECT_EQ(r.status, 2);
  }
}

TEST(Cli, AnInterruptedRenderLeavesTheOldFileAlone) {
  TempDir dir;
  // An hour at a high rate: far longer than the test waits.
  dir.Write("long.json", R"({"sample_rate": 768000, "duration": 3600,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "lfo", "rate": 100}],
    "outputs": ["g.Output"]})");
  dir.Write("out.wav", "the previous render");
  RunningTool tool(
      {"--plugin-dir", TestPluginDir(), "render", dir / "long.json", "-o", dir / "out.wav"});
  // Wait until the render writes its temporary file, then stop it.
  bool writing = false;
  for (int i = 0; i < 200 && !writing; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    writing = dir.Files().size() > 2;
  }
  tool.Interrupt();
  const int status = tool.Wait();
  EXPECT_TRUE(writing);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ReadText(dir / "out.wav"), "the previous render");
#if defined(_WIN32)
  // Stopped by force, it cannot remove its partial file; that stays beside
  // the old one, never in its place.
  EXPECT_LE(dir.Files().size(), 3u);
#else
  EXPECT_EQ(dir.Files().size(), 2u);
#endif
}

bool IsPng(const std::string &path, size_t min_size) {
  const std::string data = ReadText(path);
  return data.size() >= min_size && data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(Cli, PlotsAFileAndAResponse) {
  TempDir dir;
  dir.Write("ramp.json", kRamp);
  ASSERT_EQ(SeHost(dir, {"render", dir / "ramp.json", "-o", dir / "r.wav"}).status, 0);
  // Without gnuplot (the Windows build's tests), each plot fails with one
  // clear line and leaves no picture, and the response data is still written.
  ToolResult r =
      SeHost(dir, {"plot", dir / "r.wav", "-o", dir / "r.png", "--title", "it's a ramp"});
  const bool drawn = !OnlyGnuplotMissing(r);
  if (drawn) {
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(IsPng(dir / "r.png", 20000));
  } else {
    ExpectOneErrorLine(r, "cannot run gnuplot");
  }
  // The gain module at Level 5 V halves its input at every frequency, in
  // either sign: -6.02 dB flat, whatever the impulse level.
  r = SeHost(dir, {"plot", "--response", "cli_gain_plugin", "--set", "Level=5", "--compare",
                   "Mode=Pass,Invert", "--level", "3", "--data", dir / "resp.csv", "-o",
                   dir / "resp.png"});
  if (drawn) {
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(IsPng(dir / "resp.png", 10000));
  } else {
    ExpectOneErrorLine(r, "cannot run gnuplot");
  }
  std::istringstream csv(ReadText(dir / "resp.csv"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "frequency_hz,\"Mode = Pass (dB)\",\"Mode = Invert (dB)\"");
  int rows = 0;
  while (std::getline(csv, line)) {
    double hz = 0, pass = 0, invert = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &hz, &pass, &invert), 3) << line;
    EXPECT_NEAR(pass, 20.0 * std::log10(0.5), 1e-4) << hz;
    EXPECT_NEAR(invert, 20.0 * std::log10(0.5), 1e-4) << hz;
    ++rows;
  }
  EXPECT_EQ(rows, 8192);
  EXPECT_EQ(dir.Files().size(), drawn ? 5u : 3u);
}

TEST(Cli, DescribesAPluginByName) {
  TempDir dir;
  const ToolResult r = SeHost(dir, {"describe", "cli_gain_plugin"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Module:  CLI Gain"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"Level\"  default 10 V"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("choices: Pass=0, Invert=1, Mute=7"), std::string::npos) << r.out;

  // The plugin folder: an option after the subcommand, else $SE_PLUGIN_DIR.
  EXPECT_EQ(
      RunTool({"describe", "cli_gain_plugin", "--plugin-dir", TestPluginDir()}, dir.Path()).out,
      r.out);
  const char *saved = std::getenv("SE_PLUGIN_DIR");
  const std::string previous = saved ? saved : "";
  SetEnvironment("SE_PLUGIN_DIR", TestPluginDir().c_str());
  const ToolResult by_env = RunTool({"describe", "cli_gain_plugin"}, dir.Path());
  SetEnvironment("SE_PLUGIN_DIR", (dir / "empty").c_str());
  const ToolResult nowhere = RunTool({"describe", "cli_gain_plugin"}, dir.Path());
  SetEnvironment("SE_PLUGIN_DIR", saved ? previous.c_str() : nullptr);
  EXPECT_EQ(by_env.out, r.out);
  ExpectOneErrorLine(nowhere, "the plugin folder \"" + dir / "empty" + "\" does not exist");
}

} // namespace
} // namespace setest
