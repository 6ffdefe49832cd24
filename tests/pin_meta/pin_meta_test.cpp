// Every module's pin metadata against the module itself, loaded from its
// plugin file as a host loads it: the same pins under the same names, the
// same choice items, ranges that hold the defaults and follow the pin list's
// own range hints, and names that find one pin each.
#include "plugin_library.h"
#include "plugin_path.h"
#include "se_pin_catalog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace setest {
namespace {

using sehost::PinInfo;
using sehost::PluginLibrary;

std::unique_ptr<PluginLibrary> Load(const se::ModuleMeta &module) {
  return PluginLibrary::Load(PluginPath(module.plugin));
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool IsAudioUnit(se::PinUnit unit) {
  switch (unit) {
  case se::PinUnit::kAudio:
  case se::PinUnit::kVolts:
  case se::PinUnit::kPitch:
  case se::PinUnit::kInterval:
  case se::PinUnit::kHertz:
  case se::PinUnit::kCycles:
  case se::PinUnit::kNone: return true;
  default: return false;
  }
}

TEST(PinMeta, TheCatalogueHoldsEveryModuleOfTheBuild) {
  std::set<std::string> plugins;
  for (const se::ModuleMeta *m : se::PinCatalog())
    plugins.insert(m->plugin);
  EXPECT_EQ(plugins,
            (std::set<std::string>{"ladder_filter", "audio_oscillator", "wavetable_generator"}));
  EXPECT_EQ(se::FindModuleMeta(se::PinCatalog(), "DO DI Zuderu 3"),
            se::FindModuleMeta(se::PinCatalog(), "ladder_filter"));
  EXPECT_EQ(se::FindModuleMeta(se::PinCatalog(), "no such module"), nullptr);
}

// Names, count, kinds and choice items: the metadata and the pin list the
// plugin describes to a host cannot drift apart.
TEST(PinMeta, FollowsThePinListThePluginDescribes) {
  for (const se::ModuleMeta *module : se::PinCatalog()) {
    SCOPED_TRACE(module->plugin);
    const auto lib = Load(*module);
    EXPECT_EQ(lib->Description().id, module->id);
    const std::vector<PinInfo> &pins = lib->Pins();
    ASSERT_EQ(pins.size(), module->meta.size());
    for (size_t i = 0; i < pins.size(); ++i) {
      const PinInfo &pin = pins[i];
      const se::PinMeta &meta = module->meta[i];
      SCOPED_TRACE(pin.name);
      EXPECT_EQ(meta.name, pin.name);
      EXPECT_EQ(pin.datatype == DT_CHOICE, meta.unit == se::PinUnit::kChoice);
      EXPECT_EQ(pin.datatype == DT_INT32, meta.unit == se::PinUnit::kLink);
      if (pin.IsAudio()) {
        EXPECT_TRUE(IsAudioUnit(meta.unit));
      }
      const auto items = pin.Choices();
      ASSERT_EQ(items.size(), meta.choices.size());
      for (size_t k = 0; k < items.size(); ++k) {
        EXPECT_EQ(meta.choices[k].text, items[k].text);
        EXPECT_EQ(meta.choices[k].value, items[k].value);
      }
      EXPECT_EQ(meta.hidden, pin.name.empty());
      if (!meta.hidden) {
        EXPECT_NE(meta.what, nullptr);
        EXPECT_NE(meta.display, nullptr);
      }
    }
  }
}

// Every pin a user sets by value has a range holding its default; where the
// pin list gives a range hint ("5,15,5,15"), the tools offer exactly that
// range, and a range that differs from the module's other texts says why.
TEST(PinMeta, RangesHoldTheDefaultsAndFollowThePinListsHints) {
  for (const se::ModuleMeta *module : se::PinCatalog()) {
    const auto lib = Load(*module);
    for (size_t i = 0; i < lib->Pins().size(); ++i) {
      const PinInfo &pin = lib->Pins()[i];
      const se::PinMeta &meta = module->meta[i];
      SCOPED_TRACE(std::string(module->plugin) + " " + pin.name);
      if (meta.unit == se::PinUnit::kChoice || meta.unit == se::PinUnit::kLink || meta.hidden) {
        EXPECT_TRUE(meta.range.Empty());
        continue;
      }
      ASSERT_FALSE(meta.range.Empty());
      if (pin.IsInput() && pin.has_default) {
        const double volts = std::strtod(pin.default_text.c_str(), nullptr);
        EXPECT_GE(volts, meta.range.min);
        EXPECT_LE(volts, meta.range.max);
      }
      if (!pin.datatype_text.empty()) {
        std::stringstream hint(pin.datatype_text);
        std::string a, b;
        std::getline(hint, a, ',');
        std::getline(hint, b, ',');
        const double x = std::strtod(a.c_str(), nullptr), y = std::strtod(b.c_str(), nullptr);
        EXPECT_EQ(meta.range.min, std::min(x, y));
        EXPECT_EQ(meta.range.max, std::max(x, y));
      }
    }
  }
  // The filter's Zing: the pin's hint, not the about text's 0.1 to 50 V, and
  // the manual (through the note) says so.
  const se::PinMeta &zing = ladder::kPinMeta[ladder::kZingPin];
  EXPECT_EQ(zing.range.min, 5.0);
  EXPECT_EQ(zing.range.max, 15.0);
  ASSERT_NE(zing.rangeNote, nullptr);
  EXPECT_NE(std::string(zing.rangeNote).find("0.1 to 50 V"), std::string::npos);
}

// A name finds one pin: no pin's own name, display name, symbol or alias is
// another pin's (letter case aside), and symbols are identifiers.
TEST(PinMeta, EveryNameFindsOnePin) {
  for (const se::ModuleMeta *module : se::PinCatalog()) {
    std::map<std::string, std::string> owner; // lower-case name -> pin
    std::set<std::string> symbols;
    for (const se::PinMeta &meta : module->meta) {
      if (meta.hidden)
        continue;
      std::set<std::string> names = {Lower(meta.name), Lower(meta.display), Lower(meta.symbol)};
      for (const char *alias : meta.aliases)
        names.insert(Lower(alias));
      for (const std::string &name : names) {
        SCOPED_TRACE(std::string(module->plugin) + ": \"" + name + "\"");
        EXPECT_FALSE(name.empty());
        const auto [it, fresh] = owner.emplace(name, std::string(meta.name));
        EXPECT_TRUE(fresh) << "also a name of \"" << it->second << "\"";
      }
      const std::string symbol = meta.symbol;
      EXPECT_TRUE(symbols.insert(symbol).second) << symbol;
      EXPECT_FALSE(symbol.empty());
      for (char c : symbol)
        EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') << symbol;
    }
  }
}

// The numbers users read for the items map back to one item each, and a
// number never reads as another item than the one whose text it is.
TEST(PinMeta, ChoiceNumbersMapBackToOneItem) {
  for (const se::ModuleMeta *module : se::PinCatalog())
    for (const se::PinMeta &meta : module->meta) {
      std::map<int, std::string_view> by_shown;
      std::map<std::string, std::string_view> by_text;
      for (const se::ChoiceMeta &item : meta.choices) {
        EXPECT_TRUE(by_shown.emplace(item.shown, item.text).second)
            << meta.name << ": " << item.shown;
        by_text.emplace(std::string(item.text), item.text);
      }
      for (const auto &[shown, text] : by_shown) {
        const auto named = by_text.find(std::to_string(shown));
        if (named != by_text.end()) {
          EXPECT_EQ(named->second, text) << meta.name << ": " << shown;
        }
      }
    }
}

// The numbers the issue names: the taps read 2 to 5 and X as 6, the
// harmonics item k as k + 1; everything else reads as its value.
TEST(PinMeta, TapsAndHarmonicsReadAsTheirCounts) {
  std::vector<int> taps;
  for (const se::ChoiceMeta &item : ladder::kPinMeta[ladder::kFilterTapPin].choices)
    taps.push_back(item.shown);
  EXPECT_EQ(taps, (std::vector<int>{2, 3, 4, 5, 6}));
  const auto &harmonics = osc::kPinMeta[osc::kHarmonics].choices;
  ASSERT_EQ(harmonics.size(), 256u);
  EXPECT_EQ(harmonics[0].shown, 1);
  EXPECT_EQ(harmonics[63].value, 63);
  EXPECT_EQ(harmonics[63].shown, 64);
  const auto &waveforms = osc::kPinMeta[osc::kWaveform].choices;
  EXPECT_EQ(waveforms.back().text, "Noise");
  EXPECT_EQ(waveforms.back().shown, 255);
  EXPECT_EQ(std::string(ladder::kPinMeta[ladder::kPitchPin].display), "Cutoff");
}

} // namespace
} // namespace setest
