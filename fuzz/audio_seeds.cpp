#include "audio_seeds.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace sefuzz {
namespace {

struct SeedFile {
  const char *name;
  int format;
  int rate;
  int channels;
  int frames;
};

// A few KB each: every container and sample type the reader's paths differ in.
constexpr SeedFile kSeeds[] = {
    {"mono16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 400},
    {"stereo24.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 48000, 2, 200},
    {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 1, 64},
    {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 300},
    {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 100},
    {"quad.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 96000, 4, 50},
};

void Fail(const std::string &path, const char *what) {
  std::fprintf(stderr, "se-fuzz: cannot write %s: %s\n", path.c_str(), what);
  std::exit(1);
}

} // namespace

std::vector<std::string> WriteAudioSeeds(const std::string &dir) {
  std::vector<std::string> names;
  for (const SeedFile &seed : kSeeds) {
    const std::string path = dir + "/" + seed.name;
    SF_INFO info{};
    info.samplerate = seed.rate;
    info.channels = seed.channels;
    info.format = seed.format;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
      Fail(path, sf_strerror(nullptr));
    std::vector<float> samples(static_cast<size_t>(seed.frames * seed.channels));
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<float>(0.8 * std::sin(0.05 * static_cast<double>(i)));
    // A float file may carry values that are not numbers; the reader contains them.
    if ((seed.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
      samples[1] = std::numeric_limits<float>::quiet_NaN();
      samples[2] = std::numeric_limits<float>::infinity();
      samples[3] = std::numeric_limits<float>::denorm_min();
    }
    if (sf_writef_float(file, samples.data(), seed.frames) != seed.frames)
      Fail(path, sf_strerror(file));
    if (sf_close(file) != 0)
      Fail(path, "closing failed");
    names.push_back(seed.name);
  }
  return names;
}

} // namespace sefuzz
