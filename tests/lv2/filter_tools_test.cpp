// The filter plugins under LV2 clients no one here wrote: lv2ls lists them,
// lv2info reads every port as the tables mean it, lv2apply's output equals
// se-host render of the same patch sample for sample, lv2bench runs every
// plugin of the bundle. A missing tool skips its test with the package to
// install.
#include "audio_file.h"
#include "audio_file_writer.h"
#include "audio_formats.h"
#include "ladder_filter/pins.h"
#include "os_process.h"
#include "pin_info.h"
#include "plugin_path.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char kMono[] = "urn:ladder-osc-modules:filter";
const char kStereo[] = "urn:ladder-osc-modules:filter-stereo";
constexpr int kRate = 44100;
constexpr int kFrames = 22050;
constexpr int kModulationInputs = 2; // cutoff_cv, resonance_cv

struct Output {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool OnPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0)
      return true;
  return false;
}

class FilterTools : public ::testing::Test {
protected:
  void SetUp() override {
    // Only this build's bundle: the listing holds exactly our plugins.
    setenv("LV2_PATH", SE_LV2_PATH, 1);
    dir_ = sehost::MakeTempFolder("lv2-filter-tools");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Skips the test when a tool is missing, or cannot load the bundle.
  bool Need(const std::string &program, const char *package, bool loads_bundle = false) {
#ifdef SE_SANITIZED_BUNDLE
    if (loads_bundle) {
      missing_ = program + " cannot load a bundle built with sanitizers";
      return false;
    }
#else
    (void)loads_bundle;
#endif
    if (OnPath(program))
      return true;
    missing_ = program + " is not installed (Debian package " + package + ")";
    return false;
  }

  Output Run(const std::string &program, const std::vector<std::string> &args) {
    Output r;
    const fs::path out = fs::path(dir_) / ".out", err = fs::path(dir_) / ".err";
    r.status = sehost::RunProgram(program, args, out.string(), err.string());
    r.out = ReadText(out);
    r.err = ReadText(err);
    return r;
  }

  // Noise, an impulse and silence, different on each channel; then the
  // filter's two modulation inputs, silent (lv2apply feeds the file's
  // channels to the plugin's audio inputs in order, sidechains included).
  std::string WriteInput(int channels) {
    const int width = channels + kModulationInputs;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.4f, 0.4f);
    std::vector<float> frames(static_cast<size_t>(kFrames) * width, 0.0f);
    for (int i = 0; i < kFrames * 2 / 3; ++i)
      for (int c = 0; c < channels; ++c)
        frames[static_cast<size_t>(i) * width + c] = noise(rng);
    frames[static_cast<size_t>(kFrames * 2 / 3) * width] = 0.9f;
    const std::string path = dir_ + "/in.wav";
    sehost::AudioFileWriter w(path, sehost::ChooseOutputFormat(path, "float", kFrames, width),
                              width, kRate, 0);
    w.Write(frames.data(), kFrames);
    w.Commit();
    return path;
  }

  // se-host render of one filter per channel, each with `pins`.
  sehost::AudioData Render(int channels, const std::string &pins) {
    std::ostringstream p;
    p << R"({"sample_rate": 44100, "block_size": 1, "duration": 0.5, "modules": [)";
    for (int c = 0; c < channels; ++c)
      p << (c ? "," : "") << R"({"id": "f)" << c << R"(", "plugin": ")"
        << setest::PluginPath("ladder_filter") << R"(", "pins": {)" << pins << "}}";
    p << R"(], "sources": [)";
    for (int c = 0; c < channels; ++c)
      p << (c ? "," : "") << R"({"to": "f)" << c
        << R"(.Signal", "type": "file", "path": "in.wav", "channel": )" << c + 1 << "}";
    p << R"(], "outputs": [)";
    for (int c = 0; c < channels; ++c)
      p << (c ? "," : "") << R"("f)" << c << R"(.Output")";
    p << "]}";
    std::ofstream(dir_ + "/patch.json") << p.str();
    const Output r = Run(SE_HOST_PROGRAM, {"render", dir_ + "/patch.json", "-o",
                                           dir_ + "/render.wav", "-f", "float", "-q"});
    EXPECT_EQ(r.status, 0) << r.err;
    return sehost::ReadAudioFile(dir_ + "/render.wav");
  }

  sehost::AudioData Apply(const char *uri, const std::vector<std::string> &controls) {
    std::vector<std::string> args = {"-i", dir_ + "/in.wav", "-o", dir_ + "/lv2.wav"};
    for (const std::string &c : controls) {
      args.push_back("-c");
      const auto space = c.find(' ');
      args.push_back(c.substr(0, space));
      args.push_back(c.substr(space + 1));
    }
    args.push_back(uri);
    const Output r = Run("lv2apply", args);
    EXPECT_EQ(r.status, 0) << r.err;
    return sehost::ReadAudioFile(dir_ + "/lv2.wav");
  }

  std::string dir_;
  std::string missing_;
};

