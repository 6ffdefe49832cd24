// Text of any shape as a patch file, with the built plugins: loading must end
// in a patch or in one HostError of one line, and a loaded patch renders its
// first blocks.
#include "audio_seeds.h"
#include "fail.h"
#include "host_error.h"
#include "patch.h"
#include "scratch_dir.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// Frames rendered per loaded patch: the first blocks carry the open, the
// initial statuses and early changes; the rest of a long patch adds little.
constexpr int64_t kRenderFrames = 8192;

sehost::PatchOptions g_options;
std::string g_base_dir;
bool g_verbose = false; // SE_FUZZ_VERBOSE=1: print each load's error, for reproducing

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  namespace fs = std::filesystem;
  g_options.pluginDir = sefuzz::PluginDir();
  const char *verbose = std::getenv("SE_FUZZ_VERBOSE");
  g_verbose = verbose != nullptr && std::string(verbose) == "1";
  // Each patch's host loads the plugins again; holding them here keeps that
  // to a reference count instead of a fresh load and unload per input.
  for (const char *name : {"ladder_filter", "audio_oscillator", "wavetable_generator"}) {
    const std::string path = g_options.pluginDir + "/" + name + ".so";
    if (dlopen(path.c_str(), RTLD_NOW) == nullptr) {
      std::fprintf(stderr, "fuzz_patch: %s\n", dlerror());
      std::exit(1);
    }
  }
  // File sources find the seed files beside the patch, and the examples'
  // drum loop under audio/.
  g_base_dir = sefuzz::ScratchDir();
  fs::create_directories(g_base_dir + "/audio");
  const auto names = sefuzz::WriteAudioSeeds(g_base_dir);
  fs::copy_file(g_base_dir + "/" + names.front(), g_base_dir + "/audio/drum_loop.wav");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  std::unique_ptr<sehost::Patch> patch;
  try {
    patch = sehost::Patch::Parse(text, "fuzz.json", g_base_dir, g_options);
  } catch (const sehost::HostError &e) {
    // Every mistake is one line naming the file.
    const std::string what = e.what();
    if (g_verbose)
      std::fprintf(stderr, "%s\n", what.c_str());
    if (what.find('\n') != std::string::npos || what.rfind("fuzz.json: ", 0) != 0) {
      sefuzz::Fail("patch error is not one line naming the file: %s", what.c_str());
    }
    return 0;
  }
  // The loader checks everything, so a patch it accepts renders without error.
  try {
    while (!patch->Done() && patch->FramesRendered() < kRenderFrames)
      patch->RenderBlock();
  } catch (const sehost::HostError &e) {
    sefuzz::Fail("a loaded patch failed to render: %s", e.what());
  }
  return 0;
}
