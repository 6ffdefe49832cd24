// Patch loading and rendering through the library, with a test module whose
// output is its input times its level, so every rendered sample can be worked
// out by hand.
#include "patch.h"
#include "plugin_path.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sehost {
namespace {

PatchOptions TestOptions() { return {setest::TestPluginDir()}; }

std::unique_ptr<Patch> ParsePatch(const std::string &text, const std::string &base = ".") {
  return Patch::Parse(text, "p.json", base, TestOptions());
}

// Every channel of a whole render, channel by channel.
std::vector<std::vector<float>> RenderAll(Patch &patch) {
  std::vector<std::vector<float>> ch(static_cast<size_t>(patch.Channels()));
  while (!patch.Done()) {
    const auto &block = patch.RenderBlock();
    for (size_t i = 0; i < block.size(); ++i)
      ch[i % ch.size()].push_back(block[i]);
  }
  return ch;
}

void WriteWav(const std::string &path, int rate, int channels, const std::vector<float> &data) {
  ASSERT_TRUE(setest::WriteSound(path, rate, channels, data));
}

TEST(Patch, RendersSourcesSettingsChangesAndGains) {
  // Signal ramps 0 → 10 V over the second (sample i/1000); Level 5 V (0.5);
  // Mode turns to Invert at 0.5 s, inside a block of 64.
  auto patch = ParsePatch(R"({
    "sample_rate": 1000, "block_size": 64, "duration": 1.0,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 5}}],
    "sources": [{"to": "g.Signal", "type": "ramp", "points": [[0, 0], [1, 10]]}],
    "changes": [{"time": 0.5, "pin": "g.Mode", "value": "Invert"}],
    "outputs": [{"from": "g.Output", "gain": 2}, "g.Output"]
  })");
  EXPECT_EQ(patch->Frames(), 1000);
  EXPECT_EQ(patch->Channels(), 2);
  const auto ch = RenderAll(*patch);
  ASSERT_EQ(ch[1].size(), 1000u);
  for (int i = 0; i < 1000; ++i) {
    const double sign = i < 500 ? 1.0 : -1.0;
    ASSERT_NEAR(ch[1][i], sign * 0.5 * i / 1000.0, 1e-6) << "frame " << i;
    ASSERT_NEAR(ch[0][i], 2.0 * ch[1][i], 1e-6) << "frame " << i;
  }
}

TEST(Patch, ConnectionsCarryAudioFromModuleToModule) {
  // An LFO of 2 V at 10 Hz through two modules; the second halves it and
  // mutes at 0.25 s by the choice's number.
  // The second names the plugin by its file name.
  auto patch = ParsePatch(R"({
    "sample_rate": 1000, "duration": 0.5,
    "modules": [{"id": "a", "plugin": "cli_gain_plugin"},
                {"id": "b", "plugin": "cli_gain_plugin)" +
                          std::string(setest::kPluginSuffix) + R"(",
                 "pins": {"Level": 5, "Mode": "pass"}}],
    "connections": [{"from": "a.Output", "to": "b.Signal"}],
    "sources": [{"to": "a.Signal", "type": "lfo", "rate": 10, "depth": 2}],
    "changes": [{"time": 0.25, "pin": "b.Mode", "value": 7}],
    "outputs": ["b.Output"]
  })");
  const auto out = RenderAll(*patch)[0];
  ASSERT_EQ(out.size(), 500u);
  for (int i = 0; i < 500; ++i) {
    const double expected = i < 250 ? 0.1 * std::sin(2 * std::numbers::pi * 10 * i / 1000.0) : 0;
    ASSERT_NEAR(out[i], expected, 1e-6) << "frame " << i;
  }
}