#define NEED(...)                                                                                  \
  if (!Need(__VA_ARGS__))                                                                          \
  GTEST_SKIP() << missing_

TEST_F(FilterTools, Lv2lsListsThePluginsOfTheBuiltBundle) {
  NEED("lv2ls", "lilv-utils");
  const Output r = Run("lv2ls", {});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(std::string(kMono) + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(std::string(kStereo) + "\n"), std::string::npos) << r.out;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    EXPECT_EQ(line.rfind("urn:ladder-osc-modules:", 0), 0u) << "a URI outside our base: " << line;
}

// The port block of lv2info's answer that holds `Symbol: <symbol>`.
std::string PortBlock(const std::string &info, const std::string &symbol) {
  const auto at = info.find("Symbol:      " + symbol + "\n");
  if (at == std::string::npos)
    return "";
  const auto begin = info.rfind("\tPort ", at);
  const auto end = info.find("\tPort ", at);
  return info.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

TEST_F(FilterTools, Lv2infoReadsEveryPortWithItsRangeAndItems) {
  NEED("lv2info", "lilv-utils");
  const Output r = Run("lv2info", {kMono});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string &info = r.out;

  struct Range {
    const char *symbol, *min, *max, *def;
  };
  for (const Range &c : {Range{"cutoff", "55.000000", "21341.279297", "440.000000"},
                         Range{"resonance", "0.000000", "10.000000", "5.000000"},
                         Range{"zing", "5.000000", "15.000000", "10.000000"}}) {
    const std::string block = PortBlock(info, c.symbol);
    ASSERT_FALSE(block.empty()) << c.symbol << " missing in\n" << info;
    EXPECT_NE(block.find(std::string("Minimum:     ") + c.min), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("Maximum:     ") + c.max), std::string::npos) << block;
    EXPECT_NE(block.find(std::string("Default:     ") + c.def), std::string::npos) << block;
  }
  EXPECT_NE(PortBlock(info, "cutoff").find("port-props#logarithmic"), std::string::npos);
  // The modulation inputs are sidechain audio, which every common host takes
  // (Ardour refuses a plugin with a CV port).
  for (const char *cv : {"cutoff_cv", "resonance_cv"}) {
    const std::string block = PortBlock(info, cv);
    EXPECT_NE(block.find("lv2core#AudioPort"), std::string::npos) << block;
    EXPECT_NE(block.find("lv2core#isSideChain"), std::string::npos) << block;
    EXPECT_NE(block.find("lv2core#connectionOptional"), std::string::npos) << block;
    EXPECT_EQ(block.find("CVPort"), std::string::npos) << block;
  }
  EXPECT_NE(PortBlock(info, "in").find("lv2core#AudioPort"), std::string::npos);
  EXPECT_NE(PortBlock(info, "out").find("lv2core#OutputPort"), std::string::npos);

  // Every choice: integer, enumeration, and each item of the module's own pin
  // under the number users read for it (the pin's metadata: taps 2 to 5, X 6).
  struct Choice {
    const char *symbol;
    ladder::Pin pin;
  };
  for (const Choice &c :
       {Choice{"filter_tap", ladder::kFilterTapPin}, Choice{"q_tap", ladder::kQTapPin},
        Choice{"emulate", ladder::kEmulatePin}, Choice{"version", ladder::kVersionPin},
        Choice{"type", ladder::kTypePin}, Choice{"bass_boost", ladder::kBassBoostPin}}) {
    const std::string block = PortBlock(info, c.symbol);
    ASSERT_FALSE(block.empty()) << c.symbol;
    EXPECT_NE(block.find("lv2core#integer"), std::string::npos) << block;
    EXPECT_NE(block.find("lv2core#enumeration"), std::string::npos) << block;
    const auto items = sehost::ParseChoiceList(ladder::kPins[c.pin].datatypeText);
    const auto &shown = ladder::kPinMeta[c.pin].choices;
    ASSERT_EQ(items.size(), shown.size()) << c.symbol;
    const int module_default = std::atoi(ladder::kPins[c.pin].defaultValue);
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].value, shown[i].value) << c.symbol;
      EXPECT_NE(block.find(std::to_string(shown[i].shown) + " = \"" + items[i].text + "\""),
                std::string::npos)
          << c.symbol << ": item " << items[i].text << " in\n"
          << block;
      if (items[i].value == module_default) {
        EXPECT_NE(block.find("Default:     " + std::to_string(shown[i].shown) + ".000000"),
                  std::string::npos)
            << block;
      }
    }
  }
  EXPECT_NE(PortBlock(info, "filter_tap").find("6 = \"X\""), std::string::npos);
}

