// Bytes of any shape as an audio file, through what a patch's file source
// does with it: read (libsndfile), split into channels, resample to the
// patch's rate, play once or looped from several clocks.
#include "host_error.h"
#include "scratch_dir.h"

#include "audio_file.h"
#include "sources/file_source.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The patch rates the resampler is asked for, picked by the input's size.
constexpr double kPatchRates[] = {44100.0, 48000.0, 96000.0, 8000.0};

// Channels looked at per file: enough for every code path.
constexpr int kMaxChannels = 4;

std::string g_path;

void WriteFile(const uint8_t *data, size_t size) {
  FILE *f = std::fopen(g_path.c_str(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
    std::perror("fuzz_audio: cannot write the input file");
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  g_path = sefuzz::ScratchDir() + "/input.wav";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  WriteFile(data, size);
  // The whole-file reader (the plot's), held to a small size.
  try {
    sehost::ReadAudioFile(g_path, int64_t{1} << 20);
  } catch (const sehost::HostError &) {
  }
  // A file source per channel, as a patch plays it: read and resampled in
  // pieces, once or looped, with clocks that run on, jump back and skip ahead.
  const double rate = kPatchRates[size % std::size(kPatchRates)];
  for (int c = 0; c < kMaxChannels; ++c) {
    try {
      auto reader = std::make_unique<sehost::AudioFileReader>(g_path);
      if (c >= reader->Channels())
        break;
      if (!(reader->SampleRate() >= sehost::kMinFileRate &&
            reader->SampleRate() <= sehost::kMaxFileRate))
        return 0; // the patch loader refuses such a file before it plays
      sehost::FileSourceSettings settings;
      settings.channel = c;
      settings.loop = (size & 1) != 0;
      settings.recipe = sehost::ResampleRecipe((size & 2) != 0 ? "quick" : "high");
      sehost::FileSource source(std::move(reader), settings, rate);
      float block[64];
      for (int64_t clock : {int64_t{0}, int64_t{64}, int64_t{128}, int64_t{0}, int64_t{20000}})
        source.Fill(block, 64, clock);
    } catch (const sehost::HostError &) {
      return 0; // one clear error: what a bad file should give
    }
  }
  return 0;
}