TEST(Patch, AudioConnectionsIntoOneInputAreSummed) {
  // 2 V and 3 V meet at k's Signal, halved by its Level; g mutes at 0.05 s.
  const std::string three = R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Signal": 2}},
                                 {"id": "h", "plugin": "cli_gain_plugin", "pins": {"Signal": 3}},
                                 {"id": "k", "plugin": "cli_gain_plugin", "pins": {"Level": 5}}])";
  auto patch = ParsePatch(R"({"sample_rate": 1000, "duration": 0.1, "modules": )" + three +
                          R"(, "connections": [{"from": "g.Output", "to": "k.Signal"},
                                               {"from": "h.Output", "to": "k.Signal"}],
                          "changes": [{"time": 0.05, "pin": "g.Mode", "value": "Mute"}],
                          "outputs": ["k.Output"]})");
  const auto out = RenderAll(*patch)[0];
  ASSERT_EQ(out.size(), 100u);
  for (int i = 0; i < 100; ++i)
    ASSERT_NEAR(out[i], i < 50 ? 0.25 : 0.15, 1e-6) << "frame " << i;
  // A link input still takes one connection.
  try {
    ParsePatch(R"({"duration": 0.1, "modules": )" + three +
               R"(, "connections": [{"from": "g.Link Out", "to": "k.Link In"},
                                    {"from": "h.Link Out", "to": "k.Link In"}],
               "outputs": ["k.Output"]})");
    ADD_FAILURE() << "two cables into a link input";
  } catch (const HostError &e) {
    EXPECT_STREQ(e.what(), "p.json: /connections/1: pin \"k.Link In\" is a link input; it takes "
                           "one connection and is already fed by /connections/0");
  }
}

TEST(Patch, PlaysAudioFilesLoopedAndScaled) {
  setest::TempDir dir;
  // Two channels at the patch's rate; the second holds 0, 0.2, 0.4, 0.6.
  WriteWav(dir / "in.wav", 1000, 2, {9, 0, 9, 0.2f, 9, 0.4f, 9, 0.6f});
  auto patch = ParsePatch(R"({
    "sample_rate": 1000, "duration": 0.016,
    "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "file", "path": "in.wav", "channel": 2,
                 "gain": 0.5, "loop": true}],
    "outputs": ["g.Output"]
  })",
                          dir.Path());
  // The file halved, again and again.
  const auto out = RenderAll(*patch)[0];
  ASSERT_EQ(out.size(), 16u);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(out[i], 0.1 * (i % 4), 1e-6) << "frame " << i;
}

struct BadPatch {
  const char *what;
  std::string text;
  const char *message; // a part of the one-line message
};

// A small valid patch with one piece replaced.
std::string With(const std::string &modules, const std::string &rest = "",
                 const std::string &head = R"("duration": 0.1,)") {
  return "{" + head + R"("modules": )" + modules + (rest.empty() ? "" : ", " + rest) +
         R"(, "outputs": ["g.Output"]})";
}

const std::string kOne = R"([{"id": "g", "plugin": "cli_gain_plugin"}])";
const std::string kTwo =
    R"([{"id": "g", "plugin": "cli_gain_plugin"}, {"id": "h", "plugin": "cli_gain_plugin"}])";

// Each patch fails to load with one short line that names the file and holds
// the expected part; no control character gets into it.
void ExpectEachRefused(const std::vector<BadPatch> &cases) {
  for (const BadPatch &c : cases) {
    try {
      ParsePatch(c.text);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const HostError &e) {
      const std::string msg = e.what();
      const std::string shown = c.what + std::string(": ") + msg.substr(0, 400);
      EXPECT_NE(msg.find(c.message), std::string::npos) << shown;
      EXPECT_EQ(msg.rfind("p.json: ", 0), 0u) << shown;
      EXPECT_LT(msg.size(), 400u) << shown;
      EXPECT_TRUE(std::none_of(msg.begin(), msg.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20;
      })) << shown;
    }
  }
}

