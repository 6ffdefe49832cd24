#include "audio_file.h"

#include "host_error.h"
#include "os_process.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace sehost {
namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char &c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The libsndfile container for a path's extension, or 0.
int ContainerFor(const std::string &path) {
  const std::string ext = Lower(fs::path(path).extension().string());
  if (ext == ".wav")
    return SF_FORMAT_WAV;
  if (ext == ".flac")
    return SF_FORMAT_FLAC;
  return 0;
}

} // namespace

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
  std::error_code ec;
  if (!fs::exists(path, ec))
    throw HostError(path + ": no such audio file");
  if (fs::is_directory(path, ec))
    throw HostError(path + ": is a folder, not an audio file");
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr)
    throw HostError(path + ": cannot read audio file: " + sf_strerror(nullptr));
  AudioData data;
  data.sample_rate = info.samplerate;
  data.channels = info.channels;
  if (info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    throw HostError(path + ": the file holds no audio channels");
  }
  if (info.frames > max_samples / info.channels) {
    sf_close(file);
    throw HostError(path + ": the file is too long (" + std::to_string(info.frames) +
                    " frames); the limit is " + std::to_string(max_samples / info.channels));
  }
  data.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file, data.samples.data(), info.frames);
  sf_close(file);
  data.samples.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) *
                      static_cast<size_t>(info.channels));
  // Contain damaged data: a float file may hold values that are not numbers.
  for (float &s : data.samples)
    if (!std::isfinite(s))
      s = 0.0f;
  return data;
}

SampleFormat ParseSampleFormat(const std::string &text) {
  if (text == "16")
    return SampleFormat::Pcm16;
  if (text == "24")
    return SampleFormat::Pcm24;
  if (text == "float" || text == "32f")
    return SampleFormat::Float;
  throw HostError("unknown sample format \"" + text + "\" (use 16, 24 or float)");
}

const char *SampleFormatText(SampleFormat format) {
  switch (format) {
  case SampleFormat::Pcm16: return "16-bit";
  case SampleFormat::Pcm24: return "24-bit";
  case SampleFormat::Float: return "32-bit float";
  }
  return "";
}

void CheckOutputPath(const std::string &path) {
  if (path.empty())
    throw HostError("no output file given");
  const fs::path p(path);
  if (ContainerFor(path) == 0)
    throw HostError(path + ": unknown output format \"" + p.extension().string() +
                    "\" (use .wav or .flac)");
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw HostError(path + ": the folder \"" + folder.string() + "\" does not exist");
  if (fs::is_directory(p, ec))
    throw HostError(path + ": is a folder");
}

AudioFileWriter::AudioFileWriter(const std::string &path, int channels, double sample_rate,
                                 SampleFormat format)
    : m_path(path), m_channels(channels), m_integer(format != SampleFormat::Float) {
  CheckOutputPath(path);
  if (channels <= 0)
    throw HostError(path + ": nothing to write (no output channels)");
  const int container = ContainerFor(path);
  if (container == SF_FORMAT_FLAC && format == SampleFormat::Float)
    throw HostError(path + ": FLAC holds 16- or 24-bit samples; write float samples to a .wav");
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sample_rate));
  info.channels = channels;
  info.format = container | (format == SampleFormat::Pcm16   ? SF_FORMAT_PCM_16
                             : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                             : SF_FORMAT_FLOAT);
  if (!sf_format_check(&info))
    throw HostError(path + ": cannot write this format at " + std::to_string(info.samplerate) +
                    " Hz with " + std::to_string(channels) + " channels");
  m_temp_path = PartialPathBeside(path);
  m_file = sf_open(m_temp_path.c_str(), SFM_WRITE, &info);
  if (m_file == nullptr)
    throw HostError(path + ": cannot create the file: " + sf_strerror(nullptr));
}

AudioFileWriter::~AudioFileWriter() {
  if (m_file != nullptr) {
    sf_close(m_file);
    std::remove(m_temp_path.c_str());
  }
}

void AudioFileWriter::Write(const float *interleaved, int64_t frames) {
  if (m_file == nullptr)
    throw HostError(m_path + ": the file is already closed");
  const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(m_channels);
  m_scratch.assign(interleaved, interleaved + n);
  for (float &s : m_scratch) {
    if (!std::isfinite(s)) {
      s = 0.0f;
      ++m_non_finite;
    } else if (m_integer && (s > 1.0f || s < -1.0f)) {
      s = std::clamp(s, -1.0f, 1.0f);
      ++m_clipped;
    }
  }
  if (sf_writef_float(m_file, m_scratch.data(), frames) != frames)
    throw HostError(m_path + ": writing failed: " + sf_strerror(m_file));
}

void AudioFileWriter::Commit() {
  if (m_file == nullptr)
    throw HostError(m_path + ": the file is already closed");
  const int err = sf_close(m_file);
  m_file = nullptr;
  if (err != 0) {
    std::remove(m_temp_path.c_str());
    throw HostError(m_path + ": finishing the file failed: " + sf_error_number(err));
  }
  std::error_code ec;
  fs::rename(m_temp_path, m_path, ec);
  if (ec) {
    std::remove(m_temp_path.c_str());
    throw HostError(m_path + ": cannot move the finished file into place: " + ec.message());
  }
}

} // namespace sehost
