// Values outside the range a module offers for a pin are taken, with one
// warning line naming the range, wherever they are given (--set, a patch's
// pins, its timed changes, plot --set); a bare number on a pitch pin that can
// only be meant as a frequency says how to write one.
#include "plugin_path.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace setest {
namespace {

ToolResult Product(const TempDir &dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--plugin-dir", PluginDir()});
  return RunTool(args, dir.Path());
}

// The lines of standard error that are warnings.
std::vector<std::string> Warnings(const ToolResult &r) {
  std::vector<std::string> lines;
  std::istringstream err(r.err);
  for (std::string line; std::getline(err, line);)
    if (line.rfind("se-host: warning: ", 0) == 0)
      lines.push_back(line.substr(18));
  return lines;
}

TEST(RangeWarnings, AValueOutsideAPinsRangeIsTakenWithOneLine) {
  TempDir dir;
  std::vector<float> saw;
  for (int i = 0; i < 4410; ++i)
    saw.push_back(static_cast<float>((i % 100) / 50.0 - 1.0) * 0.3f);
  ASSERT_TRUE(WriteSound(dir / "in.wav", 44100, 1, saw));
  const auto process = [&](std::vector<std::string> settings) {
    std::vector<std::string> args = {"process", dir / "in.wav", "-o", dir / "out.wav", "-q", "-f",
                                     "float",   "--tail",       "0"};
    for (const std::string &s : settings)
      args.insert(args.end(), {"--set", s});
    return Product(dir, args);
  };
  struct Case {
    const char *setting;
    const char *says; // "" for no warning
  };
  const Case cases[] = {
      {"Resonance=-5", "--set Resonance=-5: -5 V is outside the range of \"Resonance\", 0 to 10 V"},
      {"Resonance=12", "12 V is outside the range of \"Resonance\", 0 to 10 V"},
      {"Zing=30", "30 V is outside the range of \"(Zing)\", 5 to 15 V"},
      {"Pitch=800",
       "800 V is outside the range of \"Pitch\", 2 to 10.6 V (passed to the module as given); a "
       "bare number is volts: for a frequency write \"800Hz\" (about G5 +35 cents)"},
      // Not bare: a value in volts is taken as meant.
      {"Pitch=50V", "50 V is outside the range of \"Pitch\""},
      {"Resonance=10", ""},
      {"Pitch=800Hz", ""},
      {"Cutoff=C4", ""},
  };
  for (const Case &c : cases) {
    const ToolResult r = process({c.setting});
    ASSERT_EQ(r.status, 0) << c.setting << ": " << r.err;
    const std::vector<std::string> lines = Warnings(r);
    if (std::string(c.says).empty()) {
      EXPECT_TRUE(lines.empty()) << c.setting << ": " << r.err;
      continue;
    }
    ASSERT_EQ(lines.size(), 1u) << c.setting << ": " << r.err;
    EXPECT_NE(lines[0].find(c.says), std::string::npos) << lines[0];
    if (std::string(c.setting) != "Pitch=800") {
      EXPECT_EQ(lines[0].find("bare number"), std::string::npos) << lines[0];
    }
  }
  // In a patch: located as errors are, once however many channels it runs on.
  dir.Write("p.json", R"({"sample_rate": 44100, "duration": 0.1,
    "modules": [{"id": "f", "plugin": "ladder_filter", "pins": {"Resonance": -2}}],
    "sources": [{"to": "f.Signal", "type": "file", "path": "in.wav"}],
    "changes": [{"time": 0.05, "pin": "f.Zing", "value": 40}],
    "outputs": ["f.Output"]})");
  const ToolResult r =
      Product(dir, {"render", dir / "p.json", "-o", dir / "p.wav", "-q", "-f", "float"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Warnings(r);
  ASSERT_EQ(lines.size(), 2u) << r.err;
  EXPECT_EQ(lines[0].rfind(dir / "p.json" + ": /modules/0/pins/Resonance: -2 V is outside", 0), 0u)
      << lines[0];
  EXPECT_EQ(lines[1].rfind(dir / "p.json" + ": /changes/0/value: 40 V is outside", 0), 0u)
      << lines[1];
  // plot --set: one line for the setting, whatever the number of curves.
  const ToolResult plot =
      Product(dir, {"plot", "--response", "ladder_filter", "--set", "Resonance=11", "--compare",
                    "Filter Tap=2,3", "--data", dir / "r.csv", "-o", dir / "r.png"});
  const std::vector<std::string> plotted = Warnings(plot);
  ASSERT_EQ(plotted.size(), 1u) << plot.err;
  EXPECT_NE(plotted[0].find("--set Resonance=11: 11 V is outside"), std::string::npos);
}

} // namespace
} // namespace setest