// What the wrapper adds to the module: an author, an output level in dB, a
// bypass the host can use as its own, and stereo port groups (lv2info shows
// no units).
TEST_F(FilterTools, Lv2infoShowsAuthorLevelBypassAndStereoGroups) {
  NEED("lv2info", "lilv-utils");
  const Output mono = Run("lv2info", {kMono});
  ASSERT_EQ(mono.status, 0) << mono.err;
  EXPECT_NE(mono.out.find("Author:            The ladder-osc-modules developers"),
            std::string::npos)
      << mono.out;
  const std::string level = PortBlock(mono.out, "output_level");
  EXPECT_NE(level.find("Minimum:     -48.000000"), std::string::npos) << level;
  EXPECT_NE(level.find("Default:     0.000000"), std::string::npos) << level;
  const std::string enabled = PortBlock(mono.out, "enabled");
  EXPECT_NE(enabled.find("Designation: http://lv2plug.in/ns/lv2core#enabled"), std::string::npos)
      << enabled;
  EXPECT_NE(enabled.find("lv2core#toggled"), std::string::npos) << enabled;
  EXPECT_NE(enabled.find("Default:     1.000000"), std::string::npos) << enabled;
  EXPECT_EQ(PortBlock(mono.out, "in").find("Group:"), std::string::npos);

  const Output stereo = Run("lv2info", {kStereo});
  ASSERT_EQ(stereo.status, 0) << stereo.err;
  struct Member {
    const char *symbol, *group, *side;
  };
  for (const Member &m : {Member{"in_l", ":in", "left"}, Member{"in_r", ":in", "right"},
                          Member{"out_l", ":out", "left"}, Member{"out_r", ":out", "right"}}) {
    const std::string block = PortBlock(stereo.out, m.symbol);
    EXPECT_NE(block.find(std::string("Group:       ") + kStereo + m.group + "\n"),
              std::string::npos)
        << block;
    EXPECT_NE(block.find(std::string("port-groups#") + m.side), std::string::npos) << block;
  }
  EXPECT_EQ(PortBlock(stereo.out, "cutoff_cv").find("Group:"), std::string::npos)
      << "a sidechain is no member of the main input";
}

// One setting as lv2apply controls and as the patch's pins.
struct Setting {
  std::vector<std::string> controls;
  const char *pins;
};

const Setting kSettings[] = {
    {{}, ""}, // every default: the plugin's defaults are the module's
    {{"cutoff 1760", "resonance 7", "filter_tap 4"},
     R"("Pitch": 7, "Resonance": 7, "Filter Tap": "4")"},
    {{"cutoff 220", "resonance 9", "zing 14", "filter_tap 6", "q_tap 3", "emulate 0", "version 1",
      "type 1", "bass_boost 3"},
     R"p("Pitch": 4, "Resonance": 9, "(Zing)": 14, "Filter Tap": "X", "Q Tap": "3",
        "Emulate": "Analog", "(Version)": "Furry", "Type": "HP", "Bass Boost": "Extra")p"},
};

void ExpectSameSamples(const sehost::AudioData &lv2, const sehost::AudioData &render) {
  ASSERT_EQ(lv2.channels, render.channels);
  ASSERT_EQ(lv2.samples.size(), render.samples.size());
  size_t differ = 0, first = 0;
  for (size_t i = 0; i < lv2.samples.size(); ++i)
    if (std::memcmp(&lv2.samples[i], &render.samples[i], sizeof(float)) != 0 && differ++ == 0)
      first = i;
  EXPECT_EQ(differ, 0u) << "first at " << first << ": " << lv2.samples[first] << " vs "
                        << render.samples[first];
  float peak = 0.0f;
  for (float s : lv2.samples)
    peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 0.01f) << "the comparison needs a signal";
}

// lv2apply runs one frame per call; the patch's block size of 1 gives the
// module the same calls, so the two agree bit for bit.
TEST_F(FilterTools, Lv2applyEqualsSeHostRender) {
  NEED("lv2apply", "lilv-utils", true);
  WriteInput(1);
  for (const Setting &s : kSettings) {
    SCOPED_TRACE(s.pins);
    ExpectSameSamples(Apply(kMono, s.controls), Render(1, s.pins));
  }
}

TEST_F(FilterTools, Lv2applyStereoIsTwoFiltersSharingTheControls) {
  NEED("lv2apply", "lilv-utils", true);
  WriteInput(2);
  const Setting &s = kSettings[2];
  ExpectSameSamples(Apply(kStereo, s.controls), Render(2, s.pins));
}

TEST_F(FilterTools, Lv2benchRunsEveryPluginOfTheBundle) {
  NEED("lv2bench", "lilv-utils", true);
  NEED("lv2ls", "lilv-utils");
  const Output list = Run("lv2ls", {});
  const Output r = Run("lv2bench", {"-n", "262144", "-b", "512"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::cout << r.out;
  std::istringstream uris(list.out);
  for (std::string uri; std::getline(uris, uri);)
    EXPECT_NE(r.out.find(" " + uri + "\n"), std::string::npos) << uri << " not run:\n" << r.out;
}

} // namespace
