// The synth's factory presets (synth/presets.h) as the bundle's presets: each
// sets every control, by port symbol.
#include "synth/presets.h"
#include "synth_ports.h"

#include <vector>

namespace lv2synth {
namespace {

struct Tables {
  std::vector<std::vector<se_lv2::PresetSpec::Value>> values;
  std::vector<se_lv2::PresetSpec> presets;

  Tables() {
    const auto factory = synth::FactoryPresets();
    values.resize(factory.size());
    for (size_t i = 0; i < factory.size(); ++i) {
      float controls[synth::kControlCount];
      synth::PresetControls(factory[i], controls);
      for (int c = 0; c < synth::kControlCount; ++c)
        values[i].push_back({synth::kControls[c].symbol, controls[c]});
      presets.push_back({factory[i].symbol, factory[i].name, values[i].data(), values[i].size()});
    }
  }
};

const Tables kTables;
const se_lv2::PresetRegistry::Registration kRegistration(kSynthUri, kTables.presets.data(),
                                                         kTables.presets.size());

} // namespace
} // namespace lv2synth
