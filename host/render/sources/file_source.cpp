#include "file_source.h"

#include "host_error.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sehost {
namespace {

// Samples (all channels) read from the file at a time.
constexpr size_t kPieceSamples = 8192;

struct ResampleQuality {
  const char *name;
  int recipe;
};
constexpr ResampleQuality kQualities[] = {{"quick", SOXR_QQ},
                                          {"low", SOXR_LQ},
                                          {"medium", SOXR_MQ},
                                          {"high", SOXR_HQ},
                                          {"very high", SOXR_VHQ}};

} // namespace

std::string FileRateProblem(const AudioFileReader &reader) {
  if (reader.SampleRate() >= kMinFileRate && reader.SampleRate() <= kMaxFileRate)
    return {};
  return reader.Path() + ": the header gives a sample rate of " +
         std::to_string(std::lround(reader.SampleRate())) + " Hz; a file must have " +
         std::to_string(std::lround(kMinFileRate)) + " to " +
         std::to_string(std::lround(kMaxFileRate)) + " Hz";
}

int ResampleRecipe(const std::string &name) {
  for (const ResampleQuality &q : kQualities)
    if (name == q.name)
      return q.recipe;
  return -1;
}

std::string ResampleQualityNames() {
  std::string names;
  for (const ResampleQuality &q : kQualities)
    names += std::string(names.empty() ? "" : ", ") + q.name;
  return names;
}

FileSource::FileSource(std::unique_ptr<AudioFileReader> reader, const FileSourceSettings &settings,
                       double rate)
    : m_reader(std::move(reader)), m_settings(settings) {
  const auto channels = static_cast<size_t>(m_reader->Channels());
  const size_t piece = std::max<size_t>(1, kPieceSamples / channels);
  m_frames.resize(piece * channels);
  m_input.resize(piece);
  m_skipped.resize(piece);
  if (m_reader->SampleRate() == rate)
    return;
  const soxr_quality_spec_t quality = soxr_quality_spec(
      m_settings.recipe >= 0 ? static_cast<unsigned long>(m_settings.recipe) : SOXR_HQ, 0);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_error_t error = nullptr;
  m_resampler = soxr_create(m_reader->SampleRate(), rate, 1, &error, &io, &quality, nullptr);
  if (error == nullptr)
    error = soxr_set_input_fn(m_resampler, &SupplyInput, this, piece);
  if (error != nullptr) {
    soxr_delete(m_resampler);
    throw HostError(m_reader->Path() + ": cannot resample from " +
                    std::to_string(m_reader->SampleRate()) + " Hz: " + error);
  }
}

FileSource::~FileSource() { soxr_delete(m_resampler); }

// Reads the next piece of the chosen channel into m_input (at most `most`
// samples), going back to the start at the end when looping; 0 at the end.
size_t FileSource::NextInput(size_t most) {
  const auto channels = static_cast<size_t>(m_reader->Channels());
  const auto frames = static_cast<int64_t>(std::min(most, m_input.size()));
  int64_t got = m_reader->Read(m_frames.data(), frames);
  if (got == 0 && m_settings.loop) {
    m_reader->Rewind();
    got = m_reader->Read(m_frames.data(), frames);
  }
  const auto gain = static_cast<float>(m_settings.gain);
  for (size_t i = 0; i < static_cast<size_t>(got); ++i)
    m_input[i] = m_frames[i * channels + static_cast<size_t>(m_settings.channel)] * gain;
  return static_cast<size_t>(got);
}

size_t FileSource::SupplyInput(void *self, const void **data, size_t requested) {
  auto *source = static_cast<FileSource *>(self);
  *data = source->m_input.data();
  return source->NextInput(requested);
}

// Up to `n` output samples; fewer only once the file has ended.
size_t FileSource::Pull(float *out, size_t n) {
  if (m_resampler != nullptr)
    return soxr_output(m_resampler, out, n);
  size_t done = 0;
  while (done < n) {
    if (m_inputAt == m_inputSize) {
      m_inputAt = 0;
      m_inputSize = NextInput(m_input.size());
      if (m_inputSize == 0)
        break;
    }
    const size_t take = std::min(n - done, m_inputSize - m_inputAt);
    std::memcpy(out + done, m_input.data() + m_inputAt, take * sizeof(float));
    m_inputAt += take;
    done += take;
  }
  return done;
}

void FileSource::Restart() {
  m_reader->Rewind();
  m_inputAt = m_inputSize = 0;
  if (m_resampler != nullptr) {
    soxr_clear(m_resampler);
    soxr_set_input_fn(m_resampler, &SupplyInput, this, m_input.size());
  }
  m_clock = 0;
}

void FileSource::Fill(float *out, int32_t n, int64_t clock) {
  if (clock < m_clock)
    Restart();
  while (m_clock < clock) {
    const auto skip = static_cast<size_t>(
        std::min<int64_t>(clock - m_clock, static_cast<int64_t>(m_skipped.size())));
    if (Pull(m_skipped.data(), skip) < skip) {
      m_clock = clock; // the file has ended before `clock`
      break;
    }
    m_clock += static_cast<int64_t>(skip);
  }
  const size_t got = Pull(out, static_cast<size_t>(n));
  std::fill(out + got, out + n, 0.0f);
  m_clock = clock + n;
}

} // namespace sehost
