// What se-host does with the pin metadata: it takes a pin by any of its
// names and a choice by the number users read for it, exactly as by the pin's
// own name and item, and the manuals' pin tables are what it writes from the
// metadata.
#include "run_tool.h"
#include "se_pin_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace setest {
namespace {

ToolResult Tool(const TempDir &dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--plugin-dir", PluginDir()});
  return RunTool(args, dir.Path());
}

// The lines from the table's first marker to its last, of a manual or of
// se-host's output, with plain line feeds (Windows writes text output with
// carriage returns).
std::string PinTableOf(std::string text) {
  std::erase(text, '\r');
  const auto begin = text.find("<!-- pin table:");
  const std::string end_marker = "<!-- end of pin table -->";
  const auto end = text.find(end_marker, begin);
  if (begin == std::string::npos || end == std::string::npos)
    return "";
  return text.substr(begin, end + end_marker.size() - begin);
}

TEST(PinNamesTool, EveryManualsPinTableIsTheMetadatas) {
  TempDir dir;
  for (const se::ModuleMeta *module : se::PinCatalog()) {
    const std::string plugin = module->plugin;
    const std::string manual = std::string(SE_MANUALS_DIR) + "/" + plugin + ".md";
    ASSERT_TRUE(std::filesystem::exists(manual)) << manual;
    const ToolResult r = Tool(dir, {"describe", "--markdown", plugin});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string want = PinTableOf(r.out);
    ASSERT_FALSE(want.empty()) << r.out;
    EXPECT_EQ(PinTableOf(ReadText(manual)), want)
        << manual << " differs from the pin metadata; write its table again with\n"
        << "  build/se-host describe --markdown " << plugin << "\n"
        << want;
  }
}

// Half a second of noise at 44.1 kHz, for the filter to process.
void WriteNoise(const TempDir &dir, const std::string &name) {
  std::vector<float> samples(22050);
  uint32_t x = 12345;
  for (float &s : samples) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<float>(x >> 8) / 16777216.0f - 0.5f;
  }
  ASSERT_TRUE(WriteSound(dir / name, 44100, 1, samples));
}

TEST(PinNamesTool, ProcessTakesAPinByAnyOfItsNames) {
  TempDir dir;
  WriteNoise(dir, "in.wav");
  const std::vector<std::string> base = {"process", dir / "in.wav", "-f", "float",
                                         "-q",      "--tail",       "0.1"};
  auto run = [&](const std::string &out, std::vector<std::string> settings) {
    std::vector<std::string> args = base;
    args.insert(args.end(), {"-o", dir / out});
    for (const std::string &s : settings)
      args.insert(args.end(), {"--set", s});
    const ToolResult r = Tool(dir, args);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadSound(dir / out).samples;
  };
  // The samples, bit for bit (the files' headers may differ in a time stamp).
  const std::vector<float> own =
      run("own.wav", {"Pitch=800Hz", "(Zing)=12", "Filter Tap=X", "(Version)=Furry"});
  const std::vector<float> others =
      run("others.wav", {"Cutoff=800Hz", "zing=12", "filter_tap=6", "Variant=Furry"});
  const std::vector<float> plain = run("plain.wav", {});
  ASSERT_FALSE(own.empty());
  ASSERT_EQ(others.size(), own.size());
  EXPECT_EQ(std::memcmp(others.data(), own.data(), own.size() * sizeof(float)), 0);
  EXPECT_NE(plain, own);
}

TEST(PinNamesTool, PatchesTakeOtherNamesAndMistakesListTheOwnNames) {
  TempDir dir;
  auto patch = [&](const std::string &pins) {
    return R"({"duration": 0.1, "modules": [
      {"id": "gen", "plugin": "wavetable_generator"},
      {"id": "osc", "plugin": "audio_oscillator", "pins": {"Active": "ON", "Waveform": "Saw"}},
      {"id": "vcf", "plugin": "ladder_filter", "pins": )" +
           pins + R"(}],
      "connections": [{"from": "gen.Link", "to": "osc.QX_Osc_Link"},
                      {"from": "osc.Output", "to": "vcf.Input"}],
      "outputs": ["vcf.out"]})";
  };
  dir.Write("own.json", patch(R"({"Pitch": "C5", "Filter Tap": "X"})"));
  dir.Write("others.json", patch(R"({"CUTOFF": "C5", "Filter Tap": "6"})"));
  dir.Write("typo.json", patch(R"({"Cutof": "C5"})"));
  ASSERT_EQ(Tool(dir, {"render", dir / "own.json", "-o", dir / "own.wav"}).status, 0);
  ASSERT_EQ(Tool(dir, {"render", dir / "others.json", "-o", dir / "others.wav"}).status, 0);
  const std::vector<float> own = ReadSound(dir / "own.wav").samples;
  const std::vector<float> others = ReadSound(dir / "others.wav").samples;
  ASSERT_FALSE(own.empty());
  ASSERT_EQ(others.size(), own.size());
  EXPECT_EQ(std::memcmp(others.data(), own.data(), own.size() * sizeof(float)), 0);
  const ToolResult typo = Tool(dir, {"render", dir / "typo.json", "-o", dir / "t.wav"});
  ExpectOneErrorLine(typo, "has no pin named \"Cutof\" (its pins: \"Signal\", \"Pitch\"");
}

TEST(PinNamesTool, DescribeShowsRangesNotesAndOtherNames) {
  TempDir dir;
  const ToolResult r = Tool(dir, {"describe", "ladder_filter", "audio_oscillator"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char *want : {
           "range: 2 to 10.6 V (55 Hz to 21.3 kHz)",
           "note: The tools offer the pin's own range hint, 5 to 15 V.",
           "also named: \"Cutoff\"",
           "also named: \"Version\", \"Variant\"",
           "as a number (plugin formats, --set): X = 6",
           "range: 0 to 10 V",
           "unit: 10 V = one cycle",
       })
    EXPECT_NE(r.out.find(want), std::string::npos) << want << "\n" << r.out;
  // The oscillator's scratch pin is its own business.
  EXPECT_EQ(r.out.find("  16  "), std::string::npos) << r.out;
}

} // namespace
} // namespace setest
