// The README's tables of plugin controls restate the ranges of the pins
// behind them: each control named after a pin (by its display name) must
// give the metadata's range, in the unit the control shows.
#include "se_pin_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace setest {
namespace {

std::vector<std::string> Cells(const std::string &row) {
  std::vector<std::string> cells;
  std::stringstream in(row);
  std::string cell;
  std::getline(in, cell, '|'); // before the first bar
  while (std::getline(in, cell, '|')) {
    const auto b = cell.find_first_not_of(' ');
    const auto e = cell.find_last_not_of(' ');
    cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
  }
  return cells;
}

std::string Whole(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", std::round(v * 1000.0) / 1000.0);
  return buf;
}

// The range as the README writes a control's: "5 – 15 V", "100 – 22050 Hz",
// a cutoff in whole Hz.
std::string RangeText(const se::PinMeta &meta) {
  const char *dash = " \u2013 ";
  switch (meta.unit) {
  case se::PinUnit::kPitch:
    return Whole(std::round(13.75 * std::exp2(meta.range.min))) + dash +
           Whole(std::round(13.75 * std::exp2(meta.range.max))) + " Hz";
  case se::PinUnit::kHertz: return Whole(meta.range.min) + dash + Whole(meta.range.max) + " Hz";
  default: return Whole(meta.range.min) + dash + Whole(meta.range.max) + " V";
  }
}

TEST(ReadmeRanges, ControlsNamedAfterPinsGiveTheirRanges) {
  std::ifstream readme(SE_README);
  ASSERT_TRUE(readme) << SE_README;
  const se::ModuleMeta *modules[] = {&ladder::kModuleMeta, &osc::kModuleMeta};
  int checked = 0;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("| ", 0) != 0)
      continue;
    const std::vector<std::string> cells = Cells(line);
    if (cells.size() < 3)
      continue;
    for (const se::ModuleMeta *module : modules)
      for (const se::PinMeta &meta : module->meta) {
        if (meta.display == nullptr || cells[0] != meta.display || meta.range.Empty())
          continue;
        EXPECT_EQ(cells[1].substr(0, RangeText(meta).size()), RangeText(meta))
            << "README: " << line;
        ++checked;
      }
  }
  // Cutoff, Resonance, Zing, Phase/Pulse Width and Freq Limit at least.
  EXPECT_GE(checked, 5);
}

} // namespace
} // namespace setest
