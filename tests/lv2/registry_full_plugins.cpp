// Sixteen more plugin definitions than the bundle has: linked into a copy of
// the Turtle generator (registry_tests.cmake), they fill the registry, and the
// generator must refuse to write a bundle that leaves plugins out.
#include "plugin_def.h"

#include <string>

namespace {

struct Extra {
  std::string uri;
  se_lv2::PluginDef def{};
  explicit Extra(int i) : uri(SE_LV2_URI("extra-") + std::to_string(i)) { def.uri = uri.c_str(); }
};

struct Extras {
  Extras() {
    for (int i = 0; i < se_lv2::Registry::kMaxPlugins; ++i) {
      static Extra *extras[se_lv2::Registry::kMaxPlugins];
      extras[i] = new Extra(i);
      static_cast<void>(se_lv2::Registry::Registration(extras[i]->def));
    }
  }
} g_extras;

} // namespace
