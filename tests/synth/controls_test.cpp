// The control table: every entry usable as it stands (symbols unique and
// well formed, defaults inside the range, choices with their items), and the
// choices of module pins read the way the module's own metadata shows them.
#include "synth/controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace {

using namespace synth;

TEST(SynthControls, EveryControlIsWellFormed) {
  std::set<std::string> symbols;
  for (int i = 0; i < kControlCount; ++i) {
    const ControlSpec &c = kControls[i];
    const auto control = static_cast<Control>(i);
    EXPECT_TRUE(symbols.insert(c.symbol).second) << c.symbol;
    EXPECT_EQ(std::string(c.symbol).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"),
              std::string::npos)
        << c.symbol;
    EXPECT_EQ(FindControl(c.symbol), i);
    EXPECT_LE(c.minimum, c.defaultValue) << c.symbol;
    EXPECT_LE(c.defaultValue, c.maximum) << c.symbol;
    EXPECT_EQ(ContainValue(control, c.defaultValue), c.defaultValue) << c.symbol;
    EXPECT_EQ(ContainValue(control, std::numeric_limits<float>::quiet_NaN()), c.defaultValue);
    EXPECT_EQ(ContainValue(control, std::numeric_limits<float>::infinity()),
              ContainValue(control, c.maximum));
    EXPECT_EQ(c.kind == Kind::kChoice, !c.choices.empty()) << c.symbol;
    if (c.kind == Kind::kLogarithmic) {
      EXPECT_GT(c.minimum, 0.0f) << c.symbol;
    }
    for (const se::ChoiceMeta &item : c.choices) {
      EXPECT_GE(item.shown, c.minimum) << c.symbol;
      EXPECT_LE(item.shown, c.maximum) << c.symbol;
      EXPECT_EQ(ContainValue(control, static_cast<float>(item.shown)), item.shown);
      EXPECT_EQ(ChoiceValue(control, static_cast<float>(item.shown)), item.value);
    }
  }
  EXPECT_EQ(FindControl("no_such_control"), -1);
}

TEST(SynthControls, ChoicesReadAsTheirLabels) {
  // Taps by their stage count, X as 6, the module's own values behind them.
  EXPECT_EQ(kControls[kFilterTap].defaultValue, 5.0f);
  EXPECT_EQ(ChoiceValue(kFilterTap, 6), 4);
  EXPECT_EQ(ChoiceValue(kFilterTap, 2), 0);
  EXPECT_EQ(ContainValue(kFilterTap, 0.0f), 2.0f);
  EXPECT_EQ(ContainValue(kQTap, 5.7f), 5.0f);
  // The waveforms run to Noise at 255: between the last pulse form and it,
  // the nearer item is taken.
  EXPECT_EQ(ContainValue(kOsc1Waveform, 100.0f), 20.0f);
  EXPECT_EQ(ContainValue(kOsc1Waveform, 200.0f), 255.0f);
  EXPECT_EQ(ChoiceValue(kOsc1Waveform, 255.0f), 255);
  EXPECT_EQ(kControls[kOsc1Waveform].choices.back().text, "Noise");
  // Whole-number kinds round; toggles are 0 or 1.
  EXPECT_EQ(ContainValue(kPolyphony, 7.6f), 8.0f);
  EXPECT_EQ(ContainValue(kOsc2Sync, 0.7f), 1.0f);
  EXPECT_EQ(ContainValue(kPolyphony, 1000.0f), 32.0f);
  EXPECT_EQ(LfoSyncBeats(0), 0.0);
  EXPECT_EQ(LfoSyncBeats(5), 1.0); // a quarter note
  EXPECT_EQ(LfoSyncBeats(99), 0.0);
}

} // namespace
