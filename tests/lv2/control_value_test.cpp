// How the LV2 wrappers read control values: choices under the numbers users
// read for them (the pins' metadata), and ports built from that metadata.
#include "audio_oscillator/pins.h"
#include "control_value.h"
#include "ladder_filter/pins.h"
#include "plugin_def.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using se_lv2::ChoiceSet;
using se_lv2::PinControl;
using se_lv2::PinMapping;

SEPinProperties PinOf(const se::PinSpec &spec) {
  SEPinProperties p{};
  p.datatype_text = spec.datatypeText;
  p.default_value = spec.defaultValue;
  return p;
}

ChoiceSet Shown(const se::PinSpec &spec, std::span<const se::ChoiceMeta> shown) {
  ChoiceSet set;
  set.Read(PinOf(spec));
  set.Show(shown);
  return set;
}

TEST(ChoiceSet, FilterTapReadsTwoToFiveAndXAsSix) {
  const ChoiceSet taps =
      Shown(ladder::kPins[ladder::kFilterTapPin], ladder::kPinMeta[ladder::kFilterTapPin].choices);
  EXPECT_EQ(taps.Minimum(), 2);
  EXPECT_EQ(taps.Maximum(), 6);
  EXPECT_EQ(taps.Default(), 5); // the module's default item 3 is tap "5"
  // A host's number to the module's item: 2 -> 0 ... 5 -> 3, 6 (X) -> 4.
  for (int shown = 2; shown <= 6; ++shown)
    EXPECT_EQ(taps.Nearest(static_cast<float>(shown)), shown - 2) << shown;
  // Between numbers the nearer, on a tie the lower; outside, the end.
  EXPECT_EQ(taps.Nearest(4.4f), 2);
  EXPECT_EQ(taps.Nearest(4.5f), 2);
  EXPECT_EQ(taps.Nearest(-1e30f), 0);
  EXPECT_EQ(taps.Nearest(std::numeric_limits<float>::infinity()), 4);
  EXPECT_EQ(taps.Nearest(std::nanf("")), 3); // the default item
}

TEST(ChoiceSet, HarmonicsIsACountFromOneTo256) {
  const ChoiceSet h = Shown(osc::kPins[osc::kHarmonics], osc::kPinMeta[osc::kHarmonics].choices);
  EXPECT_EQ(h.Count(), 256);
  EXPECT_EQ(h.Minimum(), 1);
  EXPECT_EQ(h.Maximum(), 256);
  EXPECT_EQ(h.Default(), 256);
  EXPECT_EQ(h.Nearest(64.0f), 63); // 64 harmonics: the module's item 63
  EXPECT_EQ(h.Nearest(0.0f), 0);
}

TEST(ChoiceSet, WithoutShownNumbersTheModulesValuesServe) {
  ChoiceSet set;
  set.Read(PinOf(ladder::kPins[ladder::kFilterTapPin]));
  EXPECT_EQ(set.Minimum(), 0);
  EXPECT_EQ(set.Maximum(), 4);
  EXPECT_EQ(set.Default(), 3);
  EXPECT_EQ(set.Nearest(4.0f), 4);
  set.Show({}); // nothing to show: the same
  EXPECT_EQ(set.Nearest(4.0f), 4);
}

// Ports made from the metadata at compile time.
constexpr se_lv2::PortSpec kZing =
    PinControl(ladder::kModuleMeta, ladder::kZingPin, PinMapping::kVolts);
static_assert(kZing.minimum == 5.0f && kZing.maximum == 15.0f && kZing.defaultValue == 10.0f);
constexpr se_lv2::PortSpec kTap =
    PinControl(ladder::kModuleMeta, ladder::kFilterTapPin, PinMapping::kChoice);
static_assert(kTap.choices.size() == 5 && kTap.choices[4].shown == 6);
constexpr se_lv2::PortSpec kLimit =
    PinControl(osc::kModuleMeta, osc::kFreqLimit, PinMapping::kVolts);
static_assert(kLimit.defaultValue == 22000.0f && kLimit.maximum == 22050.0f);
static_assert(se_lv2::ParseDecimal("-0.25") == -0.25f && se_lv2::ParseDecimal("5.000") == 5.0f);

TEST(PinControl, TakesNamesAndUnitsFromThePinsMetadata) {
  EXPECT_STREQ(kZing.symbol, "zing");
  EXPECT_STREQ(kZing.name, "Zing");
  EXPECT_STREQ(kZing.pin, "(Zing)");
  EXPECT_STREQ(kZing.unit, "volt");
  EXPECT_STREQ(kLimit.unit, "hz");
  EXPECT_STREQ(kTap.name, "Filter Tap");
  EXPECT_EQ(kTap.comment, ladder::kPinMeta[ladder::kFilterTapPin].what);
  const se_lv2::PortSpec cutoff =
      PinControl(ladder::kModuleMeta, ladder::kPitchPin, PinMapping::kHertz);
  EXPECT_STREQ(cutoff.name, "Cutoff");
  EXPECT_TRUE(cutoff.logarithmic);
}

} // namespace
