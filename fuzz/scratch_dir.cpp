#include "scratch_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace sefuzz {
namespace fs = std::filesystem;

namespace {

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(ScratchDir(), ec);
}

} // namespace

const std::string &ScratchDir() {
  static const std::string dir = [] {
    std::string pattern = (fs::temp_directory_path() / "se-fuzz.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("se-fuzz: cannot create a scratch folder");
      std::exit(1);
    }
    return pattern;
  }();
  static const bool registered = std::atexit(RemoveScratch) == 0;
  (void)registered;
  return dir;
}

std::string PluginDir() {
  const char *env = std::getenv("SE_PLUGIN_DIR");
  return env != nullptr && *env != '\0' ? env : SE_FUZZ_PLUGIN_DIR;
}

} // namespace sefuzz
