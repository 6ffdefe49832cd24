// se_lv2_ttl <bundle folder> <binary file name>: writes the bundle's Turtle
// files (run by the build after the binary is linked). A registry too small
// for the bundle's plugins fails here, and so the build, rather than leaving
// plugins out of the bundle.
#include "plugin_def.h"
#include "ttl_writer.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: se_lv2_ttl <bundle folder> <binary file name>\n");
    return 2;
  }
  if (se_lv2::Registry::Refused() > 0 || se_lv2::PresetRegistry::Refused() > 0) {
    std::fprintf(stderr,
                 "se_lv2_ttl: %d plugin definitions and %d preset lists do not fit the registries "
                 "(at most %d and %d: lv2/core/plugin_def.h)\n",
                 se_lv2::Registry::Refused(), se_lv2::PresetRegistry::Refused(),
                 se_lv2::Registry::kMaxPlugins, se_lv2::PresetRegistry::kMaxLists);
    return 1;
  }
  const std::string error = se_lv2::WriteBundle(argv[1], argv[2]);
  if (!error.empty()) {
    std::fprintf(stderr, "se_lv2_ttl: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
