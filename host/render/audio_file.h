// Reading audio files through libsndfile: in pieces, or whole.
#ifndef SEHOST_AUDIO_FILE_H
#define SEHOST_AUDIO_FILE_H

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sehost {

// An audio file open for reading piece by piece. Nothing is allocated from
// what its header claims: a damaged or lying header costs no memory.
class AudioFileReader {
public:
  // Throws HostError "<path>: <what is wrong>" if the file cannot be read.
  explicit AudioFileReader(const std::string &path);
  ~AudioFileReader();
  AudioFileReader(const AudioFileReader &) = delete;
  AudioFileReader &operator=(const AudioFileReader &) = delete;

  const std::string &Path() const { return m_path; }
  double SampleRate() const { return m_rate; }
  int Channels() const { return m_channels; }
  // The length the header gives (the data may end sooner).
  int64_t Frames() const { return m_frames; }

  // Reads up to `frames` frames, interleaved, full scale ±1.0, samples that
  // are not finite numbers made 0; answers how many (0 at the end). Throws
  // HostError if the file cannot be read on.
  int64_t Read(float *interleaved, int64_t frames);
  // Goes back to the first frame.
  void Rewind();

private:
  std::string m_path;
  sf_private_tag *m_file = nullptr;
  double m_rate = 0.0;
  int m_channels = 0;
  int64_t m_frames = 0;
};

struct AudioData {
  double sampleRate = 0.0;
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

} // namespace sehost

#endif
