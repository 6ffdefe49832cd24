// fuzz_audio_seeds <folder>: writes the audio target's seed files into <folder>.
#include "audio_seeds.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_audio_seeds <folder>\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "fuzz_audio_seeds: cannot create %s: %s\n", argv[1], ec.message().c_str());
    return 1;
  }
  sefuzz::WriteAudioSeeds(argv[1]);
  return 0;
}