TEST(Patch, EveryMistakeGetsOneLineNamingTheFileAndLocation) {
  const std::vector<BadPatch> cases = {
      {"malformed JSON", R"({"duration": 1, "modules": [ })",
       "p.json: invalid JSON: line 1, column 30"},
      {"not an object", "[1, 2]", "p.json: a patch is a JSON object"},
      {"unknown key", With(kOne, R"("conections": [])"),
       "p.json: /conections: unknown key \"conections\""},
      {"negative duration", With(kOne, "", R"("duration": -2,)"),
       "p.json: /duration: the duration must be a positive number of seconds"},
      {"missing duration", With(kOne, "", ""), "p.json: missing \"duration\""},
      {"text for a number", With(kOne, "", R"("duration": "2s",)"),
       "p.json: /duration: expected a number, found \"2s\""},
      {"bad sample rate", With(kOne, "", R"("duration": 1, "sample_rate": 0,)"),
       "p.json: /sample_rate: the sample rate must be"},
      {"unknown plugin", With(R"([{"id": "g", "plugin": "nope"}])"),
       "p.json: /modules/0/plugin: plugin \"nope\" not found in"},
      {"duplicate id", With(R"([{"id": "g", "plugin": "cli_gain_plugin"},
                                {"id": "g", "plugin": "cli_gain_plugin"}])"),
       "p.json: /modules/1/id: the id \"g\" is used twice"},
      {"id with a dot", With(R"([{"id": "g.1", "plugin": "cli_gain_plugin"}])"),
       "/modules/0/id: a module id must be a non-empty name without dots"},
      {"unknown pin", With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Levle": 1}}])"),
       "p.json: /modules/0/pins/Levle: module \"g\" has no pin named \"Levle\" (its pins: "
       "\"Signal\", \"Level\""},
      {"unknown choice item",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Mode": "Loud"}}])"),
       "p.json: /modules/0/pins/Mode: g: pin \"Mode\" has no choice \"Loud\" (choices: Pass, "
       "Invert, Mute)"},
      {"choice number not in the list",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Mode": 3}}])"),
       "/modules/0/pins/Mode: g: pin \"Mode\" has no choice with the value 3 (choices: "
       "Pass, Invert, Mute)"},
      {"text for volts",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": "loud"}}])"),
       "/modules/0/pins/Level: g: pin \"Level\" is an audio pin; give its value in volts"},
      {"setting an output",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Output": 1}}])"),
       "pin \"Output\" is an output; it cannot be set"},
      {"setting a link",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Link In": 1}}])"),
       "pin \"Link In\" is a link pin; it can only be connected"},
      {"unknown module in a connection",
       With(kOne, R"("connections": [{"from": "g.Output", "to": "x.Signal"}])"),
       "p.json: /connections/0/to: no module with the id \"x\" (modules: g)"},
      {"pin without a module",
       With(kOne, R"("connections": [{"from": "Output", "to": "g.Signal"}])"),
       "/connections/0/from: expected a pin as \"module.pin\""},
      {"incompatible pins",
       With(kTwo, R"("connections": [{"from": "g.Link Out", "to": "h.Signal"}])"),
       "p.json: /connections/0: cannot connect \"g.Link Out\" (link output) to \"h.Signal\" "
       "(audio input): the pins carry different kinds of data"},
      {"input to input", With(kTwo, R"("connections": [{"from": "g.Signal", "to": "h.Signal"}])"),
       "/connections/0/from: \"g.Signal\" is an audio input; a connection starts at an output"},
      {"feeding itself", With(kOne, R"("connections": [{"from": "g.Output", "to": "g.Signal"}])"),
       "/connections/0: a module cannot feed itself"},
      {"fed twice",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin"}, {"id": "h", "plugin": "cli_gain_plugin",
               "pins": {"Signal": 1}}])",
            R"("connections": [{"from": "g.Output", "to": "h.Signal"}])"),
       "/modules/1/pins/Signal: pin \"h.Signal\" is already fed by /connections/0"},
      {"source on a choice",
       With(kOne, R"("sources": [{"to": "g.Mode", "type": "constant", "value": 1}])"),
       "/sources/0/to: \"g.Mode\" is a choice input; sources drive audio inputs"},
      {"unknown source type", With(kOne, R"("sources": [{"to": "g.Signal", "type": "noise"}])"),
       "/sources/0/type: unknown source type \"noise\" (use constant, ramp, lfo or file)"},
      {"process's input rendered",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "input"}])"),
       "/sources/0/type: an \"input\" source marks where se-host process"},
      {"unordered ramp",
       With(kOne,
            R"("sources": [{"to": "g.Signal", "type": "ramp", "points": [[1, 0], [0.5, 1]]}])"),
       "/sources/0/points/1: ramp points must be in time order"},
      {"missing audio file",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "file", "path": "gone.wav"}])"),
       "p.json: /sources/0/path: ./gone.wav: no such audio file"},
      {"unknown LFO key",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "lfo", "rate": 1, "freq": 2}])"),
       "/sources/0/freq: unknown key \"freq\""},
      {"change of a fed pin",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "lfo", "rate": 1}],
                     "changes": [{"time": 0, "pin": "g.Signal", "value": 1}])"),
       "/changes/0/pin: \"g.Signal\" is fed by /sources/0; only a pin set by value can change"},
      {"change at a negative time",
       With(kOne, R"("changes": [{"time": -1, "pin": "g.Mode", "value": 1}])"),
       "/changes/0/time: the time must be from 0 to the end of the patch (0.1 s)"},
      {"change after the end",
       With(kOne, R"("changes": [{"time": 0.2, "pin": "g.Mode", "value": 1}])"),
       "/changes/0/time: the time must be from 0 to the end of the patch (0.1 s)"},
      {"a loop of modules",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin"}, {"id": "h", "plugin": "cli_gain_plugin"},
               {"id": "k", "plugin": "cli_gain_plugin"}])",
            R"("connections": [{"from": "g.Output", "to": "h.Signal"},
                               {"from": "h.Output", "to": "k.Signal"},
                               {"from": "k.Output", "to": "g.Level"}])"),
       "/connections/2: connecting \"k.Output\" to \"g.Level\" closes a loop"},
      {"volts beyond reason",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 1e300}}])"),
       "/modules/0/pins/Level: g: pin \"Level\" takes volts from -1e6 to 1e6, not 1e+300"},
      {"ramp beyond reason",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "ramp", "points": [[0, -1e12]]}])"),
       "/sources/0/points/0: a point is [seconds from 0 to 1e6, volts from -1e6 to 1e6]"},
      {"gain beyond reason",
       R"({"duration": 1, "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
           "outputs": [{"from": "g.Output", "gain": 1e40}]})",
       "/outputs/0/gain: expected a value from -1e6 to 1e6"},
      {"change to an unknown item",
       With(kOne, R"("changes": [{"time": 0, "pin": "g.Mode", "value": "Off"}])"),
       "/changes/0/value: g: pin \"Mode\" has no choice \"Off\""},
      {"output from an input",
       R"({"duration": 1, "modules": [{"id": "g", "plugin": "cli_gain_plugin"}], "outputs": ["g.Level"]})",
       "/outputs/0: \"g.Level\" is an audio input; a channel of the file comes from an audio "
       "output"},
      {"no outputs",
       R"({"duration": 1, "modules": [{"id": "g", "plugin": "cli_gain_plugin"}], "outputs": []})",
       "/outputs: the patch has no outputs"},
  };
  ExpectEachRefused(cases);
}

