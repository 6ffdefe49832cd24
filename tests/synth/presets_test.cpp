// The factory presets: at least 24, each named and filed under one of the
// eight kinds, each setting every control to a value it can take; and each
// plays the test chord finite, below full scale and within 3 dB (RMS) of the
// default sound.
#include "synth/presets.h"
#include "synth_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace synthtest;

struct Loudness {
  double rms;
  float peak;
};

Loudness Chorded(const synth::Preset *preset) {
  synth::Engine e;
  if (preset != nullptr) {
    float values[synth::kControlCount];
    synth::PresetControls(*preset, values);
    e.SetControls(values);
  }
  EXPECT_TRUE(e.Activate(48000.0));
  const Stereo s = Render(e, 96000, Chord(0, 48000));
  for (size_t i = 0; i < s.left.size(); ++i)
    EXPECT_TRUE(std::isfinite(s.left[i]) && std::isfinite(s.right[i]));
  const double l = Rms(s.left, 0, 48000), r = Rms(s.right, 0, 48000);
  return {std::sqrt((l * l + r * r) / 2.0), std::max(Peak(s.left), Peak(s.right))};
}

TEST(SynthPresets, TwentyFourOrMoreNamedForWhatTheySoundLike) {
  const auto presets = synth::FactoryPresets();
  EXPECT_GE(presets.size(), 24u);
  const std::set<std::string> kinds = {"Bass",  "Lead",    "Pad",  "Pluck",
                                       "Brass", "Strings", "Keys", "Effect"};
  std::set<std::string> symbols, names, used;
  for (const synth::Preset &p : presets) {
    EXPECT_TRUE(symbols.insert(p.symbol).second) << p.symbol;
    EXPECT_TRUE(names.insert(p.name).second) << p.name;
    EXPECT_EQ(kinds.count(p.category), 1u) << p.symbol;
    used.insert(p.category);
    EXPECT_EQ(synth::FindPreset(p.symbol), &p);
    EXPECT_EQ(synth::FindPreset(p.name), &p);
    std::set<int> set;
    for (const synth::PresetValue &v : p.values) {
      EXPECT_TRUE(set.insert(v.control).second) << p.symbol << " sets a control twice";
      EXPECT_EQ(synth::ContainValue(v.control, v.value), v.value)
          << p.symbol << ": " << synth::kControls[v.control].symbol;
    }
  }
  EXPECT_EQ(used, kinds); // every kind has its presets
  EXPECT_EQ(synth::FindPreset("round BASS"), synth::FindPreset("bass-round"));
  EXPECT_EQ(synth::FindPreset("nothing"), nullptr);
}

TEST(SynthPresets, EachPlaysTheTestChordAsLoudAsTheDefaultAndBelowFullScale) {
  const Loudness reference = Chorded(nullptr);
  EXPECT_LT(reference.peak, 1.0f);
  for (const synth::Preset &p : synth::FactoryPresets()) {
    const Loudness l = Chorded(&p);
    EXPECT_LT(l.peak, 1.0f) << p.symbol;
    EXPECT_NEAR(Db(l.rms / reference.rms), 0.0, 3.0) << p.symbol;
  }
}

// The manual names every control and every preset, by symbol.
TEST(SynthPresets, TheManualListsEveryControlAndPreset) {
  std::ifstream in(SE_SYNTH_MANUAL);
  ASSERT_TRUE(in) << SE_SYNTH_MANUAL;
  std::stringstream text;
  text << in.rdbuf();
  const std::string manual = text.str();
  for (const synth::ControlSpec &c : synth::kControls)
    EXPECT_NE(manual.find(std::string("| `") + c.symbol + "` | " + c.name + " |"),
              std::string::npos)
        << c.symbol;
  for (const synth::Preset &p : synth::FactoryPresets())
    EXPECT_NE(
        manual.find(std::string("| ") + p.category + " | " + p.name + " | `" + p.symbol + "` |"),
        std::string::npos)
        << p.symbol;
}

} // namespace
