// Reading and writing audio files through libsndfile.
#ifndef SEHOST_AUDIO_FILE_H
#define SEHOST_AUDIO_FILE_H

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sehost {

struct AudioData {
  double sample_rate = 0.0;
  int channels = 0;
  std::vector<float> samples; // interleaved, full scale ±1.0

  int64_t Frames() const {
    return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0;
  }
  std::vector<float> Channel(int channel) const;
};

// Reads a whole file; throws HostError naming the file and what is wrong,
// also when it holds more than `max_samples` samples (all channels counted).
AudioData ReadAudioFile(const std::string &path, int64_t max_samples = int64_t{1} << 28);

enum class SampleFormat { Pcm16, Pcm24, Float };

// "16", "24" or "float"; throws HostError for anything else.
SampleFormat ParseSampleFormat(const std::string &text);
const char *SampleFormatText(SampleFormat format);

// Writes a WAV or FLAC file (chosen by the path's extension) into a temporary
// file beside the target. Commit() renames it over the target; a writer
// destroyed without Commit() removes the temporary file, so a failed render
// never leaves a truncated file and never replaces an existing one.
class AudioFileWriter {
public:
  AudioFileWriter(const std::string &path, int channels, double sample_rate, SampleFormat format);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter &) = delete;
  AudioFileWriter &operator=(const AudioFileWriter &) = delete;

  // Writes interleaved frames. Integer formats clip to full scale; a sample
  // that is not a finite number is written as 0.
  void Write(const float *interleaved, int64_t frames);
  void Commit();

  int64_t ClippedSamples() const { return m_clipped; }
  int64_t NonFiniteSamples() const { return m_non_finite; }
  const std::string &TemporaryPath() const { return m_temp_path; }

private:
  std::string m_path;
  std::string m_temp_path;
  sf_private_tag *m_file = nullptr;
  int m_channels;
  bool m_integer;
  std::vector<float> m_scratch;
  int64_t m_clipped = 0;
  int64_t m_non_finite = 0;
};

// Checks that a file can be created at `path`: its folder exists and the
// extension names a format we write. Throws HostError otherwise.
void CheckOutputPath(const std::string &path);

} // namespace sehost

#endif