TEST(Patch, HostileTextGetsOneShortEscapedLine) {
  const std::string deep_list(100000, '['), deep_object = [] {
    std::string t;
    for (int i = 0; i < 100000; ++i)
      t += R"({"a":)";
    return t;
  }();
  const std::string long_text(1 << 18, 'x');
  std::string many_ones;
  for (int i = 0; i < 100000; ++i)
    many_ones += "1, ";
  const auto module = [](const std::string &fields) { return "[{" + fields + "}]"; };
  const std::vector<BadPatch> cases = {
      {"deep list", R"({"duration": )" + deep_list, "p.json: /duration/0/0/0"},
      {"deep object", R"({"description": )" + deep_object, "nested deeper than 64 levels"},
      {"number beyond a double", With(kOne, "", R"("duration": 1e999,)"),
       "p.json: /duration: a number too large"},
      {"number beyond a double in a list",
       With(kOne,
            R"("sources": [{"to": "g.Signal", "type": "ramp", "points": [[0, 1], [1, -2e400]]}])"),
       "p.json: /sources/0/points/1/1: a number too large"},
      {"duplicate key", With(kOne, "", R"("duration": 1, "duration": 2,)"),
       "p.json: /duration: the key \"duration\" is given twice in one object"},
      {"duplicate key spelt with an escape",
       With(R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Level": 1, "\u004cevel": 2}}])"),
       "p.json: /modules/0/pins/Level: the key \"Level\" is given twice"},
      {"newline in a key", With(kOne, "\"sou\\nrces\\u001b[2J\": []"),
       "/sou\\nrces\\x1b[2J: unknown key \"sou\\nrces\\x1b[2J\""},
      {"newline in an id", With(module(R"("id": "a\nb", "plugin": "cli_gain_plugin")")),
       "p.json: /outputs/0: no module with the id \"g\" (modules: a\\nb)"},
      {"newline in a plugin name", With(module(R"("id": "g", "plugin": "gain\n")")),
       "plugin \"gain\\n\" not found"},
      {"newline in a choice",
       With(
           R"([{"id": "g", "plugin": "cli_gain_plugin", "pins": {"Mode": "Pass\r\nse-host: error: x"}}])"),
       "has no choice \"Pass\\r\\nse-host: error: x\""},
      {"newline in a source type",
       With(kOne, R"("sources": [{"to": "g.Signal", "type": "lfo\n"}])"),
       "unknown source type \"lfo\\n\""},
      {"newline in an LFO shape",
       With(kOne,
            R"("sources": [{"to": "g.Signal", "type": "lfo", "rate": 1, "shape": "sine\u0085"}])"),
       "unknown LFO shape \"sine\\u0085\""},
      {"a long id", With(module(R"("id": ")" + long_text + R"(", "plugin": 3)")),
       "/modules/0/plugin: expected a text, found 3"},
      {"a long plugin name", With(module(R"("id": "g", "plugin": ")" + long_text + R"(")")),
       "plugin \"xxxxxxxxxx"},
      {"a long list for a number", With(kOne, "", R"("duration": [)" + many_ones + "1],"),
       "/duration: expected a number, found [1,1,1"},
      {"a long file name",
       With(kOne,
            R"("sources": [{"to": "g.Signal", "type": "file", "path": ")" + long_text + "\"}]"),
       "p.json: /sources/0/path: ./xxxxx"},
      {"a long unterminated text", R"({"duration": ")" + long_text,
       "p.json: invalid JSON: line 1, column 262159"},
  };
  ExpectEachRefused(cases);
}

TEST(Patch, UnreadableAudioFileAndWrongChannel) {
  setest::TempDir dir;
  dir.Write("text.wav", "this is not audio");
  WriteWav(dir / "mono.wav", 1000, 1, {0.5f});
  const auto load = [&](const std::string &file, int channel) {
    try {
      ParsePatch(With(kOne, R"("sources": [{"to": "g.Signal", "type": "file", "path": ")" + file +
                                R"(", "channel": )" + std::to_string(channel) + "}]"),
                 dir.Path());
    } catch (const HostError &e) {
      return std::string(e.what());
    }
    return std::string("loaded");
  };
  EXPECT_NE(load("text.wav", 1)
                .find("/sources/0/path: " + dir.Path() + "/text.wav: cannot read audio file"),
            std::string::npos)
      << load("text.wav", 1);
  EXPECT_NE(load("mono.wav", 2).find("/sources/0/channel: channel must be from 1 to 1"),
            std::string::npos)
      << load("mono.wav", 2);
  EXPECT_EQ(load("mono.wav", 1), "loaded");
}

} // namespace
} // namespace sehost
