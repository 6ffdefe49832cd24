#include "audio_file.h"

#include "host_error.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace sehost {
namespace fs = std::filesystem;

AudioFileReader::AudioFileReader(const std::string &path) : m_path(path) {
  std::error_code ec;
  if (!fs::exists(path, ec))
    throw HostError(path + ": no such audio file");
  if (fs::is_directory(path, ec))
    throw HostError(path + ": is a folder, not an audio file");
  SF_INFO info{};
  m_file = sf_open(path.c_str(), SFM_READ, &info);
  if (m_file == nullptr)
    throw HostError(path + ": cannot read audio file: " + sf_strerror(nullptr));
  m_rate = info.samplerate;
  m_channels = info.channels;
  m_frames = std::max<sf_count_t>(info.frames, 0);
  if (info.channels <= 0 || info.samplerate <= 0) {
    sf_close(m_file);
    throw HostError(path + ": the file holds no audio channels");
  }
}

AudioFileReader::~AudioFileReader() { sf_close(m_file); }

int64_t AudioFileReader::Read(float *interleaved, int64_t frames) {
  const sf_count_t got = sf_readf_float(m_file, interleaved, frames);
  if (got < 0 || (got == 0 && sf_error(m_file) != SF_ERR_NO_ERROR))
    throw HostError(m_path + ": reading failed: " + sf_strerror(m_file));
  // Contain damaged data: a float file may hold values that are not numbers.
  const size_t n = static_cast<size_t>(got) * static_cast<size_t>(m_channels);
  for (size_t i = 0; i < n; ++i)
    if (!std::isfinite(interleaved[i]))
      interleaved[i] = 0.0f;
  return got;
}

void AudioFileReader::Rewind() {
  if (sf_seek(m_file, 0, SEEK_SET) < 0)
    throw HostError(m_path + ": cannot go back to the start: " + sf_strerror(m_file));
}

std::vector<float> AudioData::Channel(int channel) const {
  std::vector<float> out;
  if (channel < 0 || channel >= channels)
    return out;
  const int64_t frames = Frames();
  out.resize(static_cast<size_t>(frames));
  for (int64_t i = 0; i < frames; ++i)
    out[static_cast<size_t>(i)] = samples[static_cast<size_t>(i * channels + channel)];
  return out;
}

AudioData ReadAudioFile(const std::string &path, int64_t max_samples) {
  AudioFileReader reader(path);
  AudioData data;
  data.sampleRate = reader.SampleRate();
  data.channels = reader.Channels();
  const int64_t max_frames = max_samples / data.channels;
  const auto too_long = [&](int64_t frames) {
    return HostError(path + ": the file is too long (" + std::to_string(frames) +
                     " frames); the limit is " + std::to_string(max_frames));
  };
  if (reader.Frames() > max_frames)
    throw too_long(reader.Frames());
  // Read in pieces: memory grows with the samples found, not with the header's claim.
  const int64_t piece = std::max<int64_t>(1, (int64_t{1} << 16) / data.channels);
  for (;;) {
    const size_t at = data.samples.size();
    data.samples.resize(at + static_cast<size_t>(piece * data.channels));
    const int64_t got = reader.Read(data.samples.data() + at, piece);
    data.samples.resize(at + static_cast<size_t>(got * data.channels));
    if (got == 0)
      break;
    if (data.Frames() > max_frames)
      throw too_long(data.Frames());
  }
  return data;
}

} // namespace sehost
