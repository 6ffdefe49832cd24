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
#include <string>
#include <vector>

namespace {

// TEMPORARY: files that declare a rate below this are not resampled. A lying
// header (a rate of 1 Hz) makes Resample ask for tens of millions of samples
// from a few bytes; that defect is being fixed separately. Remove this cap
// (and the check below) once Resample, or the file source, bounds its output.
constexpr double kTemporaryMinRate = 1000.0;

// TEMPORARY: files that declare more samples than this are not read. A header
// that lies about the length (a FLAC stream info of 2^28 frames in 200 bytes)
// makes ReadAudioFile allocate the declared size, up to 1 GiB, before reading.
// Remove once ReadAudioFile no longer trusts the declared length.
constexpr int64_t kTemporaryMaxDeclaredSamples = int64_t{1} << 20;

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

// Frames times channels as the file's header states them, or 0.
int64_t DeclaredSamples() {
  SF_INFO info{};
  SNDFILE *file = sf_open(g_path.c_str(), SFM_READ, &info);
  if (file == nullptr)
    return 0;
  sf_close(file);
  return info.channels > 0 ? info.frames * info.channels : 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  g_path = sefuzz::ScratchDir() + "/input.wav";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  WriteFile(data, size);
  if (DeclaredSamples() > kTemporaryMaxDeclaredSamples)
    return 0;
  sehost::AudioData audio;
  try {
    audio = sehost::ReadAudioFile(g_path);
  } catch (const sehost::HostError &) {
    return 0; // one clear error: what a bad file should give
  }
  if (audio.sample_rate < kTemporaryMinRate)
    return 0;
  const double rate = kPatchRates[size % std::size(kPatchRates)];
  const bool loop = (size & 1) != 0;
  for (int c = 0; c < audio.channels && c < kMaxChannels; ++c) {
    std::vector<float> samples = sehost::Resample(audio.Channel(c), audio.sample_rate, rate);
    const auto length = static_cast<int64_t>(samples.size());
    sehost::FileSource source(std::move(samples), loop);
    float block[64];
    for (int64_t clock : {int64_t{0}, length - 10, int64_t{-20}, length * 3 + 5, INT64_MAX - 100})
      source.Fill(block, 64, clock);
  }
  return 0;
}
